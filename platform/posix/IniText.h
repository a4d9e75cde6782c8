// The text of an ini file, read as the profile functions read it and changed in place.
//
// Lines end at CRLF, LF or a lone CR. They are "[section]" headers, "key=value" entries, ";"
// comments and anything else, which is listed with its section's entries but has no value. Only
// the first section of a name counts. Reading never fails: a binary file, NUL bytes, a header
// without "]", mixed line ends, a UTF-8 byte order mark or a missing last line end are read as
// far as they make sense. A change touches one line (or adds lines) and leaves every other byte
// of the text as it was.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penvo::os::ini {

class IniText {
 public:
  explicit IniText(std::string text);

  const std::string& Text() const { return text_; }

  // The value of the first entry key in the first section named section, as a profile read gives
  // it (see OsIni.h); nullopt when there is none or a name is empty.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  // The entries of the first section named section, in text order: "key=value" for the lines
  // with "=", the line itself (trimmed) for the others; comments left out.
  std::vector<std::string> Entries(std::string_view section) const;

  // Sets key in section to value: replaces the entry's value in the first such section, or adds
  // the entry at the end of that section, or adds the section at the end of the text. New lines end
  // like the text's first line. Line breaks and NUL bytes in the names and the value become
  // blanks, so a value can never add lines of its own.
  void Set(std::string_view section, std::string_view key, std::string_view value);

 private:
  enum class Kind { Blank, Comment, Section, Key, Other };
  struct Line {
    Kind kind = Kind::Other;
    std::size_t begin = 0;       // first byte of the line
    std::size_t end = 0;         // end of its content (before its line end)
    std::size_t next = 0;        // first byte of the following line
    std::size_t valueBegin = 0;  // with hasValue: first byte of the value (blanks skipped)
    bool hasValue = false;       // the line is no header and has "="
    std::size_t nameAt = 0, nameLength = 0;    // Section: its name; others: the text before "="
                                               // or the whole line; trimmed
    std::size_t valueAt = 0, valueLength = 0;  // with hasValue: the value, trimmed
  };
  // Offsets, not views, so that an IniText can be moved (a short text lives inside the object).
  std::string_view Name(const Line& line) const { return View(line.nameAt, line.nameLength); }
  std::string_view LineValue(const Line& line) const {
    return View(line.valueAt, line.valueLength);
  }
  std::string_view View(std::size_t at, std::size_t length) const {
    return std::string_view(text_).substr(at, length);
  }

  void Parse();
  void SetName(Line& line, std::string_view name) const;
  // Sets the name and the value of a line that is no header: the text before "=" and after it,
  // or the whole line when it has no "=".
  void ParseEntry(Line& line, std::string_view content) const;
  // The line answers a lookup of key.
  bool IsEntry(const Line& line, std::string_view key) const;
  // Runs f(line, inSection) over all lines; stops when f returns true.
  template <class F>
  void Walk(std::string_view section, F f) const;
  std::string_view Eol() const;
  // The line end that closes an unfinished last line ending at end.
  std::string_view Closing(std::size_t end, std::string_view eol) const;

  std::string text_;
  std::vector<Line> lines_;
};

}  // namespace penvo::os::ini
