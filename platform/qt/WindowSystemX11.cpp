// Window-system services on X11, where Qt alone falls short:
// - Qt gives every window the application's class; the overlay needs a class of its own so
//   that the window system (and a second start) can find it.
// - Qt changes a window's state by first taking back every old state and then asking for the
//   new one. Minimizing a maximized window thus has the window manager un-maximize it first
//   (the window shrinks on the screen), and bringing it back maximizes it again, so that for a
//   moment the frame shows around a window that has not repainted yet. Iconifying and mapping
//   the window ourselves leaves the maximized state alone; Qt follows the window manager's
//   state properties as for any change the user makes.
// - Window managers read "a close box only" differently. GNOME and KDE follow the Motif hints'
//   functions; openbox ignores their minimize and maximize bits and goes by the window type: a
//   torn-off tool bar can neither be minimized nor maximized (KDE agrees).
#include <QEvent>
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

namespace {

void WriteOnlyClose(QWidget* window) {
  xcb_connection_t* c = Connection();
  if (!c) return;
  const auto id = static_cast<xcb_window_t>(window->winId());
  const xcb_atom_t motif = Atom(c, "_MOTIF_WM_HINTS");
  // Flags, functions, decorations, input mode, status: functions and decorations given; move,
  // resize and close; a border with its resize handle, a title and the window menu. Resizing
  // stays, as for a tool window on Windows; it also keeps the frame the window was sized by.
  constexpr uint32_t kFunctionsAndDecorations = 1 | 2;
  constexpr uint32_t kResize = 2, kMove = 4, kClose = 32;
  constexpr uint32_t kBorder = 2, kResizeHandle = 4, kTitle = 8, kMenu = 16;
  const uint32_t hints[5] = {kFunctionsAndDecorations, kResize | kMove | kClose,
                             kBorder | kResizeHandle | kTitle | kMenu, 0, 0};
  if (motif != kNoAtom)
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, motif, motif, 32, 5, hints);
  // The first type the window manager knows counts: a tool bar, else a utility window.
  const xcb_atom_t types[2] = {Atom(c, "_NET_WM_WINDOW_TYPE_TOOLBAR"),
                               Atom(c, "_NET_WM_WINDOW_TYPE_UTILITY")};
  const xcb_atom_t type = Atom(c, "_NET_WM_WINDOW_TYPE");
  if (type != kNoAtom && types[0] != kNoAtom && types[1] != kNoAtom)
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, type, XCB_ATOM_ATOM, 32, 2, types);
  xcb_flush(c);
}

// Writes the properties each time the window is about to be mapped: its native window exists
// then, and the window manager reads them as it takes the window on. Making the native window
// earlier ourselves would change how Qt places it: a window that exists when it is moved is
// placed by its client area, not by its frame.
constexpr const char* kOnlyCloseProperty = "penvoOnlyClose";

class OnlyCloseOnShow : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ShowToParent) WriteOnlyClose(static_cast<QWidget*>(watched));
    return false;
  }
};

}  // namespace

void OfferOnlyClose(QWidget* window) {
  if (!window || !Connection()) return;
  // Once per window (a class without Q_OBJECT cannot be looked for among its children).
  if (!window->property(kOnlyCloseProperty).toBool()) {
    window->setProperty(kOnlyCloseProperty, true);
    window->installEventFilter(new OnlyCloseOnShow(window));  // owned by the window
  }
  if (window->isVisible()) WriteOnlyClose(window);
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
