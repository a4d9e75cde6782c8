#include "platform/OsFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/OsFiles.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/UserDirs.h"

namespace penvo::os {

namespace posix {

namespace {

// The value between the quotes, with the shell's backslash escapes taken out; empty when the
// line has no quoted value.
std::string QuotedValue(std::string_view rest) {
  if (rest.empty() || rest.front() != '"') return {};
  std::string value;
  for (std::size_t i = 1; i < rest.size(); ++i) {
    if (rest[i] == '"') return value;
    if (rest[i] == '\\' && i + 1 < rest.size()) ++i;
    value += rest[i];
  }
  return {};  // no closing quote
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

}  // namespace

std::string UserDirFromText(std::string_view Text, std::string_view Key, const std::string& Home) {
  std::string found;
  // The last line that names the key counts, as when the shell reads the file.
  while (!Text.empty()) {
    const std::size_t end = Text.find('\n');
    std::string_view line = TrimLeft(Text.substr(0, end));
    Text = end == std::string_view::npos ? std::string_view{} : Text.substr(end + 1);
    if (line.substr(0, Key.size()) != Key) continue;
    line = TrimLeft(line.substr(Key.size()));
    if (line.empty() || line.front() != '=') continue;
    const std::string value = QuotedValue(TrimLeft(line.substr(1)));
    if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/'))
      found = Home + value.substr(5);
    else if (!value.empty() && value.front() == '/')
      found = value;
  }
  return found;
}

}  // namespace posix

namespace {

std::string HomeDir() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  const passwd* pw = ::getpwuid(::getuid());
  return pw && pw->pw_dir ? pw->pw_dir : "";
}

std::string UserDirsFile(const std::string& home) {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
    return std::string(config) + "/user-dirs.dirs";
  return home + "/.config/user-dirs.dirs";
}

}  // namespace

std::string UserPicturesDir() {
  const std::string home = HomeDir();
  if (home.empty()) return {};
  std::string dir;
  if (const auto text = posix::ReadWholeFile(UserDirsFile(home)))
    dir = posix::UserDirFromText(*text, "XDG_PICTURES_DIR", home);
  if (dir.empty()) dir = home + "/Pictures";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (!ForceDirectories(dir)) return {};
  return dir == "/" ? dir : dir + "/";
}

}  // namespace penvo::os
