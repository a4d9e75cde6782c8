// Ctrl+S as a user meets it, on a virtual X display with a window manager: the time from the
// key press to the PNG file in the Pictures folder, at full HD and at 4K, over a desktop of
// gradients with a textured pattern (a mix of flat and busy areas, as a real desktop has) and
// one stroke. Prints the median of 10 saves and the file's size.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/Harness.h"

namespace {

using namespace penvo::e2e;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

std::size_t CountPngs(const fs::path& dir) {
  std::error_code error;
  std::size_t n = 0;
  for (const auto& e : fs::directory_iterator(dir, error)) n += e.path().extension() == ".png";
  return n;
}

void Saves(int width, int height) {
  Session session(width, height);
  session.SetBackground([&](int x, int y) {
    const Rgb gradient = static_cast<Rgb>((x * 255 / width) << 16 | (y * 255 / height) << 8);
    // The right third is busy: a pattern that changes from pixel to pixel.
    return x > width * 2 / 3 ? gradient | static_cast<Rgb>((x ^ y) * 7 & 0xFF) : gradient;
  });
  const pid_t pid = session.Start(ProgramPath("penvo"));
  const unsigned long w = session.WaitForWindow("TFormPenvo");
  if (!w) {
    std::printf("%dx%d: the overlay did not come up\n", width, height);
    return;
  }
  const Rect g = session.Geometry(w);
  session.Xdotool({"key", "y"});
  session.Drag({{g.x + 100, g.y + 100}, {g.x + 600, g.y + 400}, {g.x + 900, g.y + 200}});
  Display* dpy = XOpenDisplay(session.DisplayName().c_str());
  const KeyCode ctrl = XKeysymToKeycode(dpy, XK_Control_L), s = XKeysymToKeycode(dpy, XK_s);
  const fs::path pictures = session.Home() / "Pictures";
  std::vector<double> ms;
  for (int i = 0; i < 10; ++i) {
    const std::size_t before = CountPngs(pictures);
    const auto t0 = Clock::now();
    XTestFakeKeyEvent(dpy, ctrl, True, CurrentTime);
    XTestFakeKeyEvent(dpy, s, True, CurrentTime);
    XTestFakeKeyEvent(dpy, s, False, CurrentTime);
    XTestFakeKeyEvent(dpy, ctrl, False, CurrentTime);
    XFlush(dpy);
    // Polled without pause: the file appears whole, under its name, in one step.
    while (CountPngs(pictures) == before && Clock::now() - t0 < std::chrono::seconds(10)) {
    }
    if (CountPngs(pictures) > before)
      ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  std::uintmax_t bytes = 0;
  std::error_code error;
  for (const auto& e : fs::directory_iterator(pictures, error)) bytes = e.file_size();
  std::printf("%dx%d: Ctrl+S to the file on disk: median %.1f ms (%zu saves; %.2f MB a file)\n",
              g.w, g.h, Median(ms), ms.size(), static_cast<double>(bytes) / 1e6);
  XCloseDisplay(dpy);
  session.Stop(pid);
}

}  // namespace

int main() {
  Saves(1920, 1080);
  Saves(3840, 2160);
  return 0;
}
