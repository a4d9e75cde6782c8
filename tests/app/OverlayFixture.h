// The overlay and the options window as the program makes them, for the overlay's widget tests
// on either toolkit: gestures delivered to the overlay, its pixels, and its pictures.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/PenvoForm.h"
#include "draw/DrawObject.h"
#include "options/OptionsForm.h"
#include "platform/OsFolders.h"
#include "settings/IniReadOrder.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestInput.h"

namespace penvo::test {

inline TShiftState Buttons(bool left, bool right = false, bool middle = false) {
  TShiftState s;
  s.Left = left;
  s.Right = right;
  s.Middle = middle;
  return s;
}

// Both forms, made as the program makes them, with their settings in a sandbox.
class Overlay : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateExampleObjects();
    CreateGlobalReadOrder();
    FormPenvo = Application()->CreateForm<TFormPenvo>();
    FormOptions = Application()->CreateForm<TFormOptions>();
  }
  void TearDown() override {
    Application()->DestroyForms();
    FormPenvo = nullptr;
    FormOptions = nullptr;
    DestroyGlobalReadOrder();
    DestroyExampleObjects();
  }

  TFormPenvo& P() { return *FormPenvo; }
  TFormOptions& O() { return *FormOptions; }
  void Down(int x, int y, TShiftState s = Buttons(true), TMouseButton b = TMouseButton::mbLeft) {
    P().DeliverMouseDown(b, s, x, y);
  }
  void Move(int x, int y) { P().DeliverMouseMove(Buttons(true), x, y); }
  void Up(int x, int y, TMouseButton b = TMouseButton::mbLeft) {
    P().DeliverMouseUp(b, Buttons(false), x, y);
  }
  void Stroke(int x1, int y1, int x2, int y2) {
    Down(x1, y1);
    Move(x2, y2);
    Up(x2, y2);
  }
  void Type(char key) { P().DeliverKey(key); }
  TDrawingObject* Drawn(int i) { return P().DrawnObjects->Items(i); }

  test::RegistrySandbox sandbox_;
};

// What the overlay shows: its surface, with the picture beneath.
class OverlayPixels : public Overlay {
 protected:
  void SetUp() override {
    Overlay::SetUp();
    P().Show();
    O().EditWidth->SetAsString("1");
  }
  std::uint32_t At(int x, int y) { return P().Canvas().Pixels().Row(y)[x] & 0xFFFFFF; }
  // A hollow rectangle from (10,10) dragged to (50,50): its outline's right edge is at x 49.
  void DragHollowRectangle() {
    O().EditType->SetAsString("Rectangle");
    O().CBFilled->SetChecked(false);
    Down(10, 10);
    Move(50, 50);
    ASSERT_NE(At(49, 30), At(30, 30)) << "the outline shows";
  }
};

// Ctrl+S and Ctrl+C on the overlay, as the keyboard gives them.
class OverlayPicture : public OverlayPixels {
 protected:
  void SetUp() override {
    OverlayPixels::SetUp();
    before_ = AllFiles();
    test::ActivateForm(&P());
    O().EditStyle->SetAsString("4");  // opaque red
    Stroke(10, 100, 200, 100);
  }
  void TearDown() override {
    for (const auto& file : Files()) std::filesystem::remove(file);
    OverlayPixels::TearDown();
  }
  void CtrlKey(char letter) { test::PressCtrl(&P(), letter); }
  // What the overlay shows (a pixel on the screen has no alpha).
  std::vector<std::uint32_t> SurfaceNow() {
    std::vector<std::uint32_t> pixels;
    const TPixels& s = P().Surface();
    for (int y = 0; y < s.Height; ++y)
      for (int x = 0; x < s.Width; ++x) pixels.push_back(s.Row(y)[x] | 0xFF000000u);
    return pixels;
  }
  // The user's Pictures folder (the sandbox's on POSIX), without the closing separator.
  static std::filesystem::path Pictures() {
    return std::filesystem::path(os::UserPicturesDir()).parent_path();
  }
  // The files in Pictures that this test made.
  std::vector<std::filesystem::path> Files() const {
    std::vector<std::filesystem::path> files;
    for (const auto& file : AllFiles())
      if (std::find(before_.begin(), before_.end(), file) == before_.end()) files.push_back(file);
    return files;
  }
  // The key table untouched: the program still on the screen, the drawing as it was.
  void ExpectNoKeyCommand() {
    EXPECT_FALSE(Application()->IsMinimized());
    EXPECT_EQ(P().DrawnObjects->Count(), 1);
    EXPECT_EQ(O().EditType->GetAsString(), "FreeLine");  // 's' would have made it Rectangle
  }

 private:
  static std::vector<std::filesystem::path> AllFiles() {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::exists(Pictures()))
      for (const auto& e : std::filesystem::directory_iterator(Pictures()))
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
  }
  std::vector<std::filesystem::path> before_;
};

}  // namespace penvo::test
