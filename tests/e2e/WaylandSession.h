// End-to-end test session on Wayland, with its own session bus, PipeWire and the desktop
// portal, programs started in it as a person starts them, and one pointer and one keyboard for
// the whole session:
// - headless sway (wlroots), with the portal's wlr and gtk backends: input through a virtual
//   pointer and keyboard (tests/e2e/wayland/wl_input), the screen read back with grim;
// - headless GNOME Shell, with the portal's gnome backend and a private system bus (the shell
//   asks logind otherwise): input through mutter's remote desktop, the screen read back
//   through the portal, the windows listed by a test-only shell extension
//   (tests/e2e/wayland/gnome_input, tests/e2e/wayland/penvo-test@penvo).
//
// Compositors refuse to run as root, and CI runs as root: then the whole session and every
// program in it run as the unprivileged user "nobody", in a home directory of the test's own.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/Harness.h"

namespace penvo::e2e {

enum class Compositor { Sway, Gnome };
std::string Name(Compositor c);

// A window as the compositor lists it.
struct WaylandWindow {
  long id = 0;  // 0: none
  std::string title;
  Rect rect;
  bool focused = false;
  bool fullscreen = false;
  bool visible = false;
};

class WaylandSession {
 public:
  // Starts the session on a screen of width x height pixels whose desktop is one colour.
  WaylandSession(Compositor compositor, int width, int height, Rgb background);
  ~WaylandSession();
  WaylandSession(const WaylandSession&) = delete;
  WaylandSession& operator=(const WaylandSession&) = delete;

  // Whether the session came up (it needs the compositor and the portal installed).
  bool Ready() const { return ready_; }
  const std::filesystem::path& Home() const { return home_; }
  std::filesystem::path RegistryDir() const { return home_ / "registry"; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // The X display of the session's XWayland (started on demand); empty when there is none.
  std::string XDisplay();

  // The desktop's colour from now on.
  void SetBackground(Rgb colour);

  // Sets a variable for every program started from now on.
  void SetEnv(const std::string& key, const std::string& value);
  pid_t Start(const std::string& program, const std::vector<std::string>& args = {});
  std::optional<int> WaitExit(pid_t pid, Millis deadline = 5s);
  // SIGTERM, then waits; kills at the deadline.
  std::optional<int> Stop(pid_t pid, Millis deadline = 5s);
  bool Running(pid_t pid);

  Compositor Kind() const { return compositor_; }

  // The windows whose title is title, as the compositor lists them.
  std::vector<WaylandWindow> Windows(const std::string& title);
  // The first such window once it is visible; id 0 at the deadline.
  WaylandWindow WaitForWindow(const std::string& title, Millis deadline = 10s);

  // Input, each handled by the compositor before the call returns.
  void Move(int x, int y);
  void Press(int button = 1);
  void Release(int button = 1);
  // A press-drag-release through the points with the button.
  void Drag(const std::vector<std::pair<int, int>>& points, int button = 1);
  // A key, with modifiers: "y", "BackSpace", "ctrl+BackSpace", "space".
  void Key(const std::string& combo);

  // The screen as it is now (0xRRGGBB per pixel, row after row); empty when grim failed.
  std::vector<Rgb> Screen();
  Rgb Pixel(int x, int y);
  bool WaitForPixel(int x, int y, const std::function<bool(Rgb)>& pred, Millis deadline = 5s);
  bool WaitForPixel(int x, int y, Rgb expected, Millis deadline = 5s) {
    return WaitForPixel(x, y, [expected](Rgb c) { return c == expected; }, deadline);
  }
  // Waits until cond holds on the whole screen; false at the deadline.
  bool WaitForScreen(const std::function<bool(const std::vector<Rgb>&)>& cond,
                     Millis deadline = 5s);
  // Writes the screen as a PNG, for a person to look at, when $PENVO_E2E_SHOTS is set.
  void Checkpoint(const std::string& name);

  std::string Log() const;

 private:
  void Note(const std::string& text);
  std::vector<std::string> Environment() const;
  // The sanitizers' settings for the session's programs, once (sanitizerEnv_).
  void PrepareSanitizers();
  pid_t Spawn(const std::vector<std::string>& argv, int stdinFd = -1, int stdoutFd = -1);
  // Runs a program of the session to its end; its standard output.
  std::string Output(const std::vector<std::string>& argv);
  std::string Swaymsg(const std::vector<std::string>& args);
  bool StartSway(Rgb background);
  bool StartGnome(Rgb background);
  // The answer to a command of the input program ("ok ..." without the "ok"); nullopt on an
  // error.
  std::optional<std::string> Ask(const std::string& command);
  bool Input(const std::string& command);
  void Own(const std::filesystem::path& path);
  // A path of file that the session's user can run or read.
  std::string Reachable(const std::string& file);

  std::filesystem::path home_, runtime_, log_;
  Compositor compositor_;
  int width_, height_;
  bool ready_ = false;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool switchUser_ = false;
  std::string bus_, wayland_, swaysock_;
  pid_t session_ = -1, systemBus_ = -1, input_ = -1;
  int inputIn_ = -1, inputOut_ = -1;
  std::string pending_;  // what the input program said beyond its last answer
  ChildProcesses programs_;
  std::vector<std::pair<std::string, std::string>> extraEnv_;
  std::vector<std::pair<std::string, std::string>> sanitizerEnv_;
};

}  // namespace penvo::e2e
