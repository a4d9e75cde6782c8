#include "tests/e2e/WaylandSession.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <sstream>

namespace penvo::e2e {

namespace fs = std::filesystem;

namespace {

// The user the session runs as when the tests run as root (sway will not).
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

std::string Hex(Rgb c) {
  std::ostringstream s;
  s << '#' << std::hex << std::setw(6) << std::setfill('0') << (c & 0xFFFFFF);
  return s.str();
}

// The socket in dir whose name starts with prefix (and is no lock file); empty when none.
std::string SocketIn(const fs::path& dir, const std::string& prefix, const std::string& suffix) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind(prefix, 0) == 0 && name.size() >= suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0 &&
        e.is_socket(ec))
      return name;
  }
  return {};
}

void Collect(const QJsonObject& node, const std::string& title, std::vector<WaylandWindow>& out) {
  const bool isWindow = node.contains("app_id") || node.contains("window_properties");
  if (isWindow && node.value("name").toString().toStdString() == title) {
    WaylandWindow w;
    w.id = node.value("id").toInteger();
    w.title = title;
    const QJsonObject r = node.value("rect").toObject();
    w.rect = {r.value("x").toInt(), r.value("y").toInt(), r.value("width").toInt(),
              r.value("height").toInt()};
    w.focused = node.value("focused").toBool();
    w.fullscreen = node.value("fullscreen_mode").toInt() != 0;
    w.visible = node.value("visible").toBool();
    out.push_back(w);
  }
  for (const char* key : {"nodes", "floating_nodes"})
    for (const QJsonValue child : node.value(key).toArray()) Collect(child.toObject(), title, out);
}

// Reads a binary PPM (P6, 8 bits) as grim writes it.
std::vector<Rgb> ReadPpm(const fs::path& file, int& width, int& height) {
  std::ifstream in(file, std::ios::binary);
  std::string magic;
  int max = 0;
  in >> magic >> width >> height >> max;
  in.get();
  if (magic != "P6" || max != 255 || width <= 0 || height <= 0) return {};
  std::vector<unsigned char> raw(static_cast<std::size_t>(width) * height * 3);
  in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
  if (!in) return {};
  std::vector<Rgb> pixels(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = (Rgb(raw[3 * i]) << 16) | (Rgb(raw[3 * i + 1]) << 8) | raw[3 * i + 2];
  return pixels;
}

}  // namespace

std::string Name(Compositor c) {
  return c == Compositor::Sway ? "Sway" : "Gnome";
}

WaylandSession::WaylandSession(Compositor compositor, int width, int height, Rgb background)
    : compositor_(compositor), width_(width), height_(height) {
  char pattern[] = "/tmp/penvo-wayland-XXXXXX";
  home_ = mkdtemp(pattern);
  runtime_ = home_ / "runtime";
  for (const char* dir : {"config", "runtime", "registry", "cache", "Pictures"})
    fs::create_directories(home_ / dir);
  fs::permissions(runtime_, fs::perms::owner_all);
  log_ = home_ / "log.txt";
  std::ofstream(log_) << "";
  switchUser_ = geteuid() == 0;
  uid_ = switchUser_ ? kNobody : geteuid();
  gid_ = switchUser_ ? kNoGroup : getegid();
  PrepareSanitizers();
  // The portal's backends for this desktop alone: the portal of 1.16 takes a backend of another
  // desktop installed beside them for what none of this desktop's offers, and a GNOME backend
  // outside GNOME does not answer.
  const fs::path portals = home_ / "portals";
  fs::create_directories(portals);
  for (const char* name : compositor == Compositor::Sway
                              ? std::vector<const char*>{"wlr.portal", "gtk.portal"}
                              : std::vector<const char*>{"gnome.portal", "gtk.portal", "gnome-shell.portal"}) {
    std::error_code ec;
    fs::copy_file(fs::path("/usr/share/xdg-desktop-portal/portals") / name, portals / name, ec);
  }
  SetEnv("XDG_DESKTOP_PORTAL_DIR", portals.string());
  const bool up = compositor == Compositor::Sway ? StartSway(background) : StartGnome(background);
  if (!up) return;
  // One pointer and one keyboard for the whole session.
  int toInput[2], fromInput[2];
  if (pipe2(toInput, O_CLOEXEC) != 0 || pipe2(fromInput, O_CLOEXEC) != 0) return;
  const char* input = compositor == Compositor::Sway ? "tests/e2e/wl_input" : "tests/e2e/gnome_input";
  input_ = Spawn({Reachable(ProgramPath(input)), std::to_string(width_), std::to_string(height_)},
                 toInput[0], fromInput[1]);
  close(toInput[0]);
  close(fromInput[1]);
  inputIn_ = toInput[1];
  inputOut_ = fromInput[0];
  // The answer to an empty command: the devices are there.
  if (!Input("")) {
    ADD_FAILURE() << "the session's pointer and keyboard did not come up:\n" << Log();
    return;
  }
  // Ready once the screen can be read.
  ready_ = Session::WaitFor([&] { return !Screen().empty(); }, 15s);
  if (!ready_) ADD_FAILURE() << "the session's screen cannot be read:\n" << Log();
  Note(Name(compositor) + " session on " + wayland_);
}

