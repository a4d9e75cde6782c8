// Value checks: the verdict and reason of a range check, and the marks they put on a control.
#include "controls/qCheck.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/ExtCtrls.h"
#include "platform/StdCtrls.h"
#include "tests/controls/WidgetFixture.h"

namespace penvo {
namespace {

class CheckTest : public test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    form_ = NewForm();
    edit_ = NewComponent<TEdit>(*form_);
    edit_->SetParent(form_);
  }
  // A range check of edit_ that checks value_, marked red with the reason in the hint.
  std::unique_ptr<TCheckLimit> RangeCheck(TControl* control) {
    auto check = std::make_unique<TCheckLimit>(control);
    check->OnGetValue = [this] { return value_; };
    check->WarningColor = clRed;
    check->ShowHint = true;
    return check;
  }

  TForm* form_ = nullptr;
  TEdit* edit_ = nullptr;
  double value_ = 0.0;
};

TEST_F(CheckTest, AHandlerWritesItsReasonWithPlaceholders) {
  TCheckLegal check(edit_);
  check.SetReasonFmt("%s is %d, not %.2f (100%%)", std::string("width"), 7, 2.5);
  EXPECT_EQ(check.Reason, "width is 7, not 2.5 (100%)");
  check.SetReasonFmt("only %s and %s", "one");  // a placeholder without argument stays empty
  EXPECT_EQ(check.Reason, "only one and ");
  check.SetReasonFmt("ends with %", 1);
  EXPECT_EQ(check.Reason, "ends with %");
}

TEST_F(CheckTest, ARangeCheckTakesBothBoundsAndGivesTheRangeAsReason) {
  struct Row {
    double min, max, value;
    char separator;
    const char* reason;  // empty: legal
  };
  for (const Row& r : std::vector<Row>{
           {0, 1e100, 0, '.', ""},
           {0, 1e100, 1e100, '.', ""},
           {0, 1e100, -1, '.', "Not in range [0,1E100]"},
           {0, 1e100, 1e101, '.', "Not in range [0,1E100]"},
           {1.5, 2.5, 2.5, '.', ""},
           {1.5, 2.5, 3, '.', "Not in range [1.5,2.5]"},
           {1.5, 2.5, 3, ',', "Not in range [1,5,2,5]"},
           {-2, -1, 0, '.', "Not in range [-2,-1]"},
           {3, 2, 2.5, '.', "Not in range [3,2]"},  // an empty range holds nothing
           {3, 2, 3, '.', "Not in range [3,2]"},
       }) {
    FormatSettings().DecimalSeparator = r.separator;
    TCheckLimit check(edit_);
    check.OnGetValue = [&] { return r.value; };
    check.SetMax(r.max);
    check.SetMin(r.min);
    const bool legal = *r.reason == '\0';
    EXPECT_EQ(check.DoCheck(), legal) << r.value << " in " << r.min << ".." << r.max;
    EXPECT_EQ(check.Legal, legal);
    EXPECT_EQ(check.Reason, r.reason);
  }
}

TEST_F(CheckTest, ANewRangeCheckWithoutAValueChecksZeroAndMarksNothing) {
  TCheckLimit check(edit_);
  EXPECT_EQ(check.Min(), 0.0);
  EXPECT_EQ(check.Max(), 1e100);
  EXPECT_EQ(check.WarningColor, 0);
  EXPECT_FALSE(check.ShowHint);
  check.SetMin(1);  // 0 is out of range now
  EXPECT_FALSE(check.Legal);
  EXPECT_EQ(edit_->Color(), clWindow);
  EXPECT_EQ(edit_->Hint(), "");
}

