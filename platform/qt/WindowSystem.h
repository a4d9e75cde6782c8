// Internal to platform/: what the window system does with top-level windows beyond Qt.
#pragma once

#include <QRect>
#include <QWidget>
#include <memory>
#include <string>

#include "platform/Graphics.h"

class QScreen;

namespace penvo::qt {

// Sets the X11 class of a window, so that the window system finds it by that name.
void SetWindowClass(QWidget* window, const std::string& instanceName, const std::string& className);

// Where the window's client area lies on the screen, in the screen's own pixels; false where
// the window system cannot tell (no X server).
bool NativeClientOrigin(QWidget* window, QPoint& origin);

// Asks the window manager to offer only a close box for a tool window: no minimize or maximize
// (openbox, GNOME and KDE alike); it can still be moved and resized. From the call on, the window's properties say so each
// time it shows (Qt writes them afresh whenever the window's flags change); calling it again
// changes nothing.
void OfferOnlyClose(QWidget* window);

// Sends a shown window to the task bar; a maximized window stays maximized meanwhile.
void Iconify(QWidget* window);
// Brings an iconified window back as it left: maximized or at its normal bounds.
void Deiconify(QWidget* window);

// A picture of 32-bit pixels (0xffRRGGBB) in memory that the X server shares with the program
// (MIT-SHM): a window shows its pixels, and a picture of the screen lands in them, without a
// copy through the connection or in the program.
class SharedImage {
 public:
  // nullptr where the X server cannot share memory with the program (no X server, a remote
  // one, no MIT-SHM) or keeps its pixels in another form than 32 bits with 24 of colour.
  static std::unique_ptr<SharedImage> Make(int width, int height);
  ~SharedImage();
  SharedImage(const SharedImage&) = delete;
  SharedImage& operator=(const SharedImage&) = delete;

  TPixels Pixels() const;
  // Shows rect of the picture at the same place in window's client area (device pixels), now.
  // The window is one of the screen's own visual, as Qt makes every opaque window; one that
  // does not exist yet is left alone.
  void Put(QWidget* window, const QRect& rect);
  // The root window's pixels from (x, y) on (device pixels on the desktop), as large as the
  // picture; false when the X server refused.
  bool GrabRoot(int x, int y);

 private:
  SharedImage() = default;
  struct Impl;
  std::unique_ptr<Impl> d;
};

// Whether the program runs in a Wayland session, whichever Qt platform shows its windows: other
// programs' pixels can then be had only through the desktop portal.
bool InWaylandSession();

// Whether Qt shows the program's windows through its Wayland plugin (not through XWayland).
bool OnWaylandPlatform();

// The part of the desktop portal's picture that screen shows, one pixel per device pixel of
// it; the file the portal wrote is removed. A null picture, with the reason in Why (words a
// user can act on), when there is none.
TImage PortalGrab(QScreen* screen, std::string& Why);

}  // namespace penvo::qt
