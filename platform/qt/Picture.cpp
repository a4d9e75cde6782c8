// Pictures leaving the program, over Qt: its PNG encoder, its clipboard and its tool tips.
#include "platform/Picture.h"

#include <QBuffer>
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QToolTip>

#include "platform/posix/AtomicFile.h"
#include "platform/qt/Bridge.h"

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
  QToolTip::showText(QCursor::pos(), qt::ToQ(Text), nullptr, QRect(), kNoteMs);
}

}  // namespace penvo
