// Window-system services on X11, where Qt alone falls short:
// - Qt gives every window the application's class; the overlay needs a class of its own so
//   that the window system (and a second start) can find it.
// - Qt changes a window's state by first taking back every old state and then asking for the
//   new one. Minimizing a maximized window thus has the window manager un-maximize it first
//   (the window shrinks on the screen), and bringing it back maximizes it again, so that for a
//   moment the frame shows around a window that has not repainted yet. Iconifying and mapping
//   the window ourselves leaves the maximized state alone; Qt follows the window manager's
//   state properties as for any change the user makes.
#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <string>

#include <xcb/xcb.h>

#include "platform/qt/WindowSystem.h"

namespace penvo::qt {
namespace {

// The X connection, when the program talks to an X server (the offscreen platform also
// answers to the X11 interface, without a connection).
xcb_connection_t* Connection() {
  if (QGuiApplication::platformName() != "xcb") return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

constexpr xcb_atom_t kNoAtom = XCB_ATOM_NONE;
constexpr xcb_window_t kNoWindow = XCB_WINDOW_NONE;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : kNoAtom;
  std::free(reply);
  return atom;
}

xcb_window_t RootOf(xcb_connection_t* c, xcb_window_t window) {
  xcb_get_geometry_reply_t* reply = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
  const xcb_window_t root = reply ? reply->root : kNoWindow;
  std::free(reply);
  return root;
}

}  // namespace

void SetWindowClass(QWidget* window, const std::string& instanceName,
                    const std::string& className) {
  xcb_connection_t* c = window ? Connection() : nullptr;
  if (!c) return;
  const std::string value = instanceName + '\0' + className + '\0';
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()),
                      XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, static_cast<uint32_t>(value.size()),
                      value.data());
  xcb_flush(c);
}

bool NativeClientOrigin(QWidget* window, QPoint& origin) {
  xcb_connection_t* c = window && window->windowHandle() ? Connection() : nullptr;
  if (!c) return false;
  const auto id = static_cast<xcb_window_t>(window->winId());
  const xcb_window_t root = RootOf(c, id);
  if (root == kNoWindow) return false;
  xcb_translate_coordinates_reply_t* reply =
      xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, root, 0, 0), nullptr);
  if (!reply) return false;
  origin = QPoint(reply->dst_x, reply->dst_y);
  std::free(reply);
  return true;
}

void Iconify(QWidget* window) {
  xcb_connection_t* c = Connection();
  const auto id = static_cast<xcb_window_t>(window->winId());
  const xcb_atom_t changeState = c ? Atom(c, "WM_CHANGE_STATE") : kNoAtom;
  const xcb_window_t root = c ? RootOf(c, id) : kNoWindow;
  if (changeState == kNoAtom || root == kNoWindow) {
    window->showMinimized();
    return;
  }
  // The ICCCM request to iconify: a client message to the root window.
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = id;
  event.type = changeState;
  event.data.data32[0] = 3;  // IconicState
  xcb_send_event(c, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(c);
}

void Deiconify(QWidget* window) {
  xcb_connection_t* c = Connection();
  if (!c || !window->isVisible()) {
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    return;
  }
  // Mapping an iconic window asks the window manager to bring it back in its normal state.
  xcb_map_window(c, static_cast<xcb_window_t>(window->winId()));
  xcb_flush(c);
}

}  // namespace penvo::qt
