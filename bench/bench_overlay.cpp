// The program as a user meets it, on a virtual X display with a window manager:
//   start-up: from process start to the overlay on the screen;
//   per mouse move during a free-hand gesture (width 20, mode 12): the program's CPU time and
//   the time from the move to the changed pixel on the screen;
//   refresh: from the Space key to the overlay showing the desktop as it now is.
// Each beside a baseline from the same run: start-up of the toolkit's demo form, and the same
// moves without a gesture (what receiving them costs). Prints medians (and p95 for latency).
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/Harness.h"

namespace {

using namespace penvo::e2e;
using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}
double P95(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[std::min(v.size() - 1, v.size() * 95 / 100)];
}

// CPU time of a process in nanoseconds (/proc/PID/schedstat: time on CPU).
double CpuNs(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
  double ns = 0;
  in >> ns;
  return ns;
}

// Moves the pointer and waits until the X server has it there.
void MoveTo(Display* dpy, int x, int y) {
  XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
  for (;;) {
    Window root, child;
    int rx, ry, wx, wy;
    unsigned mask;
    XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &rx, &ry, &wx, &wy, &mask);
    if (rx == x && ry == y) return;
  }
}

double StartUp(const std::string& program, const std::string& windowClass) {
  Session session(1920, 1080);
  const auto t0 = Clock::now();
  const pid_t pid = session.Start(ProgramPath(program));
  const unsigned long w = session.WaitForWindow(windowClass, std::chrono::seconds(10));
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  session.Stop(pid);
  return w ? ms : -1;
}

// Waits until the program has used no CPU for a while (it has handled every event).
void Settle(pid_t pid) {
  double last = CpuNs(pid);
  for (int quiet = 0; quiet < 5;) {
    Session::WaitFor([] { return false; }, std::chrono::milliseconds(20));
    const double now = CpuNs(pid);
    quiet = now == last ? quiet + 1 : 0;
    last = now;
  }
}

struct MoveFigures {
  double cpuUsPerMoveGesture = 0, cpuUsPerMoveIdle = 0;
  std::vector<double> latencyMs;
};

// Penvo started on a white desktop: its overlay window (0 when it did not come up).
unsigned long StartOnWhite(Session& session, pid_t& pid) {
  session.SetBackground([](int, int) { return 0xFFFFFF; });
  pid = session.Start(ProgramPath("penvo"));
  return session.WaitForWindow("TFormPenvo");
}

