#include "controls/qdouble.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/support/Platform.h"

namespace penvo {
namespace {

// Sets the separators for one test and puts the previous ones back.
class NumberText : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = FormatSettings(); }
  void TearDown() override { FormatSettings() = saved_; }
  static void UseFullStop() { FormatSettings() = {'.', ","}; }
  static void UseComma(std::string thousands = ".") { FormatSettings() = {',', thousands}; }

 private:
  TFormatSettings saved_;
};

TEST(StrToIntDef, ReadsDecimalAndHexadecimalAsTheOneConversion) {
  constexpr int D = -77;
  struct Row {
    const char* text;
    std::int32_t expected;
  };
  for (const Row& r : std::vector<Row>{
           {"0", 0},
           {"42", 42},
           {"+42", 42},
           {"-42", -42},
           {"   7", 7},
           {"007", 7},
           {"2147483647", 2147483647},
           {"-2147483648", std::numeric_limits<std::int32_t>::min()},
           {"2147483648", D},
           {"-2147483649", D},
           {"99999999999999999999", D},
           {"$ff", 255},
           {"$FF", 255},
           {"xff", 255},
           {"Xff", 255},
           {"0xff", 255},
           {"0XfF", 255},
           {"$FFFFFFFF", -1},
           {"$80000000", std::numeric_limits<std::int32_t>::min()},
           {"$00000000FF", 255},  // leading zeros: the value still fits
           {"$100000000", D},
           {"-$10", D},  // no sign before a hexadecimal prefix
           {"+0x10", D},
           {"$", D},
           {"0x", D},
           {"$fg", D},
           {"", D},
           {"   ", D},
           {"12 ", D},  // nothing may follow, not even a blank
           {"12a", D},
           {"1.5", D},
           {"+", D},
           {"- 1", D},
           {"\t1", D},
       })
    EXPECT_EQ(StrToIntDef(r.text, D), r.expected) << "'" << r.text << "'";
}

TEST_F(NumberText, CleanKeepsCommasWhenTheyAreTheThousandsSeparator) {
  UseFullStop();
  EXPECT_EQ(CleanNumberText(" 1,234 . 5 "), "1,234.5");
  UseComma(".");
  EXPECT_EQ(CleanNumberText("1.234.567,5"), "1234567,5");
  UseComma("\xA0");
  EXPECT_EQ(CleanNumberText("1\xA0"
                            "234,5"),
            "1234,5");
}

TEST_F(NumberText, CleanTreatsNoBreakSpacesAsBlanks) {
  UseFullStop();
  EXPECT_EQ(CleanNumberText("1\xA0"
                            "2"),
            "12");  // single-byte text
  EXPECT_EQ(CleanNumberText("1\xC2\xA0"
                            "2"),
            "12");  // UTF-8 from a text field
}

struct DoubleRow {
  const char* text;
  double fullStop;  // NAN stands for "the Default"
  double comma;
};

TEST_F(NumberText, StrToDoubleDefFollowsBothBranches) {
  const double D = 7.25;
  const std::vector<DoubleRow> rows = {
      {"", NAN, NAN},        {"12", 12, 12},      {"1.5e", 1.5, 1.5},   {"1.5e-", 1.5, 1.5},
      {"-2e", -2, -2},       {"-", 0, NAN},       {".", 0, 0},          {"e", NAN, NAN},
      {"e5", 0, NAN},        {"2x", 2, NAN},      {"-.", 0, 0},         {"E5", 0, NAN},
      {"1.5e3", 1500, 1500}, {"+.5", 0.5, 0.5},   {"5.", 5, 5},         {"1e-2x", 0.01, NAN},
      {"x", NAN, NAN},       {"1.5.5", 1.5, NAN}, {"2.5E+2", 250, 250}, {"1e-400", 0, 0},
  };
  for (const DoubleRow& r : rows) {
    UseFullStop();
    const double a = StrToDoubleDef(r.text, D);
    EXPECT_EQ(a, std::isnan(r.fullStop) ? D : r.fullStop) << "full stop: '" << r.text << "'";
    UseComma();
    std::string commaText = r.text;
    for (char& c : commaText)
      if (c == '.') c = ',';
    const double b = StrToDoubleDef(commaText, D);
    EXPECT_EQ(b, std::isnan(r.comma) ? D : r.comma) << "comma: '" << commaText << "'";
  }
}

TEST_F(NumberText, ALoneEGivesZeroOnlyWithZeroDefaultInTheFullStopBranch) {
  UseFullStop();
  EXPECT_EQ(StrToDoubleDef("E", 3), 3);
  EXPECT_EQ(StrToDoubleDef("E", 0), 0);
  UseComma();
  EXPECT_EQ(StrToDoubleDef("E", 3), 3);
  EXPECT_EQ(StrToDoubleDef("E", 0), 0);
}

