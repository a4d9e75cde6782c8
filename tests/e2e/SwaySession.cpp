#include "tests/e2e/SwaySession.h"

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

void Collect(const QJsonObject& node, const std::string& title, std::vector<SwayWindow>& out) {
  const bool isWindow = node.contains("app_id") || node.contains("window_properties");
  if (isWindow && node.value("name").toString().toStdString() == title) {
    SwayWindow w;
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

SwaySession::SwaySession(int width, int height, Rgb background)
    : width_(width), height_(height) {
  char pattern[] = "/tmp/penvo-sway-XXXXXX";
  home_ = mkdtemp(pattern);
  runtime_ = home_ / "runtime";
  for (const char* dir : {"config", "runtime", "registry", "cache", "Pictures"})
    fs::create_directories(home_ / dir);
  fs::permissions(runtime_, fs::perms::owner_all);
  log_ = home_ / "log.txt";
  switchUser_ = geteuid() == 0;
  uid_ = switchUser_ ? kNobody : geteuid();
  gid_ = switchUser_ ? kNoGroup : getegid();
  std::ofstream(home_ / "sway.cfg")
      << "output HEADLESS-1 resolution " << width << "x" << height << " bg " << Hex(background)
      << " solid_color\n"
      << "default_border none\n"
      << "focus_follows_mouse no\n";
  std::ofstream(log_) << "";
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
    return;
  }
  // The portal and its backends are started by the bus; they find the compositor through the
  // bus's activation environment.
  const pid_t env = Spawn({"dbus-update-activation-environment", "WAYLAND_DISPLAY=" + wayland_,
                           "XDG_CURRENT_DESKTOP=sway", "XDG_SESSION_TYPE=wayland"});
  WaitExit(env, 10s);
  // Ready once the output is there and the screen can be read.
  ready_ = Session::WaitFor(
      [&] { return Swaymsg({"-t", "get_outputs"}).find("HEADLESS-1") != std::string::npos; },
      10s) &&
           Session::WaitFor([&] { return !Screen().empty(); }, 10s);
  if (!ready_) {
    ADD_FAILURE() << "the sway session is not usable:\n" << Log();
    return;
  }
  int toInput[2], fromInput[2];
  if (pipe2(toInput, O_CLOEXEC) != 0 || pipe2(fromInput, O_CLOEXEC) != 0) {
    ready_ = false;
    return;
  }
  input_ = Spawn({Reachable(ProgramPath("tests/e2e/wl_input"))}, toInput[0], fromInput[1]);
  close(toInput[0]);
  close(fromInput[1]);
  inputIn_ = toInput[1];
  inputOut_ = fromInput[0];
  ready_ = Input("");  // the answer to an empty command: the devices are there
  if (!ready_) ADD_FAILURE() << "the virtual pointer and keyboard did not come up:\n" << Log();
  Note("sway session on " + wayland_);
}

SwaySession::~SwaySession() {
  for (pid_t pid : std::vector(programs_))
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
  std::error_code ec;
  if (!std::getenv("PENVO_E2E_KEEP")) fs::remove_all(home_, ec);
}

void SwaySession::Own(const fs::path& path) {
  if (switchUser_ && chown(path.c_str(), uid_, gid_) != 0) Note("cannot chown " + path.string());
}

void SwaySession::Note(const std::string& text) {
  std::ofstream(log_, std::ios::app) << "[harness] " << text << "\n";
}

std::string SwaySession::Log() const {
  std::ifstream in(log_);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> SwaySession::Environment() const {
  std::vector<std::pair<std::string, std::string>> set = {
      {"HOME", home_.string()},
      {"XDG_CONFIG_HOME", (home_ / "config").string()},
      {"XDG_CACHE_HOME", (home_ / "cache").string()},
      {"XDG_RUNTIME_DIR", runtime_.string()},
      {"XDG_CURRENT_DESKTOP", "sway"},
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
  // A sanitizer's suppressions file, where the session's user can read it.
  if (const char* lsan = std::getenv("LSAN_OPTIONS"); lsan && switchUser_) {
    std::string options = lsan;
    const std::string key = "suppressions=";
    if (const auto at = options.find(key); at != std::string::npos) {
      const auto end = options.find(':', at);
      const std::string file = options.substr(at + key.size(), end == std::string::npos
                                                                   ? std::string::npos
                                                                   : end - at - key.size());
      const fs::path copy = home_ / "lsan.supp";
      std::error_code ec;
      fs::copy_file(file, copy, fs::copy_options::overwrite_existing, ec);
      chmod(copy.c_str(), 0644);
      options.replace(at + key.size(), file.size(), copy.string());
      set.emplace_back("LSAN_OPTIONS", options);
    }
  }
  std::vector<std::string> drop{"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                                "QT_QPA_PLATFORM", "SWAYSOCK", "XDG_SESSION_DESKTOP"};
  for (const auto& kv : extraEnv_)
    if (kv.second.empty()) drop.push_back(kv.first);
  return ChildEnvironment(drop, set);
}

pid_t SwaySession::Spawn(const std::vector<std::string>& argv, int stdinFd, int stdoutFd) {
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

void SwaySession::SetEnv(const std::string& key, const std::string& value) {
  std::erase_if(extraEnv_, [&](const auto& kv) { return kv.first == key; });
  extraEnv_.emplace_back(key, value);
}

std::string SwaySession::Reachable(const std::string& file) {
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

pid_t SwaySession::Start(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> argv{Reachable(program)};
  argv.insert(argv.end(), args.begin(), args.end());
  Note("start " + program);
  const pid_t pid = Spawn(argv);
  if (pid > 0) programs_.push_back(pid);
  return pid;
}

bool SwaySession::Running(pid_t pid) {
  if (pid <= 0) return false;
  int status;
  const pid_t r = waitpid(pid, &status, WNOHANG);
  if (r == pid) {
    std::erase(programs_, pid);
    exitStatus_[pid] = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return r == 0;
}

std::optional<int> SwaySession::WaitExit(pid_t pid, Millis deadline) {
  if (!Session::WaitFor([&] { return !Running(pid); }, deadline)) return std::nullopt;
  return exitStatus_[pid];
}

std::optional<int> SwaySession::Stop(pid_t pid, Millis deadline) {
  if (!Running(pid)) return exitStatus_[pid];
  kill(pid, SIGTERM);
  std::optional<int> status = WaitExit(pid, deadline);
  if (!status) {
    Note("killing " + std::to_string(pid) + ": it did not end on SIGTERM");
    kill(pid, SIGKILL);
    WaitExit(pid, 5s);
  }
  return status;
}

std::string SwaySession::Swaymsg(const std::vector<std::string>& args) {
  const fs::path out = runtime_ / "swaymsg.out";
  std::error_code ec;
  fs::remove(out, ec);
  const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return {};
  std::vector<std::string> argv{"swaymsg"};
  argv.insert(argv.end(), args.begin(), args.end());
  const pid_t pid = Spawn(argv, -1, fd);
  close(fd);
  WaitExit(pid, 5s);
  std::ifstream in(out);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string SwaySession::XDisplay() {
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

void SwaySession::SetBackground(Rgb colour) {
  Swaymsg({"output", "*", "bg", Hex(colour), "solid_color"});
}

std::vector<SwayWindow> SwaySession::Windows(const std::string& title) {
  const std::string tree = Swaymsg({"-t", "get_tree"});
  std::vector<SwayWindow> found;
  const QJsonDocument doc =
      QJsonDocument::fromJson(QByteArray(tree.data(), static_cast<qsizetype>(tree.size())));
  Collect(doc.object(), title, found);
  return found;
}

SwayWindow SwaySession::WaitForWindow(const std::string& title, Millis deadline) {
  SwayWindow window;
  Session::WaitFor(
      [&] {
        for (const SwayWindow& w : Windows(title))
          if (w.visible) window = w;
        return window.id != 0;
      },
      deadline);
  if (!window.id) Note("no window titled " + title);
  return window;
}

bool SwaySession::Input(const std::string& command) {
  if (inputIn_ < 0) return false;
  const std::string line = command + "\n";
  if (write(inputIn_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
    return false;
  std::string answer;
  pollfd pfd{inputOut_, POLLIN, 0};
  // The first answer comes once the devices are made ("ready"), then one per command.
  while (true) {
    const auto nl = answer.find('\n');
    if (nl != std::string::npos) {
      const std::string first = answer.substr(0, nl);
      answer.erase(0, nl + 1);
      if (first == "ready") continue;
      if (first != "ok") Note("wl_input: " + first);
      return first == "ok";
    }
    if (poll(&pfd, 1, 10000) <= 0) return false;
    char buf[256];
    const ssize_t n = read(inputOut_, buf, sizeof buf);
    if (n <= 0) return false;
    answer.append(buf, static_cast<std::size_t>(n));
  }
}

void SwaySession::Move(int x, int y) {
  EXPECT_TRUE(Input("move " + std::to_string(x) + " " + std::to_string(y) + " " +
                    std::to_string(width_) + " " + std::to_string(height_)));
}
void SwaySession::Press(int button) {
  EXPECT_TRUE(Input("down " + std::to_string(button)));
}
void SwaySession::Release(int button) {
  EXPECT_TRUE(Input("up " + std::to_string(button)));
}
void SwaySession::Drag(const std::vector<std::pair<int, int>>& points, int button) {
  if (points.empty()) return;
  Move(points.front().first, points.front().second);
  Press(button);
  for (std::size_t i = 1; i < points.size(); ++i) Move(points[i].first, points[i].second);
  Release(button);
}
void SwaySession::Key(const std::string& combo) {
  EXPECT_TRUE(Input("key " + combo)) << combo;
}

std::vector<Rgb> SwaySession::Screen() {
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

Rgb SwaySession::Pixel(int x, int y) {
  const std::vector<Rgb> s = Screen();
  if (s.empty() || x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFF000000u;
  return s[static_cast<std::size_t>(y) * width_ + x];
}

bool SwaySession::WaitForPixel(int x, int y, const std::function<bool(Rgb)>& pred,
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

bool SwaySession::WaitForScreen(const std::function<bool(const std::vector<Rgb>&)>& cond,
                                Millis deadline) {
  return Session::WaitFor(
      [&] {
        const std::vector<Rgb> s = Screen();
        return !s.empty() && cond(s);
      },
      deadline);
}

void SwaySession::Checkpoint(const std::string& name) {
  const char* dir = std::getenv("PENVO_E2E_SHOTS");
  if (!dir) return;
  const std::vector<Rgb> s = Screen();
  if (s.empty()) return;
  QImage image(width_, height_, QImage::Format_RGB32);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) image.setPixel(x, y, 0xFF000000u | s[y * width_ + x]);
  image.save(QString::fromStdString((fs::path(dir) / (name + ".png")).string()));
}

}  // namespace penvo::e2e
