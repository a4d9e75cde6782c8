// The store chain's costs: a read through the default order "U" when only the program's ini
// file holds the value (every store is asked), and a write to the user's registry key, which
// includes the flush to disk.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/OsFiles.h"
#include "platform/OsRegistry.h"
#include "settings/IniReadOrder.h"
#include "tests/support/Sandbox.h"

namespace {

namespace fs = std::filesystem;
using penvo::test::WriteFile;

// A program tools/penvo started in work/, with every store of "U" present: the user's and the
// machine's key and both ini files hold other values of the section, the program's ini file
// also the value read.
class Setup {
 public:
  Setup() {
    penvo::os::SetExePathForTesting((tools_ / "penvo").string());
    std::string others = "[Pos]\n";
    for (int i = 0; i < 20; ++i) others += "Other" + std::to_string(i) + "=1,2,3,4\n";
    WriteFile((work_ / "penvo.ini").string(), others);
    WriteFile((tools_ / "penvo.ini").string(), others + "FormOptions=122,134,852,51\n");
    for (const penvo::os::RegRoot root :
         {penvo::os::kHkeyCurrentUser, penvo::os::kHkeyLocalMachine}) {
      const penvo::os::RegKeyPtr key = penvo::os::CreateRegKey(root, "software\\Ruvi\\penvo\\Pos");
      for (int i = 0; i < 20; ++i)
        penvo::os::SetRegValue(*key, "Other" + std::to_string(i),
                               {penvo::os::RegType::String, "1,2,3,4"});
    }
    chain_ = std::make_unique<penvo::TIniReadOrder>();
  }
  ~Setup() { penvo::os::SetExePathForTesting(""); }

  penvo::TIniReadOrder& Chain() { return *chain_; }

 private:
  penvo::test::RegistrySandbox sandbox_;
  const fs::path tools_ = penvo::test::MadeDir(sandbox_.Dir().Path() / "tools");
  const fs::path work_ = penvo::test::MadeDir(sandbox_.Dir().Path() / "work");
  penvo::test::CurrentDirScope cwd_{work_};
  std::unique_ptr<penvo::TIniReadOrder> chain_;
};

void BM_ReadThroughDefaultOrderFromTheLastStore(benchmark::State& state) {
  Setup setup;
  if (setup.Chain().ReadSetting("U", "Pos", "FormOptions", "") != "122,134,852,51") {
    state.SkipWithError("the value was not found in the program's ini file");
    return;
  }
  for (auto _ : state)
    benchmark::DoNotOptimize(setup.Chain().ReadSetting("U", "Pos", "FormOptions", "\xA7"));
}
BENCHMARK(BM_ReadThroughDefaultOrderFromTheLastStore)->Unit(benchmark::kMicrosecond);

// Each write changes the value, so that each one is flushed to disk.
void BM_WriteToTheUsersKey(benchmark::State& state) {
  Setup setup;
  int i = 0;
  for (auto _ : state) setup.Chain().WriteSetting("U", "Pos", "FormOptions", std::to_string(i++));
  if (!setup.Chain().LastError().empty()) state.SkipWithError(setup.Chain().LastError().c_str());
}
BENCHMARK(BM_WriteToTheUsersKey)->Unit(benchmark::kMicrosecond);

}  // namespace
