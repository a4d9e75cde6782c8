// The toolkit's rules, the same tests on both toolkits (Qt on its offscreen platform, Win32
// under Wine): notifications, child order, layout, inherited looks, forms and timers, driven
// through the toolkit's API and the input of tests/support/TestInput.h only.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"
#include "tests/support/TestInput.h"
#include "tests/support/TestScreen.h"

namespace penvo {
namespace {

using Log = std::vector<std::string>;
using test::TypeChar;
using test::TypeText;

// Handles events until Done is true or DeadlineMs passed; returns Done().
bool WaitFor(const std::function<bool()>& Done, int DeadlineMs = 3000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(DeadlineMs);
  while (!Done() && std::chrono::steady_clock::now() < end) Application()->ProcessMessages();
  return Done();
}

// A control's place and size.
struct Box {
  int Left, Top, Width, Height;
  bool operator==(const Box&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "{" << b.Left << ", " << b.Top << ", " << b.Width << " x " << b.Height << "}";
}
Box BoundsOf(const TControl* c) {
  return {c->Left(), c->Top(), c->Width(), c->Height()};
}

// Forms made by a test go when it ends, the way the program ends. The first form a test makes
// is the main form: closing it would end the message loop for all later tests.
class ToolkitRules : public ::testing::Test {
 protected:
  void TearDown() override { Application()->DestroyForms(); }
  template <class T = TForm>
  T* NewForm() {
    return Application()->CreateForm<T>();
  }
  // A control of class T owned by the form and placed in Parent (the form itself by default).
  template <class T>
  static T* Add(TForm* Form, TWinControl* Parent = nullptr) {
    T* c = NewComponent<T>(*Form);
    c->SetParent(Parent ? Parent : Form);
    return c;
  }
  Log steps;  // outlives the forms, which may still log as they go
};

// --- edits ---

TEST_F(ToolkitRules, AnEditTellsOfEveryDifferentTextTypedOrSet) {
  TForm* form = NewForm();
  auto* edit = Add<TEdit>(form);
  Log log;
  edit->OnChange = [&](TPersistent* sender) { log.push_back(static_cast<TEdit*>(sender)->Text()); };
  edit->SetText("abc");
  edit->SetText("abc");  // the same text: no change
  edit->SetText("");
  TypeText(edit, "xy");
  TypeChar(edit, '\b');
  EXPECT_EQ(log, (Log{"abc", "", "x", "xy", "x"}));
  EXPECT_EQ(edit->Text(), "x");
}

TEST_F(ToolkitRules, AnEditsKeyPressSeesEveryTypedCharacterAndMayReplaceOrSwallowIt) {
  TForm* form = NewForm();
  auto* edit = Add<TEdit>(form);
  Log keys;
  int changes = 0;
  edit->OnChange = [&](TPersistent*) { ++changes; };
  edit->OnKeyPress = [&](TPersistent* sender, char& key) {
    EXPECT_EQ(sender, edit);
    keys.push_back(std::string(1, key));
    if (key == 'q') key = 0;
    if (key == '.') key = ',';
  };
  TypeText(edit, "1q.2");
  EXPECT_EQ(edit->Text(), "1,2");
  EXPECT_EQ(keys, (Log{"1", "q", ".", "2"}));
  EXPECT_EQ(changes, 3);           // the swallowed character changed nothing
  EXPECT_EQ(edit->SelStart(), 3);  // the caret follows the typing
  EXPECT_EQ(edit->SelLength(), 0);
}

TEST_F(ToolkitRules, AnEditsSelectionIsWhatTypingReplaces) {
  TForm* form = NewForm();
  auto* edit = Add<TEdit>(form);
  edit->SetText("abcdef");
  edit->SetSelStart(1);
  edit->SetSelLength(3);
  EXPECT_EQ(edit->SelStart(), 1);
  EXPECT_EQ(edit->SelLength(), 3);
  TypeChar(edit, 'X');
  EXPECT_EQ(edit->Text(), "aXef");
  EXPECT_EQ(edit->SelStart(), 2);
  EXPECT_EQ(edit->SelLength(), 0);
  // A replaced character replaces the selection too.
  edit->OnKeyPress = [](TPersistent*, char& key) { key = '-'; };
  edit->SetSelStart(0);
  edit->SetSelLength(2);
  TypeChar(edit, '+');
  EXPECT_EQ(edit->Text(), "-ef");
  // Setting the caret ends the selection; places beyond the text are its end.
  edit->SetSelStart(1);
  EXPECT_EQ(edit->SelLength(), 0);
  edit->SetSelStart(0);
  edit->SetSelStart(99);
  EXPECT_EQ(edit->SelStart(), 3);
  edit->SetSelStart(1);
  edit->SetSelLength(-2);  // nothing selected
  EXPECT_EQ(edit->SelStart(), 1);
  EXPECT_EQ(edit->SelLength(), 0);
}

// --- combo boxes ---

TEST_F(ToolkitRules, AComboBoxTellsOfTypingButNotOfTheProgramsTextOrItems) {
  TForm* form = NewForm();
  auto* combo = Add<TComboBox>(form);
  Log log;
  combo->OnChange = [&](TPersistent*) { log.push_back(combo->Text()); };
  combo->AddItem("FreeLine");  // the first item does not become the text
  EXPECT_EQ(combo->Text(), "");
  combo->SetText("Rectangle");
  combo->AddItem("Line");
  EXPECT_EQ(combo->Text(), "Rectangle");
  EXPECT_EQ(combo->Items(), (std::vector<std::string>{"FreeLine", "Line"}));
  combo->ClearItems();
  EXPECT_EQ(combo->Text(), "Rectangle");
  EXPECT_TRUE(combo->Items().empty());
  combo->SetText("");
  EXPECT_TRUE(log.empty());
  TypeText(combo, "El");
  EXPECT_EQ(log, (Log{"E", "El"}));
  EXPECT_EQ(combo->Text(), "El");
}

// --- check boxes ---

std::string StateName(TCheckBoxState s) {
  return s == TCheckBoxState::cbChecked  ? "checked"
         : s == TCheckBoxState::cbGrayed ? "grayed"
                                         : "unchecked";
}

TEST_F(ToolkitRules, ACheckBoxClicksOnceForEveryChangeOfStateThatTheProgramMakes) {
  TForm* form = NewForm();
  auto* box = Add<TCheckBox>(form);
  Log log;
  box->OnClick = [&](TPersistent*) { log.push_back(StateName(box->State())); };
  box->SetChecked(true);
  box->SetChecked(true);                    // no change
  box->SetState(TCheckBoxState::cbGrayed);  // also where the user may not gray it
  box->SetState(TCheckBoxState::cbGrayed);
  box->SetChecked(false);
  box->ClicksDisabled = true;
  box->SetChecked(true);
  EXPECT_EQ(log, (Log{"checked", "grayed", "unchecked"}));
  EXPECT_TRUE(box->Checked());
  test::ClickCheckBox(box);  // the user's clicks are quiet too
  EXPECT_EQ(log.size(), 3u);
  EXPECT_EQ(box->State(), TCheckBoxState::cbUnchecked);
}

TEST_F(ToolkitRules, AUsersClickCyclesThroughGrayedOnlyWhereTheBoxAllowsIt) {
  using enum TCheckBoxState;
  struct Case {
    bool allowGrayed;
    TCheckBoxState from;
    std::vector<TCheckBoxState> clicks;  // the state after each click
  };
  const Case cases[] = {
      {false, cbUnchecked, {cbChecked, cbUnchecked, cbChecked}},
      {true, cbUnchecked, {cbGrayed, cbChecked, cbUnchecked, cbGrayed}},
      {false, cbGrayed, {cbChecked, cbUnchecked}},  // grayed by the program
  };
  TForm* form = NewForm();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.allowGrayed ? "grayed allowed" : "grayed not allowed") + ", from " +
                 StateName(c.from));
    auto* box = Add<TCheckBox>(form);
    box->SetAllowGrayed(c.allowGrayed);
    box->SetState(c.from);
    Log log, expected;
    box->OnClick = [&](TPersistent*) { log.push_back(StateName(box->State())); };
    for (TCheckBoxState s : c.clicks) {
      test::ClickCheckBox(box);
      expected.push_back(StateName(s));
    }
    EXPECT_EQ(log, expected);
  }
}

