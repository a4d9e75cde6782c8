// Pictures leaving the program, over Qt: its PNG encoder, its clipboard and its tool tips.
#include "platform/Picture.h"

#include <QBuffer>
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QToolTip>
#include <QWidget>
#include <optional>

#include "platform/posix/AtomicFile.h"
#include "platform/qt/Bridge.h"
#include "platform/qt/WindowSystem.h"

namespace penvo {

namespace {

// The pixels as a QImage that shares their memory (valid while they are).
QImage Wrap(const TPixels& p) {
  return QImage(reinterpret_cast<const uchar*>(p.Bits), p.Width, p.Height,
                static_cast<qsizetype>(p.Stride) * 4, QImage::Format_RGB32);
}

// How long a note stays.
constexpr int kNoteMs = 4000;

}  // namespace

bool SavePng(const TPixels& Pixels, const std::string& Path, std::string& Error) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!Wrap(Pixels).save(&buffer, "PNG")) {
    Error = "the picture could not be encoded";
    return false;
  }
  return os::posix::CreateFileContent(Path, std::string_view(png.constData(), png.size()), Error);
}

void CopyToClipboard(const TPixels& Pixels) {
  // A copy of its own: the surface goes on changing. On X11 the clipboard holds no data; it asks
  // its owner, Qt in this program, for each paste, and Qt answers as long as the program runs.
  QGuiApplication::clipboard()->setImage(Wrap(Pixels).copy());
}

void ShowNote(const std::string& Text) {
  qt::ShowNoteIn(QApplication::activeWindow(), qt::ToQ(Text), QCursor::pos(), kNoteMs);
}

namespace qt {

namespace {

// A note inside a window: it goes after its time, or at the window's next key or click.
class NoteLabel : public QLabel {
 public:
  explicit NoteLabel(QWidget* window) : QLabel(window) {
    setObjectName("penvoNote");
    setPalette(QToolTip::palette());
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMargin(4);
    setWordWrap(true);
    setFont(QToolTip::font());
    setAttribute(Qt::WA_TransparentForMouseEvents);
    window->installEventFilter(this);
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, this, &QWidget::hide);
  }
  void Show(const QString& text, std::optional<QPoint> at, int ms) {
    setText(text);
    at_ = at;
    Place();
    show();
    raise();
    timer_.start(ms);
  }

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (isVisible() && (e->type() == QEvent::KeyPress || e->type() == QEvent::MouseButtonPress))
      hide();
    // The window may still get its size (a Wayland compositor makes it full screen with a
    // later configure): the note keeps its place in the window as it is now.
    if (isVisible() && e->type() == QEvent::Resize) Place();
    return false;
  }

 private:
  // Below and right of the point as a tool tip stands, or in the middle; inside the window.
  void Place() {
    const QRect room = parentWidget()->rect();
    setMaximumWidth(qMax(200, room.width() / 3));
    adjustSize();
    QPoint p = at_ ? *at_ + QPoint(16, 16) : room.center() - rect().center();
    p.setX(qBound(room.left(), p.x(), room.right() - width()));
    p.setY(qBound(room.top(), p.y(), room.bottom() - height()));
    move(p);
  }

  QTimer timer_;
  std::optional<QPoint> at_;  // in the window
};

}  // namespace

void ShowNoteIn(QWidget* window, const QString& text, std::optional<QPoint> at, int ms) {
  // A Wayland client cannot place a tool tip where it likes before the compositor has shown it
  // the mouse; a note inside the window it is about stands where it is put.
  if (window && OnWaylandPlatform()) {
    auto* note = window->findChild<QLabel*>("penvoNote", Qt::FindDirectChildrenOnly);
    if (!note) note = new NoteLabel(window);  // owned by the window
    std::optional<QPoint> inside;
    if (at) inside = window->mapFromGlobal(*at);
    static_cast<NoteLabel*>(note)->Show(text, inside, ms);
    return;
  }
  QToolTip::showText(at ? *at : QCursor::pos(), text, window, QRect(), ms);
}

}  // namespace qt

}  // namespace penvo
