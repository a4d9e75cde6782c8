// The labelled control panel: adopting its input control, its caption and label, and keeping the
// control's text between runs.
#include "controls/qEditPnl.h"

#include <gtest/gtest.h>

#include "controls/EditDouble.h"
#include "tests/controls/WidgetFixture.h"

namespace penvo {
namespace {

// The options window's width panel as its description makes it: the panel EditWidth with the
// caption "&W" and a numeric field placed in it, whose text the description gives as 20.
class CtrlPanelTest : public test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    NewForm("FormPenvo");  // the main form, as in the program
    form_ = NewForm();
    form_->SetBounds(0, 0, 300, 100);
    panel_ = Describe<TCtrlPanel>(form_, "EditWidth");
    panel_->SetBounds(0, 0, 200, 24);
    panel_->SetCaption("&W");
    panel_->Ini().AutoSave = true;
    panel_->SetAsString("20");  // no input control yet: nothing happens
    edit_ = Describe<TEditDouble>(form_, "EditDouble1", panel_);
    edit_->SetText("20");
  }
  std::optional<std::string> Written() const { return chain_.UserValue(kSection, "EditWidth"); }

  TForm* form_ = nullptr;
  TCtrlPanel* panel_ = nullptr;
  TEditDouble* edit_ = nullptr;
};

TEST_F(CtrlPanelTest, TheLoadedStepAdoptsThePlacedControlAndNamesItAfterThePanel) {
  EXPECT_EQ(panel_->GetCaption(), "&W");
  form_->EndDescription();
  EXPECT_EQ(panel_->InnerControl(), edit_);
  EXPECT_EQ(edit_->Name(), "EditWidthEditDouble");
  EXPECT_EQ(edit_->Align(), TAlign::alClient);
  EXPECT_EQ(edit_->Left(), 60);  // beside the caption area
  EXPECT_EQ(edit_->Width(), 140);
  EXPECT_EQ(panel_->CaptionPanel()->Width(), 60);
  EXPECT_EQ(panel_->AccelLabel()->FocusControl(), edit_);
  EXPECT_EQ(panel_->AccelLabel()->GetText(), "&W");
  EXPECT_EQ(panel_->GetAsString(), "20");
  EXPECT_EQ(panel_->GetPanelText(), "20");
  EXPECT_EQ(edit_->Value(), 20.0);
  EXPECT_EQ(Written(), std::nullopt);  // loading writes nothing

  panel_->SetName("EditHeight");  // the input control follows a new name
  EXPECT_EQ(edit_->Name(), "EditHeightEditDouble");
  EXPECT_EQ(panel_->GetCaption(), "&W");
}

TEST_F(CtrlPanelTest, TheCaptionsAcceleratorFocusesTheInputControl) {
  auto* other = NewComponent<TEdit>(*form_);
  other->SetBounds(0, 50, 80, 20);
  other->SetParent(form_);
  form_->EndDescription();
  test::ActivateForm(form_);
  other->SetFocus();
  ASSERT_TRUE(other->Focused());
  test::PressAlt(form_, 'w');
  EXPECT_TRUE(edit_->Focused());
}

TEST_F(CtrlPanelTest, AStoredTextIsLoadedIntoTheNumericField) {
  chain_.SetMachineValue(kSection, "EditWidth", "7");
  form_->EndDescription();
  EXPECT_EQ(edit_->Text(), "7");
  EXPECT_EQ(edit_->Value(), 7.0);
  EXPECT_EQ(panel_->Ini().LastValue(), "7");
  panel_->SetAsString("12.5");
  EXPECT_EQ(edit_->Value(), 12.5);
  EXPECT_EQ(Written(), std::nullopt);  // changes are kept until the window goes
}

TEST_F(CtrlPanelTest, AStoredNumberBeyondDoubleLoadsMarkedAndWithoutABox) {
  chain_.SetMachineValue(kSection, "EditWidth", "1E400");
  const test::BoxWatcher boxes;
  form_->EndDescription();
  Application()->ProcessMessages();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{});
  EXPECT_EQ(edit_->Text(), "1E400");
  EXPECT_EQ(edit_->Value(), 20.0);  // the description's value stays
  EXPECT_EQ(edit_->Color(), clRed);
}

TEST_F(CtrlPanelTest, TheTextIsSavedOnceWhenTheWindowGoes) {
  form_->EndDescription();
  panel_->SetAsString("25");
  form_->DestroyHandle();
  EXPECT_EQ(Written(), "25");
  panel_->SetAsString("30");  // after its window went, the panel saves nothing more
  Application()->DestroyForms();
  EXPECT_EQ(Written(), "25");
}

TEST_F(CtrlPanelTest, AFormFreedByTheProgramSavesThePanelsText) {
  form_->EndDescription();
  panel_->SetAsString("25");
  Application()->FreeComponent(form_);
  EXPECT_EQ(Written(), "25");
}

TEST_F(CtrlPanelTest, WithoutAutoSaveNothingIsWritten) {
  panel_->Ini().AutoSave = false;
  form_->EndDescription();
  panel_->SetAsString("25");
  Application()->DestroyForms();
  EXPECT_EQ(Written(), std::nullopt);
}

