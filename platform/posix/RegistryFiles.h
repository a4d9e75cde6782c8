// Where the registry lives on POSIX systems, as plain files a user can read and back up:
//
//   <base>/HKEY_CURRENT_USER/software/Ruvi/Penvo/.values
//
// The base directory is $QINI_REGISTRY_DIR when it is set; otherwise
// ${XDG_CONFIG_HOME:-$HOME/.config}/registry for HKEY_CURRENT_USER and /etc/registry for the
// machine-wide roots. Below it a directory per root, named by the root's full name, and a
// directory per key, named by the key as it was first typed. A key's values are in the file
// ".values" of its directory (see RegValues.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/OsRegistry.h"

namespace penvo::os::posix {

// The name of the file that holds a key's values.
inline constexpr std::string_view kValuesFile = ".values";

// The directory of root's keys; empty for an unknown root, or for HKEY_CURRENT_USER when no
// home directory is known.
std::string RegistryRootDir(RegRoot root);

// A key name as a directory name: "/", "%", NUL and a leading "." become "%" and two
// upper-case hex digits, so that no key name can leave its parent's directory.
std::string EncodeKeyName(std::string_view name);

// The key name that a directory name stands for; a "%" without two hex digits stays as it is.
std::string DecodeKeyName(std::string_view dirName);

// The directory of the key name below the key directory dir: the one named exactly like it,
// else the first (in byte order) whose key name matches without regard to letter case.
// Names beginning with "." (the values file, temporary files) are never keys.
std::optional<std::string> FindKeyDir(const std::string& dir, std::string_view name);

// The directory of the key name below dir, made (as EncodeKeyName names it) when FindKeyDir
// finds none; nullopt when it cannot be made. Holds the lock of dir meanwhile, so that two
// processes making "Key" and "KEY" at once end up with one key.
std::optional<std::string> MakeKeyDir(const std::string& dir, std::string_view name);

}  // namespace penvo::os::posix
