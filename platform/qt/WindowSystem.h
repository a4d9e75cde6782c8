// Internal to platform/: what the window system does with top-level windows beyond Qt.
#pragma once

#include <QWidget>
#include <string>

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

}  // namespace penvo::qt
