// End-to-end test harness: a virtual X display (Xvfb) with a window manager (openbox), a
// program started on it with its own HOME and settings directories, input through xdotool (and
// XTest for drags) as a person would give it, and the screen's pixels read back. Every wait has a
// deadline; nothing sleeps a fixed time.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace penvo::e2e {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// 0x00RRGGBB, as the screen holds it.
using Rgb = std::uint32_t;

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};

// The programs a session started, and how each ended: the one place that reaps them.
class ChildProcesses {
 public:
  void Add(pid_t pid) { running_.push_back(pid); }
  const std::vector<pid_t>& All() const { return running_; }
  // Whether the program still runs (an ended one is reaped and its status kept).
  bool Running(pid_t pid);
  // Its exit status (128 + the signal for one ended by a signal), or nullopt at the deadline.
  std::optional<int> WaitExit(pid_t pid, Millis deadline);
  // Asks it to end (SIGTERM) and waits; kills it at the deadline, saying so through note.
  std::optional<int> Stop(pid_t pid, Millis deadline,
                          const std::function<void(const std::string&)>& note);

 private:
  std::vector<pid_t> running_;
  std::map<pid_t, int> exitStatus_;
};

class Session {
 public:
  // Starts Xvfb (width x height, 24 bits) and openbox; fails the test when they do not come up.
  explicit Session(int width = 1024, int height = 768);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const std::filesystem::path& Home() const { return home_; }
  // The directory the program's registry lives in ($QINI_REGISTRY_DIR).
  std::filesystem::path RegistryDir() const { return home_ / "registry"; }
  std::string DisplayName() const { return ":" + std::to_string(display_); }

  // Makes the screen a row of monitors (RandR monitors, as a desktop with several does).
  void SetMonitors(const std::vector<Rect>& monitors);
  // The desktop's scale, as desktops set it: the X resource Xft.dpi (96 is 100 %).
  void SetDpi(int dpi);

  // Paints the root window: f(x, y) gives each pixel's colour.
  void SetBackground(const std::function<Rgb(int x, int y)>& f);
  // A plain window of one colour that no window manager handles (an application of the
  // desktop, beneath the program's windows once they come up); it can be moved.
  unsigned long CreateBox(const Rect& where, Rgb colour);
  void MoveBox(unsigned long box, int x, int y);
  // Puts a box above every other window, or takes it off the screen.
  void RaiseBox(unsigned long box);
  void RemoveBox(unsigned long box);

  // Sets a variable in the environment of every program started from now on (on top of the
  // variables the session sets itself).
  void SetEnv(const std::string& key, const std::string& value);
  // Starts a program; its output goes to a log that a failing test prints. Returns its pid.
  pid_t Start(const std::string& program, const std::vector<std::string>& args = {});
  // Waits for the program to end; its exit status, or nullopt at the deadline.
  std::optional<int> WaitExit(pid_t pid, Millis deadline = 5s);
  // Runs a helper program to its end; its exit status, or nullopt when it was killed at the
  // deadline. Its output goes to the log.
  std::optional<int> Run(const std::vector<std::string>& argv, Millis deadline = 10s);
  // Asks the program to end (SIGTERM) and waits; kills it at the deadline.
  std::optional<int> Stop(pid_t pid, Millis deadline = 5s);
  bool Running(pid_t pid);

  // The top-level window whose WM_CLASS class is className, once it is mapped; 0 at deadline.
  unsigned long WaitForWindow(const std::string& className, Millis deadline = 10s);
  // All mapped client windows of that class.
  std::vector<unsigned long> Windows(const std::string& className);
  // The same by the window's title (_NET_WM_NAME, else WM_NAME), for programs whose windows all
  // share one class (Wine gives each window the program file's name).
  unsigned long WaitForWindowNamed(const std::string& title, Millis deadline = 10s);
  std::vector<unsigned long> WindowsNamed(const std::string& title);
  // Asks the window to close as the window manager's close box does (WM_DELETE_WINDOW).
  void Close(unsigned long window);
  // The window's client area on the screen.
  Rect Geometry(unsigned long window);
  // The window with the frame the window manager put around it (_NET_FRAME_EXTENTS).
  Rect Frame(unsigned long window);
  // The window's property of 32-bit items (of any type), empty when it has none; and for a list
  // of atoms, their names.
  std::vector<unsigned long> Property32(unsigned long window, const std::string& name);
  std::vector<std::string> AtomNames(unsigned long window, const std::string& name);
  // Whether the window is mapped (not minimized or hidden).
  bool Viewable(unsigned long window);
  // Whether the window has the keyboard.
  bool Focused(unsigned long window);
  // How often the window has been mapped since WaitForWindow found it (each restore maps it
  // again), counted from the X server's notifications, so that no short unmap is missed.
  int MapCount(unsigned long window);

  // Runs xdotool with these arguments on this display; fails the test when it fails.
  void Xdotool(const std::vector<std::string>& args);
  // A press-drag-release with the button through the given points (screen coordinates), each
  // move handled by the X server before the next; with a pace, the moves come no faster than
  // one per pace, as a mouse gives them.
  void Drag(const std::vector<std::pair<int, int>>& points, const std::string& button = "1",
            Millis pace = Millis(0));

  Rgb Pixel(int x, int y);
  // Waits until pred holds for the pixel; false at the deadline (the pixel is then reported).
  bool WaitForPixel(int x, int y, const std::function<bool(Rgb)>& pred, Millis deadline = 5s);
  bool WaitForPixel(int x, int y, Rgb expected, Millis deadline = 5s) {
    return WaitForPixel(
        x, y, [expected](Rgb c) { return c == expected; }, deadline);
  }
  // Waits until cond holds; false at the deadline.
  static bool WaitFor(const std::function<bool()>& cond, Millis deadline);

  // Writes a PNG of the screen (for a person to look at).
  void Screenshot(const std::filesystem::path& file);
  // With $PENVO_E2E_SHOTS set to a directory, saves the screen there as name.png.
  void Checkpoint(const std::string& name);
  // The log of everything started (program output and the harness's own notes).
  std::string Log() const;

 private:
  void Note(const std::string& text);
  // Counts the window's maps from now on (MapCount).
  void Track(unsigned long window);
  pid_t Spawn(const std::vector<std::string>& argv, bool quiet, int passFd = -1);

  std::filesystem::path home_;
  std::filesystem::path log_;
  int display_ = -1;
  pid_t xvfb_ = -1, wm_ = -1;
  ChildProcesses programs_;
  std::map<unsigned long, int> maps_;
  std::vector<std::pair<std::string, std::string>> extraEnv_;
  Display* dpy_ = nullptr;
};

// This process's environment for a child: without the variables named in Drop or in Set, then
// with those of Set, in their order.
std::vector<std::string> ChildEnvironment(
    const std::vector<std::string>& Drop,
    const std::vector<std::pair<std::string, std::string>>& Set);

// The texts as a null-terminated array of C strings, as exec and posix_spawn take them; valid
// while Texts lives unchanged.
std::vector<char*> CStrings(std::vector<std::string>& Texts);

// The program files the build made (their paths come from CMake).
std::string ProgramPath(const std::string& name);

}  // namespace penvo::e2e
