#include "platform/posix/IniText.h"

#include "platform/OsIni.h"
#include "platform/posix/AsciiCase.h"

namespace penvo::os::ini {

using posix::SameText;

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view s) {
  const std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return s.substr(0, 0);  // keeps its place in s
  const std::size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

std::string Sanitized(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return out;
}

}  // namespace

IniText::IniText(std::string text) : text_(std::move(text)) {
  Parse();
}

void IniText::SetName(Line& line, std::string_view name) const {
  line.nameAt = static_cast<std::size_t>(name.data() - text_.data());
  line.nameLength = name.size();
}

void IniText::Parse() {
  lines_.clear();
  std::size_t pos = 0;
  while (pos < text_.size()) {
    Line line;
    line.begin = pos;
    const std::size_t nl = text_.find('\n', pos);
    line.next = nl == std::string::npos ? text_.size() : nl + 1;
    line.end = nl == std::string::npos ? text_.size() : nl;
    if (line.end > line.begin && text_[line.end - 1] == '\r') --line.end;
    const std::string_view content(text_.data() + line.begin, line.end - line.begin);
    const std::string_view trimmed = Trim(content);
    if (trimmed.empty()) {
      line.kind = Kind::Blank;
    } else if (trimmed.front() == ';') {
      line.kind = Kind::Comment;
    } else if (trimmed.front() == '[' && trimmed.find(']') != std::string_view::npos) {
      line.kind = Kind::Section;
      const std::size_t close = trimmed.rfind(']');
      SetName(line, Trim(trimmed.substr(1, close - 1)));
    } else if (const std::size_t eq = content.find('='); eq != std::string_view::npos) {
      SetName(line, Trim(content.substr(0, eq)));
      line.kind = line.nameLength == 0 ? Kind::Other : Kind::Key;
      const std::size_t afterEq = line.begin + eq + 1;
      const std::string_view rest(text_.data() + afterEq, line.end - afterEq);
      const std::size_t skip = rest.find_first_not_of(kBlanks);
      line.valueBegin = skip == std::string_view::npos ? line.end : afterEq + skip;
      const std::string_view value = Trim(rest);
      line.valueAt = static_cast<std::size_t>(value.data() - text_.data());
      line.valueLength = value.size();
    }
    lines_.push_back(line);
    pos = line.next;
  }
}

template <class F>
void IniText::Walk(std::string_view section, F f) const {
  const std::string_view wanted = Trim(section);
  bool inSection = false;
  for (const Line& line : lines_) {
    if (line.kind == Kind::Section) inSection = SameText(Name(line), wanted);
    if (f(line, inSection)) return;
  }
}

std::optional<std::string> IniText::Value(std::string_view section, std::string_view key) const {
  const std::string_view wanted = Trim(key);
  if (wanted.empty()) return std::nullopt;
  std::optional<std::string> found;
  Walk(section, [&](const Line& line, bool inSection) {
    if (!inSection || line.kind != Kind::Key || !SameText(Name(line), wanted)) return false;
    std::string_view v = LineValue(line);
    v = v.substr(0, v.find('\0'));  // the profile functions see a C string
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    found = std::string(v.substr(0, kProfileValueMax));
    return true;
  });
  return found;
}

std::vector<std::string> IniText::Entries(std::string_view section) const {
  std::vector<std::string> entries;
  Walk(section, [&](const Line& line, bool inSection) {
    if (inSection && line.kind == Kind::Key)
      entries.push_back(std::string(Name(line)) + "=" + std::string(LineValue(line)));
    return false;
  });
  return entries;
}

std::string_view IniText::Eol() const {
  const std::size_t nl = text_.find('\n');
  if (nl != std::string::npos && nl > 0 && text_[nl - 1] == '\r') return "\r\n";
  return "\n";
}

std::string_view IniText::Closing(std::size_t end, std::string_view eol) const {
  // A last line that stops after "\r" needs only the "\n"; another "\r" would become part of it.
  return end > 0 && text_[end - 1] == '\r' ? std::string_view("\n") : eol;
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string cleanSection = Sanitized(Trim(section));
  const std::string cleanKey = Sanitized(Trim(key));
  const std::string cleanValue = Sanitized(value);
  const std::string eol(Eol());

  const Line* entry = nullptr;
  const Line* lastOfSection = nullptr;  // last non-blank line of the first matching section
  bool sectionSeen = false, sectionDone = false;
  Walk(cleanSection, [&](const Line& line, bool inSection) {
    if (line.kind == Kind::Section && sectionSeen && !inSection) sectionDone = true;
    if (!inSection) return false;
    if (line.kind == Kind::Key && SameText(Name(line), cleanKey)) {
      entry = &line;
      return true;
    }
    if (line.kind == Kind::Section && !sectionSeen) sectionSeen = true;
    if (!sectionDone && line.kind != Kind::Blank) lastOfSection = &line;
    return false;
  });

  if (entry) {
    text_.replace(entry->valueBegin, entry->end - entry->valueBegin, cleanValue);
  } else if (lastOfSection) {
    std::string insert = cleanKey + "=" + cleanValue + eol;
    const bool ended = lastOfSection->next > 0 && text_[lastOfSection->next - 1] == '\n';
    if (!ended) insert = std::string(Closing(lastOfSection->next, eol)) + insert;  // none yet
    text_.insert(lastOfSection->next, insert);
  } else {
    if (!text_.empty() && text_.back() != '\n') text_ += Closing(text_.size(), eol);
    text_ += "[" + cleanSection + "]" + eol + cleanKey + "=" + cleanValue + eol;
  }
  Parse();
}

}  // namespace penvo::os::ini