TEST_F(CtrlPanelTest, ACaptionAreaOfWidthZeroLeavesThePanelToTheControl) {
  panel_->SetLabelWidth(0);
  form_->EndDescription();
  EXPECT_EQ(panel_->LabelWidth(), 0);
  EXPECT_EQ(edit_->Left(), 0);
  EXPECT_EQ(edit_->Width(), 200);
}

TEST_F(CtrlPanelTest, OnlyAnEdgeAlignsTheCaptionAreaAndItsSizeIsSetAgainEitherWay) {
  form_->EndDescription();
  panel_->SetLAlign(TAlign::alTop);
  EXPECT_EQ(panel_->LAlign(), TAlign::alTop);
  EXPECT_EQ(panel_->CaptionPanel()->Height(), 18);
  EXPECT_EQ(edit_->Top(), 18);
  panel_->SetLabelHeight(10);
  EXPECT_EQ(edit_->Top(), 10);
  for (TAlign ignored : {TAlign::alNone, TAlign::alClient, TAlign::alCustom}) {
    panel_->SetLAlign(ignored);
    EXPECT_EQ(panel_->LAlign(), TAlign::alTop);
    EXPECT_EQ(panel_->CaptionPanel()->Height(), 10);
  }
  panel_->SetLAlignment(TAlignment::taRightJustify);
  EXPECT_EQ(panel_->CaptionPanel()->Alignment(), TAlignment::taRightJustify);
}

TEST_F(CtrlPanelTest, AControlShowingItsOwnNameComesInEmpty) {
  form_->EndDescription();
  // Placed into a running panel, the way a designer drops a new edit in: named after its class,
  // its text its name.
  auto* panel = NewComponent<TCtrlPanel>(*form_);
  panel->SetName("EditName");
  auto* edit = NewComponent<TEdit>(*form_);
  edit->SetName("Edit1");
  edit->SetText("Edit1");
  edit->SetParent(panel);
  EXPECT_EQ(panel->FindInnerControl(), edit);
  EXPECT_EQ(edit->Name(), "EditNameEdit");
  EXPECT_EQ(edit->Text(), "");
}

TEST_F(CtrlPanelTest, APanelWithoutItsControlHasNoTextAndKeepsNothing) {
  chain_.SetMachineValue(kSection, "EditEmpty", "stored");
  auto* empty = Describe<TCtrlPanel>(form_, "EditEmpty");
  empty->Ini().AutoSave = true;
  form_->EndDescription();
  EXPECT_EQ(empty->InnerControl(), nullptr);
  empty->SetAsString("x");
  empty->SetPanelText("x");
  EXPECT_EQ(empty->GetAsString(), "");
  EXPECT_EQ(empty->GetPanelText(), "");

  form_->FreeComponent(edit_);  // the width panel loses its control
  EXPECT_EQ(panel_->InnerControl(), nullptr);
  EXPECT_EQ(panel_->GetAsString(), "");
  Application()->DestroyForms();
  EXPECT_EQ(chain_.UserValue(kSection, "EditEmpty"), std::nullopt);
}

TEST_F(CtrlPanelTest, AControlOfAnotherOwnerIsForgottenWhenItGoes) {
  auto keeper = NewRootComponent<TComponent>();
  auto* other = NewComponent<TEdit>(*keeper);
  auto* panel = Describe<TCtrlPanel>(form_, "EditOther");
  other->SetParent(panel);
  form_->EndDescription();
  ASSERT_EQ(panel->InnerControl(), other);
  keeper.reset();  // frees the edit: no owner in common with the panel
  EXPECT_EQ(panel->InnerControl(), nullptr);
  panel->SetCaption("&O");  // would reach the freed control
  panel->SetName("EditAgain");
  EXPECT_EQ(panel->GetAsString(), "");
}

TEST_F(CtrlPanelTest, AComboBoxPanelStoresTheComboBoxsText) {
  chain_.SetMachineValue(kSection, "EditType", "Circle");
  auto* typePanel = Describe<TCtrlPanel>(form_, "EditType");
  typePanel->Ini().AutoSave = true;
  typePanel->Ini().PropName = "Text";
  typePanel->SetLabelWidth(0);
  auto* combo = Describe<TComboBox>(form_, "ComboBox1", typePanel);
  combo->AddItem("FreeLine");
  combo->AddItem("Circle");
  combo->SetText("FreeLine");
  form_->EndDescription();
  EXPECT_EQ(combo->Name(), "EditTypeComboBox");
  EXPECT_EQ(combo->Text(), "Circle");
  typePanel->SetPanelText("Rectangle");
  Application()->DestroyForms();
  EXPECT_EQ(chain_.UserValue(kSection, "EditType"), "Rectangle");
}

TEST_F(CtrlPanelTest, ACaptionThatRepeatsTheNamesTailFollowsARename) {
  form_->EndDescription();
  auto* panel = NewComponent<TCtrlPanel>(*form_);
  panel->SetName("CtrlPanel1");
  EXPECT_EQ(panel->GetCaption(), "1");
  panel->SetName("PanelWidth");
  EXPECT_EQ(panel->GetCaption(), "1");
  panel->SetCaption("Width");
  panel->SetName("PanelHeight");
  EXPECT_EQ(panel->GetCaption(), "Height");
  EXPECT_EQ(panel->AccelLabel()->GetText(), "Height");
}

}  // namespace
}  // namespace penvo
