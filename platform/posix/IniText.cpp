#include "platform/posix/IniText.h"

#include "platform/OsIni.h"
#include "platform/ProfileText.h"
#include "platform/posix/AsciiCase.h"

namespace penvo::os::ini {

using posix::SameText;

namespace {

using profile::kBlanks;
using profile::Trim;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The profile functions hand texts over as C strings: a NUL byte ends them.
std::string_view CString(std::string_view s) {
  return s.substr(0, s.find('\0'));
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
  // A UTF-8 byte order mark belongs to no line; it stays in the text.
  std::size_t pos =
      std::string_view(text_).substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0;
  while (pos < text_.size()) {
    Line line;
    line.begin = pos;
    // A line ends at "\r\n", "\n" or a lone "\r".
    const std::size_t br = text_.find_first_of("\r\n", pos);
    line.end = br == std::string::npos ? text_.size() : br;
    line.next = line.end;
    if (line.next < text_.size() && text_[line.next++] == '\r' && line.next < text_.size() &&
        text_[line.next] == '\n')
      ++line.next;
    const std::string_view content(text_.data() + line.begin, line.end - line.begin);
    const std::string_view trimmed = Trim(content);
    if (trimmed.empty()) {
      line.kind = Kind::Blank;
    } else if (trimmed.front() == '[' && trimmed.find(']') != std::string_view::npos) {
      line.kind = Kind::Section;
      SetName(line, Trim(trimmed.substr(1, trimmed.rfind(']') - 1)));
    } else {
      ParseEntry(line, content);
      if (trimmed.front() == ';')
        line.kind = Kind::Comment;
      else
        line.kind = line.hasValue && line.nameLength > 0 ? Kind::Key : Kind::Other;
    }
    lines_.push_back(line);
    pos = line.next;
  }
}

void IniText::ParseEntry(Line& line, std::string_view content) const {
  const std::size_t eq = content.find('=');
  if (eq == std::string_view::npos) {
    SetName(line, Trim(content));  // listed as it stands, but has no value
    return;
  }
  SetName(line, Trim(content.substr(0, eq)));
  line.hasValue = true;
  const std::size_t afterEq = line.begin + eq + 1;
  const std::string_view rest(text_.data() + afterEq, line.end - afterEq);
  const std::size_t skip = rest.find_first_not_of(kBlanks);
  line.valueBegin = skip == std::string_view::npos ? line.end : afterEq + skip;
  const std::string_view value = Trim(rest);
  line.valueAt = static_cast<std::size_t>(value.data() - text_.data());
  line.valueLength = value.size();
}

bool IniText::IsEntry(const Line& line, std::string_view key) const {
  // A comment is no entry of its section, but a lookup of its whole name before "=" finds it, as
  // the profile functions do.
  const bool named = line.kind == Kind::Key || (line.kind == Kind::Comment && line.hasValue);
  return named && SameText(Name(line), key);
}

template <class F>
void IniText::Walk(std::string_view section, F f) const {
  // Only the first section of a name counts; a later one of the same name is never read.
  const std::string_view wanted = Trim(section);
  bool inSection = false, seen = false;
  for (const Line& line : lines_) {
    if (line.kind == Kind::Section) {
      inSection = !seen && SameText(Name(line), wanted);
      seen = seen || inSection;
    }
    if (f(line, inSection)) return;
  }
}

std::optional<std::string> IniText::Value(std::string_view section, std::string_view key) const {
  const std::string_view wanted = Trim(key);
  if (wanted.empty() || Trim(section).empty()) return std::nullopt;
  std::optional<std::string> found;
  Walk(section, [&](const Line& line, bool inSection) {
    if (!inSection || !IsEntry(line, wanted)) return false;
    std::string_view v = CString(LineValue(line));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    found = std::string(v.substr(0, kProfileValueMax));
    return true;
  });
  return found;
}

std::vector<std::string> IniText::Entries(std::string_view section) const {
  std::vector<std::string> entries;
  if (Trim(section).empty()) return entries;
  Walk(section, [&](const Line& line, bool inSection) {
    if (!inSection || (line.kind != Kind::Key && line.kind != Kind::Other)) return false;
    std::string entry(Name(line));
    if (line.hasValue) entry += "=" + std::string(LineValue(line));
    entries.push_back(std::string(CString(entry)));
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
  // A line ended by a lone "\r" needs only the "\n" that makes it "\r\n"; a whole line end
  // after it would add an empty line.
  return end > 0 && text_[end - 1] == '\r' ? std::string_view("\n") : eol;
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string cleanSection(Trim(profile::OneLine(section)));
  const std::string cleanKey(Trim(profile::OneLine(key)));
  const std::string cleanValue = profile::OneLine(value);
  const std::string eol(Eol());

  const Line* entry = nullptr;
  const Line* lastOfSection = nullptr;  // last non-blank line of the section, its header at least
  Walk(cleanSection, [&](const Line& line, bool inSection) {
    if (!inSection) return false;
    if (IsEntry(line, cleanKey)) {
      entry = &line;
      return true;
    }
    if (line.kind != Kind::Blank) lastOfSection = &line;
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
