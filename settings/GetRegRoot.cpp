#include "settings/GetRegRoot.h"

#include <algorithm>

namespace penvo {

const std::array<TKey, 15> RootKeys = {{
    {os::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE"},
    {os::kHkeyClassesRoot, "HKEY_CLASSES_ROOT"},
    {os::kHkeyCurrentUser, "HKEY_CURRENT_USER"},
    {os::kHkeyUsers, "HKEY_USERS"},
    {os::kHkeyCurrentConfig, "HKEY_CURRENT_CONFIG"},
    {os::kHkeyDynData, "HKEY_DYN_DATA"},
    {os::kHkeyLocalMachine, "HKLM"},
    {os::kHkeyClassesRoot, "HKCR"},
    {os::kHkeyCurrentUser, "HKCU"},
    {os::kHkeyUsers, "HKU"},
    {os::kHkeyCurrentConfig, "HKCC"},
    {os::kHkeyDynData, "HKDD"},
    {os::kHkeyLocalMachine, "Machine"},
    {os::kHkeyCurrentUser, "User"},
    {os::kHkeyUsers, "Users"},
}};

os::RegRoot GetRegRoot(std::string& Path) {
  if (Path.empty()) return os::kHkeyCurrentUser;
  if (Path.front() == '\\') Path.erase(0, 1);
  const std::size_t slash = Path.find('\\');
  if (slash == std::string::npos) return os::kHkeyCurrentUser;
  const std::string_view first = std::string_view(Path).substr(0, slash);
  for (const TKey& row : RootKeys) {
    if (first == row.Name) {
      Path.erase(0, slash + 1);
      return row.Key;
    }
  }
  return os::kHkeyCurrentUser;
}

bool IsRegistryLocation(std::string_view Location) {
  if (Location.starts_with("HK")) return true;
  if (Location.size() < 3 || Location.substr(1, 2) != "HK") return false;
  if (Location.front() != '\\' && Location.front() != '/') return true;
  // An absolute path: a key only when its first name is a root name.
  const std::string_view first = Location.substr(1, Location.find_first_of("\\/", 1) - 1);
  return std::any_of(RootKeys.begin(), RootKeys.end(),
                     [first](const TKey& row) { return first == row.Name; });
}

}  // namespace penvo
