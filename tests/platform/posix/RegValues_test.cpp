// The text of a key's ".values" file (POSIX registry layout).
#include "platform/posix/RegValues.h"

#include <gtest/gtest.h>

#include <vector>

namespace penvo::os::reg {
namespace {

using namespace std::string_literals;

TEST(PosixRegValues, WritesTheRegistryExportFormat) {
  struct Row {
    std::string name;
    RegValue value;
    std::string line;
  };
  for (const Row& r : std::vector<Row>{
           {"Name", {RegType::String, "text"}, R"("Name"="text")"},
           {"Q\"\\", {RegType::String, "C:\\dir\\\"x\""}, R"("Q\"\\"="C:\\dir\\\"x\"")"},
           {"", {RegType::String, "unnamed"}, R"(@="unnamed")"},
           {"@", {RegType::String, ""}, R"("@"="")"},
           {"N", {RegType::String, "a\r\nb"}, R"("N"=hex(1):61,0d,0a,62,00)"},
           {"N", {RegType::String, "a\0"s}, R"("N"=hex(1):61,00,00)"},
           {"N", {RegType::ExpandString, "%X%"}, R"("N"=hex(2):25,58,25,00)"},
           {"N", {RegType::Dword, "\x2a\0\0\0"s}, R"("N"=dword:0000002a)"},
           {"N", {RegType::Dword, "\xff\xff\xff\xff"s}, R"("N"=dword:ffffffff)"},
           {"N", {RegType::Dword, "\x01"s}, R"("N"=hex(4):01)"},  // not 4 bytes
           {"N", {RegType::Binary, "\x01\x02\xab"s}, R"("N"=hex:01,02,ab)"},
           {"N", {RegType::Binary, ""}, R"("N"=hex:)"},
           {"N", {RegType::MultiString, "a\0\0"s}, R"("N"=hex(7):61,00,00)"},
           {"N", {static_cast<RegType>(0x1234), "\x05"s}, R"("N"=hex(1234):05)"},
           {"line\r\nname\0"s, {RegType::String, "v"}, R"("line\r\nname\0"="v")"},
       }) {
    EXPECT_EQ(FormatValueLine(r.name, r.value), r.line);
    // ... and reads back as written.
    const RegValuesText text(r.line + "\n");
    const std::optional<RegValue> back = text.Find(r.name);
    ASSERT_TRUE(back) << r.line;
    EXPECT_EQ(back->type, r.value.type) << r.line;
    EXPECT_EQ(back->data, r.value.data) << r.line;
  }
}

// An export file as the Windows registry editor writes it, edited by hand.
constexpr const char* kExport =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Ruvi\\Penvo\\Pos]\r\n"
    "\"FormOptions\"=\"122,134,852,51\"\r\n"
    "; a comment\r\n"
    "@=\"default\"\r\n"
    "\"Big\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
    "  17,18\r\n"
    "  \"Indented\" = \"spaces around\"  \r\n"
    "\"Deleted\"=-\r\n"
    "\"Unknown\"=bogus:12\r\n"
    "\"BadHex\"=hex:zz\r\n"
    "\"Trailing\"=\"x\" junk\r\n"
    "\"Width\"=\"first\"\r\n"
    "\"WIDTH\"=\"second\"\r\n"
    "\"Upper\"=DWORD:2A\r\n";

TEST(PosixRegValues, ReadsExportFilesAndSkipsWhatIsNoValue) {
  const RegValuesText text(kExport);
  EXPECT_EQ(text.Names(), (std::vector<std::string>{"FormOptions", "", "Big", "Indented", "Width",
                                                    "WIDTH", "Upper"}));
  EXPECT_EQ(text.Find("formoptions")->data, "122,134,852,51");
  EXPECT_EQ(text.Find("")->data, "default");
  EXPECT_EQ(text.Find("Big")->data.size(), 25u);
  EXPECT_EQ(text.Find("Big")->data.back(), '\x18');
  EXPECT_EQ(text.Find("Indented")->data, "spaces around");
  EXPECT_EQ(text.Find("width")->data, "first");  // the first match wins
  EXPECT_EQ(text.Find("Upper")->data, "\x2a\0\0\0"s);
  for (const char* none : {"Deleted", "Unknown", "BadHex", "Trailing", "Missing"})
    EXPECT_FALSE(text.Find(none)) << none;
}

TEST(PosixRegValues, ASetRewritesOneValueAndLeavesEveryOtherByte) {
  RegValuesText text(kExport);
  text.Set("BIG", {RegType::String, "small"});
  text.Set("width", {RegType::String, "third"});
  text.Set("New", {RegType::String, "n"});
  std::string expected = kExport;
  const std::string big =
      "\"Big\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,"
      "13,14,15,16,\\\r\n  17,18\r\n";
  // A value written again in another letter case keeps its first spelling.
  expected.replace(expected.find(big), big.size(), "\"Big\"=\"small\"\r\n");
  expected.replace(expected.find("\"Width\"=\"first\""), 15, "\"Width\"=\"third\"");
  expected += "\"New\"=\"n\"\r\n";
  EXPECT_EQ(text.Text(), expected);
  EXPECT_EQ(text.Find("WIDTH")->data, "third");
}

TEST(PosixRegValues, DamagedTextIsReadAsFarAsItGoesAndKeptByAWrite) {
  struct Row {
    std::string label, text;
    std::vector<std::string> names;
  };
  for (const Row& r : std::vector<Row>{
           {"cut in a string", "\"a\"=\"1\"\n\"b\"=\"2", {"a"}},
           {"cut in hex", "\"a\"=\"1\"\n\"b\"=hex:01,0", {"a", "b"}},
           {"cut after a continuation", "\"a\"=\"1\"\n\"b\"=hex:01,\\\n", {"a", "b"}},
           {"cut after CR", "\"a\"=\"1\"\r", {"a"}},
           {"binary",
            "\x7f"
            "ELF\0\x01\x02\n\"a\"=\"1\"\n\xff\xfe\0\0"s,
            {"a"}},
           {"NUL inside", "\"a\0b\"=\"x\0y\"\n"s, {"a\0b"s}},
           {"no line ends", "\"a\"=\"1\"\"b\"=\"2\"", {}},
           {"huge", std::string(3 << 20, 'z') + "\n\"a\"=\"1\"\n", {"a"}},
       }) {
    RegValuesText text(r.text);
    EXPECT_EQ(text.Names(), r.names) << r.label;
    text.Set("New", {RegType::String, "v"});
    EXPECT_EQ(text.Text().substr(0, r.text.size()), r.text) << r.label;  // nothing lost
    const RegValuesText again(text.Text());
    EXPECT_EQ(again.Find("New")->data, "v") << r.label;
    for (const std::string& name : r.names) EXPECT_TRUE(again.Find(name)) << r.label;
  }
}

}  // namespace
}  // namespace penvo::os::reg