bool WaylandSession::StartSway(Rgb background) {
  std::ofstream(home_ / "sway.cfg")
      << "output HEADLESS-1 resolution " << width_ << "x" << height_ << " bg " << Hex(background)
      << " solid_color\n"
      << "default_border none\n"
      << "focus_follows_mouse no\n";
  if (switchUser_) {
    for (const auto& e : fs::recursive_directory_iterator(home_)) Own(e.path());
    Own(home_);
  }
  session_ = Spawn({"dbus-run-session", "--", "sh", "-c",
                    "echo \"$DBUS_SESSION_BUS_ADDRESS\" > \"$HOME/bus\"; pipewire & "
                    "exec sway -c \"$HOME/sway.cfg\""});
  const bool up = Session::WaitFor(
      [&] {
        wayland_ = SocketIn(runtime_, "wayland-", "");
        swaysock_ = SocketIn(runtime_, "sway-ipc.", ".sock");
        std::ifstream bus(home_ / "bus");
        std::getline(bus, bus_);
        return !wayland_.empty() && !swaysock_.empty() && !bus_.empty();
      },
      15s);
  if (!up) {
    ADD_FAILURE() << "sway did not start:\n" << Log();
    return false;
  }
  // The portal and its backends are started by the bus; they find the compositor through the
  // bus's activation environment.
  WaitExit(Spawn({"dbus-update-activation-environment", "WAYLAND_DISPLAY=" + wayland_,
                  "XDG_CURRENT_DESKTOP=sway", "XDG_SESSION_TYPE=wayland"}),
           10s);
  if (!Session::WaitFor(
          [&] { return Swaymsg({"-t", "get_outputs"}).find("HEADLESS-1") != std::string::npos; },
          10s)) {
    ADD_FAILURE() << "sway has no output:\n" << Log();
    return false;
  }
  // The portal's wlr backend, started by the first request, now and then never answers that
  // request (about one session in fifteen here): the session's first picture is taken before
  // the test, as on a desktop that has been up a while. It lands in /tmp/out.png.
  const fs::path shot = "/tmp/out.png";
  std::error_code ec;
  fs::remove(shot, ec);
  Output({"gdbus", "call", "--session", "--dest", "org.freedesktop.portal.Desktop",
          "--object-path", "/org/freedesktop/portal/desktop", "--method",
          "org.freedesktop.portal.Screenshot.Screenshot", "", "{'interactive': <false>}"});
  if (!Session::WaitFor([&] { return fs::exists(shot); }, 10s))
    Note("the portal's first screenshot did not come");
  fs::remove(shot, ec);
  return true;
}

