// What the widget tests read back on Qt: Qt's tool tip, clipboard and image reader.
#include "tests/support/TestScreen.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <QToolTip>
#include <QWidget>

#include "platform/Controls.h"
#include "platform/qt/Bridge.h"

namespace penvo::test {

namespace {

TTestImage FromQImage(QImage image) {
  TTestImage picture;
  if (image.isNull()) return picture;
  image = image.convertToFormat(QImage::Format_ARGB32);  // a transparent pixel stays one
  picture.Width = image.width();
  picture.Height = image.height();
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
    picture.Pixels.insert(picture.Pixels.end(), row, row + image.width());
  }
  return picture;
}

}  // namespace

double DeviceScale(const TControl* Control) {
  const QWidget* widget = qt::WidgetOf(Control);
  return widget ? widget->devicePixelRatioF() : 1.0;
}

std::string NoteText() {
  return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
}

TTestImage ClipboardImage() {
  return FromQImage(QGuiApplication::clipboard()->image());
}

TTestImage ReadPng(const std::string& Path) {
  QImage image;
  image.load(QString::fromStdString(Path), "PNG");
  return FromQImage(image);
}

}  // namespace penvo::test
