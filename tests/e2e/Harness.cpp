#include "tests/e2e/Harness.h"

// Qt and GoogleTest before Xlib, whose macros (None, Status, Bool) collide with their names.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QImage>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

extern char** environ;

namespace penvo::e2e {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Xlib errors (a window that went away between two calls) are expected here; they must not end
// the test program.
int IgnoreXErrors(Display*, XErrorEvent*) {
  return 0;
}

::Atom InternAtom(Display* dpy, const char* name) {
  return XInternAtom(dpy, name, False);
}

std::vector<unsigned long> WindowListProperty(Display* dpy, unsigned long window,
                                              const char* name) {
  ::Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::vector<unsigned long> result;
  if (XGetWindowProperty(dpy, window, InternAtom(dpy, name), 0, 4096, False, XA_WINDOW, &type,
                         &format, &count, &after, &data) == Success &&
      data && format == 32) {
    auto* ids = reinterpret_cast<unsigned long*>(data);
    result.assign(ids, ids + count);
  }
  if (data) XFree(data);
  return result;
}

}  // namespace

bool Session::WaitFor(const std::function<bool()>& cond, Millis deadline) {
  const auto end = Clock::now() + deadline;
  for (;;) {
    if (cond()) return true;
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(5ms);  // a polling interval, not a guess at how long to wait
  }
}

Session::Session(int width, int height) {
  char pattern[] = "/tmp/penvo-e2e-XXXXXX";
  home_ = mkdtemp(pattern);
  for (const char* dir : {"config", "runtime", "registry", "cache"})
    fs::create_directories(home_ / dir);
  fs::permissions(home_ / "runtime", fs::perms::owner_all);
  log_ = home_ / "log.txt";

  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe");
  fcntl(fds[0], F_SETFD, FD_CLOEXEC);  // the write end stays open in Xvfb, the read end not
  xvfb_ = Spawn({"Xvfb", "-displayfd", "3", "-screen", "0",
                 std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp",
                 "-noreset"},
                false, fds[1]);
  close(fds[1]);
  std::string number;
  pollfd pfd{fds[0], POLLIN, 0};
  while (number.find('\n') == std::string::npos && poll(&pfd, 1, 10000) > 0) {
    char buf[16];
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    number.append(buf, static_cast<std::size_t>(n));
  }
  close(fds[0]);
  if (number.empty()) {
    ADD_FAILURE() << "Xvfb did not start:\n" << Log();
    return;
  }
  display_ = std::stoi(number);
  XSetErrorHandler(IgnoreXErrors);
  dpy_ = XOpenDisplay(DisplayName().c_str());
  if (!dpy_) {
    ADD_FAILURE() << "cannot open display " << DisplayName();
    return;
  }
  // Openbox animates minimizing and restoring by default; pointer input during the animation
  // goes to it. Tests want the window manager to be done when the window is.
  fs::create_directories(home_ / "config" / "openbox");
  std::ofstream(home_ / "config" / "openbox" / "rc.xml")
      << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<openbox_config xmlns=\"http://openbox.org/3.4/rc\">\n"
         "  <theme><animateIconify>no</animateIconify></theme>\n"
         "</openbox_config>\n";
  wm_ = Spawn({"openbox", "--sm-disable"}, false);
  const bool wm = WaitFor(
      [&] {
        return !WindowListProperty(dpy_, DefaultRootWindow(dpy_), "_NET_SUPPORTING_WM_CHECK")
                    .empty();
      },
      10s);
  if (!wm) ADD_FAILURE() << "openbox did not start:\n" << Log();
  // Openbox announces itself before it takes on new windows: one mapped in between is never
  // managed (nor maximized). A probe window, mapped again until openbox lists it among its
  // clients, shows that it is ready.
  const Window probe = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 10, 10, 0, 0, 0);
  int polls = 0;
  const bool managed = WaitFor(
      [&] {
        const auto clients = WindowListProperty(dpy_, DefaultRootWindow(dpy_), "_NET_CLIENT_LIST");
        if (std::find(clients.begin(), clients.end(), probe) != clients.end()) return true;
        if (polls++ % 20 == 0) {  // every 100 ms
          XUnmapWindow(dpy_, probe);
          XMapWindow(dpy_, probe);
          XSync(dpy_, False);
        }
        return false;
      },
      10s);
  XDestroyWindow(dpy_, probe);
  XSync(dpy_, False);
  if (!managed) ADD_FAILURE() << "openbox does not manage windows:\n" << Log();
  Note("session on " + DisplayName());
}