TEST_F(CheckTest, AControlWithItsOwnColourGetsItBackAndOneThatFollowedItsParentFollowsAgain) {
  auto* panel = NewComponent<TPanel>(*form_);
  panel->SetParent(form_);
  panel->SetColor(clSilver);
  auto* inner = NewComponent<TPanel>(*form_);
  inner->SetParent(panel);
  inner->SetParentColor(true);
  ASSERT_EQ(inner->Color(), clSilver);
  edit_->SetColor(clYellow);
  auto own = RangeCheck(edit_);
  auto following = RangeCheck(inner);

  value_ = -1;
  own->DoCheck();
  following->DoCheck();
  EXPECT_EQ(edit_->Color(), clRed);
  EXPECT_EQ(inner->Color(), clRed);
  EXPECT_FALSE(inner->ParentColor());
  panel->SetColor(clBlue);  // the parent changes meanwhile
  EXPECT_EQ(inner->Color(), clRed);

  value_ = 1;
  own->DoCheck();
  following->DoCheck();
  EXPECT_EQ(edit_->Color(), clYellow);
  EXPECT_FALSE(edit_->ParentColor());
  EXPECT_EQ(inner->Color(), clBlue);
  EXPECT_TRUE(inner->ParentColor());
}

TEST_F(CheckTest, TheHintCarriesTheCurrentReasonOnceAndComesBackWhenLegal) {
  edit_->SetHint("Width");
  ASSERT_TRUE(edit_->ParentShowHint());
  ASSERT_FALSE(edit_->ShowHint());
  auto check = RangeCheck(edit_);
  check->SetMax(10);

  value_ = 11;
  EXPECT_FALSE(check->DoCheck());
  EXPECT_EQ(edit_->Hint(), "Width Not in range [0,10]");
  EXPECT_TRUE(edit_->ShowHint());
  EXPECT_EQ(edit_->EffectiveToolTip(), "Width Not in range [0,10]");

  edit_->SetHint("touched");
  value_ = 12;  // illegal for the same reason: the hint is left alone
  check->DoCheck();
  EXPECT_EQ(edit_->Hint(), "touched");

  check->SetMax(5);  // a new reason replaces the old one
  EXPECT_EQ(edit_->Hint(), "Width Not in range [0,5]");
  EXPECT_EQ(edit_->Color(), clRed);

  check->SetMax(20);  // legal through the new range
  EXPECT_TRUE(check->Legal);
  EXPECT_EQ(edit_->Hint(), "Width");
  EXPECT_TRUE(edit_->ParentShowHint());
  EXPECT_FALSE(edit_->ShowHint());  // it follows the form again
  EXPECT_EQ(edit_->Color(), clWindow);
}

TEST_F(CheckTest, WithoutAWarningColourOnlyTheHintMarksAndAnEmptyHintGetsTheReasonAfterABlank) {
  auto check = RangeCheck(edit_);
  check->WarningColor = 0;
  value_ = -1;
  check->DoCheck();
  EXPECT_EQ(edit_->Color(), clWindow);
  EXPECT_EQ(edit_->Hint(), " Not in range [0,1E100]");
  value_ = 0;
  check->DoCheck();
  EXPECT_EQ(edit_->Hint(), "");
}

TEST_F(CheckTest, ACheckWithoutAControlIsLegalAndNeverAsksItsHandler) {
  TCheckLegal check(nullptr);
  int asked = 0;
  check.OnCheck = [&](TCheckLegal& sender) {
    ++asked;
    sender.SetLegal(false);
  };
  EXPECT_TRUE(check.DoCheck());
  EXPECT_EQ(asked, 0);

  TCheckLegal handled(edit_);  // the same handler on a control decides
  handled.OnCheck = check.OnCheck;
  EXPECT_FALSE(handled.DoCheck());
  EXPECT_EQ(asked, 1);
  TCheckLegal bare(edit_);  // without a handler the verdict stays what it was
  EXPECT_TRUE(bare.DoCheck());
}

// A range check whose own judgement is installed as the handler in place of the range's.
class EvenCheck : public TCheckLimit {
 public:
  using TCheckLimit::TCheckLimit;
  void LimitCheck(TCheckLegal&) override {
    SetLegal(static_cast<long>(CurrentValue()) % 2 == 0);
    Reason = Legal ? "" : "odd";
  }
};

TEST_F(CheckTest, ASubclassJudgementReplacesTheRangeCheck) {
  EvenCheck check(edit_);
  check.OnGetValue = [] { return 3.0; };
  EXPECT_FALSE(check.DoCheck());
  EXPECT_EQ(check.Reason, "odd");
}

}  // namespace
}  // namespace penvo
