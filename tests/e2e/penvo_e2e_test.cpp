// The real program on a virtual desktop, driven like a person drives it.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include <QImage>

#include "tests/e2e/Harness.h"

namespace penvo::e2e {
namespace {

constexpr Rgb kWhite = 0xFFFFFF, kBlack = 0x000000, kYellow = 0xFFFF00, kAqua = 0x00FFFF;

// A desktop whose left half is white and right half black, with Penvo started on it.
class Penvo : public ::testing::Test {
 protected:
  void SetUp() override {
    session_.SetBackground([](int x, int) { return x < 512 ? kWhite : kBlack; });
    pid_ = session_.Start(ProgramPath("penvo"));
    window_ = session_.WaitForWindow("TFormPenvo");
    ASSERT_NE(window_, 0u) << "the overlay did not come up";
    g_ = session_.Geometry(window_);
    // The overlay shows the desktop it covers.
    ASSERT_TRUE(session_.WaitForPixel(100, g_.y + 100, kWhite));
    ASSERT_TRUE(session_.WaitForPixel(900, g_.y + 100, kBlack));
  }
  void TearDown() override {
    if (HasFailure())
      session_.Checkpoint(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }

  void Key(const std::string& key) { session_.Xdotool({"key", "--clearmodifiers", key}); }
  // A key that refreshes the screen: the overlay leaves the screen and comes back. Keys typed
  // while it is away go nowhere, as they would for a person, so the test waits for it.
  void RefreshKey(const std::string& key) {
    const int maps = session_.MapCount(window_);
    Key(key);
    ASSERT_TRUE(Session::WaitFor(
        [&] { return session_.MapCount(window_) > maps && session_.Focused(window_); }, 5s));
  }
  // A stroke from a to b in a few moves.
  void Stroke(int x1, int y1, int x2, int y2) {
    session_.Drag({{x1, y1},
                   {(2 * x1 + x2) / 3, (2 * y1 + y2) / 3},
                   {(x1 + 2 * x2) / 3, (y1 + 2 * y2) / 3},
                   {x2, y2}});
  }
  std::string StoredOptions() {
    std::ifstream in(session_.RegistryDir() / "HKEY_CURRENT_USER" / "software" / "Ruvi" / "penvo" /
                     "FormOptions-Params" / ".values");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  Session session_{1024, 768};
  pid_t pid_ = -1;
  unsigned long window_ = 0;
  Rect g_;
};

TEST_F(Penvo, AYellowFreeHandLineInTransparentModeTintsWhiteAndLeavesBlack) {
  Key("y");
  const int y = g_.y + 300;
  Stroke(300, y, 700, y);
  EXPECT_TRUE(session_.WaitForPixel(450, y, kYellow));
  EXPECT_EQ(session_.Pixel(600, y), kBlack);
  EXPECT_EQ(session_.Pixel(450, y - 30), kWhite);
  session_.Checkpoint("penvo_yellow_line");
}

TEST_F(Penvo, AHollowRectangleThenUndoShowsTheDesktopAgain) {
  Key("y");
  Key("s");
  Key("f");  // filled is on at first start: now hollow
  const int top = g_.y + 200;
  session_.Drag({{100, top}, {200, top + 100}, {300, top + 200}});
  EXPECT_TRUE(session_.WaitForPixel(100, top + 100, kYellow));  // left edge
  // Inside: an outline of the drag passed here, the finished rectangle leaves it white.
  EXPECT_TRUE(session_.WaitForPixel(200, top + 100, kWhite));
  RefreshKey("BackSpace");
  EXPECT_TRUE(session_.WaitForPixel(100, top + 100, kWhite));
  EXPECT_TRUE(session_.WaitForPixel(300, top + 150, kWhite));
}

TEST_F(Penvo, ClearThenRedoBringsTheObjectsBackOldestFirst) {
  Key("y");
  const int a = g_.y + 150, b = g_.y + 400;
  Stroke(100, a, 400, a);
  EXPECT_TRUE(session_.WaitForPixel(250, a, kYellow));
  Stroke(100, b, 400, b);
  EXPECT_TRUE(session_.WaitForPixel(250, b, kYellow));
  RefreshKey("c");
  EXPECT_TRUE(session_.WaitForPixel(250, a, kWhite));
  EXPECT_TRUE(session_.WaitForPixel(250, b, kWhite));
  Key("ctrl+BackSpace");
  EXPECT_TRUE(session_.WaitForPixel(250, a, kYellow));
  EXPECT_EQ(session_.Pixel(250, b), kWhite);
  Key("ctrl+BackSpace");
  EXPECT_TRUE(session_.WaitForPixel(250, b, kYellow));
}

TEST_F(Penvo, SpaceShowsTheDesktopAsItNowIsWithTheDrawingOverIt) {
  Key("y");
  const int y = g_.y + 300;
  Stroke(100, y, 400, y);
  EXPECT_TRUE(session_.WaitForPixel(250, y, kYellow));
  // A window of the desktop appears beneath the overlay and moves there; the overlay still
  // shows the picture from when it came up.
  const unsigned long box = session_.CreateBox({600, g_.y + 400, 100, 100}, 0x00FF00);
  session_.MoveBox(box, 200, y - 80);
  EXPECT_EQ(session_.Pixel(250, y - 50), kWhite);
  // Where the window first was, the old picture, the desktop while the overlay is away and the
  // new picture are all black: any other colour on the way is a flash.
  const int maps = session_.MapCount(window_);
  Key("space");
  std::set<Rgb> seen;
  const auto back = [&] { return session_.MapCount(window_) > maps && session_.Focused(window_); };
  EXPECT_TRUE(Session::WaitFor(
      [&] {
        seen.insert(session_.Pixel(650, g_.y + 450));
        return back();
      },
      5s));
  const auto settled = std::chrono::steady_clock::now() + 300ms;
  Session::WaitFor(
      [&] {
        seen.insert(session_.Pixel(650, g_.y + 450));
        return std::chrono::steady_clock::now() > settled;
      },
      1s);
  EXPECT_EQ(seen, std::set<Rgb>{kBlack});
  EXPECT_TRUE(session_.WaitForPixel(250, y - 50, 0x00FF00));  // the window where it is now
  EXPECT_TRUE(session_.WaitForPixel(250, y, 0x00FF00));       // yellow AND green is green
  EXPECT_TRUE(session_.WaitForPixel(150, y, kYellow));        // the line over the white
}

TEST_F(Penvo, ASecondStartBringsTheFirstToTheFrontAndEnds) {
  const pid_t second = session_.Start(ProgramPath("penvo"));
  EXPECT_EQ(session_.WaitExit(second, 10s), 0);
  EXPECT_EQ(session_.Windows("TFormPenvo").size(), 1u);
  EXPECT_TRUE(session_.Running(pid_));
}

TEST_F(Penvo, TurningToAnotherProgramGetsTheOverlayOutOfTheWayAndComingBackRestoresIt) {
  // The program ignores a loss of activation within a second of gaining it (its own timer
  // clears the flag every second): this is that second passing, not a wait for the program.
  std::this_thread::sleep_for(1100ms);
  const pid_t other = session_.Start(ProgramPath("demo_form"));
  const unsigned long otherWindow = session_.WaitForWindow("TDemoForm");
  ASSERT_NE(otherWindow, 0u);
  EXPECT_TRUE(Session::WaitFor([&] { return !session_.Viewable(window_); }, 5s))
      << "the overlay stayed over the other program";
  EXPECT_TRUE(session_.Running(pid_));
  session_.Xdotool({"windowactivate", std::to_string(window_)});
  EXPECT_TRUE(
      Session::WaitFor([&] { return session_.Viewable(window_) && session_.Focused(window_); }, 5s))
      << "the overlay did not come back";
  EXPECT_TRUE(session_.Running(other));
  session_.Stop(other);
}

// The window manager, not the program, brings the overlay back (the task bar, a window
// switcher): the program follows the real state of its windows.
class PenvoBroughtBack : public Penvo {
 protected:
  void LeaveThenComeBackThroughTheWindowManager(Millis away) {
    Key("Escape");
    ASSERT_TRUE(Session::WaitFor([&] { return !session_.Viewable(window_); }, 5s));
    // Time away from the screen, as the person takes it (the program's one-second timer
    // decides what coming back means).
    if (away > Millis(0)) std::this_thread::sleep_for(away);
    box_ = session_.CreateBox({300, g_.y + 200, 100, 100}, 0x00FF00);
    session_.Xdotool({"windowactivate", std::to_string(window_)});
    ASSERT_TRUE(Session::WaitFor(
        [&] { return session_.Viewable(window_) && session_.Focused(window_); }, 5s));
  }
  unsigned long box_ = 0;
};

TEST_F(PenvoBroughtBack, WithinTheSecondRefreshAndTurningAwayStillWork) {
  LeaveThenComeBackThroughTheWindowManager(Millis(0));
  // Space shows the desktop as it now is, never the overlay's own old picture.
  RefreshKey("space");
  EXPECT_TRUE(session_.WaitForPixel(350, g_.y + 250, 0x00FF00));
  std::this_thread::sleep_for(1100ms);  // the activation timer's second passes
  const pid_t other = session_.Start(ProgramPath("demo_form"));
  ASSERT_NE(session_.WaitForWindow("TDemoForm"), 0u);
  EXPECT_TRUE(Session::WaitFor([&] { return !session_.Viewable(window_); }, 5s))
      << "the overlay stayed over the other program";
  session_.Stop(other);
}

TEST_F(PenvoBroughtBack, AfterTheSecondItShowsTheDesktopAsItNowIs) {
  LeaveThenComeBackThroughTheWindowManager(1100ms);
  EXPECT_TRUE(session_.WaitForPixel(350, g_.y + 250, 0x00FF00));
  EXPECT_TRUE(session_.WaitForPixel(100, g_.y + 100, kWhite));
}

TEST_F(Penvo, AnUpperCaseLetterMinimizesTheProgram) {
  Key("R");
  EXPECT_TRUE(Session::WaitFor([&] { return !session_.Viewable(window_); }, 5s));
  EXPECT_TRUE(session_.Running(pid_));
}

TEST_F(Penvo, ARightClickShowsTheOptionsAtTheMouseAndAColourButtonHidesThem) {
  session_.Xdotool({"mousemove", "--sync", "600", "400", "click", "3"});
  const unsigned long options = session_.WaitForWindow("TFormOptions");
  ASSERT_NE(options, 0u);
  const Rect o = session_.Geometry(options);
  EXPECT_NEAR(o.x + o.w / 2, 600, 40);
  EXPECT_NEAR(o.y + o.h / 2, 400, 40);
  session_.Checkpoint("penvo_options");
}

// The PNG files in dir.
std::vector<std::filesystem::path> Pngs(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& e : std::filesystem::directory_iterator(dir, error))
    if (e.path().extension() == ".png") files.push_back(e.path());
  return files;
}

Rgb PixelOf(const QImage& image, int x, int y) {
  return image.isNull() ? 0xDEADBEEF : image.pixel(x, y) & 0xFFFFFF;
}

TEST_F(Penvo, CtrlSSavesTheDrawingInThePicturesFolderAndCtrlCPutsItOnTheClipboard) {
  Key("y");
  const int y = g_.y + 300;
  Stroke(300, y, 700, y);
  ASSERT_TRUE(session_.WaitForPixel(450, y, kYellow));
  const auto pictures = session_.Home() / "Pictures";
  Key("ctrl+s");
  ASSERT_TRUE(Session::WaitFor([&] { return Pngs(pictures).size() == 1; }, 5s))
      << "no picture in " << pictures;
  const std::string name = Pngs(pictures)[0].filename().string();
  EXPECT_EQ(name.rfind("Penvo 20", 0), 0u) << name;
  const QImage saved(QString::fromStdString(Pngs(pictures)[0].string()), "PNG");
  EXPECT_EQ(saved.size(), QSize(g_.w, g_.h));
  EXPECT_EQ(PixelOf(saved, 450 - g_.x, y - g_.y), kYellow);  // the stroke
  EXPECT_EQ(PixelOf(saved, 450 - g_.x, y - g_.y - 30), kWhite);
  EXPECT_EQ(PixelOf(saved, 600 - g_.x, y - g_.y), kBlack);
  EXPECT_TRUE(session_.Viewable(window_)) << "Ctrl+S minimized the overlay";

  // Another program on the display reads the clipboard.
  Key("ctrl+c");
  const std::string targets = (session_.Home() / "targets").string();
  const std::string png = (session_.Home() / "clipboard.png").string();
  std::string listed;
  EXPECT_TRUE(Session::WaitFor(
      [&] {
        session_.Run({"sh", "-c", "xclip -selection clipboard -t TARGETS -o > '" + targets + "'"});
        std::ifstream in(targets);
        listed.assign(std::istreambuf_iterator<char>(in), {});
        return listed.find("image/png") != std::string::npos;
      },
      5s))
      << "the clipboard offers: " << listed;
  session_.Run({"sh", "-c", "xclip -selection clipboard -t image/png -o > '" + png + "'"});
  const QImage pasted(QString::fromStdString(png), "PNG");
  EXPECT_EQ(pasted.size(), QSize(g_.w, g_.h));
  EXPECT_EQ(PixelOf(pasted, 450 - g_.x, y - g_.y), kYellow);
  EXPECT_EQ(Pngs(pictures).size(), 1u) << "Ctrl+C saved a file";
  EXPECT_TRUE(session_.Viewable(window_));
  session_.Checkpoint("penvo_saved");
}

// The options window offers only a close box: the Motif hints (which GNOME and KDE follow)
// allow no minimize or maximize, and openbox, which goes by the window type instead, allows
// neither. It can be moved, resized and closed, and stays above the overlay.
TEST_F(Penvo, TheOptionsWindowOffersOnlyACloseBoxAndStaysAboveTheOverlay) {
  session_.Xdotool({"mousemove", "--sync", "600", "400", "click", "3"});
  const unsigned long options = session_.WaitForWindow("TFormOptions");
  ASSERT_NE(options, 0u);
  constexpr unsigned long kFunctions = 1, kFuncAll = 1, kFuncResize = 2, kFuncMinimize = 8,
                          kFuncMaximize = 16, kFuncClose = 32;
  std::vector<unsigned long> motif;
  EXPECT_TRUE(Session::WaitFor(
      [&] {
        motif = session_.Property32(options, "_MOTIF_WM_HINTS");
        return motif.size() >= 3 && (motif[1] & kFuncMinimize) == 0;
      },
      5s));
  ASSERT_GE(motif.size(), 3u);
  EXPECT_TRUE(motif[0] & kFunctions);
  EXPECT_EQ(motif[1] & (kFuncAll | kFuncMinimize | kFuncMaximize), 0u);
  EXPECT_EQ(motif[1] & (kFuncResize | kFuncClose), kFuncResize | kFuncClose);
  std::vector<std::string> actions;
  const auto allows = [&](const std::string& action) {
    return std::find(actions.begin(), actions.end(), action) != actions.end();
  };
  EXPECT_TRUE(Session::WaitFor(
      [&] {
        actions = session_.AtomNames(options, "_NET_WM_ALLOWED_ACTIONS");
        return allows("_NET_WM_ACTION_CLOSE") && !allows("_NET_WM_ACTION_MINIMIZE");
      },
      5s));
  for (const char* action : {"_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                             "_NET_WM_ACTION_MAXIMIZE_VERT", "_NET_WM_ACTION_FULLSCREEN"})
    EXPECT_FALSE(allows(action)) << action;
  EXPECT_TRUE(allows("_NET_WM_ACTION_CLOSE"));
  EXPECT_TRUE(allows("_NET_WM_ACTION_MOVE"));
  const auto state = session_.AtomNames(options, "_NET_WM_STATE");
  EXPECT_NE(std::find(state.begin(), state.end(), "_NET_WM_STATE_ABOVE"), state.end());
  // Where the window lies over the overlay, the screen shows the window.
  const Rect o = session_.Geometry(options);
  EXPECT_FALSE(session_.WaitForPixel(o.x + o.w - 5, o.y + 5, kBlack, 300ms));
}

TEST_F(Penvo, OptionsChangedDuringARunAreSavedWhenTheProgramIsTerminated) {
  Key("5");
  Key("a");
  // The signal comes by another way than the keys: it waits until a stroke shows them taken.
  const int y = g_.y + 300;
  Stroke(100, y, 400, y);
  ASSERT_TRUE(session_.WaitForPixel(250, y + 2, kAqua)) << "no aqua line 5 pixels wide";
  EXPECT_EQ(session_.Stop(pid_), 0);
  const std::string stored = StoredOptions();
  EXPECT_NE(stored.find("\"EditWidth\"=\"5\""), std::string::npos) << stored;
  EXPECT_NE(stored.find("\"EditColor\"=\"$ffff00\""), std::string::npos) << stored;
}

}  // namespace
}  // namespace penvo::e2e

namespace penvo::e2e {
namespace {

// A stored position is the options window's frame, as on Windows: a frame 51 pixels high, and
// centred on the mouse by the frame.
TEST(PenvoOptionsWindow, AStoredSizeIsTheFramesAndTheFrameCentresOnTheMouse) {
  Session session;
  const auto key = session.RegistryDir() / "HKEY_CURRENT_USER" / "software" / "Ruvi" / "penvo" / "Pos";
  std::filesystem::create_directories(key);
  std::ofstream(key / ".values") << "\"FormOptions\"=\"100,150,852,51\"\n";
  const pid_t pid = session.Start(ProgramPath("penvo"));
  ASSERT_NE(session.WaitForWindow("TFormPenvo"), 0u);
  session.Xdotool({"mousemove", "--sync", "600", "400", "click", "3"});
  const unsigned long options = session.WaitForWindow("TFormOptions");
  ASSERT_NE(options, 0u);
  Rect frame;
  EXPECT_TRUE(Session::WaitFor(
      [&] {
        frame = session.Frame(options);
        return frame.w == 852 && frame.h == 51;
      },
      5s))
      << "frame " << frame.w << "x" << frame.h << ", client " << session.Geometry(options).h
      << " high";
  EXPECT_NEAR(frame.x + frame.w / 2, 600, 1);
  EXPECT_NEAR(frame.y + frame.h / 2, 400, 1);
  EXPECT_LT(session.Geometry(options).h, 51);
  session.Stop(pid);
}

// At a desktop scale of 200 % the overlay still works in the screen's own pixels.
TEST(PenvoDisplays, AtScaleTwoTheWholeDesktopShowsAndALineOfWidthOneIsOnePixel) {
  Session session{1024, 768};
  session.SetDpi(192);
  session.SetBackground([](int x, int) { return x < 512 ? kWhite : kBlack; });
  session.Start(ProgramPath("penvo"));
  const unsigned long window = session.WaitForWindow("TFormPenvo");
  ASSERT_NE(window, 0u);
  const Rect g = session.Geometry(window);
  // The whole desktop, not its top-left quarter enlarged.
  EXPECT_TRUE(session.WaitForPixel(100, g.y + 100, kWhite));
  EXPECT_TRUE(session.WaitForPixel(900, g.y + 100, kBlack));
  EXPECT_TRUE(session.WaitForPixel(500, g.y + 600, kWhite));
  session.Xdotool({"key", "--clearmodifiers", "1"});
  session.Xdotool({"key", "--clearmodifiers", "y"});
  const int y = g.y + 301;  // an odd pixel: no whole device-independent pixel lies there
  session.Drag({{101, y}, {201, y}, {301, y}, {401, y}});
  EXPECT_TRUE(session.WaitForPixel(251, y, kYellow))
      << "the press did not land under the pointer; the rows beside it: " << std::hex
      << session.Pixel(251, y - 1) << " " << session.Pixel(251, y + 1);
  EXPECT_EQ(session.Pixel(251, y - 1), kWhite);
  EXPECT_EQ(session.Pixel(251, y + 1), kWhite);
}

// Two monitors side by side: the overlay comes up on the one under the mouse and covers it
// exactly; a start on the other brings it there.
TEST(PenvoDisplays, TheOverlayComesUpOnTheMonitorUnderTheMouse) {
  Session session{2048, 768};
  session.SetMonitors({{0, 0, 1024, 768}, {1024, 0, 1024, 768}});
  session.SetBackground([](int x, int) { return x < 1024 ? kBlack : kWhite; });
  session.Xdotool({"mousemove", "--sync", "1500", "400"});
  session.Start(ProgramPath("penvo"));
  const unsigned long window = session.WaitForWindow("TFormPenvo");
  ASSERT_NE(window, 0u);
  Rect frame;
  EXPECT_TRUE(Session::WaitFor(
      [&] {
        frame = session.Frame(window);
        return frame.x == 1024 && frame.w == 1024;
      },
      5s))
      << "the overlay's frame is " << frame.w << " wide at " << frame.x;
  const Rect g = session.Geometry(window);
  EXPECT_TRUE(session.WaitForPixel(1500, g.y + 100, kWhite));
  session.Xdotool({"key", "--clearmodifiers", "y"});
  session.Drag({{1200, g.y + 300}, {1300, g.y + 300}, {1400, g.y + 300}});
  EXPECT_TRUE(session.WaitForPixel(1300, g.y + 300, kYellow));

  session.Xdotool({"mousemove", "--sync", "300", "400"});
  const pid_t second = session.Start(ProgramPath("penvo"));
  EXPECT_EQ(session.WaitExit(second, 10s), 0);
  EXPECT_TRUE(Session::WaitFor(
      [&] {
        frame = session.Frame(window);
        return frame.x == 0 && frame.w == 1024 && session.Viewable(window);
      },
      5s))
      << "the overlay's frame is " << frame.w << " wide at " << frame.x;
  EXPECT_TRUE(session.WaitForPixel(300, session.Geometry(window).y + 100, kBlack));
}

// A zig-zag keeps every corner: each move the window system delivers becomes a segment.
TEST(PenvoMoves, AZigZagKeepsItsCorners) {
  Session session(1024, 768);
  session.SetBackground([](int, int) { return kWhite; });
  const pid_t pid = session.Start(ProgramPath("penvo"));
  const unsigned long window = session.WaitForWindow("TFormPenvo");
  ASSERT_NE(window, 0u);
  const Rect g = session.Geometry(window);
  session.Xdotool({"key", "y"});
  std::vector<std::pair<int, int>> points;
  for (int i = 0; i < 48; ++i) points.push_back({i % 2 ? 700 : 200, g.y + 60 + 12 * i});
  // As fast as the X server takes the moves: every one must still become a segment, however
  // far the program lags behind.
  session.Drag(points);
  // The tips of the zig-zag, where a merged move would cut the corner into a chord.
  for (std::size_t i = 1; i + 1 < points.size(); ++i) {
    const int x = points[i].first + (i % 2 ? 8 : -8);  // just beyond the corner point
    EXPECT_TRUE(session.WaitForPixel(x, points[i].second, kYellow, 2s)) << "corner " << i;
  }
  session.Stop(pid);
}

// Starts close together, as from a double click that went twice: one overlay comes up, the
// other starts hand over to it and end with 0.
TEST(PenvoStarts, StartsCloseTogetherLeaveOneOverlay) {
  Session session(1024, 768);
  std::vector<pid_t> starts;
  for (int i = 0; i < 3; ++i) starts.push_back(session.Start(ProgramPath("penvo")));
  ASSERT_NE(session.WaitForWindow("TFormPenvo"), 0u);
  const auto running = [&] {
    std::vector<pid_t> alive;
    for (pid_t pid : starts)
      if (session.Running(pid)) alive.push_back(pid);
    return alive;
  };
  EXPECT_TRUE(Session::WaitFor([&] { return running().size() <= 1; }, 10s))
      << running().size() << " starts still run";
  const std::vector<pid_t> survivors = running();
  ASSERT_EQ(survivors.size(), 1u);
  for (pid_t pid : starts) {
    if (pid == survivors[0]) continue;
    EXPECT_EQ(session.WaitExit(pid, 0s), 0);
  }
  EXPECT_EQ(session.Windows("TFormPenvo").size(), 1u);
  EXPECT_EQ(session.Stop(survivors[0]), 0);
}

// A program killed outright leaves its rendezvous behind; the next start still comes up, and
// a start after that finds it.
TEST(PenvoStarts, AStartAfterAKilledInstanceComesUp) {
  Session session(1024, 768);
  const pid_t killed = session.Start(ProgramPath("penvo"));
  ASSERT_NE(session.WaitForWindow("TFormPenvo"), 0u);
  kill(killed, SIGKILL);
  ASSERT_TRUE(session.WaitExit(killed, 5s).has_value());
  ASSERT_TRUE(Session::WaitFor([&] { return session.Windows("TFormPenvo").empty(); }, 5s));
  const pid_t next = session.Start(ProgramPath("penvo"));
  ASSERT_NE(session.WaitForWindow("TFormPenvo"), 0u);
  const pid_t later = session.Start(ProgramPath("penvo"));
  EXPECT_EQ(session.WaitExit(later, 10s), 0);
  EXPECT_TRUE(session.Running(next));
  EXPECT_EQ(session.Windows("TFormPenvo").size(), 1u);
  EXPECT_EQ(session.Stop(next), 0);
}

}  // namespace
}  // namespace penvo::e2e