Session::~Session() {
  for (pid_t pid : std::vector(programs_.All()))
    if (Running(pid)) Stop(pid, 3s);
  if (::testing::Test::HasFailure()) std::cerr << "---- e2e log ----\n" << Log() << "----\n";
  if (dpy_) XCloseDisplay(dpy_);
  for (pid_t pid : {wm_, xvfb_}) {
    if (pid <= 0) continue;
    kill(pid, SIGTERM);
    if (!WaitFor([&] { return waitpid(pid, nullptr, WNOHANG) == pid; }, 3s)) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  std::error_code ec;
  if (!std::getenv("PENVO_E2E_KEEP")) fs::remove_all(home_, ec);
}

void Session::Note(const std::string& text) {
  std::ofstream(log_, std::ios::app) << "[harness] " << text << "\n";
}

std::vector<char*> CStrings(std::vector<std::string>& Texts) {
  std::vector<char*> pointers;
  for (auto& t : Texts) pointers.push_back(t.data());
  pointers.push_back(nullptr);
  return pointers;
}

std::vector<std::string> ChildEnvironment(
    const std::vector<std::string>& Drop,
    const std::vector<std::pair<std::string, std::string>>& Set) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string key = entry.substr(0, entry.find('='));
    const bool replaced = std::find(Drop.begin(), Drop.end(), key) != Drop.end() ||
                          std::any_of(Set.begin(), Set.end(),
                                      [&](const auto& kv) { return kv.first == key; });
    if (!replaced) env.push_back(entry);
  }
  for (const auto& [k, v] : Set) env.push_back(k + "=" + v);
  return env;
}

std::string Session::Log() const {
  std::ifstream in(log_);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

pid_t Session::Spawn(const std::vector<std::string>& argv, bool quiet, int passFd) {
  const std::vector<std::pair<std::string, std::string>> overrides = {
      {"DISPLAY", display_ >= 0 ? DisplayName() : ""},
      {"HOME", home_.string()},
      {"XDG_CONFIG_HOME", (home_ / "config").string()},
      {"XDG_RUNTIME_DIR", (home_ / "runtime").string()},
      {"XDG_CACHE_HOME", (home_ / "cache").string()},
      {"QINI_REGISTRY_DIR", RegistryDir().string()},
      {"QT_QPA_PLATFORM", "xcb"}};
  // An override with no value unsets the variable; the test's own variables win.
  std::vector<std::string> drop{"WAYLAND_DISPLAY"};
  std::vector<std::pair<std::string, std::string>> set;
  for (const auto& [k, v] : overrides) {
    const bool own = std::any_of(extraEnv_.begin(), extraEnv_.end(),
                                 [&](const auto& kv) { return kv.first == k; });
    if (v.empty()) drop.push_back(k);
    else if (!own) set.emplace_back(k, v);
  }
  set.insert(set.end(), extraEnv_.begin(), extraEnv_.end());
  std::vector<std::string> env = ChildEnvironment(drop, set);
  std::vector<std::string> argvCopy = argv;
  std::vector<char*> envp = CStrings(env), args = CStrings(argvCopy);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string out = quiet ? "/dev/null" : log_.string();
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  // Nothing else of this process goes with the child (a build lock held by whoever runs the
  // tests, say); Xvfb's display pipe is the one exception, passed on as descriptor 3.
  if (passFd >= 0) posix_spawn_file_actions_adddup2(&actions, passFd, 3);
  posix_spawn_file_actions_addclosefrom_np(&actions, passFd >= 0 ? 4 : 3);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(rc);
    return -1;
  }
  return pid;
}

void Session::SetEnv(const std::string& key, const std::string& value) {
  std::erase_if(extraEnv_, [&](const auto& kv) { return kv.first == key; });
  extraEnv_.emplace_back(key, value);
}

std::optional<int> Session::Run(const std::vector<std::string>& argv, Millis deadline) {
  std::string line;
  for (const auto& a : argv) line += " " + a;
  Note("run" + line);
  const pid_t pid = Spawn(argv, false);
  if (pid <= 0) return std::nullopt;
  int status = -1;
  if (!WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, deadline)) {
    Note("killing" + line + ": it did not end in time");
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return std::nullopt;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

pid_t Session::Start(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), args.begin(), args.end());
  Note("start " + program);
  const pid_t pid = Spawn(argv, false);
  if (pid > 0) programs_.Add(pid);
  return pid;
}

