// Any bytes are a possible settings file: reading must not crash, and a write must set its
// value and leave every other entry as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ProfileText.h"
#include "platform/posix/IniText.h"

using penvo::os::ini::IniText;

namespace {

// Section names that appear in the text, as a reader would guess them.
std::vector<std::string> SomeSections(const std::string& text) {
  std::vector<std::string> names;
  std::size_t at = 0;
  while (names.size() < 8 && (at = text.find('[', at)) != std::string::npos) {
    const std::size_t close = text.find(']', at);
    if (close == std::string::npos) break;
    names.push_back(text.substr(at + 1, close - at - 1));
    at = close;
  }
  return names;
}

bool IsTarget(const std::string& section) {
  const std::string_view trimmed = penvo::os::profile::Trim(section);
  return trimmed.size() == 2 && (trimmed[0] | 0x20) == 'f' && (trimmed[1] | 0x20) == 'z';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  IniText before(text);
  const std::vector<std::string> sections = SomeSections(text);
  std::vector<std::vector<std::string>> entries;
  for (const std::string& s : sections) {
    entries.push_back(before.Entries(s));
    (void)before.Value(s, "k");
  }

  IniText after(text);
  after.Set("Fz", "k", "fuzz-value");
  if (after.Value("Fz", "k") != std::optional<std::string>("fuzz-value")) std::abort();
  for (std::size_t i = 0; i < sections.size(); ++i)
    if (!IsTarget(sections[i]) && IniText(after.Text()).Entries(sections[i]) != entries[i])
      std::abort();
  return 0;
}
