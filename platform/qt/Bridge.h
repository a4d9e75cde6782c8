// Internal to platform/: conversions between our types and Qt's, and the link from a Qt
// widget back to the control it shows.
#pragma once

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QWidget>

class QScreen;
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "platform/Controls.h"

namespace penvo::qt {

inline QString ToQ(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string FromQ(const QString& s) {
  return s.toUtf8().toStdString();
}

inline QColor ToQColor(TColor c) {
  const std::uint32_t rgb = ColorToRGB(c);
  return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Gives the widget's palette role (the background of an edit, of a panel) the colour.
inline void SetPaletteColor(QWidget* w, QPalette::ColorRole role, TColor c) {
  QPalette palette = w->palette();
  palette.setColor(role, ToQColor(c));
  w->setPalette(palette);
}

// The Qt widget that shows a control (for the Qt toolkit's own tests as well).
QWidget* WidgetOf(const TControl* Control);

// A point of the desktop in device pixels: Qt keeps each screen's top-left where the screen
// really is and scales what lies within it.
QPoint ToDevice(QPoint Global, const QScreen* Screen);
// The image as a picture of 32-bit pixels that keeps the image's memory (converted in place
// where it has another format).
TImage KeepImage(QImage Image);
// The picture of one screen, one pixel per pixel of the screen.
TImage GrabScreen(QScreen* Screen);

// Shows text for ms at the point at (global; the mouse, or on Wayland the window's middle, where
// none is given), above window: a tool tip, or on Wayland a note inside the window.
void ShowNoteIn(QWidget* window, const QString& text, std::optional<QPoint> at, int ms);

// Tells the application that a window has been shown (the settings Qt reads then are read).
void FirstWindowShown();

// Handles events (but no user input) until done() is true or deadlineMs passed; returns done().
bool WaitUntil(const std::function<bool()>& done, int deadlineMs);

// Mixed into every widget that calls back into its control; the control clears the link
// before the widget goes, so no late Qt event reaches a half-destroyed control.
class ControlLink {
 public:
  virtual ~ControlLink() = default;
  TControl* Control() const { return control_; }
  void Unlink() { control_ = nullptr; }

 protected:
  explicit ControlLink(TControl* control) : control_(control) {}

 private:
  TControl* control_;
};

}  // namespace penvo::qt

class QKeyEvent;

namespace penvo::qt {

// The character a key press types, as one byte: Latin-1 characters as themselves, Ctrl with
// Backspace as 127 (Qt reports it as a plain backspace), any other typed character as '?';
// -1 when the key types nothing (arrows, Delete, function keys, modifiers).
int TypedChar(const QKeyEvent& Event);

}  // namespace penvo::qt
