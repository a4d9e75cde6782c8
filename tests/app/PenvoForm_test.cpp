// The overlay's gestures and history, and the options and key commands that drive it, with the
// real forms, on either toolkit.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/app/OverlayFixture.h"
#include "tests/support/TestScreen.h"

namespace penvo {
namespace {

using test::Buttons;
using test::Overlay;
using test::OverlayPicture;
using test::OverlayPixels;

TEST_F(Overlay, AGestureMakesAnObjectOfTheChosenKindAndReleasingAppendsIt) {
  Down(10, 20);
  EXPECT_TRUE(P().InGesture());
  Move(30, 40);
  Up(50, 60);
  EXPECT_FALSE(P().InGesture());
  ASSERT_EQ(P().DrawnObjects->Count(), 1);
  EXPECT_EQ(Drawn(0)->ClassName(), "TFreeLine");
  EXPECT_EQ(P().CurrentObject, Drawn(0));
  EXPECT_EQ(P().StartPoint, (TPoint{10, 20}));
  EXPECT_EQ(P().LastUpPoint, (TPoint{50, 60}));
  auto* line = static_cast<TFreeLine*>(Drawn(0));
  EXPECT_EQ(line->Points().size(), 2u);  // the release point is not added
}

TEST_F(Overlay, ShiftAndCtrlChooseWhereTheGestureStarts) {
  TShiftState shift = Buttons(true);
  shift.Shift = true;
  Down(5, 5, shift);  // before any release: (0, 0)
  EXPECT_EQ(P().StartPoint, (TPoint{0, 0}));
  Up(40, 41);
  TShiftState ctrl = Buttons(true);
  ctrl.Ctrl = true;
  Down(7, 7, ctrl);  // where the previous gesture started
  EXPECT_EQ(P().StartPoint, (TPoint{0, 0}));
  Up(50, 51);
  Down(9, 9);
  Up(60, 61);
  TShiftState both = shift;
  both.Ctrl = true;
  Down(11, 11, both);  // Shift wins
  EXPECT_EQ(P().StartPoint, (TPoint{60, 61}));
}

TEST_F(Overlay, TheRightButtonStartsNothingAndItsReleaseEndsAGesture) {
  Down(1, 1, Buttons(false, true), TMouseButton::mbRight);
  EXPECT_FALSE(P().InGesture());
  Down(2, 2, Buttons(false, false, true), TMouseButton::mbMiddle);  // the middle button draws
  EXPECT_TRUE(P().InGesture());
  Down(3, 3, Buttons(false, true, true), TMouseButton::mbRight);  // right held: nothing
  EXPECT_TRUE(P().InGesture());
  Up(8, 9, TMouseButton::mbRight);
  EXPECT_FALSE(P().InGesture());
  EXPECT_EQ(P().DrawnObjects->Count(), 1);
  EXPECT_EQ(P().LastUpPoint, (TPoint{8, 9}));
}

TEST_F(Overlay, ASecondPressDropsTheUnfinishedObjectAndAnUnknownKindDrawsNothing) {
  Down(1, 1);
  Move(5, 5);
  Down(10, 10);  // a new gesture; the first object is gone for good
  Up(20, 20);
  EXPECT_EQ(P().DrawnObjects->Count(), 1);
  EXPECT_EQ(P().StartPoint, (TPoint{10, 10}));

  O().EditType->SetAsString("Circle");
  Down(1, 1);
  EXPECT_EQ(P().CurrentObject, nullptr);
  EXPECT_FALSE(P().InGesture());
  O().EditType->SetAsString("rEcTaNgLe");
  Down(1, 1);
  O().EditType->SetAsString("nothing");
  Down(2, 2);  // during a gesture: the gesture goes on without an object
  EXPECT_TRUE(P().InGesture());
  EXPECT_EQ(P().CurrentObject, nullptr);
  Move(3, 3);
  Up(4, 4);
  EXPECT_TRUE(P().InGesture());
  EXPECT_EQ(P().DrawnObjects->Count(), 1);
}

TEST_F(Overlay, ClearAndRedoBringTheObjectsBackOldestFirst) {
  Stroke(1, 1, 2, 2);
  Stroke(3, 3, 4, 4);
  Stroke(5, 5, 6, 6);
  std::vector<TDrawingObject*> drawn{Drawn(0), Drawn(1), Drawn(2)};
  TDrawingObject* current = P().CurrentObject;
  P().ClearDrawing();
  EXPECT_EQ(P().DrawnObjects->Count(), 0);
  EXPECT_EQ(P().UndoneObjects->Count(), 3);
  EXPECT_EQ(P().CurrentObject, current);  // left as it was
  for (int i = 0; i < 3; ++i) {
    P().Redo();
    EXPECT_EQ(P().DrawnObjects->Last(), drawn[i]);
    EXPECT_EQ(P().CurrentObject, drawn[i]);
  }
  P().Redo();  // nothing undone: nothing moves
  EXPECT_EQ(P().DrawnObjects->Count(), 3);
}

TEST_F(Overlay, UndoThenANewGestureThenRedoPutsTheUndoneObjectOnTop) {
  Stroke(1, 1, 2, 2);
  Stroke(3, 3, 4, 4);
  TDrawingObject* second = Drawn(1);
  P().Undo();
  EXPECT_EQ(P().CurrentObject, Drawn(0));
  Stroke(5, 5, 6, 6);
  EXPECT_EQ(P().UndoneObjects->Count(), 1);
  P().Redo();
  EXPECT_EQ(P().DrawnObjects->Last(), second);
  P().Undo();
  P().Undo();
  P().Undo();
  P().Undo();  // nothing drawn any more: nothing moves
  EXPECT_EQ(P().DrawnObjects->Count(), 0);
  EXPECT_EQ(P().CurrentObject, nullptr);
}

TEST_F(Overlay, UndoOrRedoDuringAGestureEndsItSoNoObjectIsHeldTwice) {
  Stroke(1, 1, 2, 2);
  Down(10, 10);
  Move(11, 11);
  Type(8);  // Backspace: undo
  EXPECT_FALSE(P().InGesture());
  Move(12, 12);
  Up(13, 13);
  EXPECT_EQ(P().DrawnObjects->Count(), 0);
  EXPECT_EQ(P().UndoneObjects->Count(), 1);
  Down(20, 20);
  Type(127);  // redo
  Up(21, 21);
  EXPECT_EQ(P().DrawnObjects->Count(), 1);
  EXPECT_EQ(P().UndoneObjects->Count(), 0);
}

TEST_F(OverlayPixels, ARefreshDuringADragKeepsTheOutlineWipeable) {
  DragHollowRectangle();
  Type(' ');  // the picture is laid down afresh
  Move(80, 80);
  EXPECT_EQ(At(49, 30), At(30, 30)) << "no outline left where the drag was";
  EXPECT_NE(At(79, 30), At(30, 30)) << "the outline where the drag is";
  Up(80, 80);
  EXPECT_EQ(At(49, 30), At(30, 30));
}

TEST_F(OverlayPixels, DroppingADragTakesItsOutlineOff) {
  DragHollowRectangle();
  Type(127);  // redo: ends the gesture, refreshes nothing
  EXPECT_EQ(At(49, 30), At(30, 30));
  DragHollowRectangle();
  Down(200, 200);  // a second press drops the first drag
  EXPECT_EQ(At(49, 30), At(30, 30));
}

TEST_F(OverlayPixels, AFreeHandLineKeepsItsStartOverARefresh) {
  O().EditStyle->SetAsString("4");  // opaque
  Down(10, 100);
  Move(60, 100);
  const std::uint32_t line = At(30, 100);
  ASSERT_NE(line, At(30, 120));
  Type(' ');
  Move(110, 100);
  Up(110, 100);
  EXPECT_EQ(At(30, 100), line);
  EXPECT_EQ(At(90, 100), line);
}

TEST_F(Overlay, TheOptionsWindowNeverGivesTheKeyboardToTheHiddenColourText) {
  test::ActivateForm(&O());
  EXPECT_FALSE(O().EditColor->Focused());
  for (int i = 0; i < 12; ++i) {
    test::PressTab(&O());
    EXPECT_FALSE(O().EditColor->Focused()) << "after " << i + 1 << " tabs";
  }
}

TEST_F(Overlay, AtFirstStartTheLineIsRedThoughTheColourTextReadsBlue) {
  EXPECT_EQ(O().EditColor->Text(), "$FF0000");
  Stroke(1, 1, 2, 2);
  EXPECT_EQ(Drawn(0)->Pen.Color, clRed);
  EXPECT_EQ(Drawn(0)->Pen.Mode, pmMask);
  EXPECT_EQ(Drawn(0)->Pen.Width, 20);
  O().EditColor->SetText("255");
  Stroke(1, 1, 2, 2);
  EXPECT_EQ(Drawn(1)->Pen.Color, clRed);
  O().EditColor->SetText("red");
  Stroke(1, 1, 2, 2);
  EXPECT_EQ(Drawn(2)->Pen.Color, clBlack);
}

TEST_F(Overlay, ApplyOptionsRoundsTiesToEvenAndIgnoresWhatNamesNoPen) {
  struct Row {
    double width, mode;
    std::int32_t color;
    int expectWidth, expectMode;
    TColor expectColor;
  };
  for (const Row& r : std::vector<Row>{
           {2.5, 4, 0x00FF00, 2, 4, 0x00FF00},
           {3.5, 15.4, 0x00FF00, 4, 15, 0x00FF00},
           {-1, 12, 0x00FF00, 1, 12, 0x00FF00},     // a negative width is ignored
           {5, 16, 0x00FF00, 5, pmCopy, 0x00FF00},  // no such mode: the pen keeps its own
           {5, -0.5, -1, 5, 0, 0xFFFFFF},           // -0.5 rounds to 0; colour masked
           {1e9, 12, 0x12345678, TCanvas::kMaxPenWidth, 12, 0x345678},
           {1e100, 12, 0, TCanvas::kMaxPenWidth, 12, 0},
       }) {
    O().EditWidthEditDouble->SetValue(r.width);
    O().EditStyleEditDouble->SetValue(r.mode);
    O().PanelColor->SetColor(r.color);
    Down(1, 1);
    ASSERT_NE(P().CurrentObject, nullptr);
    EXPECT_EQ(P().CurrentObject->Pen.Width, r.expectWidth) << r.width;
    EXPECT_EQ(P().CurrentObject->Pen.Mode, r.expectMode) << r.mode;
    EXPECT_EQ(P().CurrentObject->Pen.Color, r.expectColor) << r.color;
    Up(2, 2);
  }
}

TEST_F(Overlay, AKeyDuringAGestureAppliesTheNewOptionsToTheObjectBeingDrawn) {
  O().EditType->SetAsString("Ellipse");
  Down(1, 1);
  Move(30, 30);
  Type('y');
  EXPECT_EQ(P().CurrentObject->Pen.Color, clYellow);
  Type('f');
  EXPECT_FALSE(P().CurrentObject->Filled);
  Type('3');
  EXPECT_EQ(P().CurrentObject->Pen.Width, 3);
  Up(40, 40);
}

TEST_F(Overlay, TheKeyCommandsChangeTheOptions) {
  struct Row {
    char key;
    const char *width, *style, *color, *kind;
  };
  for (const Row& r : std::vector<Row>{{'7', "7", "12", "$FF0000", "FreeLine"},
                                       {'0', "10", "12", "$FF0000", "FreeLine"},
                                       {'+', "20", "12", "$FF0000", "FreeLine"},
                                       {'x', "20", "15", "$FF0000", "FreeLine"},
                                       {'o', "20", "4", "$FF0000", "FreeLine"},
                                       {'t', "20", "12", "$FF0000", "FreeLine"},
                                       {'r', "20", "12", "$0000ff", "FreeLine"},
                                       {'g', "20", "12", "$00ff00", "FreeLine"},
                                       {'y', "20", "12", "$00ffff", "FreeLine"},
                                       {'v', "20", "12", "$ff00ff", "FreeLine"},
                                       {'a', "20", "12", "$ffff00", "FreeLine"},
                                       {'s', "20", "12", "$ffff00", "Rectangle"},
                                       {'l', "20", "12", "$ffff00", "Line"},
                                       {'e', "20", "12", "$ffff00", "Ellipse"},
                                       {'z', "20", "12", "$ffff00", "FreeLine"}}) {
    Type(r.key);
    EXPECT_EQ(O().EditWidth->GetAsString(), r.width) << r.key;
    EXPECT_EQ(O().EditStyle->GetAsString(), r.style) << r.key;
    EXPECT_EQ(O().EditColor->Text(), r.color) << r.key;
    EXPECT_EQ(O().EditType->GetAsString(), r.kind) << r.key;
  }
  EXPECT_EQ(O().PanelColor->Color(), clAqua);
  EXPECT_EQ(O().EditWidthEditDouble->Value(), 20);
  const bool filled = O().CBFilled->Checked();
  Type('f');
  Type('f');
  EXPECT_EQ(O().CBFilled->Checked(), filled);
  EXPECT_FALSE(O().IsVisible());  // commands never show or hide the options
}

TEST_F(Overlay, TheToolBarButtonsWriteTheOptionsAndHideTheWindowAfterUse) {
  std::vector<std::string> kinds = O().EditTypeComboBox->Items();
  EXPECT_EQ(kinds, (std::vector<std::string>{"FreeLine", "Line", "Rectangle", "Ellipse"}));
  O().Show();
  O().PanelYellow->Click();
  EXPECT_EQ(O().EditColor->Text(), "$00FFFF");
  EXPECT_EQ(O().PanelColor->Color(), clYellow);
  EXPECT_FALSE(O().IsVisible());
  O().Show();
  O().PanelW5->Click();
  EXPECT_EQ(O().EditWidthEditDouble->Value(), 5);
  O().PanelSXOR->Click();
  EXPECT_EQ(O().EditStyleEditDouble->Value(), 15);
  O().CBAutoHide->SetChecked(false);
  O().Show();
  O().PanelSCopy->Click();
  EXPECT_EQ(O().EditStyleEditDouble->Value(), 4);
  EXPECT_TRUE(O().IsVisible());
  EXPECT_EQ(ColorPanelText(clRed), "$0000FF");
  EXPECT_EQ(ColorPanelText(clAqua), "$FFFF00");
}

TEST_F(OverlayPicture, CtrlSSavesWhatTheOverlayShowsAsANewPngAndSaysWhere) {
  const std::vector<std::uint32_t> shown = SurfaceNow();
  ASSERT_EQ(shown[100 * P().Surface().Width + 100] & 0xFFFFFF, 0xFF0000u) << "the stroke shows";
  CtrlKey('s');
  const auto first = Files();
  ASSERT_EQ(first.size(), 1u) << test::NoteText();
  EXPECT_EQ(test::NoteText(), "Picture saved as " + first[0].string());
  CtrlKey('s');  // within the same second or not: a second file, never the first replaced
  ExpectNoKeyCommand();
  EXPECT_EQ(SurfaceNow(), shown) << "saving changes nothing shown";
  auto files = Files();
  ASSERT_EQ(files.size(), 2u);
  std::erase(files, first[0]);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(test::NoteText(), "Picture saved as " + files[0].string());
  for (const auto& file : {first[0], files[0]}) {
    const std::string name = file.filename().string();
    EXPECT_TRUE(name.rfind("Penvo ", 0) == 0 && file.extension() == ".png") << name;
    const test::TTestImage png = test::ReadPng(file.string());
    EXPECT_EQ(png.Width, P().Surface().Width) << name;
    EXPECT_EQ(png.Height, P().Surface().Height) << name;
    EXPECT_TRUE(png.Pixels == shown) << name << " differs from the overlay";
  }
}

TEST_F(OverlayPicture, CtrlCPutsWhatTheOverlayShowsOnTheClipboard) {
  const std::vector<std::uint32_t> shown = SurfaceNow();
  CtrlKey('c');
  ExpectNoKeyCommand();
  EXPECT_EQ(P().UndoneObjects->Count(), 0) << "'c' would have cleared";
  EXPECT_TRUE(test::ClipboardImage().Pixels == shown);
  P().Canvas().Pixels().Row(0)[0] = 0xFF123456;  // the clipboard keeps its own copy
  EXPECT_TRUE(test::ClipboardImage().Pixels == shown);
  EXPECT_TRUE(Files().empty());
}

TEST_F(OverlayPicture, EveryOtherCtrlLetterIsItsControlCharacterForTheKeyTable) {
  CtrlKey('h');  // 8, Backspace: undo
  EXPECT_EQ(P().DrawnObjects->Count(), 0);
  EXPECT_EQ(P().UndoneObjects->Count(), 1);
  EXPECT_FALSE(Application()->IsMinimized());
  for (const char letter : {'a', 'd', 'x', 'z'}) {
    CtrlKey(letter);
    EXPECT_TRUE(Application()->IsMinimized()) << "Ctrl+" << letter;
    Application()->Restore();
  }
}

}  // namespace
}  // namespace penvo
