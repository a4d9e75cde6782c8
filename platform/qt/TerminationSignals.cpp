#include "platform/TerminationSignals.h"

#include "platform/Forms.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace penvo {

namespace {

int gSignalPipe[2] = {-1, -1};

// A signal handler may do almost nothing; it writes one byte, and the message loop reads it.
void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

}  // namespace

void EndOnTerminationSignals() {
  if (gSignalPipe[0] >= 0 || ::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, [] {
    char buf[16];
    while (::read(gSignalPipe[0], buf, sizeof buf) > 0) {
    }
    if (Application()) Application()->Terminate();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

}  // namespace penvo