// --- panels ---

TEST_F(ToolkitRules, APanelClicksForALeftPressAndReleaseOverIt) {
  TForm* form = NewForm();
  form->Show();
  auto* panel = Add<TPanel>(form);
  panel->SetBounds(10, 10, 40, 30);
  panel->SetCaption("Yellow");
  panel->SetColor(clYellow);
  panel->SetTag(6);
  EXPECT_EQ(panel->Caption(), "Yellow");
  EXPECT_EQ(panel->Color(), clYellow);
  std::vector<int> clicked;  // the tag of each click's sender, as the colour buttons read it
  panel->OnClick = [&](TPersistent* sender) {
    clicked.push_back(static_cast<TComponent*>(sender)->Tag());
  };
  test::LeftPress(panel, 5, 5);
  test::LeftRelease(panel, 6, 7);
  EXPECT_EQ(clicked, (std::vector<int>{6}));
  test::LeftPress(panel, 5, 5);
  test::LeftRelease(panel, 45, 7);  // released beside it: no click
  test::LeftRelease(panel, 6, 7);   // a release without a press
  EXPECT_EQ(clicked.size(), 1u);
}

// --- labels ---

TEST_F(ToolkitRules, ALabelsAcceleratorGivesItsFocusControlTheKeyboard) {
  for (bool captionFirst : {true, false}) {
    SCOPED_TRACE(captionFirst ? "caption first" : "focus control first");
    TForm* form = NewForm();
    auto* first = Add<TEdit>(form);
    auto* target = Add<TEdit>(form);
    target->SetBounds(0, 30, 50, 20);
    auto* label = Add<TLabel>(form);
    label->SetTop(60);
    if (captionFirst) label->SetText("&Width");
    label->SetFocusControl(target);
    if (!captionFirst) label->SetText("&Width");
    form->Show();
    first->SetFocus();
    ASSERT_TRUE(WaitFor([&] { return first->Focused(); }));
    test::PressAlt(form, 'x');  // no such accelerator; and Alt with a letter types nothing
    EXPECT_TRUE(first->Focused());
    EXPECT_EQ(first->Text(), "");
    test::PressAlt(form, 'w');
    EXPECT_TRUE(WaitFor([&] { return target->Focused(); }));
    Application()->DestroyForms();
  }
}

