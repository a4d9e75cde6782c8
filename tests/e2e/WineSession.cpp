#include "tests/e2e/WineSession.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

extern char** environ;

namespace penvo::e2e {

namespace fs = std::filesystem;

namespace {

fs::path& TemplateDir() {
  static fs::path dir;
  return dir;
}

// Debian's /usr/bin/wine picks the 32-bit loader when it is installed; the program is 64-bit.
std::string Loader() {
  if (access("/usr/lib/wine/wine64", X_OK) == 0) return "/usr/lib/wine/wine64";
  return "wine64";
}

// What every Wine process of the tests runs with: no debug output, and no Mono or Gecko, which
// a fresh prefix would offer to install.
std::vector<std::pair<std::string, std::string>> WineEnvironment(const fs::path& prefix) {
  return {{"WINEPREFIX", prefix.string()},
          {"WINELOADER", Loader()},
          {"WINEDEBUG", "-all"},
          {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Runs a program to its end with the environment given on top of this process's (no display:
// nothing of the template's making shows). Output goes to log. Its exit status, -1 when it
// could not start or did not end before the deadline.
int RunQuietly(const std::vector<std::string>& argv,
               const std::vector<std::pair<std::string, std::string>>& extra, const fs::path& log,
               Millis deadline) {
  std::vector<std::string> env = ChildEnvironment({"DISPLAY", "WAYLAND_DISPLAY"}, extra);
  std::vector<std::string> argvCopy = argv;
  std::vector<char*> envp = CStrings(env), args = CStrings(argvCopy);
  std::ofstream(log, std::ios::app) << "[wine] run " << argv[0] << " " << argv.back() << "\n";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = -1;
  if (!Session::WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, deadline)) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Copies a prefix, all but the name of its wineserver's folder. Wine's DLLs and programs in
// system32, syswow64 and winsxs (nearly all of the prefix's 700 MB), which Wine only ever reads,
// are hard links to the template's; every other file (the registry, the user's folders) is a copy
// of the session's own, and so is every directory, so a file made anywhere is the session's alone.
// Copying it all would cost each test seconds.
void CopyPrefix(const fs::path& from, const fs::path& to) {
  const std::vector<std::string> shared = {"drive_c/windows/system32/", "drive_c/windows/syswow64/",
                                           "drive_c/windows/winsxs/"};
  fs::create_directories(to);
  for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string rel = it->path().lexically_relative(from).generic_string();
    const fs::path target = to / rel;
    // Names the folder (below $TMPDIR) of the prefix's wineserver socket: a copy makes its own.
    if (rel == "wineserver") continue;
    if (it->is_symlink()) {
      fs::copy_symlink(it->path(), target);
    } else if (it->is_directory()) {
      fs::create_directory(target);
    } else if (std::any_of(shared.begin(), shared.end(),
                           [&](const std::string& dir) { return rel.rfind(dir, 0) == 0; })) {
      fs::create_hard_link(it->path(), target);
    } else {
      fs::copy_file(it->path(), target);
    }
  }
}

}  // namespace

void WineTemplate::SetUp() {
  char pattern[] = "/tmp/penvo-wine-template-XXXXXX";
  TemplateDir() = mkdtemp(pattern);
  const fs::path dir = TemplateDir();
  const fs::path log = dir / "log.txt";
  fs::create_directories(dir / "home");
  {
    std::ofstream opener(dir / "opener");
    opener << "#!/bin/sh\n"
              "# The test prefix's browser: it notes what it was asked to open.\n"
              "printf '%s\\n' \"$*\" >> \"$HOME/opened.txt\"\n";
  }
  fs::permissions(dir / "opener", fs::perms::owner_all);
  auto env = WineEnvironment(dir / "prefix");
  // Whatever Wine puts in HOME and TMPDIR (its wineserver's socket) goes with the template.
  env.emplace_back("HOME", (dir / "home").string());
  env.emplace_back("TMPDIR", dir.string());
  const std::string loader = Loader();
  const std::vector<std::vector<std::string>> steps = {
      {loader, "wineboot", "--init"},
      // Without Gecko the prefix names no program for .html files; a desktop has one.
      {loader, "reg", "add", "HKCR\\.html", "/ve", "/d", "htmlfile", "/f"},
      {loader, "reg", "add", "HKCU\\Software\\Wine\\WineBrowser", "/v", "Browsers", "/d",
       (dir / "opener").string(), "/f"},
      {"wineserver", "-w"}};
  for (const auto& step : steps) {
    if (RunQuietly(step, env, log, 180s) != 0) {
      std::cerr << "---- wine template log ----\n" << ReadFile(log) << "----\n";
      FAIL() << "making the Wine prefix failed at: " << step[1];
    }
  }
}

void WineTemplate::TearDown() {
  std::error_code ec;
  if (!TemplateDir().empty() && !std::getenv("PENVO_E2E_KEEP")) fs::remove_all(TemplateDir(), ec);
}

const fs::path& WineTemplate::Path() {
  return TemplateDir();
}

WineSession::WineSession(int width, int height) : Session(width, height) {
  prefix_ = Home() / "wine";
  if (WineTemplate::Path().empty() || !fs::exists(WineTemplate::Path() / "prefix" / "user.reg")) {
    ADD_FAILURE() << "no Wine template prefix (WineTemplate is not a registered environment)";
    return;
  }
  // A prefix of its own: nothing one test does in it reaches another.
  try {
    CopyPrefix(WineTemplate::Path() / "prefix", prefix_);
  } catch (const fs::filesystem_error& e) {
    ADD_FAILURE() << "cannot copy the Wine prefix: " << e.what();
  }
  for (const auto& [k, v] : WineEnvironment(prefix_)) SetEnv(k, v);
  // The wineserver's socket lives below TMPDIR, in a folder that goes with the session.
  fs::create_directories(Home() / "tmp");
  SetEnv("TMPDIR", (Home() / "tmp").string());
}

WineSession::~WineSession() {
  if (terminal_ >= 0) ::close(terminal_);
  EndWine();
}

void WineSession::SetMonitors(const std::vector<Rect>& monitors) {
  Session::SetMonitors(monitors);
  AddUserValue("Software\\Wine\\X11 Driver", "UseXRandR", "REG_SZ", "N");
}

void WineSession::SetWindowsDpi(int dpi) {
  AddUserValue("Control Panel\\Desktop", "LogPixels", "REG_DWORD", std::to_string(dpi));
}

void WineSession::AddUserValue(const std::string& key, const std::string& name,
                               const std::string& type, const std::string& data) {
  // Written without a display, so that no Wine process of the session sees the screen before
  // the prefix has the value; the server ends and saves the registry before anything else
  // starts.
  auto env = WineEnvironment(prefix_);
  env.emplace_back("HOME", Home().string());
  env.emplace_back("TMPDIR", (Home() / "tmp").string());
  EXPECT_EQ(
      RunQuietly({Loader(), "reg", "add", "HKCU\\" + key, "/v", name, "/t", type, "/d", data, "/f"},
                 env, Home() / "log.txt", 60s),
      0);
  EXPECT_TRUE(EndWine());
}

pid_t WineSession::StartWindows(const std::string& exe, const std::vector<std::string>& args) {
  std::vector<std::string> all{exe};
  all.insert(all.end(), args.begin(), args.end());
  return Start(Loader(), all);
}

pid_t WineSession::StartWindowsInTerminal(const std::string& exe) {
  const fs::path input = Home() / "terminal-input";
  if (::mkfifo(input.c_str(), 0600) != 0) return -1;
  // script(1) runs the command on a terminal of its own and passes what it reads on to it, as
  // typed keys; its exit status is the command's. It runs the command through $SHELL, which has
  // to exec it: a shell left waiting in between (dash does not exec on its own) dies of the
  // terminal's Ctrl+C itself, and script then reports 130 whatever the program did.
  const pid_t pid =
      Start("/bin/sh", {"-c", "SHELL=/bin/sh exec script -qfec \"exec $0 '$1'\" /dev/null < \"$2\"",
                        Loader(), exe, input.string()});
  // The terminal's input opens once script's shell has opened the other end.
  WaitFor(
      [&] {
        terminal_ = ::open(input.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        return terminal_ >= 0 || !Running(pid);
      },
      10s);
  return pid;
}

bool WineSession::TypeInTerminal(const std::string& text) {
  return terminal_ >= 0 &&
         ::write(terminal_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

bool WineSession::EndWine() {
  if (!fs::exists(prefix_)) return true;
  // -k ends the programs and the server, which saves the registry as it goes; -w waits for it.
  Run({"wineserver", "-k"}, 10s);
  return Run({"wineserver", "-w"}, 20s) == 0;
}

std::map<std::string, std::string> WineSession::UserRegistryValues(const std::string& key) const {
  // user.reg writes "[Software\\Ruvi\\penvo] 1234" above the key's values, backslashes doubled,
  // and each value as "name"="text" with \ and " escaped.
  std::string header;
  for (char c : key) header += c == '\\' ? std::string("\\\\") : std::string(1, c);
  header = "[" + Lower(header) + "]";
  std::map<std::string, std::string> values;
  std::istringstream in(ReadFile(prefix_ / "user.reg"));
  std::string line;
  bool inKey = false;
  const auto unquote = [](const std::string& text, std::size_t& i) {
    std::string out;
    for (++i; i < text.size() && text[i] != '"'; ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) ++i;
      out += text[i];
    }
    ++i;
    return out;
  };
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') {
      inKey = Lower(line).rfind(header, 0) == 0;
      continue;
    }
    if (!inKey || line.empty() || line[0] != '"') continue;
    std::size_t i = 0;
    const std::string name = unquote(line, i);
    if (i + 1 < line.size() && line[i] == '=' && line[i + 1] == '"') {
      ++i;
      values[name] = unquote(line, i);
    }
  }
  return values;
}

std::string WineSession::Opened() const {
  return ReadFile(Home() / "opened.txt");
}

std::string WindowsProgramPath() {
  // The build's program, unless the environment names another (a build tree elsewhere).
  if (const char* path = std::getenv("PENVO_WINDOWS_PROGRAM"); path && *path) return path;
  return PENVO_WINDOWS_PROGRAM;
}

}  // namespace penvo::e2e
