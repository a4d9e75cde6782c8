#include "app/HelpFile.h"

#include "platform/OsFiles.h"

namespace penvo {

namespace {

constexpr const char* kSeparators = "/\\";

// The directory part of Path, with its trailing separator; empty when there is none.
std::string DirectoryOf(const std::string& Path) {
  const std::size_t last = Path.find_last_of(kSeparators);
  return last == std::string::npos ? std::string() : Path.substr(0, last + 1);
}

// The directory above Dir (which ends in a separator): "/usr/bin/" gives "/usr/". Dir with
// "../" added where there is no name to drop ("/", "C:\", "", a directory named "..").
std::string ParentDir(const std::string& Dir) {
  if (Dir.size() >= 2) {
    const std::size_t start = Dir.find_last_of(kSeparators, Dir.size() - 2);
    if (start != std::string::npos) {
      const std::string name = Dir.substr(start + 1, Dir.size() - start - 2);
      if (name != "." && name != "..") return Dir.substr(0, start + 1);
    }
  }
  return Dir + "../";
}

}  // namespace

std::string ChangeFileExt(const std::string& Path, const std::string& Ext) {
  const std::size_t name = Path.find_last_of(kSeparators);
  const std::size_t dot = Path.rfind('.');
  if (dot == std::string::npos || (name != std::string::npos && dot < name)) return Path + Ext;
  return Path.substr(0, dot) + Ext;
}

std::string HelpFilePath(const std::string& ExePath) {
  std::string beside = ChangeFileExt(ExePath, ".html");
  if (os::FileExists(beside)) return beside;
  std::string installed = ParentDir(DirectoryOf(ExePath)) + "share/doc/penvo/penvo.html";
  if (os::FileExists(installed)) return installed;
  return beside;
}

}  // namespace penvo
