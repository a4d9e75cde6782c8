// Letter-case rules of the POSIX settings stores: names match without regard to the case of
// the ASCII letters; other bytes must be equal.
#pragma once

#include <cstddef>
#include <string_view>

namespace penvo::os::posix {

inline char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace penvo::os::posix
