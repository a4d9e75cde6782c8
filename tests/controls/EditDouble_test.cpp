// The numeric edit field: what gets in by key and by paste, how the value follows the text, and
// writing the value from the program.
#include "controls/EditDouble.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "tests/controls/WidgetFixture.h"

namespace penvo {
namespace {

class EditDoubleTest : public test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    form_ = NewForm();
    edit_ = NewComponent<TEditDouble>(*form_);
    edit_->SetParent(form_);
    edit_->OnChange = [this](TPersistent*) { changes_.push_back(edit_->Text()); };
  }
  // Empties the field (the value stays) and forgets the changes so far.
  void Clear() {
    edit_->SetText("");
    changes_.clear();
  }
  void Type(const char* keys) { test::TypeText(edit_, keys); }
  void Paste(const std::string& text) { test::PasteText(edit_, text); }
  void SelectAll() {
    edit_->SetSelStart(0);
    edit_->SetSelLength(static_cast<int>(edit_->Text().size()));
  }

  TForm* form_ = nullptr;
  TEditDouble* edit_ = nullptr;
  std::vector<std::string> changes_;
};

TEST_F(EditDoubleTest, ANewFieldShowsZeroAndIsLegal) {
  auto* fresh = NewComponent<TEditDouble>(*form_);
  EXPECT_EQ(fresh->Text(), "0");
  EXPECT_EQ(fresh->Value(), 0.0);
  EXPECT_TRUE(fresh->Check().Legal);
  EXPECT_EQ(fresh->Color(), clWindow);
  auto& check = static_cast<TCheckLimit&>(fresh->Check());
  EXPECT_EQ(check.WarningColor, clRed);
  EXPECT_TRUE(check.ShowHint);
  EXPECT_EQ(check.Max(), 1e100);

  // A subclass's own check is the one the field uses.
  struct TEditChecked : TEditDouble {
    using TEditDouble::TEditDouble;
    std::unique_ptr<TCheckLegal> CreateCheck() override {
      auto own = std::make_unique<TCheckLegal>(this);
      own->OnCheck = [](TCheckLegal& c) { c.SetLegal(false); };
      return own;
    }
  };
  auto* checked = NewComponent<TEditChecked>(*form_);
  EXPECT_EQ(dynamic_cast<TCheckLimit*>(&checked->Check()), nullptr);
  EXPECT_FALSE(checked->Check().Legal);
}

TEST_F(EditDoubleTest, TheKeyFilterLetsInNumberCharactersWhereTheyFit) {
  struct Row {
    char c;
    const char* text;
    std::size_t pos;
    char separator;
    std::optional<char> result;
  };
  const std::optional<char> none;
  for (const Row& r : std::vector<Row>{
           {'7', "", 1, '.', '7'},
           {'\b', "1", 2, '.', '\b'},  // backspace, tab, copy, paste and cut pass
           {'\t', "", 1, '.', '\t'},
           {3, "", 1, '.', char{3}},
           {22, "", 1, '.', char{22}},
           {24, "", 1, '.', char{24}},
           {'+', "", 1, '.', none},
           {'a', "1", 2, '.', none},
           {' ', "1", 2, '.', none},
           {'\r', "1", 2, '.', none},
           {27, "1", 2, '.', none},  // Escape
           {',', "1", 2, '.', '.'},  // either mark gives the decimal separator
           {'.', "1", 2, ',', ','},
           {'.', "1.5", 4, '.', none},  // one separator only
           {',', "1,5", 4, ',', none},
           {'.', "15", 1, '.', '.'},
           {'e', "1.5", 4, '.', 'e'},
           {'E', "1e5", 4, '.', none},  // one exponent only, in either case
           {'-', "", 1, '.', '-'},
           {'-', "15", 1, '.', '-'},    // in front of the digits
           {'-', "15", 2, '.', none},   // inside them
           {'-', "-15", 1, '.', '-'},   // the filter does not look for a second one
           {'-', "1E", 3, '.', '-'},    // right after the exponent mark
           {'-', "1e5", 3, '.', '-'},   // between the mark and its digits
           {'-', "1e5", 4, '.', none},  // after a digit
       }) {
    FormatSettings().DecimalSeparator = r.separator;
    EXPECT_EQ(FilterNumberChar(r.c, r.text, r.pos), r.result)
        << int(r.c) << " at " << r.pos << " of '" << r.text << "'";
  }
}

TEST_F(EditDoubleTest, TypedKeysAreFilteredAndTheValueFollowsTheText) {
  Clear();
  Type("a+1,5");
  EXPECT_EQ(edit_->Text(), "1.5");
  EXPECT_EQ(edit_->Value(), 1.5);
  Type(".E");
  EXPECT_EQ(edit_->Text(), "1.5E");
  EXPECT_EQ(edit_->Value(), 1.5);  // the exponent is not there yet
  Type("e-2");
  EXPECT_EQ(edit_->Text(), "1.5E-2");
  EXPECT_EQ(edit_->Value(), 0.015);
  EXPECT_EQ(changes_, (std::vector<std::string>{"1", "1.", "1.5", "1.5E", "1.5E-", "1.5E-2"}));

  edit_->SetSelStart(0);  // the caret to the start
  Type("-");
  EXPECT_EQ(edit_->Text(), "-1.5E-2");
  EXPECT_EQ(edit_->Value(), -0.015);
  Type("-");  // no second one at the start
  EXPECT_EQ(edit_->Text(), "-1.5E-2");

  // The check sees the whole text, also a selection the key would replace.
  SelectAll();
  Type(".");
  EXPECT_EQ(edit_->Text(), "-1.5E-2");
  Type("7");
  EXPECT_EQ(edit_->Text(), "7");
  EXPECT_EQ(edit_->Value(), 7.0);
}