bool ChildProcesses::Running(pid_t pid) {
  if (pid <= 0) return false;
  int status;
  const pid_t r = waitpid(pid, &status, WNOHANG);
  if (r == pid) {
    std::erase(running_, pid);
    exitStatus_[pid] = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return r == 0;
}

std::optional<int> ChildProcesses::WaitExit(pid_t pid, Millis deadline) {
  if (!Session::WaitFor([&] { return !Running(pid); }, deadline)) return std::nullopt;
  return exitStatus_[pid];
}

std::optional<int> ChildProcesses::Stop(pid_t pid, Millis deadline,
                                        const std::function<void(const std::string&)>& note) {
  if (!Running(pid)) return exitStatus_[pid];
  kill(pid, SIGTERM);
  std::optional<int> status = WaitExit(pid, deadline);
  if (!status) {
    note("killing " + std::to_string(pid) + ": it did not end on SIGTERM");
    kill(pid, SIGKILL);
    WaitExit(pid, 5s);
  }
  return status;
}

bool Session::Running(pid_t pid) {
  return programs_.Running(pid);
}

std::optional<int> Session::WaitExit(pid_t pid, Millis deadline) {
  return programs_.WaitExit(pid, deadline);
}

std::optional<int> Session::Stop(pid_t pid, Millis deadline) {
  return programs_.Stop(pid, deadline, [this](const std::string& text) { Note(text); });
}

std::vector<unsigned long> Session::Windows(const std::string& className) {
  std::vector<unsigned long> found;
  if (!dpy_) return found;
  for (unsigned long w : WindowListProperty(dpy_, DefaultRootWindow(dpy_), "_NET_CLIENT_LIST")) {
    XClassHint hint{};
    if (XGetClassHint(dpy_, w, &hint)) {
      if (hint.res_class && className == hint.res_class && Viewable(w)) found.push_back(w);
      if (hint.res_name) XFree(hint.res_name);
      if (hint.res_class) XFree(hint.res_class);
    }
  }
  return found;
}

unsigned long Session::WaitForWindow(const std::string& className, Millis deadline) {
  unsigned long window = 0;
  WaitFor(
      [&] {
        const auto all = Windows(className);
        if (!all.empty()) window = all.front();
        return window != 0;
      },
      deadline);
  if (!window)
    Note("no window of class " + className);
  else
    Track(window);
  return window;
}

void Session::Track(unsigned long window) {
  if (maps_.count(window)) return;
  XSelectInput(dpy_, window, StructureNotifyMask);
  XSync(dpy_, False);
  maps_[window] = 0;
}

namespace {

std::string WindowTitle(Display* dpy, unsigned long window) {
  ::Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(dpy, window, InternAtom(dpy, "_NET_WM_NAME"), 0, 1024, False,
                         InternAtom(dpy, "UTF8_STRING"), &type, &format, &count, &after,
                         &data) == Success &&
      data && format == 8) {
    title.assign(reinterpret_cast<char*>(data), count);
  } else {
    char* name = nullptr;
    if (XFetchName(dpy, window, &name) && name) title = name;
    if (name) XFree(name);
  }
  if (data) XFree(data);
  return title;
}

}  // namespace

std::vector<unsigned long> Session::WindowsNamed(const std::string& title) {
  std::vector<unsigned long> found;
  if (!dpy_) return found;
  for (unsigned long w : WindowListProperty(dpy_, DefaultRootWindow(dpy_), "_NET_CLIENT_LIST"))
    if (WindowTitle(dpy_, w) == title && Viewable(w)) found.push_back(w);
  return found;
}

unsigned long Session::WaitForWindowNamed(const std::string& title, Millis deadline) {
  unsigned long window = 0;
  WaitFor(
      [&] {
        const auto all = WindowsNamed(title);
        if (!all.empty()) window = all.front();
        return window != 0;
      },
      deadline);
  if (!window)
    Note("no window titled " + title);
  else
    Track(window);
  return window;
}

void Session::Close(unsigned long window) {
  if (!dpy_) return;
  Note("close window " + std::to_string(window));
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = InternAtom(dpy_, "WM_PROTOCOLS");
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(InternAtom(dpy_, "WM_DELETE_WINDOW"));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy_, window, False, NoEventMask, &event);
  XSync(dpy_, False);
}

bool Session::Viewable(unsigned long window) {
  XWindowAttributes a{};
  return dpy_ && XGetWindowAttributes(dpy_, window, &a) && a.map_state == IsViewable;
}

int Session::MapCount(unsigned long window) {
  if (!dpy_) return 0;
  while (XPending(dpy_)) {
    XEvent event;
    XNextEvent(dpy_, &event);
    if (event.type == MapNotify && maps_.count(event.xmap.window)) ++maps_[event.xmap.window];
  }
  return maps_[window];
}

