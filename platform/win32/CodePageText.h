// Internal to platform/win32/: texts at the boundary of the A functions. The program runs under
// the UTF-8 code page, and the missing-value sign, the single byte 0xA7, is no UTF-8 text: the
// functions would store it as U+FFFD. It crosses as "§" (U+00A7) instead, and a whole stored
// text of U+00A7, or of U+FFFD (what an older file's lone Latin-1 "§" byte reads as), comes
// back as the sign.
#pragma once

#include <string>

namespace penvo::os::win32 {

inline std::string ToWindowsText(const std::string& Text) {
  return Text == "\xA7" ? std::string("\xC2\xA7") : Text;
}

inline std::string FromWindowsText(std::string Text) {
  if (Text == "\xC2\xA7" || Text == "\xEF\xBF\xBD") return "\xA7";
  return Text;
}

}  // namespace penvo::os::win32
