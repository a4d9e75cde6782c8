// Names and values as the ini-file ("profile") functions see them; shared by every OS's service.
#pragma once

#include <string>
#include <string_view>

namespace penvo::os::profile {

// The blanks trimmed off section names, keys and values: space, tab, vertical tab, form feed and
// Ctrl-Z (the DOS end-of-file mark).
inline constexpr std::string_view kBlanks = " \t\v\f\x1a";

// s without leading and trailing blanks; an empty result keeps its place in s.
std::string_view Trim(std::string_view s);

// s with every line break and NUL byte made a blank, so that a written name or value stays on its
// own line and can never add sections or keys to the file.
std::string OneLine(std::string_view s);

// The default of a read as the profile functions give it back: without trailing spaces (but its
// first character), at most kProfileValueMax characters.
std::string ReadDefault(const std::string& Default);

// A section or key that is blank: a read gives the default, a write is refused (nothing could
// read it back, and some Windows versions crash on it).
bool IsBlankName(std::string_view name);

}  // namespace penvo::os::profile
