#include "tests/support/Sandbox.h"

#include <cstdlib>

namespace penvo::test {

RegistrySandbox::RegistrySandbox()
    : redirect_(dir_.File("registry"), dir_.File("home"), UniqueName("Sandbox")) {}

std::string RegistrySandbox::UniqueName(const std::string& prefix) const {
  return prefix + dir_.Path().filename().string();
}

std::optional<os::RegValue> ReadRegValue(os::RegRoot root, const std::string& keyPath,
                                         const std::string& name) {
  const os::RegKeyPtr key = os::OpenRegKey(root, keyPath, os::RegAccess::Read);
  os::RegValue value;
  if (!key || os::QueryRegValue(*key, name, value) != os::RegStatus::Ok) return std::nullopt;
  return value;
}

std::optional<std::string> ReadRegText(os::RegRoot root, const std::string& keyPath,
                                       const std::string& name) {
  std::optional<os::RegValue> value = ReadRegValue(root, keyPath, name);
  if (!value || value->type != os::RegType::String) return std::nullopt;
  return value->data;
}

}  // namespace penvo::test
