// The registry service as every OS provides it; nothing here depends on how it is stored.
#include "platform/OsRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/Sandbox.h"

namespace penvo::os {
namespace {

using namespace std::string_literals;

class RegistryService : public ::testing::Test {
 protected:
  RegKeyPtr Create(const std::string& sub = "") {
    return CreateRegKey(kHkeyCurrentUser, base_ + (sub.empty() ? "" : "\\" + sub));
  }
  static RegValue Text(std::string s) { return {RegType::String, std::move(s)}; }

  test::RegistrySandbox sandbox_;
  const std::string base_ = "software\\PenvoTest\\" + sandbox_.UniqueName("Service");
};

TEST_F(RegistryService, KeysAreCreatedLevelByLevelAndFoundInAnyLetterCase) {
  EXPECT_EQ(OpenRegKey(kHkeyCurrentUser, base_, RegAccess::Read), nullptr);
  const RegKeyPtr created = Create("Section\\Deeper");
  ASSERT_NE(created, nullptr);
  ASSERT_EQ(SetRegValue(*created, "v", Text("1")), RegStatus::Ok);

  for (const std::string& path : {base_ + "\\Section\\Deeper", base_ + "\\SECTION\\deeper"}) {
    const RegKeyPtr opened = OpenRegKey(kHkeyCurrentUser, path, RegAccess::ReadWrite);
    ASSERT_NE(opened, nullptr) << path;
    RegValue v;
    EXPECT_EQ(QueryRegValue(*opened, "V", v), RegStatus::Ok) << path;
  }
  // Below an open key, and the key itself for an empty path.
  const RegKeyPtr parent = OpenRegKey(kHkeyCurrentUser, base_, RegAccess::Read);
  ASSERT_NE(parent, nullptr);
  EXPECT_NE(OpenRegKey(*parent, "section\\DEEPER", RegAccess::Read), nullptr);
  EXPECT_EQ(OpenRegKey(*parent, "Missing", RegAccess::Read), nullptr);
  const RegKeyPtr same = OpenRegKey(*created, "", RegAccess::Read);
  RegValue v;
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(QueryRegValue(*same, "v", v), RegStatus::Ok);
  // Creating an existing key in another letter case opens it, and the key keeps its spelling.
  const RegKeyPtr again = CreateRegKey(*parent, "SECTION\\Deeper");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(QueryRegValue(*again, "v", v), RegStatus::Ok);
  EXPECT_EQ(RegSubKeyNames(*parent), std::vector<std::string>{"Section"});
  EXPECT_EQ(RegSubKeyNames(*again), std::vector<std::string>{});
}

TEST_F(RegistryService, KeyPathsAndNamesAreTakenAsTheRegistryTakesThem) {
  const RegKeyPtr base = Create();
  ASSERT_NE(base, nullptr);
  struct Row {
    std::string path;
    bool taken;
  };
  for (const Row& r : std::vector<Row>{
           {"a\\\\b", true},    // a doubled "\" counts once
           {"a\\b\\\\", true},  // trailing ones are ignored
           {"\\a", false},      // a leading one is refused
           {std::string(255, 'k'), true},
           {std::string(300, 'k'), false},  // a key name has at most 255 characters
           {"nul\0x"s, false},
       }) {
    const std::string label = r.path.substr(0, 20);  // a long name would fill pages
    EXPECT_EQ(CreateRegKey(*base, r.path) != nullptr, r.taken) << label;
    EXPECT_EQ(OpenRegKey(*base, r.path, RegAccess::Read) != nullptr, r.taken) << label;
  }
  EXPECT_EQ(OpenRegKey(kHkeyCurrentUser, "\\" + base_, RegAccess::Read), nullptr);
  EXPECT_EQ(CreateRegKey(kHkeyCurrentUser, "\\" + base_ + "\\x"), nullptr);
  std::vector<std::string> keys = RegSubKeyNames(*base);
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(keys, (std::vector<std::string>{"a", std::string(255, 'k')}));
  const RegKeyPtr a = OpenRegKey(*base, "A", RegAccess::Read);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(RegSubKeyNames(*a), std::vector<std::string>{"b"});

  // A value name has at most 16383 characters.
  RegValue v;
  for (const std::string& name : {std::string(16383, 'v'), ""s}) {
    EXPECT_EQ(SetRegValue(*base, name, Text("x")), RegStatus::Ok) << name.size();
    EXPECT_EQ(QueryRegValue(*base, name, v), RegStatus::Ok) << name.size();
  }
  for (const std::string& name : {std::string(16384, 'v'), "nul\0x"s}) {
    EXPECT_EQ(SetRegValue(*base, name, Text("x")), RegStatus::Failed) << name.size();
    EXPECT_EQ(QueryRegValue(*base, name, v), RegStatus::NotFound) << name.size();
  }
}

TEST_F(RegistryService, TextValuesRoundTripWhateverTheyHold) {
  const RegKeyPtr key = Create();
  ASSERT_NE(key, nullptr);
  struct Row {
    std::string name, text;
  };
  const std::vector<Row> rows = {
      {"Plain", "122,134,852,51"},
      {"Empty", ""},
      {"Quotes", "say \"hi\" to C:\\dir\\"},
      {"MissingSign", "\xA7"},
      {"Lines", "one\r\ntwo\nthree\r"},
      {"Nul", "a\0b"s},
      {"Long", std::string(1 << 20, 'x')},
      {"Blanks", "  both ends  "},
      {"Syntax", "@=\"x\"=dword:1;[Section]"},
      {"", "the unnamed value"},
      {"@", "a value named @"},
      {"name \"with\" \\ quotes", "q"},
  };
  for (const Row& r : rows) ASSERT_EQ(SetRegValue(*key, r.name, Text(r.text)), RegStatus::Ok);
  for (const Row& r : rows) {
    RegValue v;
    ASSERT_EQ(QueryRegValue(*key, r.name, v), RegStatus::Ok) << r.name;
    EXPECT_EQ(v.type, RegType::String) << r.name;
    EXPECT_EQ(v.data, r.text) << r.name;
  }
}

TEST_F(RegistryService, ValueNamesIgnoreLetterCaseAndASetKeepsTheOtherValues) {
  const RegKeyPtr key = Create();
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(SetRegValue(*key, "Width", Text("1")), RegStatus::Ok);
  ASSERT_EQ(SetRegValue(*key, "Other", Text("x")), RegStatus::Ok);
  ASSERT_EQ(SetRegValue(*key, "WIDTH", Text("2")), RegStatus::Ok);
  RegValue v;
  ASSERT_EQ(QueryRegValue(*key, "width", v), RegStatus::Ok);
  EXPECT_EQ(v.data, "2");
  ASSERT_EQ(QueryRegValue(*key, "other", v), RegStatus::Ok);
  EXPECT_EQ(v.data, "x");
  EXPECT_EQ(QueryRegValue(*key, "Missing", v), RegStatus::NotFound);
  // A value written again in another letter case keeps the name it was first given.
  std::vector<std::string> names = RegValueNames(*key);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Other", "Width"}));
}

TEST_F(RegistryService, ValuesOfOtherTypesKeepTheirType) {
  const RegKeyPtr key = Create();
  ASSERT_NE(key, nullptr);
  const std::vector<std::pair<std::string, RegValue>> rows = {
      {"Number", {RegType::Dword, "\x2a\0\0\0"s}},
      {"Bytes", {RegType::Binary, "\x01\x02\xff"s}},
      {"NoBytes", {RegType::Binary, ""}},
      {"Expand", {RegType::ExpandString, "%TEMP%\\x"}},
      {"Multi", {RegType::MultiString, "a\0b\0\0"s}},
  };
  for (const auto& [name, value] : rows) ASSERT_EQ(SetRegValue(*key, name, value), RegStatus::Ok);
  for (const auto& [name, value] : rows) {
    RegValue v;
    ASSERT_EQ(QueryRegValue(*key, name, v), RegStatus::Ok) << name;
    EXPECT_EQ(v.type, value.type) << name;
    EXPECT_EQ(v.data, value.data) << name;
  }
  // A text value may replace a value of another type.
  ASSERT_EQ(SetRegValue(*key, "number", Text("now text")), RegStatus::Ok);
  RegValue v;
  ASSERT_EQ(QueryRegValue(*key, "Number", v), RegStatus::Ok);
  EXPECT_EQ(v.type, RegType::String);
}

TEST_F(RegistryService, AKeyOpenedForReadingIsNotWritten) {
  ASSERT_NE(Create(), nullptr);
  const RegKeyPtr key = OpenRegKey(kHkeyCurrentUser, base_, RegAccess::Read);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(SetRegValue(*key, "v", Text("1")), RegStatus::Failed);
  RegValue v;
  EXPECT_EQ(QueryRegValue(*key, "v", v), RegStatus::NotFound);
}

TEST_F(RegistryService, AKeyThisUserMayOnlyReadIsOpenedForReadingAlone) {
  const std::string path = base_ + "\\Locked";
  {
    const RegKeyPtr key = Create("Locked");
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(SetRegValue(*key, "v", Text("1")), RegStatus::Ok);
  }
  test::SetRegKeyReadOnly(kHkeyCurrentUser, path, true);
  EXPECT_EQ(OpenRegKey(kHkeyCurrentUser, path, RegAccess::ReadWrite), nullptr);
  EXPECT_EQ(CreateRegKey(kHkeyCurrentUser, path), nullptr);
  const RegKeyPtr read = OpenRegKey(kHkeyCurrentUser, path, RegAccess::Read);
  ASSERT_NE(read, nullptr);
  RegValue v;
  EXPECT_EQ(QueryRegValue(*read, "v", v), RegStatus::Ok);
  EXPECT_EQ(SetRegValue(*read, "v", Text("2")), RegStatus::Failed);

  test::SetRegKeyReadOnly(kHkeyCurrentUser, path, false);
  const RegKeyPtr write = OpenRegKey(kHkeyCurrentUser, path, RegAccess::ReadWrite);
  ASSERT_NE(write, nullptr);
  EXPECT_EQ(SetRegValue(*write, "v", Text("2")), RegStatus::Ok);
}

TEST_F(RegistryService, AnUnknownRootOpensNothing) {
  EXPECT_EQ(OpenRegKey(0x12345, "x", RegAccess::Read), nullptr);
  EXPECT_EQ(CreateRegKey(0x12345, "x"), nullptr);
}

}  // namespace
}  // namespace penvo::os
