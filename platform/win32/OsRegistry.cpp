// The registry service over the Windows registry (advapi32, the single-byte "A" functions).
#include "platform/OsRegistry.h"

#include <windows.h>

#include "platform/win32/CodePageText.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace penvo::os {

namespace {

// An open key; the predefined root keys themselves are never closed.
class WinKey final : public RegKey {
 public:
  WinKey(HKEY handle, bool owned) : handle_(handle), owned_(owned) {}
  ~WinKey() override {
    if (owned_) ::RegCloseKey(handle_);
  }
  HKEY Handle() const { return handle_; }

 private:
  HKEY handle_;
  bool owned_;
};

HKEY Native(const RegKey& key) {
  return static_cast<const WinKey&>(key).Handle();
}

std::optional<HKEY> RootHandle(RegRoot root) {
  switch (root) {
    case kHkeyClassesRoot:
      return HKEY_CLASSES_ROOT;
    case kHkeyCurrentUser:
      return HKEY_CURRENT_USER;
    case kHkeyLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case kHkeyUsers:
      return HKEY_USERS;
    case kHkeyPerformanceData:
      return HKEY_PERFORMANCE_DATA;
    case kHkeyCurrentConfig:
      return HKEY_CURRENT_CONFIG;
    case kHkeyDynData:
      return HKEY_DYN_DATA;
    default:
      return std::nullopt;
  }
}

// The functions take C strings: a name holding a NUL would silently name another key or value.
bool HoldsNul(std::string_view name) {
  return name.find('\0') != std::string_view::npos;
}

REGSAM Rights(RegAccess access) {
  return access == RegAccess::ReadWrite ? KEY_READ | KEY_WRITE : KEY_READ;
}

bool IsText(RegType type) {
  return type == RegType::String || type == RegType::ExpandString;
}

RegKeyPtr Open(HKEY parent, std::string_view subKey, RegAccess access) {
  if (HoldsNul(subKey)) return nullptr;
  HKEY key = nullptr;
  if (::RegOpenKeyExA(parent, std::string(subKey).c_str(), 0, Rights(access), &key) !=
      ERROR_SUCCESS)
    return nullptr;
  // An empty path below a root gives the root's own handle back.
  return std::make_unique<WinKey>(key, key != parent);
}

RegKeyPtr Create(HKEY parent, std::string_view subKey) {
  if (HoldsNul(subKey)) return nullptr;
  HKEY key = nullptr;
  if (::RegCreateKeyExA(parent, std::string(subKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<WinKey>(key, key != parent);
}

}  // namespace

RegKeyPtr OpenRegKey(RegRoot root, std::string_view subKey, RegAccess access) {
  const std::optional<HKEY> handle = RootHandle(root);
  return handle ? Open(*handle, subKey, access) : nullptr;
}

RegKeyPtr OpenRegKey(const RegKey& parent, std::string_view subKey, RegAccess access) {
  return Open(Native(parent), subKey, access);
}

RegKeyPtr CreateRegKey(RegRoot root, std::string_view subKey) {
  const std::optional<HKEY> handle = RootHandle(root);
  return handle ? Create(*handle, subKey) : nullptr;
}

RegKeyPtr CreateRegKey(const RegKey& parent, std::string_view subKey) {
  return Create(Native(parent), subKey);
}

bool RegCreateFailureReported(RegRoot, std::string_view) {
  return false;  // a key that cannot be created is taken for one this user may not write
}

RegStatus QueryRegValue(const RegKey& key, std::string_view name, RegValue& value) {
  if (HoldsNul(name)) return RegStatus::NotFound;
  const std::string valueName(name);
  DWORD type = REG_NONE;
  DWORD size = 0;
  LONG rc = ::RegQueryValueExA(Native(key), valueName.c_str(), nullptr, &type, nullptr, &size);
  std::string data;
  while (rc == ERROR_SUCCESS) {
    // The size asked first may be too large (texts are kept in UTF-16) or, when another program
    // writes meanwhile, too small: the second call tells.
    data.assign(std::max<DWORD>(size, 1), '\0');
    DWORD got = static_cast<DWORD>(data.size());
    rc = ::RegQueryValueExA(Native(key), valueName.c_str(), nullptr, &type,
                            reinterpret_cast<BYTE*>(data.data()), &got);
    if (rc == ERROR_MORE_DATA) {
      size = got;
      rc = ERROR_SUCCESS;
      continue;
    }
    data.resize(std::min<std::size_t>(got, data.size()));
    break;
  }
  if (rc == ERROR_FILE_NOT_FOUND) return RegStatus::NotFound;
  if (rc != ERROR_SUCCESS) return RegStatus::Failed;
  value.type = static_cast<RegType>(type);
  if (IsText(value.type) && !data.empty() && data.back() == '\0') data.pop_back();
  value.data = IsText(value.type) ? win32::FromWindowsText(std::move(data)) : std::move(data);
  return RegStatus::Ok;
}

RegStatus SetRegValue(const RegKey& key, std::string_view name, const RegValue& value) {
  if (HoldsNul(name)) return RegStatus::Failed;
  // A text is stored with its terminating NUL.
  const std::string data =
      IsText(value.type) ? win32::ToWindowsText(value.data) + '\0' : value.data;
  const LONG rc =
      ::RegSetValueExA(Native(key), std::string(name).c_str(), 0, static_cast<DWORD>(value.type),
                       reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
  return rc == ERROR_SUCCESS ? RegStatus::Ok : RegStatus::Failed;
}

std::vector<std::string> RegValueNames(const RegKey& key) {
  std::vector<std::string> names;
  DWORD longest = 0;
  if (::RegQueryInfoKeyA(Native(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &longest, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return names;
  std::vector<char> buf(longest + 1);
  for (DWORD index = 0;;) {
    DWORD length = static_cast<DWORD>(buf.size());
    const LONG rc = ::RegEnumValueA(Native(key), index, buf.data(), &length, nullptr, nullptr,
                                    nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {  // a longer name was added meanwhile
      buf.resize(buf.size() * 2);
      continue;
    }
    if (rc != ERROR_SUCCESS) return names;
    names.emplace_back(buf.data(), length);
    ++index;
  }
}

std::vector<std::string> RegSubKeyNames(const RegKey& key) {
  std::vector<std::string> names;
  char buf[256];  // a key name has at most 255 characters
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof buf;
    if (::RegEnumKeyExA(Native(key), i, buf, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(buf, length);
  }
  return names;
}

}  // namespace penvo::os
