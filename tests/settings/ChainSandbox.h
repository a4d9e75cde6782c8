// The program's store chain over a sandbox, for the tests of the persisting components: the
// registry, the program's directory and the working directory are the test's own.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/OsFiles.h"
#include "settings/IniReadOrder.h"
#include "tests/support/Sandbox.h"

namespace penvo::test {

// While it lives, GlobalReadOrder exists with its default order: the user's key first, the
// machine's key after it (both in the sandbox's registry).
class ChainSandbox {
 public:
  ChainSandbox() {
    os::SetExePathForTesting((tools_ / prog_).string());
    CreateGlobalReadOrder();
  }
  ~ChainSandbox() {
    DestroyGlobalReadOrder();
    os::SetExePathForTesting("");
  }
  ChainSandbox(const ChainSandbox&) = delete;
  ChainSandbox& operator=(const ChainSandbox&) = delete;

  // The value stored in the user's key, where a write of the default order goes; nullopt when
  // nothing has been written there.
  std::optional<std::string> UserValue(const std::string& section, const std::string& key) const {
    return ReadRegText(os::kHkeyCurrentUser, UserKey() + "\\" + section, key);
  }
  // Stores a value in the user's key.
  void SetUserValue(const std::string& section, const std::string& key,
                    const std::string& value) const {
    WriteIniValue("", section, key, value);
  }
  // Stores a value in the machine's key only: the default order reads it (while the user's key
  // holds none), but a write of the default order never goes there.
  void SetMachineValue(const std::string& section, const std::string& key,
                       const std::string& value) const {
    WriteIniValue("HKEY_LOCAL_MACHINE\\" + UserKey(), section, key, value);
  }

 private:
  std::string UserKey() const { return "software\\Ruvi\\" + prog_; }

  RegistrySandbox sandbox_;
  const std::string prog_ = sandbox_.UniqueName("Penvo");
  const std::filesystem::path tools_ = MadeDir(sandbox_.Dir().Path() / "Tools");
  const std::filesystem::path work_ = MadeDir(sandbox_.Dir().Path() / "Work");
  CurrentDirScope cwd_{work_};
};

}  // namespace penvo::test
