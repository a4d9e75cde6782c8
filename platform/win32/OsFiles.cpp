#include "platform/OsFiles.h"

#include <windows.h>

#include <vector>

#include "platform/OsFilesOverride.h"

namespace penvo::os {

namespace {

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Where the directories that can be created begin: after "C:\" or after "\\server\share\".
std::size_t FirstCreatable(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return 2;
  if (path.rfind("\\\\", 0) == 0) {
    const std::size_t server = path.find('\\', 2);
    if (server == std::string::npos) return path.size();
    const std::size_t share = path.find('\\', server + 1);
    return share == std::string::npos ? path.size() : share;
  }
  return 0;
}

}  // namespace

std::string NativePath(std::string_view path) {
  std::string native(path);
  for (char& c : native)
    if (c == '/') c = '\\';
  return native;
}

FileInfo GetFileInfo(const std::string& path) {
  FileInfo info;
  const DWORD attributes = ::GetFileAttributesA(NativePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return info;
  info.exists = true;
  info.isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  return info;
}

bool ForceDirectories(const std::string& dir) {
  const std::string native = NativePath(dir);
  std::size_t pos = FirstCreatable(native);
  while (pos < native.size()) {
    pos = native.find('\\', pos + 1);
    const std::string part = native.substr(0, pos);
    if (part.empty() || part.back() == '\\' || IsDirectory(part)) continue;
    // Another program may make the same directory at the same moment: what counts is that it
    // is there afterwards.
    if (!::CreateDirectoryA(part.c_str(), nullptr) && !IsDirectory(part)) return false;
  }
  return IsDirectory(native);
}

std::string GetCurrentDir() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetCurrentDirectoryA(static_cast<DWORD>(buf.size()), buf.data());
    if (n == 0) return {};
    if (n < buf.size()) return std::string(buf.data(), n);
    buf.resize(n);  // n is then the size needed, with the terminating zero
  }
}

std::string ExePath() {
  if (!ExePathOverride().empty()) return ExePathOverride();
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    // A path that does not fit comes back cut off, filling the whole buffer.
    if (n < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

}  // namespace penvo::os
