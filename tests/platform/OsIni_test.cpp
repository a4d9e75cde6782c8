#include "platform/OsIni.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/OsError.h"
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
    "; Comment=not a key\n"
    "NoEqualsSign\n"
    "[ Spaced Section ]\n"
    "k=v\n"
    "[main]\n"
    "Later=second main section\n"
    "width=40\n";

TEST_F(IniFile, ReadsAsTheProfileFunctionsDo) {
  WriteFile(path_, kFixture);
  struct Row {
    const char *section, *key, *expected;
  };
  for (const Row& r : std::vector<Row>{
           {"Main", "Width", "20"},           // trimmed
           {"MAIN", "WIDTH", "20"},           // any case; the first match wins
           {"Main", "Quoted", "  padded  "},  // matching quotes go, what they hold stays
           {"Main", "Single", "x"},
           {"Main", "Half", "\"open"},
           {"Main", "Mixed", "\"a'"},
           {"Main", "Empty", ""},
           {"Main", "Equals", "a=b"},
           {"Main", "; Comment", "DEF"},
           {"Main", "NoEqualsSign", "DEF"},
           {"Main", "Later", "second main section"},
           {"Spaced Section", "k", "v"},
           {"Main", "top", "DEF"},
           {"Main", "missing", "DEF"},
           {"Missing", "Width", "DEF"},
           {"Main", "", "DEF"},
       })
    EXPECT_EQ(ReadProfileString(path_, r.section, r.key, "DEF"), r.expected)
        << "[" << r.section << "] " << r.key;
  EXPECT_EQ(ReadProfileString(dir_.File("none.ini"), "Main", "Width", "DEF"), "DEF");
}

TEST_F(IniFile, ReadsAtMost2047Characters) {
  WriteFile(path_, "[S]\nlong=" + std::string(5000, 'v') + "\n");
  EXPECT_EQ(ReadProfileString(path_, "S", "long", ""), std::string(kProfileValueMax, 'v'));
}

TEST_F(IniFile, ListsTheEntriesOfASectionInFileOrder) {
  WriteFile(path_, kFixture);
  EXPECT_EQ(ReadProfileSection(path_, "main"),
            (std::vector<std::string>{"Width=20", "width=30", "Quoted=\"  padded  \"", "Single='x'",
                                      "Half=\"open", "Mixed=\"a'", "Empty=", "Equals=a=b",
                                      "Later=second main section", "width=40"}));
  EXPECT_TRUE(ReadProfileSection(path_, "nothing").empty());
  EXPECT_TRUE(ReadProfileSection(dir_.File("none.ini"), "Main").empty());
}

TEST_F(IniFile, WriteCreatesFileSectionAndKey) {
  WriteProfileString(path_, "Pos", "FormOptions", "122,134,852,51");
  WriteProfileString(path_, "Pos", "Other", "1");
  WriteProfileString(path_, "Params", "EditWidth", "20");
  EXPECT_EQ(ReadFile(path_),
            "[Pos]\nFormOptions=122,134,852,51\nOther=1\n[Params]\nEditWidth=20\n");
}

TEST_F(IniFile, WriteReplacesTheFirstMatchAndKeepsEveryOtherLine) {
  WriteFile(path_, kFixture);
  WriteProfileString(path_, "MAIN", "width", "25");
  std::string expected = kFixture;
  expected.replace(expected.find("  Width  =  20  "), 16, "  Width  =  25");
  EXPECT_EQ(ReadFile(path_), expected);
}

TEST_F(IniFile, WriteAddsANewKeyAfterTheLastLineOfItsSection) {
  WriteFile(path_, "[A]\nx=1\n\n[B]\ny=2\n");
  WriteProfileString(path_, "a", "z", "3");
  EXPECT_EQ(ReadFile(path_), "[A]\nx=1\nz=3\n\n[B]\ny=2\n");
}