bool Session::Focused(unsigned long window) {
  Window focus = 0;
  int revert = 0;
  if (!dpy_) return false;
  XGetInputFocus(dpy_, &focus, &revert);
  return focus == window;
}

Rect Session::Geometry(unsigned long window) {
  XWindowAttributes a{};
  Window child;
  int x = 0, y = 0;
  if (!dpy_ || !XGetWindowAttributes(dpy_, window, &a)) return {};
  XTranslateCoordinates(dpy_, window, DefaultRootWindow(dpy_), 0, 0, &x, &y, &child);
  return {x, y, a.width, a.height};
}

void Session::SetMonitors(const std::vector<Rect>& monitors) {
  // The first monitor takes the screen's output, so that the output's own monitor goes; the
  // X server keeps the monitors while a client (the harness) stays connected.
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const Rect& m = monitors[i];
    const std::string geometry = std::to_string(m.w) + "/" + std::to_string(m.w / 4) + "x" +
                                 std::to_string(m.h) + "/" + std::to_string(m.h / 4) + "+" +
                                 std::to_string(m.x) + "+" + std::to_string(m.y);
    EXPECT_EQ(Run({"xrandr", "--setmonitor", "M" + std::to_string(i), geometry,
                   i == 0 ? "screen" : "none"}),
              0);
  }
}

void Session::SetDpi(int dpi) {
  const std::filesystem::path file = home_ / "Xresources";
  std::ofstream(file) << "Xft.dpi: " << dpi << "\n";
  EXPECT_EQ(Run({"xrdb", "-merge", file.string()}), 0);
}

Rect Session::Frame(unsigned long window) {
  Rect r = Geometry(window);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const Atom extents = XInternAtom(dpy_, "_NET_FRAME_EXTENTS", False);
  if (XGetWindowProperty(dpy_, window, extents, 0, 4, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data && count == 4 && format == 32) {
    const auto* e = reinterpret_cast<const long*>(data);  // left, right, top, bottom
    r = {r.x - static_cast<int>(e[0]), r.y - static_cast<int>(e[2]),
         r.w + static_cast<int>(e[0] + e[1]), r.h + static_cast<int>(e[2] + e[3])};
  }
  if (data) XFree(data);
  return r;
}

std::vector<unsigned long> Session::Property32(unsigned long window, const std::string& name) {
  std::vector<unsigned long> items;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (dpy_ &&
      XGetWindowProperty(dpy_, window, XInternAtom(dpy_, name.c_str(), False), 0, 1024, False,
                         AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
      data && format == 32) {
    // Xlib hands 32-bit items over as longs.
    const auto* values = reinterpret_cast<const unsigned long*>(data);
    items.assign(values, values + count);
  }
  if (data) XFree(data);
  return items;
}

std::vector<std::string> Session::AtomNames(unsigned long window, const std::string& name) {
  std::vector<std::string> names;
  for (unsigned long atom : Property32(window, name)) {
    char* text = XGetAtomName(dpy_, atom);
    names.push_back(text ? text : "");
    if (text) XFree(text);
  }
  return names;
}

void Session::SetBackground(const std::function<Rgb(int, int)>& f) {
  if (!dpy_) return;
  const int screen = DefaultScreen(dpy_);
  const int w = DisplayWidth(dpy_, screen), h = DisplayHeight(dpy_, screen);
  const Window root = RootWindow(dpy_, screen);
  Pixmap pixmap = XCreatePixmap(dpy_, root, static_cast<unsigned>(w), static_cast<unsigned>(h),
                                static_cast<unsigned>(DefaultDepth(dpy_, screen)));
  XImage* image = XGetImage(dpy_, pixmap, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h),
                            AllPlanes, ZPixmap);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) XPutPixel(image, x, y, f(x, y));
  GC gc = XCreateGC(dpy_, pixmap, 0, nullptr);
  XPutImage(dpy_, pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(w),
            static_cast<unsigned>(h));
  XFreeGC(dpy_, gc);
  XDestroyImage(image);
  XSetWindowBackgroundPixmap(dpy_, root, pixmap);
  XClearWindow(dpy_, root);
  XFreePixmap(dpy_, pixmap);
  XSync(dpy_, False);
}

unsigned long Session::CreateBox(const Rect& where, Rgb colour) {
  if (!dpy_) return 0;
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = colour;
  const Window box =
      XCreateWindow(dpy_, DefaultRootWindow(dpy_), where.x, where.y, static_cast<unsigned>(where.w),
                    static_cast<unsigned>(where.h), 0, CopyFromParent, InputOutput, CopyFromParent,
                    CWOverrideRedirect | CWBackPixel, &attributes);
  XMapWindow(dpy_, box);
  XLowerWindow(dpy_, box);  // beneath every other window
  XSync(dpy_, False);
  return box;
}

