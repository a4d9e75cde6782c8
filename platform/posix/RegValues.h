// The values of one registry key as text, in the format of Windows registry export files:
//
//   "Name"="text"            a text value; \\ and \" stand for \ and "
//   "Name"=dword:0000002a    a 32-bit number
//   "Name"=hex:01,02         binary data
//   "Name"=hex(7):61,00,00   any other type, by its number
//   @="text"                 the key's unnamed value
//
// A text holding a line break or a NUL is written as hex(1) (its bytes and a closing NUL), so
// that every value is one line. A value name holding them writes them as \r, \n and \0. Hex
// data may go on over following lines that begin with a blank, after a "\" at the line end.
//
// Reading never fails: a line that is not a value (a header, a comment, a cut-off or binary
// line) is kept but means nothing. Names match without regard to letter case; the first match
// wins. A change rewrites one value's lines, or appends one, and leaves every other byte as it
// was.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/OsRegistry.h"

namespace penvo::os::reg {

class RegValuesText {
 public:
  explicit RegValuesText(std::string text);

  const std::string& Text() const { return text_; }

  // The first value named name; nullopt when there is none.
  std::optional<RegValue> Find(std::string_view name) const;

  // The names of the values, in text order (duplicates included).
  std::vector<std::string> Names() const;

  // Sets name to value: rewrites the first value of that name (keeping the name's spelling
  // there), or appends a line. A line added
  // after a text that does not end in a line break gets one first.
  void Set(std::string_view name, const RegValue& value);

 private:
  struct Entry {
    std::size_t begin = 0;  // first byte of its first line
    std::size_t next = 0;   // first byte after its last line
    std::string name;
    RegValue value;
  };

  void Parse();
  std::string_view Eol() const;

  std::string text_;
  std::vector<Entry> entries_;
};

// One value as its line of text, without the line end.
std::string FormatValueLine(std::string_view name, const RegValue& value);

}  // namespace penvo::os::reg
