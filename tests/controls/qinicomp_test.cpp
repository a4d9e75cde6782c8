// The persisting edit and check box: loaded once from the store chain, every change written at
// once.
#include "controls/qinicomp.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/controls/WidgetFixture.h"

namespace penvo {
namespace {

class EditIniTest : public test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    form_ = NewForm();
    edit_ = Describe<TEditIni>(form_, "EditColor");
    edit_->SetText("$0000FF");
    edit_->OnChange = [this](TPersistent*) { changes_.push_back(edit_->Text()); };
  }
  std::optional<std::string> Written() const { return chain_.UserValue(kSection, "EditColor"); }

  TForm* form_ = nullptr;
  TEditIni* edit_ = nullptr;
  std::vector<std::string> changes_;
};

TEST_F(EditIniTest, TheStoredTextIsLoadedWithItsChangeEventButNotWrittenBack) {
  EXPECT_EQ(edit_->Ini().PropName, "Text");
  EXPECT_TRUE(edit_->Ini().AutoSave);
  chain_.SetMachineValue(kSection, "EditColor", "$00FF00");
  form_->EndDescription();
  EXPECT_EQ(edit_->Text(), "$00FF00");
  EXPECT_EQ(edit_->GetAsString(), "$00FF00");
  EXPECT_EQ(changes_, std::vector<std::string>{"$00FF00"});
  EXPECT_EQ(Written(), std::nullopt);
}

TEST_F(EditIniTest, EveryChangeOfTheTextIsWrittenAtOnce) {
  form_->EndDescription();
  EXPECT_EQ(Written(), std::nullopt);  // nothing stored: the designed text stays, unwritten
  edit_->SetSelStart(static_cast<int>(edit_->Text().size()));  // the caret to the end
  test::TypeText(edit_, "x");
  EXPECT_EQ(Written(), "$0000FFx");
  test::TypeChar(edit_, '\b');
  EXPECT_EQ(Written(), "$0000FF");
  edit_->SetAsString("$FF0000");  // the program's changes too
  EXPECT_EQ(Written(), "$FF0000");
}

TEST_F(EditIniTest, WithoutAutoSaveNothingIsEverWritten) {
  edit_->Ini().AutoSave = false;
  form_->EndDescription();
  test::TypeText(edit_, "x");
  edit_->SetText("y");
  Application()->DestroyForms();
  EXPECT_EQ(Written(), std::nullopt);
}

TEST_F(EditIniTest, ALostWindowSavesOnceUntilTheWindowIsMadeAgain) {
  form_->EndDescription();
  // A text that no change event wrote (AutoSave was off meanwhile) is what the close saves.
  const auto changeUnsaved = [&](const char* text) {
    edit_->Ini().AutoSave = false;
    edit_->SetText(text);
    edit_->Ini().AutoSave = true;
  };
  changeUnsaved("a");
  form_->DestroyHandle();
  EXPECT_EQ(Written(), "a");
  changeUnsaved("b");
  form_->CreateHandle();
  form_->DestroyHandle();
  EXPECT_EQ(Written(), "b");
  changeUnsaved("c");
  Application()->DestroyForms();  // its window went already: the edit's end saves nothing
  EXPECT_EQ(Written(), "b");
}

TEST_F(EditIniTest, AnEditThatIsFreedSavesWhatIsUnsaved) {
  form_->EndDescription();
  edit_->Ini().AutoSave = false;
  edit_->SetText("a");
  edit_->Ini().AutoSave = true;
  form_->FreeComponent(edit_);
  EXPECT_EQ(Written(), "a");
}

class CheckBoxIniTest : public test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    form_ = NewForm();
    box_ = Describe<TCheckBoxIni>(form_, "CBFilled");
    box_->SetText("Filled");
    box_->OnClick = [this](TPersistent*) { ++clicks_; };
  }
  std::optional<std::string> Written() const { return chain_.UserValue(kSection, "CBFilled"); }

  TForm* form_ = nullptr;
  TCheckBoxIni* box_ = nullptr;
  int clicks_ = 0;
};

TEST_F(CheckBoxIniTest, TheStateAsTextIsANumberHeldToTheThreeStates) {
  form_->EndDescription();
  struct Row {
    const char* text;
    TCheckBoxState state;
  };
  using S = TCheckBoxState;
  for (const Row& r : std::vector<Row>{
           {"1", S::cbChecked},
           {"2", S::cbGrayed},  // also where the user may not gray it
           {"0", S::cbUnchecked},
           {"3", S::cbGrayed},
           {"99", S::cbGrayed},
           {"-1", S::cbUnchecked},
           {"$1", S::cbChecked},
           {" 1", S::cbChecked},
           {"x", S::cbUnchecked},
           {"2", S::cbGrayed},
           {"", S::cbUnchecked},
           {"1 ", S::cbUnchecked},  // nothing may follow the number
       }) {
    box_->SetAsString(r.text);
    EXPECT_EQ(box_->State(), r.state) << "'" << r.text << "'";
    const std::string asText = std::to_string(static_cast<int>(r.state));
    EXPECT_EQ(box_->GetAsString(), asText) << "'" << r.text << "'";
    EXPECT_EQ(Written(), asText) << "'" << r.text << "'";  // every change written at once
  }
}

TEST_F(CheckBoxIniTest, AStoredZeroUnchecksTheBoxAtLoadWithOneClickAndNoWrite) {
  box_->SetChecked(true);
  chain_.SetMachineValue(kSection, "CBFilled", "0");
  clicks_ = 0;
  form_->EndDescription();
  EXPECT_FALSE(box_->Checked());
  EXPECT_EQ(clicks_, 1);
  EXPECT_EQ(Written(), std::nullopt);
}

TEST_F(CheckBoxIniTest, TheUsersToggleByMouseOrKeyIsWrittenAtOnce) {
  form_->EndDescription();
  test::ActivateForm(form_);
  test::ClickCheckBox(box_);
  EXPECT_EQ(Written(), "1");
  test::PressSpace(box_);
  EXPECT_EQ(Written(), "0");
  EXPECT_EQ(clicks_, 2);
}

TEST_F(CheckBoxIniTest, WithoutAutoSaveNothingIsWrittenAndWithItTheEndSavesWhatIsUnsaved) {
  box_->Ini().AutoSave = false;
  form_->EndDescription();
  box_->SetChecked(true);
  EXPECT_EQ(Written(), std::nullopt);
  box_->Ini().AutoSave = true;
  form_->FreeComponent(box_);
  EXPECT_EQ(Written(), "1");
}

TEST_F(CheckBoxIniTest, ABoxNamedAfterItsClassShowsTheNumberOfItsName) {
  auto* box = NewComponent<TCheckBoxIni>(*form_);
  box->SetName("CheckBoxIni1");  // the caption first follows the name, then loses the stem
  EXPECT_EQ(box->GetText(), "1");
  box->SetName("CBAutoHide");
  EXPECT_EQ(box->GetText(), "1");
  EXPECT_EQ(box->Ini().EffectiveSaveName(), "CBAutoHide");
}

}  // namespace
}  // namespace penvo
