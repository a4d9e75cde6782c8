// Environment variables for tests, and a sandbox that keeps tests away from the user's and the
// machine's real settings.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/OsRegistry.h"
#include "tests/support/Platform.h"
#include "tests/support/TestFiles.h"

namespace penvo::test {

// While it lives, every root key of this process's registry leads to a place of the test's
// own, which is removed with everything in it at the end. POSIX: the directory registryDir
// (QINI_REGISTRY_DIR), with home (HOME, XDG_CONFIG_HOME) in homeDir. Windows: one key per root
// below HKEY_CURRENT_USER\software\PenvoTest\<uniqueName>, put in place of the root for this
// process (all but HKEY_CLASSES_ROOT, which COM needs as it is); nothing else of the user's or
// the machine's registry is touched.
class RegistryRedirect {
 public:
  RegistryRedirect(const std::string& registryDir, const std::string& homeDir,
                   const std::string& uniqueName);
  ~RegistryRedirect();
  RegistryRedirect(const RegistryRedirect&) = delete;
  RegistryRedirect& operator=(const RegistryRedirect&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A temporary directory, and the registry redirected into it (or, on Windows, to a key of the
// sandbox's own), while the object lives.
class RegistrySandbox {
 public:
  RegistrySandbox();

  const TempDir& Dir() const { return dir_; }
  // Where the POSIX registry keeps its roots.
  std::string RegistryDir() const { return dir_.File("registry"); }
  // A name no other sandbox gives, for keys and programs: prefix and a unique suffix.
  std::string UniqueName(const std::string& prefix) const;

 private:
  TempDir dir_;
  RegistryRedirect redirect_;
};

// Makes the existing key keyPath below root one that this user may read but not change (on
// Windows by its access rights, on POSIX by its values file), or changeable again.
void SetRegKeyReadOnly(os::RegRoot root, const std::string& keyPath, bool readOnly);

// The value name of the key keyPath below root, as the registry service reads it; nullopt
// when the key or the value is missing.
std::optional<os::RegValue> ReadRegValue(os::RegRoot root, const std::string& keyPath,
                                         const std::string& name);

// The same, for a text value: its text.
std::optional<std::string> ReadRegText(os::RegRoot root, const std::string& keyPath,
                                       const std::string& name);

}  // namespace penvo::test
