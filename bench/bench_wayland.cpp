// The program as a user meets it in each kind of Linux session, on screens of one size
// (1920x1080): X11 (Xvfb with openbox), headless sway and headless GNOME Shell. For each: the
// time from the process's start to its overlay on the screen, the time from Space to the
// overlay back over a fresh picture, and the resident memory at idle after that refresh; five
// starts each, medians printed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/Harness.h"
#include "tests/e2e/WaylandSession.h"

namespace {

using namespace penvo::e2e;
using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1920, kHeight = 1080, kRuns = 5;

double Median(std::vector<double> v) {
  std::erase(v, -1);
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

double Since(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Resident memory of the process in MB, from the kernel's status file.
double ResidentMb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return -1;
}

struct Figures {
  std::vector<double> start, refresh, memory;
};

void Print(const char* name, const Figures& f) {
  std::printf("%-8s start %7.1f ms   Space %7.1f ms   idle %6.1f MB\n", name, Median(f.start),
              Median(f.refresh), Median(f.memory));
}

void X11Run(Figures& f) {
  Session session(kWidth, kHeight);
  const auto t0 = Clock::now();
  const pid_t pid = session.Start(ProgramPath("penvo"));
  const unsigned long w = session.WaitForWindow("TFormPenvo", std::chrono::seconds(20));
  if (!w) return;
  f.start.push_back(Since(t0));
  const int maps = session.MapCount(w);
  const auto t1 = Clock::now();
  session.Xdotool({"key", "space"});
  if (Session::WaitFor([&] { return session.MapCount(w) > maps && session.Focused(w); },
                       std::chrono::seconds(10)))
    f.refresh.push_back(Since(t1));
  f.memory.push_back(ResidentMb(pid));
  session.Stop(pid);
}

void WaylandRun(Compositor c, Figures& f) {
  WaylandSession session(c, kWidth, kHeight, 0xFFFFFF);
  if (!session.Ready()) return;
  const auto t0 = Clock::now();
  const pid_t pid = session.Start(ProgramPath("penvo"));
  const WaylandWindow w = session.WaitForWindow("FormPenvo", std::chrono::seconds(20));
  if (!w.id) return;
  f.start.push_back(Since(t0));
  const auto t1 = Clock::now();
  session.Key("space");
  if (Session::WaitFor(
          [&] {
            const auto all = session.Windows("FormPenvo");
            return all.size() == 1 && all[0].id != w.id && all[0].focused && all[0].fullscreen;
          },
          std::chrono::seconds(10)))
    f.refresh.push_back(Since(t1));
  f.memory.push_back(ResidentMb(pid));
  session.Stop(pid);
}

}  // namespace

int main() {
  Figures x11, sway, gnome;
  for (int i = 0; i < kRuns; ++i) {
    X11Run(x11);
    WaylandRun(Compositor::Sway, sway);
    WaylandRun(Compositor::Gnome, gnome);
  }
  std::printf("%dx%d, medians of %d starts each\n", kWidth, kHeight, kRuns);
  Print("X11", x11);
  Print("sway", sway);
  Print("GNOME", gnome);
  return 0;
}