bool WaylandSession::StartGnome(Rgb background) {
  // The test's shell extension, enabled from the start.
  const fs::path extensions = home_ / ".local" / "share" / "gnome-shell" / "extensions";
  fs::create_directories(extensions);
  fs::copy(ProgramPath("tests/e2e/penvo-test@penvo"), extensions / "penvo-test@penvo",
           fs::copy_options::recursive);
  // A system bus of the session's own, without services: on a machine with systemd's seat
  // files the shell asks logind on the system bus, and ends when it does not answer.
  std::ofstream(home_ / "system-bus.conf")
      << "<busconfig><type>system</type><listen>unix:path=" << (runtime_ / "system_bus").string()
      << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/>"
         "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
         "<allow own=\"*\"/></policy></busconfig>\n";
  if (switchUser_) {
    for (const auto& e : fs::recursive_directory_iterator(home_)) Own(e.path());
    Own(home_);
  }
  systemBus_ = Spawn({"dbus-daemon", "--config-file=" + (home_ / "system-bus.conf").string(),
                      "--nofork"});
  if (!Session::WaitFor([&] { return fs::exists(runtime_ / "system_bus"); }, 10s)) {
    ADD_FAILURE() << "the private system bus did not start:\n" << Log();
    return false;
  }
  SetEnv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (runtime_ / "system_bus").string());
  const std::string settings =
      "gsettings set org.gnome.shell enabled-extensions \"['penvo-test@penvo']\"; "
      "gsettings set org.gnome.desktop.interface enable-animations false; "
      // A banner that comes up over every window (without a display manager the shell says
      // that the screen cannot lock) takes the pointer's next press while it slides in.
      "gsettings set org.gnome.desktop.screensaver lock-enabled false; "
      "gsettings set org.gnome.desktop.notifications show-banners false; "
      "gsettings set org.gnome.desktop.background picture-uri ''; "
      "gsettings set org.gnome.desktop.background picture-uri-dark ''; "
      "gsettings set org.gnome.desktop.background color-shading-type solid; "
      "gsettings set org.gnome.desktop.background primary-color '" + Hex(background) + "'; ";
  session_ = Spawn({"dbus-run-session", "--", "sh", "-c",
                    "echo \"$DBUS_SESSION_BUS_ADDRESS\" > \"$HOME/bus\"; " + settings +
                        "pipewire & exec gnome-shell --headless --wayland --no-x11 "
                        "--virtual-monitor " + std::to_string(width_) + "x" +
                        std::to_string(height_)});
  const bool up = Session::WaitFor(
      [&] {
        wayland_ = SocketIn(runtime_, "wayland-", "");
        std::ifstream bus(home_ / "bus");
        std::getline(bus, bus_);
        return !wayland_.empty() && !bus_.empty();
      },
      20s);
  if (!up) {
    ADD_FAILURE() << "GNOME Shell did not start:\n" << Log();
    return false;
  }
  // The portal's GNOME backend is a Wayland client of the shell's, started by the bus.
  WaitExit(Spawn({"dbus-update-activation-environment", "WAYLAND_DISPLAY=" + wayland_,
                  "XDG_CURRENT_DESKTOP=GNOME", "XDG_SESSION_TYPE=wayland"}),
           10s);
  // Ready once the shell answers on the bus and the test's extension is there.
  if (!Session::WaitFor(
          [&] {
            return Output({"gdbus", "call", "--session", "--dest", "org.penvo.Test",
                           "--object-path", "/org/penvo/Test", "--method",
                           "org.penvo.Test.Windows"})
                       .find("[") != std::string::npos;
          },
          20s)) {
    ADD_FAILURE() << "GNOME Shell or the test's extension does not answer:\n" << Log();
    return false;
  }
  // Screenshots without asking (the portal's question is the user's to answer once).
  Output({"gdbus", "call", "--session", "--dest", "org.freedesktop.impl.portal.PermissionStore",
          "--object-path", "/org/freedesktop/impl/portal/PermissionStore", "--method",
          "org.freedesktop.impl.portal.PermissionStore.SetPermission", "screenshot", "true",
          "screenshot", "", "['yes']"});
  return true;
}

WaylandSession::~WaylandSession() {
  for (pid_t pid : std::vector(programs_.All()))
    if (Running(pid)) Stop(pid, 3s);
  if (inputIn_ >= 0) close(inputIn_);
  if (inputOut_ >= 0) close(inputOut_);
  if (input_ > 0) WaitExit(input_, 2s);
  if (::testing::Test::HasFailure()) std::cerr << "---- e2e log ----\n" << Log() << "----\n";
  // The session leads a process group of its own: the bus, PipeWire and the portals go with it.
  if (session_ > 0) {
    kill(-session_, SIGTERM);
    if (!Session::WaitFor([&] { return waitpid(session_, nullptr, WNOHANG) == session_; }, 3s)) {
      kill(-session_, SIGKILL);
      waitpid(session_, nullptr, 0);
    }
    kill(-session_, SIGKILL);  // whatever of the group is left
  }
  if (systemBus_ > 0) {
    kill(systemBus_, SIGTERM);
    WaitExit(systemBus_, 2s);
  }
  std::error_code ec;
  if (!std::getenv("PENVO_E2E_KEEP")) fs::remove_all(home_, ec);
}

void WaylandSession::Own(const fs::path& path) {
  if (switchUser_ && chown(path.c_str(), uid_, gid_) != 0) Note("cannot chown " + path.string());
}

void WaylandSession::Note(const std::string& text) {
  std::ofstream(log_, std::ios::app) << "[harness] " << text << "\n";
}