TEST_F(ToolkitRules, ALabelForgetsItsFocusControlWhenThatGoes) {
  TForm* form = NewForm();
  auto* first = Add<TEdit>(form);
  auto* target = Add<TEdit>(form);
  auto* label = Add<TLabel>(form);
  label->SetText("&W");
  label->SetFocusControl(target);
  form->Show();
  first->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return first->Focused(); }));
  form->FreeComponent(target);
  EXPECT_EQ(label->FocusControl(), nullptr);
  test::PressAlt(form, 'w');  // leads nowhere now
  EXPECT_TRUE(first->Focused());
}

// --- children and layout ---

TEST_F(ToolkitRules, ChildrenWithoutWindowsComeFirstThenWindowedOnesEachInPlacementOrder) {
  TForm* form = NewForm();
  auto* panel = Add<TPanel>(form);
  auto* inner = NewComponent<TPanel>(*form);
  auto* edit = NewComponent<TEdit>(*form);
  auto* label = NewComponent<TLabel>(*form);
  auto* separator = NewComponent<TToolButton>(*form);
  for (TControl* c : std::vector<TControl*>{inner, edit, label, separator}) c->SetParent(panel);
  const auto children = [&] {
    std::vector<TControl*> out;
    for (int i = 0; i < panel->ControlCount(); ++i) out.push_back(panel->Controls(i));
    return out;
  };
  EXPECT_EQ(children(), (std::vector<TControl*>{label, separator, inner, edit}));
  // Placed again: last in its group.
  inner->SetParent(nullptr);
  label->SetParent(nullptr);
  EXPECT_EQ(children(), (std::vector<TControl*>{separator, edit}));
  inner->SetParent(panel);
  label->SetParent(panel);
  EXPECT_EQ(children(), (std::vector<TControl*>{separator, label, edit, inner}));
  EXPECT_EQ(panel->Controls(4), nullptr);
}

