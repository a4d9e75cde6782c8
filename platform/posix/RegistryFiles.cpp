#include "platform/posix/RegistryFiles.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/AsciiCase.h"
#include "platform/posix/AtomicFile.h"

namespace penvo::os::posix {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

const char* RootName(RegRoot root) {
  switch (root) {
    case kHkeyClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case kHkeyCurrentUser:
      return "HKEY_CURRENT_USER";
    case kHkeyLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case kHkeyUsers:
      return "HKEY_USERS";
    case kHkeyPerformanceData:
      return "HKEY_PERFORMANCE_DATA";
    case kHkeyCurrentConfig:
      return "HKEY_CURRENT_CONFIG";
    case kHkeyDynData:
      return "HKEY_DYN_DATA";
    default:
      return nullptr;
  }
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string HomeDir() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  const passwd* pw = ::getpwuid(::getuid());
  return pw && pw->pw_dir ? pw->pw_dir : "";
}

std::string UserBase() {
  // A relative XDG_CONFIG_HOME is to be ignored, as the XDG base directory rules say.
  const std::string xdg = Env("XDG_CONFIG_HOME");
  if (!xdg.empty() && xdg.front() == '/') return xdg + "/registry";
  const std::string home = HomeDir();
  return home.empty() ? "" : home + "/.config/registry";
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string RegistryRootDir(RegRoot root) {
  const char* name = RootName(root);
  if (!name) return {};
  std::string base = Env("QINI_REGISTRY_DIR");
  if (base.empty()) base = root == kHkeyCurrentUser ? UserBase() : "/etc/registry";
  if (base.empty()) return {};
  return base + "/" + name;
}

std::string EncodeKeyName(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c == '/' || c == '%' || c == '\0' || (i == 0 && c == '.')) {
      out += '%';
      out += kHexDigits[c >> 4];
      out += kHexDigits[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string DecodeKeyName(std::string_view dirName) {
  std::string out;
  for (std::size_t i = 0; i < dirName.size(); ++i) {
    if (dirName[i] == '%' && i + 2 < dirName.size()) {
      const int high = HexValue(dirName[i + 1]);
      const int low = HexValue(dirName[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high << 4 | low);
        i += 2;
        continue;
      }
    }
    out += dirName[i];
  }
  return out;
}

std::optional<std::string> FindKeyDir(const std::string& dir, std::string_view name) {
  const std::string exact = dir + "/" + EncodeKeyName(name);
  if (IsDirectory(exact)) return exact;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return std::nullopt;
  std::optional<std::string> best;
  while (const dirent* entry = ::readdir(d)) {
    const std::string_view entryName = entry->d_name;
    if (entryName.empty() || entryName.front() == '.') continue;
    if (!SameText(DecodeKeyName(entryName), name)) continue;
    if (best && entryName >= std::string_view(*best)) continue;
    if (IsDirectory(dir + "/" + std::string(entryName))) best = std::string(entryName);
  }
  ::closedir(d);
  if (!best) return std::nullopt;
  return dir + "/" + *best;
}

std::optional<std::string> MakeKeyDir(const std::string& dir, std::string_view name) {
  DirectoryLock lock(dir);
  if (std::optional<std::string> found = FindKeyDir(dir, name)) return found;
  std::string child = dir + "/" + EncodeKeyName(name);
  if (::mkdir(child.c_str(), 0777) == 0) {
    SyncDirectory(dir);  // so that a value written into the new key is not lost with it
    return child;
  }
  if (errno != EEXIST || !IsDirectory(child)) return std::nullopt;
  return child;
}

}  // namespace penvo::os::posix