std::string WaylandSession::Log() const {
  std::ifstream in(log_);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WaylandSession::PrepareSanitizers() {
  // Under AddressSanitizer, whole stacks for every allocation: Mesa's driver, which Qt's
  // Wayland plugin loads, is unloaded before the leak check, and only a whole stack reaches past
  // its frames to the library that the suppressions name.
  if (const char* asan = std::getenv("ASAN_OPTIONS"))
    sanitizerEnv_.emplace_back("ASAN_OPTIONS", std::string(asan) + ":fast_unwind_on_malloc=0");
  // The leak check's suppressions file, where the session's user can read it.
  const char* lsan = std::getenv("LSAN_OPTIONS");
  if (!lsan || !switchUser_) return;
  std::string options = lsan;
  const std::string key = "suppressions=";
  const auto at = options.find(key);
  if (at == std::string::npos) return;
  const auto end = options.find(':', at);
  const std::string file = options.substr(
      at + key.size(), end == std::string::npos ? std::string::npos : end - at - key.size());
  const fs::path copy = home_ / "lsan.supp";
  std::error_code ec;
  fs::copy_file(file, copy, fs::copy_options::overwrite_existing, ec);
  chmod(copy.c_str(), 0644);
  options.replace(at + key.size(), file.size(), copy.string());
  sanitizerEnv_.emplace_back("LSAN_OPTIONS", options);
}

std::vector<std::string> WaylandSession::Environment() const {
  std::vector<std::pair<std::string, std::string>> set = {
      {"HOME", home_.string()},
      {"XDG_CONFIG_HOME", (home_ / "config").string()},
      {"XDG_CACHE_HOME", (home_ / "cache").string()},
      {"XDG_RUNTIME_DIR", runtime_.string()},
      {"XDG_CURRENT_DESKTOP", compositor_ == Compositor::Sway ? "sway" : "GNOME"},
      {"XDG_SESSION_TYPE", "wayland"},
      {"WLR_BACKENDS", "headless"},
      {"WLR_LIBINPUT_NO_DEVICES", "1"},
      {"WLR_RENDERER", "pixman"},
      {"QINI_REGISTRY_DIR", RegistryDir().string()},
      {"USER", switchUser_ ? "nobody" : ""},
      {"LOGNAME", switchUser_ ? "nobody" : ""}};
  if (!wayland_.empty()) set.emplace_back("WAYLAND_DISPLAY", wayland_);
  if (!bus_.empty()) set.emplace_back("DBUS_SESSION_BUS_ADDRESS", bus_);
  if (!swaysock_.empty()) set.emplace_back("SWAYSOCK", (runtime_ / swaysock_).string());
  std::erase_if(set, [](const auto& kv) { return kv.second.empty(); });
  for (const auto& kv : extraEnv_) {
    std::erase_if(set, [&](const auto& s) { return s.first == kv.first; });
    if (!kv.second.empty()) set.push_back(kv);
  }
  set.insert(set.end(), sanitizerEnv_.begin(), sanitizerEnv_.end());
  std::vector<std::string> drop{"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                                "QT_QPA_PLATFORM", "SWAYSOCK", "XDG_SESSION_DESKTOP"};
  for (const auto& kv : extraEnv_)
    if (kv.second.empty()) drop.push_back(kv.first);
  return ChildEnvironment(drop, set);
}

pid_t WaylandSession::Spawn(const std::vector<std::string>& argv, int stdinFd, int stdoutFd) {
  std::vector<std::string> full;
  if (switchUser_)
    full = {"setpriv", "--reuid=" + std::to_string(uid_), "--regid=" + std::to_string(gid_),
            "--clear-groups", "--"};
  full.insert(full.end(), argv.begin(), argv.end());
  std::vector<std::string> env = Environment();
  std::vector<char*> envp = CStrings(env), args = CStrings(full);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, log_.c_str(), O_WRONLY | O_APPEND | O_CREAT,
                                   0644);
  if (stdoutFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
  else
    posix_spawn_file_actions_adddup2(&actions, 2, 1);
  if (stdinFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
  else
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // The session gets a process group of its own, so that all of it can be ended at once.
  if (session_ <= 0) posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    ADD_FAILURE() << "cannot start " << full[0] << ": " << std::strerror(rc);
    return -1;
  }
  return pid;
}

void WaylandSession::SetEnv(const std::string& key, const std::string& value) {
  std::erase_if(extraEnv_, [&](const auto& kv) { return kv.first == key; });
  extraEnv_.emplace_back(key, value);
}

std::string WaylandSession::Reachable(const std::string& file) {
  // The build tree may lie where the session's user cannot go: a copy in the session's home.
  if (!switchUser_ || file.find('/') == std::string::npos) return file;
  const fs::path copy = home_ / "bin" / fs::path(file).filename();
  std::error_code ec;
  if (!fs::exists(copy, ec)) {
    fs::create_directories(copy.parent_path(), ec);
    Own(copy.parent_path());
    fs::copy_file(file, copy, ec);
    if (ec) Note("cannot copy " + file + ": " + ec.message());
    Own(copy);
  }
  return copy.string();
}

pid_t WaylandSession::Start(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> argv{Reachable(program)};
  argv.insert(argv.end(), args.begin(), args.end());
  Note("start " + program);
  const pid_t pid = Spawn(argv);
  if (pid > 0) programs_.Add(pid);
  return pid;
}

bool WaylandSession::Running(pid_t pid) {
  return programs_.Running(pid);
}

std::optional<int> WaylandSession::WaitExit(pid_t pid, Millis deadline) {
  return programs_.WaitExit(pid, deadline);
}

std::optional<int> WaylandSession::Stop(pid_t pid, Millis deadline) {
  return programs_.Stop(pid, deadline, [this](const std::string& text) { Note(text); });
}

std::string WaylandSession::Swaymsg(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"swaymsg"};
  argv.insert(argv.end(), args.begin(), args.end());
  return Output(argv);
}

std::string WaylandSession::Output(const std::vector<std::string>& argv) {
  const fs::path out = runtime_ / "command.out";
  std::error_code ec;
  fs::remove(out, ec);
  const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return {};
  const pid_t pid = Spawn(argv, -1, fd);
  close(fd);
  WaitExit(pid, 5s);
  std::ifstream in(out);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string WaylandSession::XDisplay() {
  // sway hands its XWayland's display to the programs it starts itself.
  const fs::path file = runtime_ / "xdisplay";
  Swaymsg({"exec", "echo \"$DISPLAY\" > " + file.string()});
  std::string display;
  Session::WaitFor(
      [&] {
        std::ifstream in(file);
        std::getline(in, display);
        return !display.empty();
      },
      5s);
  return display;
}

void WaylandSession::SetBackground(Rgb colour) {
  if (compositor_ == Compositor::Sway)
    Swaymsg({"output", "*", "bg", Hex(colour), "solid_color"});
  else
    Output({"gsettings", "set", "org.gnome.desktop.background", "primary-color", Hex(colour)});
}

std::vector<WaylandWindow> WaylandSession::Windows(const std::string& title) {
  std::vector<WaylandWindow> found;
  if (compositor_ == Compositor::Gnome) {
    const std::optional<std::string> json = Ask("windows");
    if (!json) return found;
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray(json->data(), static_cast<qsizetype>(json->size())));
    for (const QJsonValue v : doc.array()) {
      const QJsonObject w = v.toObject();
      if (w.value("title").toString().toStdString() != title) continue;
      found.push_back({w.value("id").toInteger(), title,
                       {w.value("x").toInt(), w.value("y").toInt(), w.value("width").toInt(),
                        w.value("height").toInt()},
                       w.value("focused").toBool(), w.value("fullscreen").toBool(),
                       w.value("visible").toBool()});
    }
    return found;
  }
  const std::string tree = Swaymsg({"-t", "get_tree"});
  const QJsonDocument doc =
      QJsonDocument::fromJson(QByteArray(tree.data(), static_cast<qsizetype>(tree.size())));
  Collect(doc.object(), title, found);
  return found;
}

WaylandWindow WaylandSession::WaitForWindow(const std::string& title, Millis deadline) {
  WaylandWindow window;
  Session::WaitFor(
      [&] {
        for (const WaylandWindow& w : Windows(title))
          if (w.visible) window = w;
        return window.id != 0;
      },
      deadline);
  if (!window.id) Note("no window titled " + title);
  return window;
}

bool WaylandSession::Input(const std::string& command) {
  return Ask(command).has_value();
}

std::optional<std::string> WaylandSession::Ask(const std::string& command) {
  if (inputIn_ < 0) return std::nullopt;
  const std::string line = command + "\n";
  if (write(inputIn_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
    return std::nullopt;
  pollfd pfd{inputOut_, POLLIN, 0};
  // The first answer comes once the devices are made ("ready"), then one per command.
  while (true) {
    const auto nl = pending_.find('\n');
    if (nl != std::string::npos) {
      const std::string first = pending_.substr(0, nl);
      pending_.erase(0, nl + 1);
      if (first == "ready") continue;
      if (first == "ok") return std::string();
      if (first.rfind("ok ", 0) == 0) return first.substr(3);
      Note("input: " + first);
      return std::nullopt;
    }
    if (poll(&pfd, 1, 15000) <= 0) return std::nullopt;
    char buf[4096];
    const ssize_t n = read(inputOut_, buf, sizeof buf);
    if (n <= 0) return std::nullopt;
    pending_.append(buf, static_cast<std::size_t>(n));
  }
}

void WaylandSession::Move(int x, int y) {
  EXPECT_TRUE(Input("move " + std::to_string(x) + " " + std::to_string(y) + " " +
                    std::to_string(width_) + " " + std::to_string(height_)));
}
void WaylandSession::Press(int button) {
  EXPECT_TRUE(Input("down " + std::to_string(button)));
}
void WaylandSession::Release(int button) {
  EXPECT_TRUE(Input("up " + std::to_string(button)));
}
void WaylandSession::Drag(const std::vector<std::pair<int, int>>& points, int button) {
  if (points.empty()) return;
  Move(points.front().first, points.front().second);
  Press(button);
  for (std::size_t i = 1; i < points.size(); ++i) Move(points[i].first, points[i].second);
  Release(button);
}
void WaylandSession::Key(const std::string& combo) {
  EXPECT_TRUE(Input("key " + combo)) << combo;
}

std::vector<Rgb> WaylandSession::Screen() {
  if (compositor_ == Compositor::Gnome) {
    // From the shell itself, through the test's extension: GNOME lets no other program read
    // the screen.
    const fs::path file = runtime_ / "screen.png";
    std::error_code ec;
    fs::remove(file, ec);
    if (!Ask("shot " + file.string())) return {};
    const QImage image =
        QImage(QString::fromStdString(file.string())).convertToFormat(QImage::Format_RGB32);
    if (image.width() != width_ || image.height() != height_) return {};
    std::vector<Rgb> pixels(static_cast<std::size_t>(width_) * height_);
    for (int y = 0; y < height_; ++y) {
      const auto* row = reinterpret_cast<const Rgb*>(image.constScanLine(y));
      for (int x = 0; x < width_; ++x) pixels[static_cast<std::size_t>(y) * width_ + x] = row[x] & 0xFFFFFF;
    }
    return pixels;
  }
  const fs::path file = runtime_ / "screen.ppm";
  std::error_code ec;
  fs::remove(file, ec);
  const pid_t pid = Spawn({"grim", "-t", "ppm", file.string()});
  if (WaitExit(pid, 5s) != 0) return {};
  int w = 0, h = 0;
  std::vector<Rgb> pixels = ReadPpm(file, w, h);
  if (w != width_ || h != height_) return {};
  return pixels;
}

Rgb WaylandSession::Pixel(int x, int y) {
  const std::vector<Rgb> s = Screen();
  if (s.empty() || x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFF000000u;
  return s[static_cast<std::size_t>(y) * width_ + x];
}

bool WaylandSession::WaitForPixel(int x, int y, const std::function<bool(Rgb)>& pred,
                               Millis deadline) {
  Rgb last = 0;
  const bool ok = Session::WaitFor(
      [&] {
        last = Pixel(x, y);
        return pred(last);
      },
      deadline);
  if (!ok)
    ADD_FAILURE() << "pixel (" << x << "," << y << ") is " << Hex(last) << " at the deadline";
  return ok;
}

bool WaylandSession::WaitForScreen(const std::function<bool(const std::vector<Rgb>&)>& cond,
                                Millis deadline) {
  return Session::WaitFor(
      [&] {
        const std::vector<Rgb> s = Screen();
        return !s.empty() && cond(s);
      },
      deadline);
}

void WaylandSession::Checkpoint(const std::string& name) {
  const char* dir = std::getenv("PENVO_E2E_SHOTS");
  if (!dir) return;
  const std::vector<Rgb> s = Screen();
  if (s.empty()) return;
  QImage image(width_, height_, QImage::Format_RGB32);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) image.setPixel(x, y, 0xFF000000u | s[y * width_ + x]);
  std::string file = name;
  std::replace(file.begin(), file.end(), '/', '_');
  image.save(QString::fromStdString((fs::path(dir) / (file + ".png")).string()));
}

}  // namespace penvo::e2e
