#include "platform/ProfileText.h"

#include <algorithm>

#include "platform/OsIni.h"

namespace penvo::os::profile {

std::string_view Trim(std::string_view s) {
  const std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return s.substr(0, 0);
  const std::size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return out;
}

std::string ReadDefault(const std::string& Default) {
  const std::size_t last = Default.find_last_not_of(' ');
  const std::size_t keep =
      last == std::string::npos ? std::min<std::size_t>(Default.size(), 1) : last + 1;
  return Default.substr(0, std::min(keep, kProfileValueMax));
}

bool IsBlankName(std::string_view name) {
  return Trim(OneLine(name)).empty();
}

}  // namespace penvo::os::profile
