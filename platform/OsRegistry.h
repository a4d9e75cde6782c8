// The registry service: keys below predefined roots, each key holding named, typed values.
// Shaped after the Windows registry calls (open or create a key, query a value with its type,
// set a value, close the key); on Windows it is the registry itself, elsewhere a store of our
// own. Key names and value names are matched without regard to letter case; a name keeps the
// spelling it was first given. A key path is key names joined by "\": it must not begin with
// "\", while doubled and trailing "\" are ignored. A key name has at most 255 characters, a
// value name at most 16383, and no name holds a NUL byte. Failures are reported as nullptr or a
// status; the messages a user sees belong to the callers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace penvo::os {

// The predefined root keys, with the values Windows gives them.
using RegRoot = std::uint32_t;
constexpr RegRoot kHkeyClassesRoot = 0x80000000;
constexpr RegRoot kHkeyCurrentUser = 0x80000001;
constexpr RegRoot kHkeyLocalMachine = 0x80000002;
constexpr RegRoot kHkeyUsers = 0x80000003;
constexpr RegRoot kHkeyPerformanceData = 0x80000004;
constexpr RegRoot kHkeyCurrentConfig = 0x80000005;
constexpr RegRoot kHkeyDynData = 0x80000006;

// Value types, numbered as Windows numbers them; any other number may occur too.
enum class RegType : std::uint32_t {
  None = 0,
  String = 1,        // text
  ExpandString = 2,  // text with %VARIABLES%, not expanded by this service
  Binary = 3,
  Dword = 4,  // 32 bits, little-endian
  DwordBigEndian = 5,
  Link = 6,
  MultiString = 7,
  Qword = 11,
};

// What an opened key may be used for.
enum class RegAccess {
  Read,       // query values, open sub-keys
  ReadWrite,  // also set values and create sub-keys
};

enum class RegStatus {
  Ok,
  NotFound,  // the value does not exist
  Failed,    // it exists, or may, but could not be read or written
};

// A value as stored. For the text types, data is the text without a terminating NUL.
struct RegValue {
  RegType type = RegType::None;
  std::string data;
};

// An open key; destroying it closes it.
class RegKey {
 public:
  virtual ~RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

 protected:
  RegKey() = default;
};
using RegKeyPtr = std::unique_ptr<RegKey>;

// Opens the key subKey ("a\b\c"; empty: the root itself) below root for access; nullptr when
// it does not exist or cannot be opened for that access.
RegKeyPtr OpenRegKey(RegRoot root, std::string_view subKey, RegAccess access);
// The same below an open key.
RegKeyPtr OpenRegKey(const RegKey& parent, std::string_view subKey, RegAccess access);

// Opens subKey below root for reading and writing, creating every missing key on the way;
// nullptr when that fails.
RegKeyPtr CreateRegKey(RegRoot root, std::string_view subKey);
// The same below an open key.
RegKeyPtr CreateRegKey(const RegKey& parent, std::string_view subKey);

// After CreateRegKey(root, subKey) failed: whether that is a failure to report, because the key
// belongs to this user and neither exists nor can be made (on POSIX the user's keys live in the
// home directory, which may be missing or read-only), rather than a key this user may not
// write, whose writes are dropped. False for a key that exists but may only be read, for a path
// the registry refuses and for the machine-wide roots; always false on Windows.
bool RegCreateFailureReported(RegRoot root, std::string_view subKey);

// Reads the value name ("" is the key's unnamed value) of key into value.
RegStatus QueryRegValue(const RegKey& key, std::string_view name, RegValue& value);

// Sets the value name of key, replacing one of any type that has the name in any letter case
// (which keeps its spelling). The key must have been opened for writing.
RegStatus SetRegValue(const RegKey& key, std::string_view name, const RegValue& value);

// The names of the values of key, each once, as they are spelt in the registry.
std::vector<std::string> RegValueNames(const RegKey& key);

// The names of the keys directly below key, each once, as they are spelt in the registry.
std::vector<std::string> RegSubKeyNames(const RegKey& key);

}  // namespace penvo::os
