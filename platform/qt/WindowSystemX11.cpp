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
// - A full-screen window's pixels cost 33 MB at 3840x2160. Qt keeps a copy of every window's
//   pixels (its backing store) and hands pictures of the screen over in memory of its own, with
//   copies on the way; memory shared with the X server lets the overlay keep one of each.
#include <sys/ipc.h>
#include <sys/shm.h>

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <string>

#include <xcb/shm.h>
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
// then, and the window manager reads them as it takes the window on (openbox reads the window
// type only then, so the properties must reach the server before the map request). They are
// written again once the window is shown, over whatever Qt wrote as it mapped the window.
// Making the native window earlier ourselves would change how Qt places it: a window that
// exists when it is moved is placed by its client area, not by its frame.
constexpr const char* kOnlyCloseProperty = "penvoOnlyClose";

class OnlyCloseOnShow : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show || event->type() == QEvent::ShowToParent)
      WriteOnlyClose(static_cast<QWidget*>(watched));
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

namespace {

// The X screen the program runs on (the DISPLAY's screen number), nullptr when unknown.
const xcb_screen_t* DefaultScreen(xcb_connection_t* c) {
  char* host = nullptr;
  int display = 0, number = 0;
  if (!xcb_parse_display(nullptr, &host, &display, &number)) number = 0;
  std::free(host);
  for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem;
       xcb_screen_next(&it), --number)
    if (number == 0) return it.data;
  return nullptr;
}

// Whether the screen's pixels are what a TPixels holds: 32 bits with the colour in the low 24,
// 0xRRGGBB, in this machine's byte order.
bool PlainPixels(xcb_connection_t* c, const xcb_screen_t* screen) {
  const xcb_setup_t* setup = xcb_get_setup(c);
  const auto order = std::endian::native == std::endian::little ? XCB_IMAGE_ORDER_LSB_FIRST
                                                                : XCB_IMAGE_ORDER_MSB_FIRST;
  if (setup->image_byte_order != order || screen->root_depth != 24) return false;
  bool format = false;
  for (xcb_format_iterator_t it = xcb_setup_pixmap_formats_iterator(setup); it.rem;
       xcb_format_next(&it))
    if (it.data->depth == 24) format = it.data->bits_per_pixel == 32;
  if (!format) return false;
  for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(screen); d.rem;
       xcb_depth_next(&d))
    for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem;
         xcb_visualtype_next(&v))
      if (v.data->visual_id == screen->root_visual)
        return v.data->red_mask == 0xFF0000 && v.data->green_mask == 0xFF00 &&
               v.data->blue_mask == 0xFF;
  return false;
}

}  // namespace

struct SharedImage::Impl {
  xcb_connection_t* c = nullptr;
  xcb_window_t root = kNoWindow;
  xcb_shm_seg_t segment = 0;
  xcb_gcontext_t gc = 0;
  void* memory = nullptr;
  int width = 0, height = 0;
};

std::unique_ptr<SharedImage> SharedImage::Make(int width, int height) {
  xcb_connection_t* c = qGuiApp ? Connection() : nullptr;
  if (!c || width <= 0 || height <= 0) return nullptr;
  const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
  const xcb_screen_t* screen = shm && shm->present ? DefaultScreen(c) : nullptr;
  if (!screen || !PlainPixels(c, screen)) return nullptr;
  const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (id < 0) return nullptr;
  void* memory = shmat(id, nullptr, 0);
  const xcb_shm_seg_t segment = xcb_generate_id(c);
  xcb_generic_error_t* error =
      memory == reinterpret_cast<void*>(-1)
          ? nullptr
          : xcb_request_check(c, xcb_shm_attach_checked(c, segment, static_cast<uint32_t>(id), 0));
  // Removed at once: the memory goes when both the program and the X server have let go of
  // it, whichever way the program ends. The X server attached it while we waited.
  shmctl(id, IPC_RMID, nullptr);
  if (memory == reinterpret_cast<void*>(-1)) return nullptr;
  if (error) {  // a remote X server, or one that may not attach our memory
    std::free(error);
    shmdt(memory);
    return nullptr;
  }
  std::unique_ptr<SharedImage> image(new SharedImage);
  image->d = std::make_unique<Impl>();
  Impl& d = *image->d;
  d = {c, screen->root, segment, xcb_generate_id(c), memory, width, height};
  const uint32_t noExposures = 0;
  xcb_create_gc(c, d.gc, d.root, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
  return image;
}

SharedImage::~SharedImage() {
  // Only while the connection it was made on is open (the application may be gone).
  if (qGuiApp && Connection() == d->c) {
    xcb_free_gc(d->c, d->gc);
    xcb_shm_detach(d->c, d->segment);
    xcb_flush(d->c);
  }
  shmdt(d->memory);
}

TPixels SharedImage::Pixels() const {
  return {static_cast<std::uint32_t*>(d->memory), d->width, d->height, d->width};
}

void SharedImage::Put(QWidget* window, const QRect& rect) {
  const QRect r = rect & QRect(0, 0, d->width, d->height);
  if (r.isEmpty() || !window->internalWinId()) return;
  // The X server reads the pixels when it gets to the request: a later change of them may show
  // already, and is put again by its own flush.
  xcb_shm_put_image(d->c, static_cast<xcb_window_t>(window->internalWinId()), d->gc,
                    static_cast<uint16_t>(d->width), static_cast<uint16_t>(d->height),
                    static_cast<uint16_t>(r.x()), static_cast<uint16_t>(r.y()),
                    static_cast<uint16_t>(r.width()), static_cast<uint16_t>(r.height()),
                    static_cast<int16_t>(r.x()), static_cast<int16_t>(r.y()), 24,
                    XCB_IMAGE_FORMAT_Z_PIXMAP, 0, d->segment, 0);
  xcb_flush(d->c);
}

bool SharedImage::GrabRoot(int x, int y) {
  xcb_generic_error_t* error = nullptr;
  xcb_shm_get_image_reply_t* reply = xcb_shm_get_image_reply(
      d->c,
      xcb_shm_get_image(d->c, d->root, static_cast<int16_t>(x), static_cast<int16_t>(y),
                        static_cast<uint16_t>(d->width), static_cast<uint16_t>(d->height),
                        ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, d->segment, 0),
      &error);
  std::free(error);
  if (!reply) return false;
  std::free(reply);
  // The byte above the colour is the X server's to fill; the picture is opaque.
  const TPixels pixels = Pixels();
  for (int row = 0; row < pixels.Height; ++row) {
    std::uint32_t* p = pixels.Row(row);
    for (int col = 0; col < pixels.Width; ++col) p[col] |= 0xFF000000u;
  }
  return true;
}

}  // namespace penvo::qt
