// Environment variables for tests, and a sandbox that keeps tests away from the user's and the
// machine's real settings.
#pragma once

#include <optional>
#include <string>

#include "platform/OsRegistry.h"
#include "tests/support/Platform.h"
#include "tests/support/TestFiles.h"

namespace penvo::test {

// A temporary directory that holds the registry (QINI_REGISTRY_DIR, for the POSIX registry)
// and serves as home (HOME, XDG_CONFIG_HOME) while the object lives. Where the registry is
// the system's own (Windows), keys stay apart by the unique name UniqueName gives.
class RegistrySandbox {
 public:
  RegistrySandbox();

  const TempDir& Dir() const { return dir_; }
  std::string RegistryDir() const { return dir_.File("registry"); }
  // A name no other sandbox gives, for keys and programs: prefix and a unique suffix.
  std::string UniqueName(const std::string& prefix) const;

 private:
  TempDir dir_;
  ScopedEnv registry_;
  ScopedEnv home_;
  ScopedEnv xdg_;
};

// The value name of the key keyPath below root, as the registry service reads it; nullopt
// when the key or the value is missing.
std::optional<os::RegValue> ReadRegValue(os::RegRoot root, const std::string& keyPath,
                                         const std::string& name);

// The same, for a text value: its text.
std::optional<std::string> ReadRegText(os::RegRoot root, const std::string& keyPath,
                                       const std::string& name);

}  // namespace penvo::test
