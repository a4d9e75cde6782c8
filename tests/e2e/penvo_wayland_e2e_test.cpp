// The real program in a Wayland session (headless sway and GNOME Shell), driven like a person
// drives it: the picture beneath comes from the desktop portal, the overlay covers the output
// full screen. Each behaviour is written once and runs in both sessions.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/e2e/WaylandSession.h"

namespace penvo::e2e {
namespace {

namespace fs = std::filesystem;

constexpr Rgb kWhite = 0xFFFFFF, kBlack = 0x000000, kBlue = 0x336699, kYellow = 0xFFFF00;
constexpr Rgb kGrey = 0xF0F0F0;  // the overlay's own colour, where it has no picture
constexpr int kWidth = 1024, kHeight = 768;

// The files the portal may leave its screenshots in.
std::vector<fs::path> PortalFiles(const fs::path& home) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (const fs::path& dir : {home, home / "Pictures", fs::path("/tmp")})
    for (const auto& e : fs::directory_iterator(dir, ec)) {
      const std::string name = e.path().filename().string();
      if (name == "out.png" || name.rfind("Screenshot", 0) == 0) found.push_back(e.path());
    }
  return found;
}

// A desktop of one colour (white), with Penvo started on it and shown.
class PenvoWayland : public ::testing::TestWithParam<Compositor> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session_.Ready());
    pid_ = session_.Start(ProgramPath("penvo"));
    // The program may wait for the portal's first answer up to its deadline (15 s).
    overlay_ = session_.WaitForWindow("FormPenvo", 20s);
    ASSERT_NE(overlay_.id, 0) << "the overlay did not come up";
    ASSERT_TRUE(overlay_.fullscreen);
    // The overlay shows the desktop; a change beneath it now shows only after a refresh.
    ASSERT_TRUE(session_.WaitForPixel(500, 400, kWhite));
    session_.SetBackground(kBlack);
  }
  void TearDown() override {
    if (HasFailure())
      session_.Checkpoint(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }

  // A key that refreshes the screen: the overlay leaves the screen and comes back as a new
  // window. Keys typed while it is away go nowhere, as they would for a person.
  void RefreshKey(const std::string& key) {
    const long before = session_.WaitForWindow("FormPenvo").id;
    session_.Key(key);
    ASSERT_TRUE(Session::WaitFor(
        [&] {
          const auto all = session_.Windows("FormPenvo");
          return all.size() == 1 && all[0].id != before && all[0].focused && all[0].fullscreen;
        },
        10s))
        << "the overlay did not come back after " << key;
  }
  void Stroke(int x1, int y1, int x2, int y2) {
    session_.Drag({{x1, y1}, {(2 * x1 + x2) / 3, (2 * y1 + y2) / 3},
                   {(x1 + 2 * x2) / 3, (y1 + 2 * y2) / 3}, {x2, y2}});
  }
  std::string StoredOptions() {
    std::ifstream in(session_.RegistryDir() / "HKEY_CURRENT_USER" / "software" / "Ruvi" /
                     "penvo" / "FormOptions-Params" / ".values");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  WaylandSession session_{GetParam(), kWidth, kHeight, kWhite};
  pid_t pid_ = -1;
  WaylandWindow overlay_;
};

// Where the desktop's own pixels are: below GNOME's top bar, whose clock changes.
constexpr int kTop = 40;

TEST_P(PenvoWayland, TheOverlayShowsTheDesktopAsItWasAndLeavesNoPictureFileBehind) {
  // The desktop beneath is black by now; the overlay still shows it white, all over.
  EXPECT_TRUE(session_.WaitForScreen(
      [](const std::vector<Rgb>& s) {
        // All but the pointer's few pixels and the top bar.
        return std::count(s.begin() + kTop * kWidth, s.end(), kWhite) >
               static_cast<long>(s.size()) - kTop * kWidth - 1000;
      },
      3s));
  EXPECT_TRUE(PortalFiles(session_.Home()).empty());
}

TEST_P(PenvoWayland, AStrokeInTheDefaultPenAndOneAfterAColourKey) {
  Stroke(100, 200, 400, 200);
  EXPECT_TRUE(session_.WaitForPixel(250, 200, [](Rgb c) { return c != kWhite; }));
  const Rgb first = session_.Pixel(250, 200);
  session_.Key("y");
  Stroke(100, 400, 400, 400);
  EXPECT_TRUE(session_.WaitForPixel(250, 400, kYellow));
  EXPECT_NE(first, kYellow);
  EXPECT_EQ(session_.Pixel(250, 300), kWhite);
}

TEST_P(PenvoWayland, UndoAndSpaceShowTheDesktopAsItNowIs) {
  session_.Key("y");
  Stroke(100, 300, 400, 300);
  ASSERT_TRUE(session_.WaitForPixel(250, 300, kYellow));
  // Undo lays the desktop as it now is (black) beneath what is left: nothing.
  RefreshKey("BackSpace");
  EXPECT_TRUE(session_.WaitForPixel(250, 300, kBlack));
  EXPECT_TRUE(session_.WaitForPixel(600, 500, kBlack));
  // Opaque yellow over black; a new desktop beneath it after Space.
  session_.Key("o");
  Stroke(100, 300, 400, 300);
  ASSERT_TRUE(session_.WaitForPixel(250, 300, kYellow));
  session_.SetBackground(kBlue);
  RefreshKey("space");
  EXPECT_TRUE(session_.WaitForPixel(600, 500, kBlue));
  EXPECT_EQ(session_.Pixel(250, 300), kYellow);
  const WaylandWindow back = session_.WaitForWindow("FormPenvo");
  EXPECT_TRUE(back.fullscreen);
  EXPECT_TRUE(back.focused);
  EXPECT_TRUE(PortalFiles(session_.Home()).empty());
}

TEST_P(PenvoWayland, ASecondStartLeavesOneOverlayAndTheOptionsAreKeptForTheNextStart) {
  session_.Key("7");
  session_.Key("a");
  Stroke(100, 300, 400, 300);
  ASSERT_TRUE(session_.WaitForPixel(250, 300, [](Rgb c) { return c != kWhite; }));
  const pid_t second = session_.Start(ProgramPath("penvo"));
  EXPECT_EQ(session_.WaitExit(second, 10s), 0);
  EXPECT_EQ(session_.Windows("FormPenvo").size(), 1u);
  EXPECT_TRUE(session_.WaitForWindow("FormPenvo").focused);
  EXPECT_EQ(session_.Stop(pid_, 10s), 0);
  const std::string stored = StoredOptions();
  EXPECT_NE(stored.find("\"EditWidth\"=\"7\""), std::string::npos) << stored;
  EXPECT_NE(stored.find("\"EditColor\"=\"$ffff00\""), std::string::npos) << stored;
}

// Any other key leaves the overlay (GNOME minimizes it; sway has no minimize and leaves it
// where it is); a start brings it back over the desktop as it now is.
TEST_P(PenvoWayland, AStartBringsTheOverlayBackAfterAKeyLeftIt) {
  session_.Key("q");
  if (GetParam() == Compositor::Gnome) {
    EXPECT_TRUE(Session::WaitFor(
        [&] {
          const auto all = session_.Windows("FormPenvo");
          return all.size() == 1 && !all[0].visible;
        },
        5s))
        << "not minimized";
  }
  session_.SetBackground(kBlue);
  const pid_t second = session_.Start(ProgramPath("penvo"));
  EXPECT_EQ(session_.WaitExit(second, 10s), 0);
  EXPECT_TRUE(Session::WaitFor(
      [&] {
        const auto all = session_.Windows("FormPenvo");
        return all.size() == 1 && all[0].visible && all[0].focused && all[0].fullscreen;
      },
      10s));
  EXPECT_TRUE(session_.WaitForPixel(600, 500, kBlue));
  EXPECT_TRUE(session_.Running(pid_)) << "the running Penvo ended";
}

// Sway keeps a new window behind a full-screen one; the options window stands inside the
// overlay, centred on the mouse, and stays above it while the user draws.
TEST_P(PenvoWayland, TheOptionsWindowComesUpAtTheMouseAboveTheOverlayAndStaysAfterAClick) {
  session_.Move(500, 300);
  session_.Press(3);
  session_.Release(3);
  // Its face, in the window's colour, across the mouse's row; the desktop above and below.
  const auto shown = [](const std::vector<Rgb>& s) {
    int face = 0;
    for (int x = 150; x < 850; ++x) face += s[300 * kWidth + x] == kGrey;
    return face > 100 && s[200 * kWidth + 500] == kWhite && s[400 * kWidth + 500] == kWhite;
  };
  ASSERT_TRUE(session_.WaitForScreen(shown, 5s)) << "no options window at the mouse";
  EXPECT_EQ(session_.Windows("Penvo Options").size(), 0u) << "a window sway would put behind";
  session_.Key("y");
  Stroke(100, 600, 400, 600);
  EXPECT_TRUE(session_.WaitForPixel(250, 600, kYellow));
  EXPECT_TRUE(session_.WaitForScreen(shown, 2s)) << "the options window went";
  session_.Checkpoint("sway_options_window");
}

// The program on XWayland, as with QT_QPA_PLATFORM=xcb: an X client there reads black where
// Wayland windows are, so the picture comes from the portal too.
TEST(PenvoSwayXWayland, TheOverlayShowsTheDesktopAndDraws) {
  WaylandSession session(Compositor::Sway, kWidth, kHeight, kWhite);
  ASSERT_TRUE(session.Ready());
  const std::string display = session.XDisplay();
  ASSERT_FALSE(display.empty()) << "no XWayland";
  session.SetEnv("QT_QPA_PLATFORM", "xcb");
  session.SetEnv("DISPLAY", display);
  session.Start(ProgramPath("penvo"));
  const WaylandWindow overlay = session.WaitForWindow("FormPenvo");
  ASSERT_NE(overlay.id, 0);
  EXPECT_TRUE(overlay.fullscreen);
  ASSERT_TRUE(session.WaitForPixel(500, 400, kWhite));
  session.SetBackground(kBlack);
  session.Key("y");
  session.Drag({{100, 300}, {250, 300}, {400, 300}});
  EXPECT_TRUE(session.WaitForPixel(250, 300, kYellow));
  EXPECT_EQ(session.Pixel(600, 500), kWhite);
}

// No portal on the session bus: the overlay comes up at once over its own background, and a
// note at the mouse says what is missing.
class PenvoWaylandNoPortal : public ::testing::TestWithParam<Compositor> {
 protected:
  WaylandSession session_{GetParam(), kWidth, kHeight, kWhite};
};

TEST_P(PenvoWaylandNoPortal, TheOverlayComesUpPlainWithANote) {
  ASSERT_TRUE(session_.Ready());
  // A bus of its own without any services for the program.
  const fs::path config = session_.Home() / "bus.conf";
  std::ofstream(config) << "<busconfig><type>session</type><listen>unix:path="
                        << (session_.Home() / "runtime" / "bare-bus").string()
                        << "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
                           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
  const pid_t bus = session_.Start("dbus-daemon", {"--config-file=" + config.string(), "--nofork"});
  ASSERT_TRUE(Session::WaitFor(
      [&] { return fs::exists(session_.Home() / "runtime" / "bare-bus"); }, 5s));
  session_.SetEnv("DBUS_SESSION_BUS_ADDRESS",
                  "unix:path=" + (session_.Home() / "runtime" / "bare-bus").string());
  session_.Move(500, 400);
  session_.Start(ProgramPath("penvo"));
  const WaylandWindow overlay = session_.WaitForWindow("FormPenvo", 10s);
  ASSERT_NE(overlay.id, 0);
  EXPECT_TRUE(session_.WaitForPixel(900, 700, kGrey));
  // The note: neither the overlay's grey nor the desktop, more of it than the pointer. Where it
  // stands is not checked: under the sanitizers the window is sometimes still small when the
  // note comes (a fault left open).
  EXPECT_TRUE(session_.WaitForScreen(
      [](const std::vector<Rgb>& s) {
        return std::count_if(s.begin(), s.end(),
                             [](Rgb c) { return c != kGrey && c != kWhite; }) > 2000;
      },
      5s));
  session_.Checkpoint("no_portal_note_" + Name(GetParam()));
  session_.Stop(bus);
}

std::string CompositorName(const ::testing::TestParamInfo<Compositor>& info) {
  return Name(info.param);
}
INSTANTIATE_TEST_SUITE_P(Sessions, PenvoWayland,
                         ::testing::Values(Compositor::Sway, Compositor::Gnome), CompositorName);
INSTANTIATE_TEST_SUITE_P(Sessions, PenvoWaylandNoPortal,
                         ::testing::Values(Compositor::Sway, Compositor::Gnome), CompositorName);

}  // namespace
}  // namespace penvo::e2e