TEST_F(EditDoubleTest, WithTheCommaAsSeparatorAFullStopTypesAComma) {
  FormatSettings() = {',', "."};
  Clear();
  Type("2.25");
  EXPECT_EQ(edit_->Text(), "2,25");
  EXPECT_EQ(edit_->Value(), 2.25);
}

TEST_F(EditDoubleTest, PastedAndProgramTextKeepsOnlyWhatTheKeysWouldLetIn) {
  struct Row {
    const char* pasted;
    const char* kept;
    double value;
  };
  for (const Row& r : std::vector<Row>{
           {"12a.5", "12.5", 12.5},
           {"1.2.3", "1.23", 1.23},
           {"1,5", "1.5", 1.5},
           {"x-4", "-4", -4},  // nothing survived before the minus
           {"4-3", "43", 43},  // a digit did
           {"2e-3e", "2e-3", 0.002},
           {" 8 000 ", "8000", 8000},
       }) {
    Clear();
    Paste(r.pasted);
    EXPECT_EQ(edit_->Text(), r.kept) << r.pasted;
    EXPECT_EQ(edit_->Value(), r.value) << r.pasted;
    EXPECT_EQ(changes_, std::vector<std::string>{r.kept}) << r.pasted;  // told once, clean
  }
  changes_.clear();
  edit_->SetText("3q");  // text set by the program is cleaned the same way
  EXPECT_EQ(edit_->Text(), "3");
  EXPECT_EQ(changes_, std::vector<std::string>{"3"});
}

TEST_F(EditDoubleTest, CleaningKeepsTheCaretWithinTheText) {
  Clear();
  Type("125");
  edit_->SetSelStart(1);
  Paste("x");
  EXPECT_EQ(edit_->Text(), "125");
  EXPECT_EQ(edit_->SelStart(), 2);  // where the paste left it, not at the end
}

TEST_F(EditDoubleTest, WritingTheValueRewritesTheTextUnlessTheChangeIsTiny) {
  struct Row {
    double before, written;
    const char* text;
    double value;
    int changes;
  };
  for (const Row& r : std::vector<Row>{
           {20, 20.0001, "20", 20, 0},  // about 5e-6 apart: nothing at all
           {20, 20.001, "20.001", 20.001, 1},
           {20, 0, "0", 0, 1},
           {0, 4, "4", 4, 1},
           {0, 1e-300, "1E-300", 1e-300, 1},               // from 0 every value counts
           {0, 0, "0", 0, 0},                              // the same text: no change to tell
           {0, 1.0 / 3, "0.333333333333333", 1.0 / 3, 1},  // the value keeps every digit
       }) {
    edit_->SetValue(r.before);
    changes_.clear();
    edit_->SetValue(r.written);
    EXPECT_EQ(edit_->Text(), r.text) << r.before << " -> " << r.written;
    EXPECT_EQ(edit_->Value(), r.value) << r.before << " -> " << r.written;
    EXPECT_EQ(static_cast<int>(changes_.size()), r.changes) << r.before << " -> " << r.written;
  }
  Clear();  // an empty text leaves the value 0; writing 0 shows it again
  edit_->SetValue(0);
  EXPECT_EQ(edit_->Text(), "0");
}

TEST_F(EditDoubleTest, AValueOutOfRangeTurnsTheFieldRedWithTheReasonInItsHint) {
  edit_->SetHint("Line width");
  edit_->SetValue(-1);
  EXPECT_EQ(edit_->Value(), -1);  // kept all the same
  EXPECT_EQ(edit_->Color(), clRed);
  EXPECT_EQ(edit_->Hint(), "Line width Not in range [0,1E100]");
  SelectAll();
  Type("3");
  EXPECT_EQ(edit_->Color(), clWindow);
  EXPECT_EQ(edit_->Hint(), "Line width");
}

// A number beyond the range of double: no box, the value stays, the field is marked as for any
// value out of range until its text is a legal number again.
TEST_F(EditDoubleTest, ANumberBeyondDoubleKeepsTheValueAndMarksTheFieldSilently) {
  for (const TFormatSettings& separators : {TFormatSettings{'.', ","}, TFormatSettings{',', "."}}) {
    FormatSettings() = separators;
    edit_->SetHint("Line width");
    Clear();
    Type("1E30");
    ASSERT_EQ(edit_->Value(), 1e30);
    const test::BoxWatcher boxes;
    Type("99\b");  // 1E309, 1E3099, 1E309: each beyond double
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{}) << separators.DecimalSeparator;
    EXPECT_EQ(edit_->Text(), "1E309");
    EXPECT_EQ(edit_->Value(), 1e30);
    EXPECT_EQ(edit_->Color(), clRed);
    EXPECT_EQ(edit_->Hint(), "Line width Not in range [0,1E100]");
    Type("\b");  // a legal text again
    EXPECT_EQ(edit_->Value(), 1e30);
    EXPECT_EQ(edit_->Color(), clWindow);
    EXPECT_EQ(edit_->Hint(), "Line width");
  }
  static_cast<TCheckLimit&>(edit_->Check()).SetMin(-1e100);
  Clear();
  Type("-1E40");
  ASSERT_EQ(edit_->Color(), clWindow);
  Type("0");  // below the range of double just the same
  EXPECT_EQ(edit_->Value(), -1e40);
  EXPECT_EQ(edit_->Color(), clRed);
}

}  // namespace
}  // namespace penvo
