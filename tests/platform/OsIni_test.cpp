#include "platform/OsIni.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "platform/OsError.h"
#include "tests/support/Platform.h"
#include "tests/support/TestFiles.h"

namespace penvo::os {
namespace {

using namespace std::string_literals;

using test::ReadFile;
using test::WriteFile;

class IniFile : public ::testing::Test {
 protected:
  test::TempDir dir_;
  const std::string path_ = dir_.File("settings.ini");
};

// The lines of a text that are not blank, without their line ends.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    if (end > at) lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// A new file gets the OS's own line ends.
const std::string kEol = test::kOs == test::Os::Windows ? "\r\n" : "\n";

// A file as people and programs leave them: comments, odd spacing, duplicates, quotes.
constexpr const char* kFixture =
    "; written by hand\n"
    "top=before any section\n"
    "[Main]\n"
    "  Width  =  20  \n"
    "width=30\n"
    "Quoted=\"  padded  \"\n"
    "Single='x'\n"
    "Half=\"open\n"
    "Mixed=\"a'\n"
    "Empty=\n"
    "Equals=a=b\n"
    "\tBlanks\v=\t\x1a v \f\n"
    "Inline=a ; not a comment\n"
    "; Comment=not a key\n"
    "; note\n"
    "NoEqualsSign\n"
    "=nameless\n"
    "[ Spaced Section ]\n"
    "k=v\n"
    "[main]\n"
    "Later=a second section of the same name is never read\n"
    "width=40\n";

struct ReadRow {
  const char *section, *key, *expected;
};

// What the fixture gives, before any write.
const std::vector<ReadRow> kFixtureReads = {
    {"Main", "Width", "20"},           // trimmed
    {"MAIN", "WIDTH", "20"},           // any case; the first match wins
    {"Main", "Quoted", "  padded  "},  // matching quotes go, what they hold stays
    {"Main", "Single", "x"},
    {"Main", "Half", "\"open"},
    {"Main", "Mixed", "\"a'"},
    {"Main", "Empty", ""},
    {"Main", "Equals", "a=b"},
    {"Main", "Blanks", "v"},  // tab, vertical tab, form feed and Ctrl-Z are blanks
    {"Main", "Inline", "a ; not a comment"},
    {"Main", "; note", "DEF"},
    {"Main", "; Comment", "not a key"},  // no entry, but a lookup of its whole name finds it
    {"Main", "NoEqualsSign", "DEF"},
    {"Main", "Later", "DEF"},
    {" Spaced Section ", " k ", "v"},
    {"Main", "top", "DEF"},
    {"", "top", "DEF"},
    {"Main", "missing", "DEF"},
    {"Missing", "Width", "DEF"},
    {"Main", "", "DEF"},
};

void ExpectReads(const std::string& path, const std::vector<ReadRow>& rows) {
  for (const ReadRow& r : rows)
    EXPECT_EQ(ReadProfileValue(path, r.section, r.key, "DEF"), r.expected)
        << "[" << r.section << "] " << r.key;
}

TEST_F(IniFile, ReadsAsTheProfileFunctionsDo) {
  WriteFile(path_, kFixture);
  ExpectReads(path_, kFixtureReads);
  EXPECT_EQ(ReadProfileValue(dir_.File("none.ini"), "Main", "Width", "DEF"), "DEF");
}

TEST_F(IniFile, TheDefaultLosesItsTrailingSpaces) {
  WriteFile(path_, kFixture);
  EXPECT_EQ(ReadProfileValue(path_, "Main", "missing", "two words  "), "two words");
  EXPECT_EQ(ReadProfileValue(path_, "Main", "missing", "  lead"), "  lead");
  EXPECT_EQ(ReadProfileValue(path_, "Main", "missing", "tab\t"), "tab\t");
  EXPECT_EQ(ReadProfileValue(dir_.File("none.ini"), "Main", "Width", "d "), "d");
}

TEST_F(IniFile, ReadsAtMost2047Characters) {
  WriteFile(path_, "[S]\nlong=" + std::string(5000, 'v') + "\n");
  EXPECT_EQ(ReadProfileValue(path_, "S", "long", ""), std::string(kProfileValueMax, 'v'));
  EXPECT_EQ(ReadProfileValue(path_, "S", "missing", std::string(5000, 'd')),
            std::string(kProfileValueMax, 'd'));
}

TEST_F(IniFile, ReadsEveryKindOfLineEndAndAByteOrderMark) {
  WriteFile(path_, "[S]\rk=1\r\n[T]\r\r\nu=3\r\r\n[U]\nw=4");
  EXPECT_EQ(ReadProfileValue(path_, "S", "k", ""), "1");  // a lone CR ends a line too
  EXPECT_EQ(ReadProfileValue(path_, "T", "u", ""), "3");
  EXPECT_EQ(ReadProfileValue(path_, "U", "w", ""), "4");
  WriteFile(path_, "\xEF\xBB\xBF[S]\nk=1\n");
  EXPECT_EQ(ReadProfileValue(path_, "S", "k", ""), "1");
}

TEST_F(IniFile, ListsTheLinesOfTheFirstSectionInFileOrder) {
  WriteFile(path_, kFixture);
  EXPECT_EQ(
      ReadProfileSection(path_, "main"),
      (std::vector<std::string>{"Width=20", "width=30", "Quoted=\"  padded  \"", "Single='x'",
                                "Half=\"open", "Mixed=\"a'", "Empty=", "Equals=a=b", "Blanks=v",
                                "Inline=a ; not a comment", "NoEqualsSign", "=nameless"}));
  EXPECT_EQ(ReadProfileSection(path_, "Spaced Section"), std::vector<std::string>{"k=v"});
  EXPECT_TRUE(ReadProfileSection(path_, "nothing").empty());
  EXPECT_TRUE(ReadProfileSection(path_, "").empty());
  EXPECT_TRUE(ReadProfileSection(dir_.File("none.ini"), "Main").empty());
}

TEST_F(IniFile, WriteCreatesFileSectionAndKey) {
  WriteProfileValue(path_, "Pos", "FormOptions", "122,134,852,51");
  WriteProfileValue(path_, "Pos", "Other", "1");
  WriteProfileValue(path_, "Params", "EditWidth", "20");
  EXPECT_EQ(ReadFile(path_), "[Pos]" + kEol + "FormOptions=122,134,852,51" + kEol + "Other=1" +
                                 kEol + "[Params]" + kEol + "EditWidth=20" + kEol);
}

TEST_F(IniFile, WriteReplacesTheFirstMatchAndKeepsEveryOtherEntry) {
  WriteFile(path_, kFixture);
  WriteProfileValue(path_, "MAIN", "width", "25");
  std::vector<ReadRow> rows = kFixtureReads;
  rows[0].expected = rows[1].expected = "25";
  ExpectReads(path_, rows);
  EXPECT_EQ(ReadProfileValue(path_, "Main", "top", "DEF"), "DEF");
  const std::string after = ReadFile(path_);
  EXPECT_NE(after.find("; Comment=not a key"), std::string::npos);
  EXPECT_NE(after.find("top=before any section"), std::string::npos);
}

TEST_F(IniFile, WriteKeepsEveryOtherLineByteForByte) {
  PENVO_ONLY_ON(Posix,
                "Windows' profile functions may rewrite the whole file from what they read "
                "(Wine trims names, drops blank lines and ends every line with CRLF)");
  WriteFile(path_, kFixture);
  WriteProfileValue(path_, "MAIN", "width", "25");
  std::string expected = kFixture;
  expected.replace(expected.find("  Width  =  20  "), 16, "  Width  =  25");
  EXPECT_EQ(ReadFile(path_), expected);
}

TEST_F(IniFile, WriteAddsANewKeyAfterTheLastLineOfItsSection) {
  WriteFile(path_, "[A]\nx=1\n; note\n\n[B]\ny=2\n");
  WriteProfileValue(path_, "a", "z", "3");
  EXPECT_EQ(Lines(ReadFile(path_)),
            (std::vector<std::string>{"[A]", "x=1", "; note", "z=3", "[B]", "y=2"}));
  PENVO_ONLY_ON(Posix, "Wine drops the blank line between the sections");
  EXPECT_EQ(ReadFile(path_), "[A]\nx=1\n; note\nz=3\n\n[B]\ny=2\n");
}

TEST_F(IniFile, AKeyOfALaterSectionOfTheSameNameGoesIntoTheFirst) {
  WriteFile(path_, "[M]\nx=1\n[m]\nLater=2\n");
  WriteProfileValue(path_, "M", "Later", "3");
  EXPECT_EQ(ReadProfileValue(path_, "m", "Later", ""), "3");
  EXPECT_EQ(ReadProfileSection(path_, "M"), (std::vector<std::string>{"x=1", "Later=3"}));
}

TEST_F(IniFile, WriteKeepsTheLineEndingsAndAMissingLastLineEnd) {
  WriteFile(path_, "[A]\r\nx=1\r\n; note\r\ny=2");
  WriteProfileValue(path_, "A", "x", "9");
  WriteProfileValue(path_, "A", "new", "n");
  WriteProfileValue(path_, "B", "b", "b");
  EXPECT_EQ(ReadFile(path_), "[A]\r\nx=9\r\n; note\r\ny=2\r\nnew=n\r\n[B]\r\nb=b\r\n");
}

TEST_F(IniFile, ALastLineEndingInACarriageReturnKeepsItsValue) {
  WriteFile(path_, "[A]\r\nx=1\r");
  WriteProfileValue(path_, "A", "y", "2");
  EXPECT_EQ(ReadFile(path_), "[A]\r\nx=1\r\ny=2\r\n");
  WriteFile(path_, "[A]\r\nx=1\r");
  WriteProfileValue(path_, "B", "y", "2");
  EXPECT_EQ(ReadProfileValue(path_, "A", "x", ""), "1");
  EXPECT_EQ(ReadFile(path_), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
}

TEST_F(IniFile, AValueCannotAddLinesOfItsOwn) {
  WriteProfileValue(path_, "S", "k", "one\r\n[Evil]\nx=1");
  WriteProfileValue(path_, "S\n[Evil]", "y", "2");
  EXPECT_EQ(ReadProfileValue(path_, "Evil", "x", "none"), "none");
  EXPECT_EQ(ReadProfileValue(path_, "Evil", "y", "none"), "none");
  EXPECT_EQ(ReadProfileValue(path_, "S", "k", ""), "one  [Evil] x=1");
  EXPECT_EQ(ReadProfileValue(path_, "S [Evil]", "y", ""), "2");
}

TEST_F(IniFile, ABlankSectionOrKeyIsRefused) {
  for (const auto& [section, key] : std::vector<std::pair<std::string, std::string>>{
           {"", "k"}, {" \t", "k"}, {"S", ""}, {"S", " "}, {"S", "\n"}})
    EXPECT_THROW(WriteProfileValue(path_, section, key, "v"), OsError)
        << "[" << section << "] " << key;
  EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(IniFile, WriteToAReadOnlyFileFailsAndChangesNothing) {
  WriteFile(path_, "[S]\nk=old\n");
  test::SetReadOnly(path_, true);
  try {
    WriteProfileValue(path_, "S", "k", "new");
    FAIL() << "a read-only file was written";
  } catch (const OsError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path_);
  }
  test::SetReadOnly(path_, false);
  EXPECT_EQ(ReadFile(path_), "[S]\nk=old\n");
}

TEST_F(IniFile, WriteIntoAMissingDirectoryFails) {
  EXPECT_THROW(WriteProfileValue(dir_.File("no/such/dir.ini"), "S", "k", "v"), OsError);
}

TEST_F(IniFile, BadInputIsReadAsFarAsItGoesAndSurvivesAWrite) {
  std::string messy = "[S]\nk=1\0hidden\n[Broken\nj=2\n"s;
  messy += std::string(100000, 'x') + "\n";
  for (int c = 0; c < 256; ++c) messy += static_cast<char>(c);
  messy += "\n[T]\nk=3";
  WriteFile(path_, messy);
  EXPECT_EQ(ReadProfileValue(path_, "S", "k", ""), "1");  // stops at the NUL
  EXPECT_EQ(ReadProfileValue(path_, "S", "j", ""), "2");  // "[Broken" is no header
  EXPECT_EQ(ReadProfileValue(path_, "T", "k", ""), "3");
  WriteProfileValue(path_, "T", "k", "4");
  EXPECT_EQ(ReadProfileValue(path_, "T", "k", ""), "4");
  EXPECT_EQ(ReadProfileValue(path_, "S", "j", ""), "2");
  PENVO_ONLY_ON(Posix,
                "Wine's profile functions lose what follows a NUL byte in a line when "
                "they rewrite the file");
  const std::string after = ReadFile(path_);
  EXPECT_EQ(after.substr(0, after.size() - 1), messy.substr(0, messy.size() - 1));
  EXPECT_EQ(after.back(), '4');
}

TEST_F(IniFile, BackslashesSeparateDirectoriesOnEveryOs) {
  std::string windowsStyle = path_;
  for (char& c : windowsStyle)
    if (c == '/') c = '\\';
  WriteProfileValue(windowsStyle, "S", "k", "v");
  EXPECT_EQ(ReadProfileValue(path_, "S", "k", ""), "v");
  EXPECT_EQ(ReadProfileValue(windowsStyle, "S", "k", ""), "v");
}

TEST_F(IniFile, AWriteLeavesNoTemporaryFileBehind) {
  WriteProfileValue(path_, "S", "k", "v");
  WriteProfileValue(path_, "S", "k", "w");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"settings.ini"});
}

}  // namespace
}  // namespace penvo::os
