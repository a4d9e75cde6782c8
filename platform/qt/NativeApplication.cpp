// The Qt peer of the application: the message loop, waits, pictures of the screen, the mouse,
// message boxes.
#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtMath>

#include "platform/Forms.h"
#include "platform/Native.h"
#include "platform/qt/Bridge.h"

namespace penvo {

namespace qt {

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

QPoint ToDevice(QPoint Global, const QScreen* Screen) {
  if (!Screen) return Global;
  const QPoint origin = Screen->geometry().topLeft();
  const qreal dpr = Screen->devicePixelRatio();
  return origin + QPoint(qRound((Global.x() - origin.x()) * dpr),
                         qRound((Global.y() - origin.y()) * dpr));
}

TImage KeepImage(QImage Image) {
  Image.convertTo(QImage::Format_RGB32);
  auto image = std::make_shared<QImage>(std::move(Image));
  TImage picture;
  picture.Pixels = {reinterpret_cast<std::uint32_t*>(image->bits()), image->width(),
                    image->height(), static_cast<int>(image->bytesPerLine() / 4)};
  picture.Keep = std::move(image);
  return picture;
}

TImage GrabScreen(QScreen* Screen) {
  if (!Screen) return {};
  const QRect r = Screen->geometry();
  // Window 0 is the whole desktop; the area is relative to the screen.
  return KeepImage(Screen->grabWindow(0, 0, 0, r.width(), r.height()).toImage());
}

namespace {

constexpr const char* kNoDecorations = "QT_WAYLAND_DISABLE_WINDOWDECORATION";
bool gDecorationsOff = false;  // by us, until the first window has shown

// Qt's Wayland plugin starts Mesa's EGL only to draw title bars of its own (50 MB resident at
// 1920x1080, and a fifth of a second at every start). Penvo's windows need none: the overlay is
// full screen and the options window has its frame inside it; compositors that draw title bars
// themselves (KDE, sway) still do for a message box. Qt reads the setting as it shows its first
// window; programs started later (the help page's browser) must not inherit it.
int& BeforeQt(int& argc) {
  if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && !qEnvironmentVariableIsSet(kNoDecorations)) {
    qputenv(kNoDecorations, "1");
    gDecorationsOff = true;
  }
  return argc;
}

}  // namespace

void FirstWindowShown() {
  if (!gDecorationsOff) return;
  qunsetenv(kNoDecorations);
  gDecorationsOff = false;
}

namespace {

class ApplicationPeer : public TNativeApplication {
 public:
  ApplicationPeer(int& argc, char** argv, std::function<void(bool)> activation)
      : app_(BeforeQt(argc), argv) {
    // Every mouse move the window system delivers must reach the forms: a quick zig-zag keeps
    // its corners only if no move is merged into the next. Set after the application is made:
    // the X11 platform plugin turns merging on while it starts.
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, false);
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&app_, &QGuiApplication::applicationStateChanged,
                     [activation = std::move(activation)](Qt::ApplicationState state) {
                       activation(state == Qt::ApplicationActive);
                     });
    clock_.start();
  }

  void Exec() override { QApplication::exec(); }
  void Exit() override { QCoreApplication::exit(0); }
  void ProcessEvents() override { QCoreApplication::processEvents(); }
  bool WaitUntil(const std::function<bool()>& Done, int DeadlineMs) override {
    return qt::WaitUntil(Done, DeadlineMs);
  }
  void CallLater(int Ms, std::function<void()> Fn) override {
    QTimer::singleShot(Ms, Qt::PreciseTimer, &app_, std::move(Fn));
  }
  std::int64_t NowMs() const override { return clock_.elapsed(); }

  TImage GrabScreen() override { return qt::GrabScreen(QGuiApplication::primaryScreen()); }

  TRect PrimaryScreenRect() const override {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect r = screen ? screen->geometry() : QRect();
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  }

  std::vector<TRect> Monitors() const override {
    std::vector<TRect> monitors{PrimaryScreenRect()};
    for (QScreen* s : QGuiApplication::screens())
      if (s != QGuiApplication::primaryScreen()) {
        const QRect r = s->geometry();
        monitors.push_back({r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
      }
    return monitors;
  }

  TPoint MousePos() const override {
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
  }

  TErrorAnswer ShowWriteError(const std::string& Text) override {
    QMessageBox box(QMessageBox::Critical, "Error", ToQ(Text));
    // One role for both keeps them in this order whatever the desktop's button layout says.
    QPushButton* cancel = box.addButton("Cancel", QMessageBox::ActionRole);
    box.addButton("Yes to &All", QMessageBox::ActionRole);
    box.setEscapeButton(cancel);
    box.setDefaultButton(static_cast<QPushButton*>(nullptr));
    for (QAbstractButton* b : box.buttons())
      if (auto* p = qobject_cast<QPushButton*>(b)) p->setAutoDefault(false);
    box.exec();
    return box.clickedButton() && box.clickedButton() != cancel ? TErrorAnswer::YesToAll
                                                                : TErrorAnswer::Cancel;
  }

  void ShowException(const std::string& Message) override {
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(),
                          ToQ(Message));
  }

 private:
  QApplication app_;
  QElapsedTimer clock_;
};

}  // namespace
}  // namespace qt

std::unique_ptr<TNativeApplication> NewNativeApplication(int& argc, char** argv,
                                                         std::function<void(bool)> Activation) {
  return std::make_unique<qt::ApplicationPeer>(argc, argv, std::move(Activation));
}

}  // namespace penvo
