#include "util/qMacroString.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/TestFiles.h"

namespace penvo {
namespace {

// The list as the store chain sets it up.
void ChainSettings(TqMacroVarList& list) {
  list.LetterNameMax = 1;
  list.WordTokenMin = 6;
  list.Separators = ";";
}

TEST(Expand, WorkedExample) {
  TqMacroVarList list;
  ChainSettings(list);
  list.SetVar("U", "uv");
  list.SetVar("u", "%FIRST%;");
  list.SetVar("v", "%SECOND%\\x;");
  list.SetVar("%FIRST%", "one");
  list.SetVar("%SECOND%", "two%FIRST%");
  EXPECT_EQ(list.Expand("U;abc"), "one;twoone\\x;abc");
}

TEST(Expand, TokensAndTheirKinds) {
  struct Row {
    int wordTokenMin, letterNameMax;
    const char* separators;
    std::vector<std::pair<const char*, const char*>> vars;
    const char *text, *expected;
  };
  const std::vector<Row> rows = {
      {6, 1, ";", {}, "", ""},
      // At creation everything is zero: one token, every name looked for everywhere.
      {0, 0, "", {{"ab", "X"}, {"c", "Y"}}, "abcab;c", "XYX;Y"},
      {1, 0, ";", {}, ";;a;", "a"},               // empty tokens vanish
      {0, 0, ";", {}, "a;;b", "a;;b"},            // ... unless WordTokenMin is 0
      {6, 1, ";", {{"a", "ab"}}, "a", "abbbbb"},  // grows until it is a word token
      {6, 1, ";", {{"%A%", "1"}, {"%A%B%", "2"}}, "%A%B%xx", "1B%xx"},  // earlier wins
      {6, 1, ";", {{"%ONE%", "1"}}, "%ONE%", "%ONE%"},                  // five characters: letters
      {6, 1, ";", {{"%ONE%", "1"}}, "%ONE%\\x", "1\\x"},
      {6, 1, ";", {{"x", "1"}}, "abcxyz", "abcxyz"},  // letters never in words
      {6, 1, ";", {}, "%NOPE%\\a", "%NOPE%\\a"},
      {6, 1, ",;", {{"a", "x;y"}}, "a", "x,y"},  // joined by the first one
  };
  for (const Row& r : rows) {
    TqMacroVarList list;
    list.WordTokenMin = r.wordTokenMin;
    list.LetterNameMax = r.letterNameMax;
    list.Separators = r.separators;
    for (const auto& [name, value] : r.vars) list.SetVar(name, value);
    EXPECT_EQ(list.Expand(r.text), r.expected) << "'" << r.text << "'";
  }
}

TEST(Expand, CyclesEndWithWhatWasExpandedSoFar) {
  TqMacroVarList list;
  ChainSettings(list);
  list.SetVar("G", "I");
  list.SetVar("I", "G");
  const std::string letters = list.Expand("G");
  EXPECT_TRUE(letters == "G" || letters == "I") << letters;

  list.SetVar("%SELF%", "x%SELF%");  // grows by one each round
  const std::string word = list.Expand("%SELF%");
  EXPECT_EQ(word.substr(0, 10), "xxxxxxxxxx");
  EXPECT_LE(word.size(), 100u);

  list.SetVar("%TWOS%", "%TWOS%;%TWOS%");  // doubles each round
  const std::string many = list.Expand("%TWOS%");
  EXPECT_LE(many.size(), 4 * TqMacroVarList::kMaxExpandWork);
  EXPECT_EQ(many.substr(0, 13), "%TWOS%;%TWOS%");
}

// A variable that counts how often its value is taken.
class CountedVar : public TqStringMacroVar {
 public:
  CountedVar(const std::string& name, const std::string& value, int& reads)
      : TqStringMacroVar(name, value), reads_(reads) {}
  std::string GetValue() const override {
    ++reads_;
    return TqStringMacroVar::GetValue();
  }