TEST_F(ToolkitRules, AlignedChildrenShareAFormsClientAreaEdgesFirstThenTheRest) {
  TForm* form = NewForm();
  form->SetBounds(20, 20, 300, 200);
  form->Show();
  // Placed in another order than they are laid out in.
  auto* client = Add<TPanel>(form);
  client->SetAlign(TAlign::alClient);
  auto* right = Add<TPanel>(form);
  right->SetWidth(17);
  right->SetAlign(TAlign::alRight);
  auto* hidden = Add<TPanel>(form);  // takes no room
  hidden->SetVisible(false);
  hidden->SetAlign(TAlign::alLeft);
  auto* left = Add<TPanel>(form);
  left->SetWidth(15);
  left->SetAlign(TAlign::alLeft);
  auto* bottom = Add<TEdit>(form);
  bottom->SetHeight(12);
  bottom->SetAlign(TAlign::alBottom);
  auto* top = Add<TPanel>(form);
  top->SetHeight(10);
  top->SetAlign(TAlign::alTop);
  const auto expectLayout = [&] {
    const TRect room = form->ClientRect();
    const int w = room.Width(), h = room.Height();
    ASSERT_GT(w, 60);
    ASSERT_GT(h, 40);
    EXPECT_EQ(BoundsOf(top), (Box{0, 0, w, 10}));
    EXPECT_EQ(BoundsOf(bottom), (Box{0, h - 12, w, 12}));
    EXPECT_EQ(BoundsOf(left), (Box{0, 10, 15, h - 22}));
    EXPECT_EQ(BoundsOf(right), (Box{w - 17, 10, 17, h - 22}));
    EXPECT_EQ(BoundsOf(client), (Box{15, 10, w - 32, h - 22}));
  };
  {
    SCOPED_TRACE("placed");
    expectLayout();
  }
  // The window grows: the layout follows.
  const int wide = form->ClientRect().Width();
  form->SetBounds(20, 20, 360, 240);
  ASSERT_TRUE(WaitFor([&] { return form->ClientRect().Width() > wide; }));
  WaitFor([&] { return client->Width() == form->ClientRect().Width() - 32; });
  {
    SCOPED_TRACE("resized");
    expectLayout();
  }
}

TEST_F(ToolkitRules, AToolBarLaysItsControlsOutLeftToRightAndFitsTheTallest) {
  TForm* form = NewForm();
  auto* bar = Add<TToolBar>(form);
  bar->SetAlign(TAlign::alTop);
  bar->SetButtonHeight(20);
  bar->SetAutoSize(true);
  auto* colour = Add<TPanel>(form, bar);
  colour->SetBounds(0, 0, 25, 18);
  auto* separator = NewComponent<TToolButton>(*form);
  separator->SetStyle(TToolButtonStyle::tbsSeparator);
  separator->SetWidth(8);
  separator->SetParent(bar);
  auto* hidden = Add<TPanel>(form, bar);
  hidden->SetWidth(50);
  hidden->SetVisible(false);
  auto* combo = Add<TComboBox>(form, bar);
  combo->SetBounds(0, 0, 77, 21);
  EXPECT_EQ(BoundsOf(colour), (Box{0, 0, 25, 18}));
  EXPECT_EQ(BoundsOf(separator), (Box{25, 0, 8, 20}));  // buttons take ButtonHeight
  EXPECT_EQ(BoundsOf(combo), (Box{33, 0, 77, 21}));
  EXPECT_EQ(bar->Height(), 21);
  EXPECT_EQ(bar->Width(), form->ClientRect().Width());
  bar->SetButtonHeight(30);
  EXPECT_EQ(separator->Height(), 30);
  EXPECT_EQ(bar->Height(), 30);
  hidden->SetVisible(true);
  EXPECT_EQ(hidden->Left(), 33);
  EXPECT_EQ(combo->Left(), 83);
}

TEST_F(ToolkitRules, ColoursAndHintFlagsFollowTheParentUntilSetDirectly) {
  TForm* form = NewForm();
  auto* bar = Add<TToolBar>(form);
  auto* panel = Add<TPanel>(form, bar);
  panel->SetParentColor(true);
  auto* caption = Add<TPanel>(form, panel);
  caption->SetParentColor(true);
  caption->SetHint("Yellow");
  EXPECT_EQ(caption->EffectiveToolTip(), "");
  bar->SetShowHint(true);  // through the panel, which follows too
  EXPECT_TRUE(panel->ParentShowHint());
  EXPECT_EQ(caption->EffectiveToolTip(), "Yellow");
  panel->SetShowHint(false);
  EXPECT_FALSE(panel->ParentShowHint());
  EXPECT_EQ(caption->EffectiveToolTip(), "");
  bar->SetShowHint(true);
  EXPECT_EQ(caption->EffectiveToolTip(), "");
  caption->SetShowHint(true);
  EXPECT_EQ(caption->EffectiveToolTip(), "Yellow");
  caption->SetParentShowHint(true);  // follows again, and takes the parent's now
  EXPECT_EQ(caption->EffectiveToolTip(), "");

  bar->SetColor(clAqua);
  EXPECT_EQ(caption->Color(), clAqua);
  caption->SetColor(clRed);
  EXPECT_FALSE(caption->ParentColor());
  bar->SetColor(clYellow);
  EXPECT_EQ(panel->Color(), clYellow);
  EXPECT_EQ(caption->Color(), clRed);
  caption->SetParentColor(true);
  EXPECT_EQ(caption->Color(), clYellow);
  // A child placed later takes its new parent's colour.
  auto* later = NewComponent<TPanel>(*form);
  later->SetParentColor(true);
  later->SetParent(caption);
  EXPECT_EQ(later->Color(), clYellow);
}