TEST_F(IniFile, WriteKeepsTheLineEndingsAndAMissingLastLineEnd) {
  WriteFile(path_, "[A]\r\nx=1\r\n; note\r\ny=2");
  WriteProfileString(path_, "A", "x", "9");
  WriteProfileString(path_, "A", "new", "n");
  WriteProfileString(path_, "B", "b", "b");
  EXPECT_EQ(ReadFile(path_), "[A]\r\nx=9\r\n; note\r\ny=2\r\nnew=n\r\n[B]\r\nb=b\r\n");
}

TEST_F(IniFile, ALastLineEndingInACarriageReturnKeepsItsValue) {
  WriteFile(path_, "[A]\r\nx=1\r");
  WriteProfileString(path_, "A", "y", "2");
  EXPECT_EQ(ReadFile(path_), "[A]\r\nx=1\r\ny=2\r\n");
  WriteFile(path_, "[A]\r\nx=1\r");
  WriteProfileString(path_, "B", "y", "2");
  EXPECT_EQ(ReadProfileString(path_, "A", "x", ""), "1");
  EXPECT_EQ(ReadFile(path_), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
}

TEST_F(IniFile, AValueCannotAddLinesOfItsOwn) {
  WriteProfileString(path_, "S", "k", "one\r\n[Evil]\nx=1");
  EXPECT_EQ(ReadProfileString(path_, "Evil", "x", "none"), "none");
  EXPECT_EQ(ReadProfileString(path_, "S", "k", ""), "one  [Evil] x=1");
}

TEST_F(IniFile, WriteToAReadOnlyFileFailsAndChangesNothing) {
  WriteFile(path_, "[S]\nk=old\n");
  test::SetReadOnly(path_, true);
  try {
    WriteProfileString(path_, "S", "k", "new");
    FAIL() << "a read-only file was written";
  } catch (const OsError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path_);
  }
  test::SetReadOnly(path_, false);
  EXPECT_EQ(ReadFile(path_), "[S]\nk=old\n");
}

TEST_F(IniFile, WriteIntoAMissingDirectoryFails) {
  EXPECT_THROW(WriteProfileString(dir_.File("no/such/dir.ini"), "S", "k", "v"), OsError);
}

TEST_F(IniFile, BadInputIsReadAsFarAsItGoesAndSurvivesAWrite) {
  std::string messy = "[S]\nk=1\0hidden\n[Broken\nj=2\n"s;
  messy += std::string(100000, 'x') + "\n";
  for (int c = 0; c < 256; ++c) messy += static_cast<char>(c);
  messy += "\n[T]\nk=3";
  WriteFile(path_, messy);
  EXPECT_EQ(ReadProfileString(path_, "S", "k", ""), "1");  // stops at the NUL
  EXPECT_EQ(ReadProfileString(path_, "S", "j", ""), "2");  // "[Broken" is no header
  EXPECT_EQ(ReadProfileString(path_, "T", "k", ""), "3");
  WriteProfileString(path_, "T", "k", "4");
  const std::string after = ReadFile(path_);
  EXPECT_EQ(after.substr(0, after.size() - 1), messy.substr(0, messy.size() - 1));
  EXPECT_EQ(after.back(), '4');
}

TEST_F(IniFile, BackslashesSeparateDirectoriesOnEveryOs) {
  std::string windowsStyle = path_;
  for (char& c : windowsStyle)
    if (c == '/') c = '\\';
  WriteProfileString(windowsStyle, "S", "k", "v");
  EXPECT_EQ(ReadProfileString(path_, "S", "k", ""), "v");
  EXPECT_EQ(ReadProfileString(windowsStyle, "S", "k", ""), "v");
}

TEST_F(IniFile, AWriteLeavesNoTemporaryFileBehind) {
  WriteProfileString(path_, "S", "k", "v");
  WriteProfileString(path_, "S", "k", "w");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"settings.ini"});
}

}  // namespace
}  // namespace penvo::os
