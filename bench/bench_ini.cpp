// Reading and writing one value of a 200-line ini file through the profile services.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/OsIni.h"

namespace {

std::string MakeIni(const std::filesystem::path& dir) {
  const std::string path = (dir / "bench.ini").string();
  std::ofstream out(path, std::ios::trunc);
  for (int section = 0; section < 10; ++section) {
    out << "[Section" << section << "]\n";
    for (int key = 0; key < 19; ++key)
      out << "Key" << key << "=value " << section * 100 + key << "\n";
  }
  out << "; end\n";
  return path;
}

std::filesystem::path BenchDir() {
  const auto dir = std::filesystem::temp_directory_path() / "penvo-bench-ini";
  std::filesystem::create_directories(dir);
  return dir;
}

void BM_ReadOneValue(benchmark::State& state) {
  const std::string path = MakeIni(BenchDir());
  for (auto _ : state)
    benchmark::DoNotOptimize(penvo::os::ReadProfileValue(path, "Section9", "Key18", ""));
}
BENCHMARK(BM_ReadOneValue);

// Includes the flush to disk and the rename that make the write durable.
void BM_WriteOneValue(benchmark::State& state) {
  const std::string path = MakeIni(BenchDir());
  int i = 0;
  for (auto _ : state) penvo::os::WriteProfileValue(path, "Section5", "Key7", std::to_string(i++));
}
BENCHMARK(BM_WriteOneValue)->Unit(benchmark::kMicrosecond);

}  // namespace
