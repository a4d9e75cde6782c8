// The toolkit's notification orders, on Qt's offscreen platform.
#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <string>
#include <vector>

#include "platform/qt/Bridge.h"
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace penvo {
namespace {

using Log = std::vector<std::string>;

// Forms made by a test go when it ends, the way the program ends.
class Toolkit : public ::testing::Test {
 protected:
  void TearDown() override { Application()->DestroyForms(); }
  template <class T = TForm>
  T* NewForm() {
    return Application()->CreateForm<T>();
  }
};

// A component that logs its loaded step and whether it was loading until then.
class Step : public TComponent {
 public:
  Step(TComponent* AOwner, Log* log, std::string label)
      : TComponent(AOwner), log_(log), label_(std::move(label)) {}
  void Loaded() override {
    log_->push_back(label_ + (IsLoading() ? " loaded" : " loaded, but was not loading"));
    TComponent::Loaded();
  }

 private:
  Log* log_;
  std::string label_;
};

TEST_F(Toolkit, AFormDescriptionLoadsItsComponentsInOrderThenRunsOnCreate) {
  Log log;
  TForm* form = NewForm();
  form->OnCreate = [&](TPersistent*) { log.push_back("OnCreate"); };
  Step* first = form->Make<Step>(&log, "first");
  form->Make<Step>(&log, "second");
  EXPECT_TRUE(first->IsLoading());
  form->EndDescription();
  EXPECT_FALSE(first->IsLoading());
  EXPECT_EQ(log, (Log{"first loaded", "second loaded", "OnCreate"}));
}

TEST_F(Toolkit, AnEditNotifiesEveryChangeOfItsTextAlsoFromTheProgram) {
  TForm* form = NewForm();
  auto* edit = NewComponent<TEdit>(*form);
  edit->SetParent(form);
  Log log;
  edit->OnChange = [&](TPersistent* sender) { log.push_back(static_cast<TEdit*>(sender)->Text()); };
  edit->SetText("abc");
  edit->SetText("abc");  // the same text: no change
  edit->SetText("");
  QTest::keyClicks(qt::WidgetOf(edit), "xy");
  EXPECT_EQ(log, (Log{"abc", "", "x", "xy"}));
}

TEST_F(Toolkit, AnEditsKeyPressMaySwallowOrReplaceTheTypedCharacter) {
  TForm* form = NewForm();
  auto* edit = NewComponent<TEdit>(*form);
  edit->SetParent(form);
  Log order;
  edit->OnKeyPress = [&](TPersistent*, char& key) {
    order.push_back(std::string(1, key));
    if (key == 'q') key = 0;
    if (key == '.') key = ',';
  };
  QTest::keyClicks(qt::WidgetOf(edit), "1q.2");
  EXPECT_EQ(edit->Text(), "1,2");
  EXPECT_EQ(order, (Log{"1", "q", ".", "2"}));
  edit->SetSelStart(1);
  edit->SetSelLength(2);
  EXPECT_EQ(edit->SelStart(), 1);
  EXPECT_EQ(edit->SelLength(), 2);
  // Delete (with X11's text DEL) is no typed character: it deletes, unasked.
  edit->SetSelStart(0);
  QTest::sendKeyEvent(QTest::Click, qt::WidgetOf(edit), Qt::Key_Delete, QString(QChar(0x7f)),
                      Qt::NoModifier);
  EXPECT_EQ(edit->Text(), ",2");
  EXPECT_EQ(order.size(), 4u);
}

TEST_F(Toolkit, AComboBoxNotifiesTypingAndChoicesButNotTheProgramsText) {
  TForm* form = NewForm();
  auto* combo = NewComponent<TComboBox>(*form);
  combo->SetParent(form);
  combo->AddItem("FreeLine");
  combo->AddItem("Line");
  Log log;
  combo->OnChange = [&](TPersistent*) { log.push_back(combo->Text()); };
  combo->SetText("Rectangle");
  EXPECT_EQ(combo->Text(), "Rectangle");
  EXPECT_TRUE(log.empty());
  auto* qcombo = static_cast<QComboBox*>(qt::WidgetOf(combo));
  qcombo->lineEdit()->clear();
  QTest::keyClicks(qcombo->lineEdit(), "El");
  EXPECT_EQ(log, (Log{"E", "El"}));
  log.clear();
  emit qcombo->activated(1);  // what a choice from the list raises
  EXPECT_EQ(log.size(), 1u);
  EXPECT_EQ(combo->Items(), (std::vector<std::string>{"FreeLine", "Line"}));
}

TEST_F(Toolkit, ACheckBoxClicksOnEveryChangeOfStateIncludingTheProgramsOwn) {
  TForm* form = NewForm();
  auto* box = NewComponent<TCheckBox>(*form);
  box->SetParent(form);
  Log log;
  box->OnClick = [&](TPersistent*) { log.push_back(std::to_string(int(box->State()))); };
  box->SetChecked(true);
  box->SetChecked(true);
  box->SetState(TCheckBoxState::cbGrayed);
  box->SetChecked(false);
  box->ClicksDisabled = true;
  box->SetChecked(true);
  EXPECT_EQ(log, (Log{"1", "2", "0"}));
  EXPECT_TRUE(box->Checked());
}

TEST_F(Toolkit, OwnerAndParentAreDifferentThings) {
  TForm* form = NewForm();
  auto* bar = NewComponent<TToolBar>(*form);
  bar->SetParent(form);
  auto* box = NewComponent<TCheckBox>(*form);  // owned by the form, placed in the tool bar
  box->SetParent(bar);
  EXPECT_EQ(box->Owner(), form);
  EXPECT_EQ(box->Parent(), bar);
  form->FreeComponent(bar);
  EXPECT_EQ(box->Parent(), nullptr);  // it lives on with its owner
  EXPECT_EQ(form->FindComponent(""), nullptr);
  EXPECT_EQ(form->ComponentCount(), 1);
}

TEST_F(Toolkit, ALabelForgetsItsFocusControlWhenThatGoes) {
  TForm* form = NewForm();
  auto* edit = NewComponent<TEdit>(*form);
  auto* label = NewComponent<TLabel>(*form);
  label->SetFocusControl(edit);
  form->FreeComponent(edit);
  EXPECT_EQ(label->FocusControl(), nullptr);
}

TEST_F(Toolkit, ChildrenWithoutWindowsComeFirstThenWindowedOnesInPlacementOrder) {
  TForm* form = NewForm();
  auto* panel = NewComponent<TPanel>(*form);
  auto* edit = NewComponent<TEdit>(*form);
  auto* label = NewComponent<TLabel>(*form);
  auto* inner = NewComponent<TPanel>(*form);
  auto* label2 = NewComponent<TLabel>(*form);
  for (TControl* c : std::vector<TControl*>{inner, edit, label, label2}) c->SetParent(panel);
  ASSERT_EQ(panel->ControlCount(), 4);
  EXPECT_EQ(panel->Controls(0), label);
  EXPECT_EQ(panel->Controls(1), label2);
  EXPECT_EQ(panel->Controls(2), inner);
  EXPECT_EQ(panel->Controls(3), edit);
}

TEST_F(Toolkit, AlignedChildrenShareTheRoomEdgesFirst) {
  TForm* form = NewForm();
  auto* panel = NewComponent<TPanel>(*form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, 100, 40);
  auto* client = NewComponent<TEdit>(*form);
  client->SetAlign(TAlign::alClient);
  client->SetParent(panel);
  auto* left = NewComponent<TPanel>(*form);
  left->SetWidth(30);
  left->SetAlign(TAlign::alLeft);
  left->SetParent(panel);
  EXPECT_EQ((TRect{left->Left(), left->Top(), left->Width(), left->Height()}),
            (TRect{0, 0, 30, 40}));
  EXPECT_EQ((TRect{client->Left(), client->Top(), client->Width(), client->Height()}),
            (TRect{30, 0, 70, 40}));
  left->SetWidth(20);
  EXPECT_EQ(client->Left(), 20);
  panel->SetWidth(200);
  EXPECT_EQ(client->Width(), 180);
}

TEST_F(Toolkit, AToolBarLaysItsControlsOutLeftToRight) {
  TForm* form = NewForm();
  auto* bar = NewComponent<TToolBar>(*form);
  bar->SetParent(form);
  bar->SetAlign(TAlign::alTop);
  bar->SetButtonHeight(20);
  bar->SetAutoSize(true);
  auto* a = NewComponent<TPanel>(*form);
  a->SetBounds(0, 0, 25, 20);
  a->SetParent(bar);
  auto* sep = NewComponent<TToolButton>(*form);
  sep->SetStyle(TToolButtonStyle::tbsSeparator);
  sep->SetWidth(8);
  sep->SetParent(bar);
  auto* combo = NewComponent<TComboBox>(*form);
  combo->SetBounds(0, 0, 77, 21);
  combo->SetParent(bar);
  EXPECT_EQ(a->Left(), 0);
  EXPECT_EQ(sep->Left(), 25);
  EXPECT_EQ(sep->Height(), 20);
  EXPECT_EQ(combo->Left(), 33);
  EXPECT_EQ(bar->Height(), 21);
  // Borders on all edges: a raised inner and a lowered outer line take two pixels each, lines
  // of no style take none.
  bar->SetEdgeBorders(true, true, true, true);
  EXPECT_EQ(a->Left(), 2);
  EXPECT_EQ(a->Top(), 2);
  EXPECT_EQ(bar->Height(), 25);
  bar->SetEdgeStyles(TEdgeStyle::esNone, TEdgeStyle::esRaised);
  EXPECT_EQ(a->Left(), 1);
  EXPECT_EQ(bar->Height(), 23);
  bar->SetEdgeStyles(TEdgeStyle::esNone, TEdgeStyle::esNone);
  EXPECT_EQ(a->Left(), 0);
  EXPECT_EQ(bar->Height(), 21);
}

TEST_F(Toolkit, HintsAndColoursFollowTheParentUntilSetDirectly) {
  TForm* form = NewForm();
  auto* bar = NewComponent<TToolBar>(*form);
  bar->SetParent(form);
  auto* panel = NewComponent<TPanel>(*form);
  panel->SetHint("Yellow");
  panel->SetParent(bar);
  EXPECT_EQ(panel->EffectiveToolTip(), "");
  bar->SetShowHint(true);
  EXPECT_EQ(panel->EffectiveToolTip(), "Yellow");
  panel->SetShowHint(false);
  EXPECT_FALSE(panel->ParentShowHint());
  EXPECT_EQ(panel->EffectiveToolTip(), "");
  panel->SetParentShowHint(true);
  EXPECT_EQ(panel->EffectiveToolTip(), "Yellow");

  auto* caption = NewComponent<TPanel>(*form);
  caption->SetParent(panel);
  caption->SetParentColor(true);
  panel->SetColor(clYellow);
  EXPECT_EQ(caption->Color(), clYellow);
  caption->SetColor(clRed);
  EXPECT_FALSE(caption->ParentColor());
  panel->SetColor(clAqua);
  EXPECT_EQ(caption->Color(), clRed);
}

// An edit that logs when its window goes.
class LoggingEdit : public TEdit {
 public:
  LoggingEdit(TComponent* AOwner, Log* log, std::string label)
      : TEdit(AOwner), log_(log), label_(std::move(label)) {}
  void Destroy() override {
    log_->push_back(label_ + " destroyed");
    TEdit::Destroy();
  }

 protected:
  void DestroyWnd() override { log_->push_back(label_ + " window destroyed"); }

 private:
  Log* log_;
  std::string label_;
};

TEST_F(Toolkit, FormsGoNewestFirstEachTellingItsControlsTheirWindowsGoFirst) {
  Log log;
  TForm* main = NewForm();
  auto* a = NewComponent<LoggingEdit>(*main, &log, "main edit");
  a->SetParent(main);
  main->OnDestroy = [&](TPersistent*) { log.push_back("main OnDestroy"); };
  TForm* options = NewForm();
  auto* b = NewComponent<LoggingEdit>(*options, &log, "options edit");
  b->SetParent(options);
  options->OnDestroy = [&](TPersistent*) { log.push_back("options OnDestroy"); };
  EXPECT_EQ(Application()->MainForm(), main);
  Application()->DestroyForms();
  EXPECT_EQ(log,
            (Log{"options edit window destroyed", "options OnDestroy", "options edit destroyed",
                 "main edit window destroyed", "main OnDestroy", "main edit destroyed"}));
  EXPECT_EQ(Application()->MainForm(), nullptr);
}

TEST_F(Toolkit, ALabelsAcceleratorFocusesItsControl) {
  TForm* form = NewForm();
  auto* first = NewComponent<TEdit>(*form);
  first->SetParent(form);
  auto* target = NewComponent<TEdit>(*form);
  target->SetBounds(0, 30, 50, 20);
  target->SetParent(form);
  auto* label = NewComponent<TLabel>(*form);
  label->SetParent(form);
  label->SetText("&W");
  label->SetFocusControl(target);
  form->Show();
  QApplication::setActiveWindow(qt::WidgetOf(form));
  first->SetFocus();
  ASSERT_TRUE(first->Focused());
  QTest::keyClick(qt::WidgetOf(form), Qt::Key_W, Qt::AltModifier);
  EXPECT_TRUE(target->Focused());
}

TEST_F(Toolkit, AFormReceivesTypedCharactersTheWayTheKeyCommandsNeedThem) {
  TForm* form = NewForm();
  std::string typed;
  form->OnKeyPress = [&](TPersistent*, char& key) { typed += key; };
  form->Show();
  QWidget* w = qt::WidgetOf(form);
  w->setFocus();
  QTest::keyClick(w, Qt::Key_A);
  QTest::keyClick(w, 'A');
  QTest::keyClick(w, Qt::Key_Tab);
  QTest::keyClick(w, Qt::Key_Backspace);
  QTest::keyClick(w, Qt::Key_Backspace, Qt::ControlModifier);
  QTest::keyClick(w, Qt::Key_Return);
  QTest::keyClick(w, Qt::Key_Escape);
  QTest::keyClick(w, Qt::Key_Space);
  QTest::keyClick(w, Qt::Key_F5);  // types nothing
  // Delete types nothing either, although X11 gives it the text DEL.
  QTest::sendKeyEvent(QTest::Click, w, Qt::Key_Delete, QString(QChar(0x7f)), Qt::NoModifier);
  EXPECT_EQ(typed, std::string("aA\t\b\x7f\r\x1b "));
}

TEST_F(Toolkit, TheRightButtonsReleaseEndsAGestureAndThenAsksForTheContextMenu) {
  TForm* form = NewForm();
  Log log;
  form->OnMouseDown = [&](TPersistent*, TMouseButton b, TShiftState s, int x, int y) {
    log.push_back("down " + std::to_string(int(b)) + (s.Shift ? " shift" : "") + " " +
                  std::to_string(x) + "," + std::to_string(y));
  };
  form->OnMouseUp = [&](TPersistent*, TMouseButton b, TShiftState, int, int) {
    log.push_back("up " + std::to_string(int(b)));
  };
  form->OnContextPopup = [&](TPersistent*, TPoint, bool&) { log.push_back("popup"); };
  form->Show();
  QTest::mousePress(qt::WidgetOf(form), Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 6));
  QTest::mousePress(qt::WidgetOf(form), Qt::RightButton, Qt::NoModifier, QPoint(7, 8));
  QTest::mouseRelease(qt::WidgetOf(form), Qt::RightButton, Qt::NoModifier, QPoint(7, 8));
  EXPECT_EQ(log, (Log{"down 0 shift 5,6", "down 1 7,8", "up 1", "popup"}));
}

TEST_F(Toolkit, AFormPaintsItsSurfaceWithTheEraseAndPaintHooks) {
  class Painted : public TForm {
   public:
    using TForm::TForm;
    void Paint() override {
      Canvas().Pen().Color = clRed;
      Canvas().Pen().Width = 3;
      Canvas().MoveTo(0, 5);
      Canvas().LineTo(50, 5);
      ++paints;
    }
    int paints = 0;
  };
  auto* form = NewForm<Painted>();
  form->SetColor(clBlue);
  form->SetBounds(10, 10, 60, 40);
  form->Show();
  EXPECT_EQ(form->paints, 1);
  EXPECT_EQ(form->Surface().Row(5)[20] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(form->Surface().Row(20)[20] & 0xFFFFFF, 0x0000FFu);
  form->Show();  // already visible: no new picture
  EXPECT_EQ(form->paints, 1);
  form->Invalidate();
  EXPECT_EQ(form->paints, 2);
}

}  // namespace
}  // namespace penvo
