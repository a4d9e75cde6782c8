// Registry locations: the predefined root key a location names, and the key path below it.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/OsRegistry.h"

namespace penvo {

// One accepted root name and the root key it names.
struct TKey {
  os::RegRoot Key;
  const char* Name;
};

// The root names GetRegRoot accepts, searched in this order; compared with their letter case.
extern const std::array<TKey, 15> RootKeys;

// The root key that Path names; removes that root name and the "\" after it from Path. A
// leading "\" is dropped first. A Path without "\" or without a known root name before its
// first "\" stays a key path below HKEY_CURRENT_USER.
os::RegRoot GetRegRoot(std::string& Path);

// Whether a chain entry's location names a registry key rather than a file: it begins with
// "HK", or has "HK" as its second and third characters. After a leading separator only when a
// root name of RootKeys follows ("\HKCU\X"): "\HKtools\x.ini" is a file under the root.
bool IsRegistryLocation(std::string_view Location);

}  // namespace penvo
