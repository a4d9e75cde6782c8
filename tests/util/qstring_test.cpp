#include "util/qstring.h"

#include <gtest/gtest.h>

#include <vector>

namespace penvo {
namespace {

TEST(FirstDelimiter, FindsTheLeftmostDelimiterOfAny) {
  struct Row {
    const char* delimiters;
    const char* s;
    std::size_t expected;
  };
  for (const Row& r : std::vector<Row>{{";,", "a,b;c", 2},
                                       {",;", "a;b,c", 2},
                                       {";", "abc", 0},
                                       {"", "a;b", 0},
                                       {";", "", 0},
                                       {";", ";", 1}})
    EXPECT_EQ(FirstDelimiter(r.delimiters, r.s), r.expected) << r.delimiters << " in " << r.s;
}

std::vector<std::string> AllTokens(std::string s, const std::string& delimiters) {
  std::vector<std::string> tokens;
  std::string token;
  while (!s.empty()) {
    CutToken(s, delimiters, token);
    tokens.push_back(token);
  }
  return tokens;
}

TEST(CutToken, SplitsAtEachDelimiterAndDropsOnlyATrailingEmptyToken) {
  using V = std::vector<std::string>;
  EXPECT_EQ(AllTokens("a;b;;c", ";"), (V{"a", "b", "", "c"}));
  EXPECT_EQ(AllTokens("a;", ";"), (V{"a"}));
  EXPECT_EQ(AllTokens(";a", ";"), (V{"", "a"}));
  EXPECT_EQ(AllTokens("a,b;c", ",;"), (V{"a", "b", "c"}));
  EXPECT_EQ(AllTokens("a;b", ""), (V{"a;b"}));
}

TEST(CutToken, EmptyTextGivesEmptyTokenAndStaysEmpty) {
  std::string s, token = "old";
  CutToken(s, ";", token);
  EXPECT_EQ(token, "");
  EXPECT_EQ(s, "");
}

TEST(ReplaceAll, RepeatsUntilNoOccurrenceIsLeft) {
  struct Row {
    const char *find, *replace, *s, *expected;
  };
  for (const Row& r : std::vector<Row>{
           {" ", "0", "$    ff", "$0000ff"},
           {"/", "\\", "a/b/c", "a\\b\\c"},
           {"\\\\", "\\", "C:\\\\dir\\\\\\x", "C:\\dir\\x"},
           {"\\", "\\", "a\\b\\c", "a\\b\\c"},
           {"aa", "a", "aaaa", "a"},    // shorter Replace: new occurrences go too
           {"a", "ab", "aXa", "abXa"},  // Replace begins with Find: only the first one
           {"", "x", "abc", "abc"},
           {"a", "b", "", ""},
           {"ab", "ba", "aab", "baa"},  // same length: ends once nothing matches
       })
    EXPECT_EQ(ReplaceAll(r.s, r.find, r.replace), r.expected)
        << "'" << r.find << "' by '" << r.replace << "' in '" << r.s << "'";
}

TEST(ReplaceAll, LeavesItsArgumentAlone) {
  const std::string s = "a/b";
  ReplaceAll(s, "/", "\\");
  EXPECT_EQ(s, "a/b");
}

TEST(ReplaceAll, ARunawayPairStopsAtTheLimitWithWhatItBuilt) {
  // 'a' by 'ba' writes a new 'a' after every replacement: the steps alone never end.
  for (const std::string& s : std::vector<std::string>{"a", "xay", std::string(2000, 'a')}) {
    const std::string result = ReplaceAll(s, "a", "ba");
    const std::size_t limit = ReplaceAllLimit(s, "ba");
    EXPECT_EQ(result.size(), s.size() + limit) << "one byte more per replacement made";
    EXPECT_NE(result.find('a'), std::string::npos);
  }
  EXPECT_EQ(ReplaceAll("a", "a", "ba"), "bbba");
}

}  // namespace
}  // namespace penvo
