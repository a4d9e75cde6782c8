#include <windows.h>

#include <sddl.h>

#include <stdexcept>
#include <vector>

#include "tests/support/Sandbox.h"

namespace penvo::test {

namespace {

// Below HKEY_CURRENT_USER: where every sandbox makes its keys.
constexpr char kTestKeys[] = "software\\PenvoTest";

struct Redirected {
  HKEY root;
  const char* name;
};
// The roots a test may write to; each leads to a key of the sandbox while it lives.
// HKEY_CLASSES_ROOT stays the real one: COM finds its classes there (the PNG encoder of Ctrl+S,
// the shell), and no test writes below it.
const Redirected kRoots[] = {
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
};

HKEY Root(os::RegRoot root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

}  // namespace

struct RegistryRedirect::State {
  std::string keyPath;  // below the real HKEY_CURRENT_USER
};

RegistryRedirect::RegistryRedirect(const std::string& /*registryDir*/,
                                   const std::string& /*homeDir*/, const std::string& uniqueName)
    : state_(new State{std::string(kTestKeys) + "\\" + uniqueName}) {
  // Every key is made before the first root is redirected, through the real roots.
  std::vector<HKEY> keys;
  for (const Redirected& r : kRoots) {
    HKEY key = nullptr;
    const std::string path = state_->keyPath + "\\" + r.name;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
      throw std::runtime_error("cannot make the test key " + path);
    keys.push_back(key);
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    ::RegOverridePredefKey(kRoots[i].root, keys[i]);  // keeps a handle of its own
    ::RegCloseKey(keys[i]);
  }
}

RegistryRedirect::~RegistryRedirect() {
  for (const Redirected& r : kRoots) ::RegOverridePredefKey(r.root, nullptr);
  ::RegDeleteTreeA(HKEY_CURRENT_USER, state_->keyPath.c_str());
  // The common parent goes once no sandbox is left in it (this fails while one is).
  ::RegDeleteKeyA(HKEY_CURRENT_USER, kTestKeys);
}

void SetRegKeyReadOnly(os::RegRoot root, const std::string& keyPath, bool readOnly) {
  // Everyone may read the key, and delete it and change these rights again; while read-only,
  // no one may set its values or create keys through it.
  const char* rights = readOnly ? "D:P(A;OICI;KRSDWDRC;;;WD)" : "D:P(A;OICI;KA;;;WD)";
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(rights, SDDL_REVISION_1, &sd,
                                                              nullptr))
    throw std::runtime_error("bad security descriptor");
  HKEY key = nullptr;
  LONG rc = ::RegOpenKeyExA(Root(root), keyPath.c_str(), 0, WRITE_DAC, &key);
  if (rc == ERROR_SUCCESS) {
    rc = ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
    ::RegCloseKey(key);
  }
  ::LocalFree(sd);
  if (rc != ERROR_SUCCESS) throw std::runtime_error("cannot change the rights of " + keyPath);
}

}  // namespace penvo::test
