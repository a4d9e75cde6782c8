// The toolkit on a real X display: a form that keeps the screen beneath it draws a line there.
#include <gtest/gtest.h>

#include "tests/e2e/Harness.h"

namespace penvo::e2e {
namespace {

constexpr Rgb kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000;

TEST(ToolkitOnScreen, ALineDrawnInCopyModeLiesOverTheCapturedScreen) {
  Session session(800, 600);
  session.SetBackground([](int x, int) { return x < 400 ? kWhite : kBlack; });
  const pid_t demo = session.Start(ProgramPath("demo_form"));
  const unsigned long window = session.WaitForWindow("TDemoForm");
  ASSERT_NE(window, 0u);
  const Rect g = session.Geometry(window);
  ASSERT_GT(g.w, 600);
  const int y = g.y + g.h / 2;
  // The window shows the screen it covers: white on the left half, black on the right.
  EXPECT_TRUE(session.WaitForPixel(200, y, kWhite));
  EXPECT_TRUE(session.WaitForPixel(600, y, kBlack));

  session.Drag({{200, y}, {300, y}, {500, y}, {600, y + 1}});
  EXPECT_TRUE(session.WaitForPixel(380, y, kRed));
  EXPECT_TRUE(session.WaitForPixel(420, y, kRed));
  EXPECT_EQ(session.Pixel(380, y - 10), kWhite);
  EXPECT_EQ(session.Pixel(420, y - 10), kBlack);
  session.Checkpoint("toolkit_line_over_captured_screen");

  // A window that covers part of the form and goes again leaves the form to show that part
  // afresh from what it keeps: the line over the captured screen, nothing of the window.
  const unsigned long box = session.CreateBox({350, y - 40, 100, 80}, 0x00FF00);
  session.RaiseBox(box);
  EXPECT_TRUE(session.WaitForPixel(400, y - 10, 0x00FF00));
  session.RemoveBox(box);
  EXPECT_TRUE(session.WaitForPixel(380, y - 10, kWhite));
  EXPECT_TRUE(session.WaitForPixel(420, y - 10, kBlack));
  EXPECT_TRUE(session.WaitForPixel(380, y, kRed));
  EXPECT_TRUE(session.WaitForPixel(420, y, kRed));
  session.Stop(demo);
}

}  // namespace
}  // namespace penvo::e2e
