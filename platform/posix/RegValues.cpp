#include "platform/posix/RegValues.h"

#include <algorithm>
#include <cstdint>

#include "platform/posix/AsciiCase.h"

namespace penvo::os::reg {

using posix::SameText;

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr char kHexDigits[] = "0123456789abcdef";

std::string_view TrimLeft(std::string_view s) {
  const std::size_t first = s.find_first_not_of(kBlanks);
  return first == std::string_view::npos ? s.substr(s.size()) : s.substr(first);
}

std::string_view TrimRight(std::string_view s) {
  const std::size_t last = s.find_last_not_of(kBlanks);
  return last == std::string_view::npos ? s.substr(0, 0) : s.substr(0, last + 1);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Cuts prefix off s, in any letter case; false when s does not begin with it.
bool CutPrefix(std::string_view& s, std::string_view prefix) {
  if (s.size() < prefix.size() || !SameText(s.substr(0, prefix.size()), prefix)) return false;
  s.remove_prefix(prefix.size());
  return true;
}

// A hexadecimal number of 1 to 8 digits that makes up all of s.
std::optional<std::uint32_t> ParseHex32(std::string_view s) {
  if (s.empty() || s.size() > 8) return std::nullopt;
  std::uint32_t n = 0;
  for (char c : s) {
    const int d = HexValue(c);
    if (d < 0) return std::nullopt;
    n = n << 4 | static_cast<std::uint32_t>(d);
  }
  return n;
}

// Bytes written as "01,ff,..."; blanks around them and empty items are allowed.
std::optional<std::string> ParseHexBytes(std::string_view s) {
  std::string bytes;
  while (!s.empty()) {
    const std::size_t comma = s.find(',');
    std::string_view item = TrimRight(TrimLeft(s.substr(0, comma)));
    s = comma == std::string_view::npos ? std::string_view() : s.substr(comma + 1);
    if (item.empty()) continue;
    if (item.size() > 2) return std::nullopt;
    const std::optional<std::uint32_t> b = ParseHex32(item);
    if (!b) return std::nullopt;
    bytes += static_cast<char>(*b);
  }
  return bytes;
}

// The characters a value name writes as "\" and a letter.
struct NameEscape {
  char raw, letter;
};
constexpr NameEscape kNameEscapes[] = {{'\r', 'r'}, {'\n', 'n'}, {'\0', '0'}};

std::optional<char> RawOf(char letter) {
  for (const NameEscape& e : kNameEscapes)
    if (e.letter == letter) return e.raw;
  return std::nullopt;
}

std::optional<char> LetterOf(char raw) {
  for (const NameEscape& e : kNameEscapes)
    if (e.raw == raw) return e.letter;
  return std::nullopt;
}

// The text of a quoted string at the front of s (which begins with '"'); s keeps what follows
// the closing quote. Names also know \r, \n and \0. nullopt when the closing quote is missing.
std::optional<std::string> ParseQuoted(std::string_view& s, bool isName) {
  std::string out;
  for (std::size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      return out;
    }
    if (c != '\\' || i + 1 == s.size()) {
      out += c;
      continue;
    }
    const char e = s[++i];
    if (e == '\\' || e == '"')
      out += e;
    else if (const std::optional<char> raw = isName ? RawOf(e) : std::nullopt)
      out += *raw;
    else
      out.append({'\\', e});  // an escape we do not know stays as written
  }
  return std::nullopt;
}

std::string Quoted(std::string_view s, bool isName) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"')
      out.append({'\\', c});
    else if (const std::optional<char> letter = isName ? LetterOf(c) : std::nullopt)
      out.append({'\\', *letter});
    else
      out += c;
  }
  return out + "\"";
}

std::string HexBytes(std::string_view bytes) {
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ',';
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 15];
  }
  return out;
}

bool IsText(RegType type) {
  return type == RegType::String || type == RegType::ExpandString;
}

// The data after "=", or nullopt when it is not a value we can read.
std::optional<RegValue> ParseData(std::string_view s) {
  RegValue value;
  if (!s.empty() && s.front() == '"') {
    std::optional<std::string> text = ParseQuoted(s, false);
    if (!text || !TrimLeft(s).empty()) return std::nullopt;
    return RegValue{RegType::String, std::move(*text)};
  }
  if (CutPrefix(s, "dword:")) {
    const std::optional<std::uint32_t> n = ParseHex32(TrimRight(s));
    if (!n) return std::nullopt;
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i) data[i] = static_cast<char>(*n >> (8 * i) & 0xff);
    return RegValue{RegType::Dword, std::move(data)};
  }
  if (CutPrefix(s, "hex:")) {
    value.type = RegType::Binary;
  } else if (CutPrefix(s, "hex(")) {
    const std::size_t close = s.find("):");
    const std::optional<std::uint32_t> type =
        close == std::string_view::npos ? std::nullopt : ParseHex32(s.substr(0, close));
    if (!type) return std::nullopt;
    value.type = static_cast<RegType>(*type);
    s.remove_prefix(close + 2);
  } else {
    return std::nullopt;
  }
  std::optional<std::string> bytes = ParseHexBytes(s);
  if (!bytes) return std::nullopt;
  // Text types keep their closing NUL in hex form; the value is the text before it.
  if (IsText(value.type) && !bytes->empty() && bytes->back() == '\0') bytes->pop_back();
  value.data = std::move(*bytes);
  return value;
}

