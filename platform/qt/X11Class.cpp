// The X11 side of window classes: Qt gives every window the application's class; the overlay
// needs a class of its own so that the window system (and a second start) can find it.
#include <QGuiApplication>
#include <QWidget>
#include <string>

#include <xcb/xcb.h>

#include "platform/qt/ScreenGrab.h"

namespace penvo::qt {

void SetWindowClass(QWidget* window, const std::string& instanceName,
                    const std::string& className) {
  // Only the xcb platform has windows with X11 classes (the offscreen platform also answers to
  // the X11 interface, without a connection).
  if (!window || QGuiApplication::platformName() != "xcb") return;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return;
  const std::string value = instanceName + '\0' + className + '\0';
  xcb_change_property(x11->connection(), XCB_PROP_MODE_REPLACE,
                      static_cast<xcb_window_t>(window->winId()), XCB_ATOM_WM_CLASS,
                      XCB_ATOM_STRING, 8, static_cast<uint32_t>(value.size()), value.data());
  xcb_flush(x11->connection());
}

}  // namespace penvo::qt
