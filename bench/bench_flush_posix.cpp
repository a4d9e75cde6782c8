// What the flush to disk alone costs on this machine: the write of a small file and its
// fsync, and the whole durable replacement the POSIX stores make (temporary file, fsync,
// rename, fsync of the directory).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "platform/posix/AtomicFile.h"
#include "tests/support/TestFiles.h"

namespace {

const std::string kContent(1200, 'x');  // about the size of a key's values file

void BM_FlushAlone(benchmark::State& state) {
  penvo::test::TempDir dir;
  const int fd = ::open(dir.File("f").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  for (auto _ : state) {
    if (::pwrite(fd, kContent.data(), kContent.size(), 0) < 0 || ::fsync(fd) != 0)
      state.SkipWithError("write or fsync failed");
  }
  ::close(fd);
}
BENCHMARK(BM_FlushAlone)->Unit(benchmark::kMicrosecond);

void BM_DurableReplace(benchmark::State& state) {
  penvo::test::TempDir dir;
  for (auto _ : state)
    if (!penvo::os::posix::ReplaceFileContent(dir.File("f"), kContent))
      state.SkipWithError("replace failed");
}
BENCHMARK(BM_DurableReplace)->Unit(benchmark::kMicrosecond);

}  // namespace