// --- forms ---

// A form that logs its hooks and paints a red line across its top.
class PaintingForm : public TForm {
 public:
  using TForm::TForm;
  void EraseBackground() override {
    hooks.push_back("erase");
    TForm::EraseBackground();
  }
  void Paint() override {
    hooks.push_back("paint");
    Canvas().Pen().Color = clRed;
    Canvas().Pen().Width = 3;
    Canvas().MoveTo(0, 5);
    Canvas().LineTo(50, 5);
  }
  std::uint32_t At(int X, int Y) const { return Surface().Row(Y)[X] & 0xFFFFFF; }
  Log hooks;
};

TEST_F(ToolkitRules, AShownFormsSurfaceGetsItsBackgroundThenItsPicture) {
  auto* form = NewForm<PaintingForm>();
  form->SetColor(clBlue);
  form->SetBounds(10, 10, 160, 120);
  form->Show();
  EXPECT_EQ(form->hooks, (Log{"erase", "paint"}));
  // One pixel of the surface for each pixel of the screen, at any scale of the desktop (the
  // client rectangle is rounded to whole pixels of the form's own).
  const TRect client = form->ClientRect();
  const double scale = test::DeviceScale(form);
  EXPECT_NEAR(form->Surface().Width, client.Width() * scale, scale / 2);
  EXPECT_NEAR(form->Surface().Height, client.Height() * scale, scale / 2);
  EXPECT_EQ(form->At(20, 5), 0xFF0000u);
  EXPECT_EQ(form->At(20, 30), 0x0000FFu);
  form->Show();  // already shown: no new picture
  EXPECT_EQ(form->hooks.size(), 2u);
  form->Invalidate();
  EXPECT_EQ(form->hooks, (Log{"erase", "paint", "erase", "paint"}));
  // Drawing on the canvas at any time lands on the surface.
  form->Canvas().FillRect({30, 40, 60, 70}, clLime);
  EXPECT_EQ(form->At(45, 55), 0x00FF00u);
  EXPECT_EQ(form->At(20, 30), 0x0000FFu);
}

TEST_F(ToolkitRules, CloseHidesAFormThatIsNotTheMainOneAndEveryShowRunsOnShowOnce) {
  TForm* main = NewForm();
  TForm* options = NewForm();
  ASSERT_EQ(Application()->MainForm(), main);
  int shows = 0;
  options->OnShow = [&](TPersistent*) { ++shows; };
  options->Show();
  options->Show();
  EXPECT_TRUE(options->IsVisible());
  EXPECT_EQ(shows, 1);
  options->Close();
  EXPECT_FALSE(options->IsVisible());
  EXPECT_EQ(Application()->MainForm(), main);
  options->SetVisible(true);
  EXPECT_EQ(shows, 2);
  options->Hide();
  options->Hide();
  options->Show();
  EXPECT_EQ(shows, 3);
  EXPECT_FALSE(main->IsVisible());
}

// A panel that logs its window's steps and the end of its life.
class LoggingPanel : public TPanel {
 public:
  LoggingPanel(TComponent* AOwner, Log* log, std::string label)
      : TPanel(AOwner), log_(log), label_(std::move(label)) {}
  void Destroy() override {
    log_->push_back(label_ + " destroyed");
    TPanel::Destroy();
  }

 protected:
  void DestroyWnd() override { log_->push_back(label_ + " window destroyed"); }
  void CreateWnd() override { log_->push_back(label_ + " window created"); }

 private:
  Log* log_;
  std::string label_;
};

