// Any definitions and any text: expansion must end, stay within its bounds and never crash,
// whatever cycles, nesting or long values the definitions make.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "util/qMacroString.h"

using penvo::TqMacroVarList;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte sets the list's rules: letter names, word tokens and the separators.
  TqMacroVarList list;
  const std::uint8_t rules = data[0];
  list.LetterNameMax = rules & 3;
  list.WordTokenMin = (rules >> 2) & 3;
  static const char* const kSeparators[] = {"", " ", ";", "%", " \t;", "%%"};
  list.Separators = kSeparators[(rules >> 4) % 6];
  list.UndefinedValue = (rules & 0x80) ? "?" : "";
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);

  // Then lines "name=value" up to a line "--"; the rest is the text to expand.
  while (!rest.empty()) {
    const std::size_t nl = rest.find('\n');
    const std::string_view line = rest.substr(0, nl);
    rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    if (line == "--") break;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    list.SetVar(line.substr(0, eq), line.substr(eq + 1));
  }
  const std::string text(rest);
  const std::string expanded = list.Expand(text);
  // Each call builds at most its work bound beside the text's own tokens and separators.
  if (expanded.size() > 4 * (TqMacroVarList::kMaxExpandWork + text.size() + 1)) std::abort();
  // Expanding is a function of the list and the text.
  if (list.Expand(text) != expanded) std::abort();
  return 0;
}