 private:
  int& reads_;
};

TEST(Expand, ATokenThatWouldPassTheWorkBoundIsNotBuiltAndStaysAsItWas) {
  // Each value fits in a settings file line; three steps would make some 600 MB.
  TqMacroVarList list;
  ChainSettings(list);
  int reads = 0;
  const auto repeat = [](const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
  };
  list.AddVar(std::make_unique<CountedVar>("U", "%A%xyz", reads));
  list.AddVar(std::make_unique<CountedVar>("%A%", repeat("%B%", 682), reads));
  list.AddVar(std::make_unique<CountedVar>("%B%", repeat("%C%", 440), reads));
  list.AddVar(std::make_unique<CountedVar>("%C%", std::string(2047, 'x'), reads));
  reads = 0;
  // The second step (0.9 MB) fits; the third would pass the bound and keeps its token.
  EXPECT_EQ(list.Expand("U;a"), repeat("%C%", 682 * 440) + "xyz;a");
  // U, %A%, 682 times %B%, and only the few hundred values of %C% that fit: not 300 080.
  EXPECT_LT(reads, 2000);
}

TEST(Expand, ACycleLoadedFromASettingsFileEnds) {
  test::TempDir dir;
  const std::string ini = dir.File("qini.ini");
  test::WriteFile(ini,
                  "[IniReadOrderVars]\n"
                  "G=I\nI=G\n"
                  "%LOOP%=%LOOP%%LOOP%\\more\n");
  TqMacroVarList list;
  ChainSettings(list);
  list.LoadFromIni(ini, "IniReadOrderVars");
  EXPECT_FALSE(list.Expand("G").empty());
  EXPECT_FALSE(list.Expand("%LOOP%\\x").empty());
}

TEST(MacroVarList, OnChangeRunsForNewNamesAndChangedValuesOnly) {
  TqMacroVarList list;
  std::vector<int> changes;
  list.OnChange = [&](TqMacroVarList& sender, int index) {
    EXPECT_EQ(&sender, &list);
    changes.push_back(index);
  };
  list.SetVar("a", "");  // new, even with an empty value
  list.SetVar("b", "1");
  list.SetVar("b", "1");                                      // same value
  list.SetVar("a", "2");                                      // changed
  list.SetVarAt(1, "3");                                      // never notifies
  list.AddVar(std::make_unique<TqStringMacroVar>("c", ""));   // new, value = UndefinedValue
  list.AddVar(std::make_unique<TqStringMacroVar>("b", "3"));  // same value as before
  list.AddVar(std::make_unique<TqStringMacroVar>("b", "4"));
  list.AddVar(nullptr);
  EXPECT_EQ(changes, (std::vector<int>{0, 1, 0, 1}));
  EXPECT_EQ(list.GetVar("b"), "4");
}

TEST(MacroVarList, PositionsStayOnRedefinitionAndCloseOnRemoval) {
  TqMacroVarList list;
  list.UndefinedValue = "?";
  list.SetVar("a", "1");
  list.SetVar("b", "2");
  list.SetVar("c", "3");
  list.AddVar(std::make_unique<TqStringMacroVar>("a", "9"));
  EXPECT_EQ(list.IndexOfName("a"), 0);
  EXPECT_EQ(list.VarAt(0), "9");
  list.RemoveVar("b");
  list.RemoveVar("nope");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.IndexOfName("c"), 1);
  EXPECT_EQ(list.IndexOfName("C"), -1);  // names are case-sensitive
  EXPECT_EQ(list.GetVar("b"), "?");
  EXPECT_EQ(list.VarAt(2), "?");
  EXPECT_EQ(list.VarAt(-1), "?");
  list.SetVarAt(5, "x");
  EXPECT_EQ(list.Count(), 2);
}

// A variable that records its destruction, to see who frees it.
class TracedVar : public TqStringMacroVar {
 public:
  TracedVar(const char* name, std::vector<std::string>& log)
      : TqStringMacroVar(name, name), log_(log) {}
  ~TracedVar() override { log_.push_back(Name()); }

 private:
  std::vector<std::string>& log_;
};

TEST(MacroVarList, OwnsItsVariables) {
  std::vector<std::string> freed;
  {
    TqMacroVarList list;
    list.AddVar(std::make_unique<TracedVar>("a", freed));
    list.AddVar(std::make_unique<TracedVar>("b", freed));
    list.AddVar(std::make_unique<TracedVar>("c", freed));
    list.AddVar(std::make_unique<TracedVar>("a", freed));  // replaces and frees the old "a"
    list.RemoveVar("b");
    EXPECT_EQ(freed, (std::vector<std::string>{"a", "b"}));
  }
  EXPECT_EQ(freed, (std::vector<std::string>{"a", "b", "a", "c"}));  // in list order
}

TEST(MacroVarList, LoadFromIniDefinesEveryEntryInFileOrder) {
  test::TempDir dir;
  const std::string ini = dir.File("vars.ini");
  test::WriteFile(ini,
                  "[Other]\nx=0\n"
                  "[Vars]\n"
                  "; a comment\n"
                  "%COMPANY% = Acme\n"
                  "\"%Q%\"=quoted name\n"
                  "dup=first\n"
                  "DUP=second\n"
                  "'v'='single'\n");
  TqMacroVarList list;
  std::vector<int> changes;
  list.OnChange = [&](TqMacroVarList&, int index) { changes.push_back(index); };
  list.LoadFromIni(ini, "vars");
  EXPECT_EQ(list.GetVar("%COMPANY%"), "Acme");
  EXPECT_EQ(list.GetVar("%Q%\""), "quoted name");  // the closing quote stays
  EXPECT_EQ(list.GetVar("dup"), "first");
  EXPECT_EQ(list.GetVar("DUP"), "first");  // the first entry's value, whatever the case
  EXPECT_EQ(list.GetVar("v'"), "single");
  EXPECT_EQ(list.IndexOfName("x"), -1);
  EXPECT_EQ(changes, (std::vector<int>{0, 1, 2, 3, 4}));

  TqMacroVarList none;
  none.LoadFromIni(dir.File("missing.ini"), "Vars");
  none.LoadFromIni(ini, "NoSuchSection");
  EXPECT_EQ(none.Count(), 0);
}

}  // namespace
}  // namespace penvo
