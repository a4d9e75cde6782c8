#include "platform/qt/ScreenGrab.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstring>

namespace penvo::qt {

QRect PrimaryScreenRect() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry() : QRect();
}

QImage GrabScreen() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  const QRect r = screen->geometry();
  // Window 0 is the whole desktop; the area is relative to the screen.
  return screen->grabWindow(0, 0, 0, r.width(), r.height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

namespace {

bool SameImage(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.format() != b.format()) return false;
  for (int y = 0; y < a.height(); ++y)
    if (std::memcmp(a.constScanLine(y), b.constScanLine(y),
                    static_cast<std::size_t>(a.width()) * 4) != 0)
      return false;
  return true;
}

}  // namespace

QImage GrabSettledScreen(int deadlineMs) {
  QElapsedTimer clock;
  clock.start();
  QImage previous = GrabScreen();
  for (;;) {
    // Let the windows beneath repaint (they are other programs; only time tells).
    WaitUntil([] { return false; }, 12);
    QImage next = GrabScreen();
    if (SameImage(previous, next) || clock.elapsed() >= deadlineMs) return next;
    previous = std::move(next);
  }
}

bool WaitUntil(const std::function<bool()>& done, int deadlineMs) {
  if (done()) return true;
  QElapsedTimer clock;
  clock.start();
  QEventLoop loop;
  QTimer check;
  // Events are handled in between; user input waits for the end of the wait.
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (done() || clock.elapsed() >= deadlineMs) loop.quit();
  });
  check.start(2);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  return done();
}

}  // namespace penvo::qt
