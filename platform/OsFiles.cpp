// The parts of the file services that are the same on every OS.
#include "platform/OsFiles.h"

#include "platform/OsFilesOverride.h"

namespace penvo::os {

std::string& ExePathOverride() {
  static std::string path;
  return path;
}

bool FileExists(const std::string& path) {
  const FileInfo info = GetFileInfo(path);
  return info.exists && !info.isDirectory;
}

void SetExePathForTesting(std::string path) {
  ExePathOverride() = std::move(path);
}

}  // namespace penvo::os
