// Start-up of the program as a user meets it, the Linux program and the Windows program under
// Wine side by side on one virtual X display (1920x1080, openbox): from the process's start to
// its overlay window on the screen, alternating the two, ten starts each. Wine's server stays
// up between the Windows starts (as on a desktop where Wine has run before). Prints medians.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/WineSession.h"

namespace {

using namespace penvo::e2e;
using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

double Since(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Milliseconds until the overlay shows, -1 when it did not; the program is ended afterwards.
double LinuxStart(Session& session) {
  const auto t0 = Clock::now();
  const pid_t pid = session.Start(ProgramPath("penvo"));
  const unsigned long w = session.WaitForWindow("TFormPenvo", std::chrono::seconds(20));
  const double ms = Since(t0);
  session.Stop(pid);
  return w ? ms : -1;
}

double WindowsStart(WineSession& session, const std::string& exe) {
  const auto t0 = Clock::now();
  const pid_t pid = session.StartWindows(exe);
  const unsigned long w = session.WaitForWindowNamed("FormPenvo", std::chrono::seconds(60));
  const double ms = Since(t0);
  if (w) session.Close(w);
  if (!session.WaitExit(pid, std::chrono::seconds(20))) session.Stop(pid);
  return w ? ms : -1;
}

}  // namespace

int main() {
  WineTemplate prefix;
  prefix.SetUp();
  {
    WineSession session(1920, 1080);
    const std::string exe = WindowsProgramPath();
    WindowsStart(session, exe);  // Wine's server and the prefix's first start, not counted
    std::vector<double> linux, windows;
    for (int i = 0; i < 10; ++i) {
      linux.push_back(LinuxStart(session));
      windows.push_back(WindowsStart(session, exe));
    }
    std::printf("start-up to the overlay on screen, 1920x1080, median of %zu starts:\n",
                linux.size());
    std::printf("  Linux program (Qt):          %8.1f ms\n", Median(linux));
    std::printf("  Windows program under Wine:  %8.1f ms\n", Median(windows));
    session.EndWine();
  }
  prefix.TearDown();
  return 0;
}
