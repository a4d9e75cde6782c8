#include "platform/OsFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "platform/OsFilesOverride.h"

namespace penvo::os {

std::string NativePath(std::string_view path) {
  std::string native(path);
  for (char& c : native)
    if (c == '\\') c = '/';
  return native;
}

FileInfo GetFileInfo(const std::string& path) {
  FileInfo info;
  struct stat st {};
  if (::stat(NativePath(path).c_str(), &st) != 0) return info;
  info.exists = true;
  info.isDirectory = S_ISDIR(st.st_mode);
  info.readOnly = (st.st_mode & 0222) == 0;
  return info;
}

bool ForceDirectories(const std::string& dir) {
  const std::string native = NativePath(dir);
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = native.find('/', pos + 1);
    const std::string part = native.substr(0, pos);
    if (part.empty()) continue;
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string GetCurrentDir() {
  std::vector<char> buf(PATH_MAX);
  while (::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

std::string ExePath() {
  if (!ExePathOverride().empty()) return ExePathOverride();
  std::vector<char> buf(PATH_MAX);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

}  // namespace penvo::os
