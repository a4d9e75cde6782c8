#include "settings/IniName.h"

#include <optional>
#include <utility>

#include "platform/OsFiles.h"

namespace penvo {

namespace {

constexpr const char* kSeparators = "\\/";

bool HasDirectory(const std::string& Name) {
  return Name.find_first_of(kSeparators) != std::string::npos;
}

// The file Name in the current directory, when it exists there. A current directory that was
// removed has no name: then there is none, rather than a file of that name in the root.
std::optional<std::string> InCurrentDir(const std::string& Name) {
  const std::string dir = os::GetCurrentDir();
  if (dir.empty()) return std::nullopt;
  const bool endsInSeparator = dir.back() == '\\' || dir.back() == '/';
  // Joined with "\", as on Windows; the OS's own form is what callers show and pass on.
  std::string local = os::NativePath(dir + (endsInSeparator ? "" : "\\") + Name);
  if (!os::FileExists(local)) return std::nullopt;
  return local;
}

}  // namespace

std::string ExtractFilePath(const std::string& Path) {
  const std::size_t last = Path.find_last_of(kSeparators);
  return last == std::string::npos ? std::string() : Path.substr(0, last + 1);
}

std::string ExtractFileName(const std::string& Path) {
  const std::size_t last = Path.find_last_of(kSeparators);
  return last == std::string::npos ? Path : Path.substr(last + 1);
}

std::string ResolveIniName(std::string Name, std::string DefaultExt) {
  if (!Name.empty() && Name.front() == '.' && !HasDirectory(Name)) {
    DefaultExt = std::move(Name);
    Name.clear();
  }
  if (HasDirectory(Name)) return Name;
  if (Name == "-") return {};
  if (Name.empty()) {
    const std::string exeName = ExtractFileName(os::ExePath());
    Name = exeName.substr(0, exeName.find('.'));
  }
  if (Name.find('.') == std::string::npos) Name += DefaultExt;

  if (std::optional<std::string> local = InCurrentDir(Name)) return std::move(*local);
  return ExtractFilePath(os::ExePath()) + Name;
}

bool IsFileWritable(const std::string& FileName) {
  const os::FileInfo info = os::GetFileInfo(FileName);
  return info.exists && !info.readOnly;
}

void ForceFileDir(const std::string& FileName) {
  std::string dir = ExtractFilePath(FileName);
  while (dir.size() > 1 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
  if (!dir.empty()) os::ForceDirectories(dir);
}

}  // namespace penvo