TEST_F(ToolkitRules, WindowsGoChildrenFirstAndComeBackParentFirst) {
  TForm* form = NewForm();
  auto* outer = NewComponent<LoggingPanel>(*form, &steps, "outer");
  outer->SetParent(form);
  auto* inner = NewComponent<LoggingPanel>(*form, &steps, "inner");
  inner->SetParent(outer);
  auto* sibling = NewComponent<LoggingPanel>(*form, &steps, "sibling");
  sibling->SetParent(outer);
  outer->DestroyHandle();
  EXPECT_FALSE(inner->HandleAllocated());
  outer->DestroyHandle();  // already gone: nothing more
  EXPECT_EQ(steps,
            (Log{"inner window destroyed", "sibling window destroyed", "outer window destroyed"}));
  steps.clear();
  outer->CreateHandle();
  outer->CreateHandle();
  EXPECT_EQ(steps, (Log{"outer window created", "inner window created", "sibling window created"}));
  EXPECT_TRUE(sibling->HandleAllocated());
}

TEST_F(ToolkitRules, FormsGoNewestFirstEachAfterItsControlsWindowsWent) {
  TForm* main = NewForm();
  auto* a = NewComponent<LoggingPanel>(*main, &steps, "main panel");
  a->SetParent(main);
  main->OnDestroy = [&](TPersistent*) { steps.push_back("main OnDestroy"); };
  main->Show();
  TForm* options = NewForm();
  auto* b = NewComponent<LoggingPanel>(*options, &steps, "options panel");
  b->SetParent(options);
  options->OnDestroy = [&](TPersistent*) { steps.push_back("options OnDestroy"); };
  options->Show();
  Application()->DestroyForms();
  EXPECT_EQ(steps,
            (Log{"options panel window destroyed", "options OnDestroy", "options panel destroyed",
                 "main panel window destroyed", "main OnDestroy", "main panel destroyed"}));
  EXPECT_EQ(Application()->MainForm(), nullptr);
  EXPECT_TRUE(Application()->Forms().empty());
}

// --- timers ---

TEST_F(ToolkitRules, ATimerTicksEveryIntervalWhileEnabled) {
  TForm* form = NewForm();
  auto* pace = NewComponent<TTimer>(*form);  // enabled from its creation on
  EXPECT_EQ(pace->Interval(), 1000);
  pace->SetInterval(10);
  auto* idle = NewComponent<TTimer>(*form);
  idle->SetEnabled(false);
  idle->SetInterval(5);
  int paceTicks = 0, idleTicks = 0;
  pace->OnTimer = [&](TPersistent* sender) {
    EXPECT_EQ(sender, pace);
    ++paceTicks;
  };
  idle->OnTimer = [&](TPersistent*) { ++idleTicks; };
  ASSERT_TRUE(WaitFor([&] { return paceTicks >= 5; }));
  EXPECT_EQ(idleTicks, 0);
  idle->SetEnabled(true);
  pace->SetEnabled(false);
  const int paused = paceTicks;
  EXPECT_TRUE(WaitFor([&] { return idleTicks >= 5; }));
  EXPECT_EQ(paceTicks, paused);
  idle->SetInterval(0);  // no interval: stopped
  const int stopped = idleTicks;
  pace->SetEnabled(true);
  ASSERT_TRUE(WaitFor([&] { return paceTicks >= paused + 3; }));
  EXPECT_EQ(idleTicks, stopped);
}

// The store chain's error box: its title, icon, text and buttons, and how each answer ends it.
TEST_F(ToolkitRules, TheWriteErrorBoxOffersCancelAndYesToAllWithoutADefault) {
  const std::string text = "Unable to write to x\r\nStop showing errors?";
  {
    const test::BoxWatcher escape;
    EXPECT_EQ(Application()->ShowWriteError(text), TErrorAnswer::Cancel);
    ASSERT_EQ(escape.Seen().size(), 1u);
    const test::TBoxSeen& box = escape.Seen()[0];
    EXPECT_EQ(box.Title, "Error");
    EXPECT_EQ(box.Text, text);
    EXPECT_TRUE(box.ErrorIcon);
    EXPECT_FALSE(box.HasDefault);
    EXPECT_EQ(box.Buttons, (std::vector<std::string>{"Cancel", "Yes to &All"}));
    EXPECT_TRUE(box.TextsFit) << "a caption or the text is cut off";
  }
  for (const char* button : {"Yes to &All", "Cancel"}) {
    const test::BoxWatcher click({button});
    EXPECT_EQ(Application()->ShowWriteError("m"),
              std::string(button) == "Cancel" ? TErrorAnswer::Cancel : TErrorAnswer::YesToAll)
        << button;
    EXPECT_EQ(click.Seen().size(), 1u) << button;
  }
}

}  // namespace
}  // namespace penvo