MoveFigures Moves(bool latencyOnly = false) {
  MoveFigures f;
  Session session(1920, 1080);
  pid_t pid = -1;
  const unsigned long w = StartOnWhite(session, pid);
  if (!w) return f;
  const Rect g = session.Geometry(w);
  Display* dpy = XOpenDisplay(session.DisplayName().c_str());
  session.Xdotool({"key", "y"});  // a yellow pen: mode 12 on white shows yellow
  constexpr int kMoves = 3000;
  // A zig-zag of short strokes (40 pixels across, one pixel down per move), as a quick hand
  // scribbles.
  const auto zigzag = [&](int i) {
    return std::pair<int, int>{g.x + 100 + (i % 2) * 40 + (i / 800) * 60, g.y + 100 + i % 800};
  };
  const auto moves = [&](bool pressed) {
    Settle(pid);
    const double before = CpuNs(pid);
    XTestFakeMotionEvent(dpy, -1, zigzag(0).first, zigzag(0).second, CurrentTime);
    if (pressed) XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
    // A mouse at 1 kHz: one move a millisecond, each once the X server has handled the one
    // before (a flood of moves faster than anything reads them gets merged on the way).
    const auto start = Clock::now();
    for (int i = 1; i <= kMoves; ++i) {
      MoveTo(dpy, zigzag(i).first, zigzag(i).second);
      std::this_thread::sleep_until(start + std::chrono::milliseconds(i));
    }
    if (pressed) XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
    XSync(dpy, False);
    Settle(pid);
    return (CpuNs(pid) - before) / 1000.0 / kMoves;
  };
  if (!latencyOnly) {
    f.cpuUsPerMoveIdle = moves(false);
    f.cpuUsPerMoveGesture = moves(true);
  }
  session.Checkpoint("bench_after_moves");

  // Latency: each move to a fresh white spot, timed until that spot shows the line.
  session.Xdotool({"key", "space"});
  Settle(pid);
  int x = g.x + 50, y = g.y + g.h - 60;
  XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
  XSync(dpy, False);
  for (int i = 0; i < 200; ++i) {
    x += 8;
    if (x > g.x + g.w - 50) break;
    const auto t0 = Clock::now();
    XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
    XFlush(dpy);
    // Polled without pause: each look at the pixel is a round trip to the X server.
    while (session.Pixel(x - 4, y) != 0xFFFF00 && Clock::now() - t0 < std::chrono::seconds(1)) {
    }
    if (session.Pixel(x - 4, y) == 0xFFFF00)
      f.latencyMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
  XSync(dpy, False);
  XCloseDisplay(dpy);
  session.Stop(pid);
  return f;
}

// Key to refreshed picture: a window of the desktop moves beneath the overlay, Space is pressed,
// the time runs until the overlay shows the window at its new place. Beside it, the time until
// the overlay has left the screen (what the window manager takes to iconify it).
struct RefreshFigures {
  std::vector<double> pictureMs, goneMs;
};

RefreshFigures Refreshes() {
  RefreshFigures f;
  Session session(1920, 1080);
  pid_t pid = -1;
  const unsigned long w = StartOnWhite(session, pid);
  if (!w) return f;
  const Rect g = session.Geometry(w);
  Display* dpy = XOpenDisplay(session.DisplayName().c_str());
  const KeyCode space = XKeysymToKeycode(dpy, XK_space);
  const unsigned long box = session.CreateBox({g.x + 100, g.y + 100, 80, 80}, 0x00FF00);
  for (int i = 0; i < 20; ++i) {
    Settle(pid);
    const int x = g.x + 100 + (i % 2) * 400, y = g.y + 100;
    session.MoveBox(box, x, y);
    const int maps = session.MapCount(w);
    const auto t0 = Clock::now();
    XTestFakeKeyEvent(dpy, space, True, CurrentTime);
    XTestFakeKeyEvent(dpy, space, False, CurrentTime);
    XFlush(dpy);
    const bool gone =
        Session::WaitFor([&] { return !session.Viewable(w); }, std::chrono::seconds(3));
    const auto t1 = Clock::now();
    const bool shown = Session::WaitFor(
        [&] { return session.MapCount(w) > maps && session.Pixel(x + 40, y + 40) == 0x00FF00; },
        std::chrono::seconds(3));
    if (!gone || !shown) continue;
    f.goneMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    f.pictureMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  XCloseDisplay(dpy);
  session.Stop(pid);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "refresh") {  // the refreshes only
    const RefreshFigures f = Refreshes();
    std::printf("Space to refreshed picture: median %.1f ms, p95 %.1f ms (overlay gone: %.1f ms)\n",
                Median(f.pictureMs), P95(f.pictureMs), Median(f.goneMs));
    return 0;
  }
  if (argc > 1) {  // any other argument: one run of the moves only ("latency": of the latency only)
    const MoveFigures f = Moves(std::string(argv[1]) == "latency");
    std::printf(
        "CPU per move %.1f us (without a gesture %.1f us); latency median %.2f ms, p95 "
        "%.2f ms (%zu moves)\n",
        f.cpuUsPerMoveGesture, f.cpuUsPerMoveIdle, Median(f.latencyMs), P95(f.latencyMs),
        f.latencyMs.size());
    return 0;
  }
  std::vector<double> penvo, demo;
  for (int i = 0; i < 5; ++i) {
    penvo.push_back(StartUp("penvo", "TFormPenvo"));
    demo.push_back(StartUp("demo_form", "TDemoForm"));
  }
  std::printf(
      "start-up to the overlay on screen: median %.1f ms (baseline, the toolkit's demo "
      "form: %.1f ms)\n",
      Median(penvo), Median(demo));
  std::vector<double> gesture, idle, latency;
  for (int i = 0; i < 3; ++i) {
    const MoveFigures f = Moves();
    gesture.push_back(f.cpuUsPerMoveGesture);
    idle.push_back(f.cpuUsPerMoveIdle);
    latency.insert(latency.end(), f.latencyMs.begin(), f.latencyMs.end());
  }
  std::printf(
      "program CPU per move, free-hand width 20 mode 12: median %.1f us (%.1f ms per 1000 "
      "moves; baseline, the same moves without a gesture: %.1f us)\n",
      Median(gesture), Median(gesture), Median(idle));
  std::printf("move to pixel on screen: median %.2f ms, p95 %.2f ms (%zu moves)\n", Median(latency),
              P95(latency), latency.size());
  const RefreshFigures r = Refreshes();
  std::printf(
      "Space to refreshed picture: median %.1f ms, p95 %.1f ms (%zu refreshes; of it, until the "
      "overlay has left the screen: %.1f ms)\n",
      Median(r.pictureMs), P95(r.pictureMs), r.pictureMs.size(), Median(r.goneMs));
  return 0;
}