TEST_F(NumberText, ThousandsGroupsReadByLocale) {
  UseFullStop();
  EXPECT_EQ(StrToDoubleDef("1,234.5", 9), 1);  // the part before the comma
  UseComma(".");
  EXPECT_EQ(StrToDoubleDef("1.234,5", 9), 1234.5);
  UseComma("\xA0");
  EXPECT_EQ(StrToDoubleDef("1\xA0"
                           "234,5",
                           9),
            1234.5);
  UseComma("\xE2\x80\xAF");  // a UTF-8 locale's narrow no-break space
  EXPECT_EQ(StrToDoubleDef("1\xE2\x80\xAF"
                           "234,5",
                           9),
            1234.5);
}

TEST_F(NumberText, ANumberBeyondDoubleGivesTheDefaultAndSaysSoInEitherBranch) {
  struct Row {
    std::string text;
    double value;
    bool outOfRange;
  };
  for (const char separator : {'.', ','}) {
    separator == '.' ? UseFullStop() : UseComma();
    for (const Row& r : std::vector<Row>{
             {"1e309", 4, true},
             {"-1e309", 4, true},
             {"1" + std::string(400, '0'), 4, true},
             {"1e99999999999999999999", 4, true},
             {"1e-99999999999999999999", 0, false},  // too small: the nearest double
             {"0e99999", 0, false},
             {"1e308", 1e308, false},
             {"12", 12, false},
             {"", 4, false},
         }) {
      const TNumberRead read = ReadNumberText(r.text, 4);
      EXPECT_EQ(read.Value, r.value) << separator << " " << r.text.substr(0, 30);
      EXPECT_EQ(read.OutOfRange, r.outOfRange) << separator << " " << r.text.substr(0, 30);
      EXPECT_EQ(StrToDoubleDef(r.text, 4), r.value) << separator << " " << r.text.substr(0, 30);
    }
  }
  UseFullStop();
  EXPECT_DOUBLE_EQ(StrToDoubleDef("1.7976931348623157e308", 1), 1.7976931348623157e308);
  EXPECT_TRUE(ReadNumberText("1.5e309x", 1).OutOfRange);  // the leading part counts
}

TEST(TakeToken, CutsAtTheFirstOfAnyDelimiter) {
  struct Row {
    const char *text, *delimiters, *token, *rest;
  };
  for (const Row& r : std::vector<Row>{{"a;b,c", ";,", "a", "b,c"},
                                       {";x", ";,", "DEF", "x"},
                                       {"abc", ";,", "abc", ""},
                                       {"a;b", "", "a;b", ""},
                                       {"", ";", "DEF", ""}}) {
    std::string text = r.text;
    EXPECT_EQ(TakeToken(text, r.delimiters, "DEF"), r.token) << r.text;
    EXPECT_EQ(text, r.rest) << r.text;
  }
}

TEST(TakeInt, ReadsTheTokenAsAnIntegerAndShortensTheTextAlways) {
  struct Row {
    const char* text;
    std::int32_t value;
    const char* rest;
  };
  for (const Row& r : std::vector<Row>{{"12,34", 12, "34"},
                                       {",34", -1, "34"},
                                       {"x,34", -1, "34"},
                                       {"$10", 16, ""},
                                       {"-5,", -5, ""}}) {
    std::string text = r.text;
    EXPECT_EQ(TakeInt(text, ",", -1), r.value) << r.text;
    EXPECT_EQ(text, r.rest) << r.text;
  }
}

TEST_F(NumberText, FloatToStrWritesTheGeneralFormat) {
  UseFullStop();
  struct Row {
    double value;
    const char* text;
  };
  for (const Row& r : std::vector<Row>{{0, "0"},
                                       {20, "20"},
                                       {-2.5, "-2.5"},
                                       {1.0 / 3, "0.333333333333333"},
                                       {0.0001, "0.0001"},
                                       {0.00001, "1E-5"},
                                       {1e14, "100000000000000"},
                                       {1e15, "1E15"},
                                       {1.5e-7, "1.5E-7"},
                                       {1e100, "1E100"},
                                       {-1e-100, "-1E-100"},
                                       {123456789012345678.0, "1.23456789012346E17"},
                                       {0.1 + 0.2, "0.3"},
                                       {2.0 / 3, "0.666666666666667"},
                                       {999999999999999.9, "1E15"}})
    EXPECT_EQ(FloatToStr(r.value), r.text) << r.value;
  UseComma();
  EXPECT_EQ(FloatToStr(-2.5), "-2,5");
  EXPECT_EQ(FloatToStr(1.5e-7), "1,5E-7");
}

TEST_F(NumberText, LocaleWithoutSeparatorsFallsBackToFullStopAndComma) {
  PENVO_ONLY_ON(Posix, "the C locale, chosen through LC_ALL, has no thousands separator");
  FormatSettings() = {',', " "};
  {
    test::ScopedEnv cLocale("LC_ALL", "C");
    LoadFormatSettingsFromLocale();
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
  EXPECT_EQ(FormatSettings().ThousandSeparator, ",");
}

}  // namespace
}  // namespace penvo