void Session::MoveBox(unsigned long box, int x, int y) {
  if (!dpy_) return;
  XMoveWindow(dpy_, box, x, y);
  XSync(dpy_, False);
}

void Session::RaiseBox(unsigned long box) {
  if (!dpy_) return;
  XRaiseWindow(dpy_, box);
  XSync(dpy_, False);
}

void Session::RemoveBox(unsigned long box) {
  if (!dpy_) return;
  XDestroyWindow(dpy_, box);
  XSync(dpy_, False);
}

void Session::Xdotool(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string line;
  for (const auto& a : args) line += " " + a;
  Note("xdotool" + line);
  const pid_t pid = Spawn(argv, false);
  int status = -1;
  const bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 10s);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  EXPECT_TRUE(ended && WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xdotool" << line;
}

namespace {

// Moves the pointer with XTest and waits until the X server has handled the move: the server
// merges a motion into one that is still waiting in its input queue, and xdotool's moves
// (pointer warps) may be merged so on a busy machine — a move a person made would not be.
bool MovePointer(Display* dpy, int x, int y) {
  XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
  return Session::WaitFor(
      [&] {
        Window root, child;
        int rx = -1, ry = -1, wx, wy;
        unsigned mask;
        XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &rx, &ry, &wx, &wy, &mask);
        return rx == x && ry == y;
      },
      5s);
}

}  // namespace

void Session::Drag(const std::vector<std::pair<int, int>>& points, const std::string& button,
                   Millis pace) {
  if (points.empty() || !dpy_) return;
  std::string line;
  for (const auto& [x, y] : points) line += " " + std::to_string(x) + "," + std::to_string(y);
  Note("drag with button " + button + " through" + line);
  const unsigned b = static_cast<unsigned>(std::stoi(button));
  EXPECT_TRUE(MovePointer(dpy_, points[0].first, points[0].second));
  XTestFakeButtonEvent(dpy_, b, True, CurrentTime);
  XSync(dpy_, False);
  auto next = std::chrono::steady_clock::now();
  for (std::size_t i = 1; i < points.size(); ++i) {
    next += pace;  // the mouse's pace, not a wait for the program
    std::this_thread::sleep_until(next);
    EXPECT_TRUE(MovePointer(dpy_, points[i].first, points[i].second)) << "move " << i;
  }
  XTestFakeButtonEvent(dpy_, b, False, CurrentTime);
  XSync(dpy_, False);
}

Rgb Session::Pixel(int x, int y) {
  if (!dpy_) return 0;
  XImage* image = XGetImage(dpy_, DefaultRootWindow(dpy_), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return 0;
  const Rgb rgb = static_cast<Rgb>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
  XDestroyImage(image);
  return rgb;
}

bool Session::WaitForPixel(int x, int y, const std::function<bool(Rgb)>& pred, Millis deadline) {
  Rgb last = 0;
  const bool ok = WaitFor(
      [&] {
        last = Pixel(x, y);
        return pred(last);
      },
      deadline);
  if (!ok) {
    char text[64];
    std::snprintf(text, sizeof text, "pixel (%d,%d) is #%06x", x, y, last);
    Note(text);
  }
  return ok;
}

void Session::Screenshot(const fs::path& file) {
  if (!dpy_) return;
  const int screen = DefaultScreen(dpy_);
  const int w = DisplayWidth(dpy_, screen), h = DisplayHeight(dpy_, screen);
  XImage* image = XGetImage(dpy_, DefaultRootWindow(dpy_), 0, 0, static_cast<unsigned>(w),
                            static_cast<unsigned>(h), AllPlanes, ZPixmap);
  if (!image) return;
  QImage out(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out.setPixel(x, y, 0xFF000000u | (static_cast<Rgb>(XGetPixel(image, x, y)) & 0xFFFFFF));
  XDestroyImage(image);
  out.save(QString::fromStdString(file.string()));
}

void Session::Checkpoint(const std::string& name) {
  if (const char* dir = std::getenv("PENVO_E2E_SHOTS")) Screenshot(fs::path(dir) / (name + ".png"));
}

std::string ProgramPath(const std::string& name) {
  for (const char* dir : {PENVO_PROGRAM_DIR, PENVO_E2E_DIR}) {
    const fs::path p = fs::path(dir) / name;
    if (fs::exists(p)) return p.string();
  }
  ADD_FAILURE() << "no program " << name << " in the build";
  return name;
}

}  // namespace penvo::e2e