struct NameAndData {
  std::string name;
  std::string_view data;  // trimmed
};

std::optional<NameAndData> SplitLine(std::string_view line) {
  std::string_view s = TrimLeft(line);
  NameAndData out;
  if (!s.empty() && s.front() == '@') {
    s.remove_prefix(1);
  } else if (!s.empty() && s.front() == '"') {
    std::optional<std::string> name = ParseQuoted(s, true);
    if (!name) return std::nullopt;
    out.name = std::move(*name);
  } else {
    return std::nullopt;
  }
  s = TrimLeft(s);
  if (s.empty() || s.front() != '=') return std::nullopt;
  out.data = TrimRight(TrimLeft(s.substr(1)));
  return out;
}

// True when data is hex data that goes on at the next line ("...,\").
bool Continues(std::string_view data) {
  return !data.empty() && data.back() == '\\' &&
         (SameText(data.substr(0, std::min<std::size_t>(3, data.size())), "hex"));
}

}  // namespace

std::string FormatValueLine(std::string_view name, const RegValue& value) {
  std::string line = name.empty() ? "@" : Quoted(name, true);
  line += '=';
  const std::string_view data = value.data;
  const bool plainText = value.type == RegType::String &&
                         data.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
  if (plainText) return line + Quoted(data, false);
  if (value.type == RegType::Dword && data.size() == 4) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(data[i]);
    line += "dword:";
    for (int shift = 28; shift >= 0; shift -= 4) line += kHexDigits[n >> shift & 15];
    return line;
  }
  if (value.type == RegType::Binary) return line + "hex:" + HexBytes(data);
  const auto type = static_cast<std::uint32_t>(value.type);
  std::string typeHex;
  for (std::uint32_t t = type; t != 0 || typeHex.empty(); t >>= 4)
    typeHex.insert(typeHex.begin(), kHexDigits[t & 15]);
  const std::string bytes = IsText(value.type) ? std::string(data) + '\0' : std::string(data);
  return line + "hex(" + typeHex + "):" + HexBytes(bytes);
}

RegValuesText::RegValuesText(std::string text) : text_(std::move(text)) {
  Parse();
}

void RegValuesText::Parse() {
  entries_.clear();
  std::size_t pos = 0;
  // The content of the physical line at pos, without its line end; moves pos to the next one.
  const auto takeLine = [&] {
    const std::size_t nl = text_.find('\n', pos);
    const std::size_t end = nl == std::string::npos ? text_.size() : nl;
    std::string_view content(text_.data() + pos, end - pos);
    if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
    pos = nl == std::string::npos ? text_.size() : nl + 1;
    return content;
  };
  while (pos < text_.size()) {
    Entry entry;
    entry.begin = pos;
    std::optional<NameAndData> parts = SplitLine(takeLine());
    if (parts && Continues(parts->data)) {
      std::string joined(parts->data);
      while (Continues(joined) && pos < text_.size() &&
             kBlanks.find(text_[pos]) != std::string_view::npos) {
        joined.pop_back();
        joined += TrimRight(TrimLeft(takeLine()));
      }
      if (Continues(joined)) joined.pop_back();  // the file ends where more was announced
      std::optional<RegValue> value = ParseData(joined);
      if (!value) continue;
      entry.value = std::move(*value);
    } else if (parts) {
      std::optional<RegValue> value = ParseData(parts->data);
      if (!value) continue;
      entry.value = std::move(*value);
    } else {
      continue;
    }
    entry.name = std::move(parts->name);
    entry.next = pos;
    entries_.push_back(std::move(entry));
  }
}

std::optional<RegValue> RegValuesText::Find(std::string_view name) const {
  for (const Entry& e : entries_)
    if (SameText(e.name, name)) return e.value;
  return std::nullopt;
}

std::vector<std::string> RegValuesText::Names() const {
  std::vector<std::string> names;
  for (const Entry& e : entries_) names.push_back(e.name);
  return names;
}

std::string_view RegValuesText::Eol() const {
  const std::size_t nl = text_.find('\n');
  if (nl != std::string::npos && nl > 0 && text_[nl - 1] == '\r') return "\r\n";
  return "\n";
}

void RegValuesText::Set(std::string_view name, const RegValue& value) {
  for (const Entry& e : entries_) {
    if (!SameText(e.name, name)) continue;
    // The value keeps the name as it was first spelt, as in the Windows registry.
    text_.replace(e.begin, e.next - e.begin, FormatValueLine(e.name, value) + std::string(Eol()));
    Parse();
    return;
  }
  // A last line cut off after "\r" needs only the "\n"; another "\r" would become part of it.
  if (!text_.empty() && text_.back() != '\n') text_ += text_.back() == '\r' ? "\n" : Eol();
  text_ += FormatValueLine(name, value) + std::string(Eol());
  Parse();
}

}  // namespace penvo::os::reg
