// The registry as a tree of directories with a ".values" file each (see RegistryFiles.h).
#include "platform/OsRegistry.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <vector>

#include "platform/OsFiles.h"
#include "platform/posix/AsciiCase.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/RegValues.h"
#include "platform/posix/RegistryFiles.h"

namespace penvo::os {

namespace {

// An open key is the directory it lives in.
class DirKey final : public RegKey {
 public:
  DirKey(std::string dir, RegAccess access) : dir_(std::move(dir)), access_(access) {}
  const std::string& Dir() const { return dir_; }
  bool Writable() const { return access_ == RegAccess::ReadWrite; }
  std::string ValuesPath() const { return dir_ + "/" + std::string(posix::kValuesFile); }

 private:
  std::string dir_;
  RegAccess access_;
};

const DirKey& Native(const RegKey& key) {
  return static_cast<const DirKey&>(key);
}

// What Windows allows in names.
constexpr std::size_t kKeyNameMax = 255;
constexpr std::size_t kValueNameMax = 16383;

bool HoldsNul(std::string_view name) {
  return name.find('\0') != std::string_view::npos;
}

// The key names of a path "a\b\c"; empty names (doubled or trailing "\") are skipped, as
// Windows skips them. nullopt for a path that Windows refuses: one that begins with "\", or
// holds a name that is too long or a NUL.
std::optional<std::vector<std::string_view>> KeyNames(std::string_view path) {
  if (path.starts_with('\\') || HoldsNul(path)) return std::nullopt;
  std::vector<std::string_view> names;
  while (!path.empty()) {
    const std::size_t cut = path.find('\\');
    const std::string_view name = path.substr(0, cut);
    if (name.size() > kKeyNameMax) return std::nullopt;
    if (!name.empty()) names.push_back(name);
    path = cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
  }
  return names;
}

// Whether the key at dir may be used for access. Reading needs a readable directory and values
// file; writing also a writable directory and a values file that keeps a write bit, so that
// taking the write bits off ".values" makes a key read-only, for root as well.
bool Accessible(const std::string& dir, RegAccess access) {
  const bool write = access == RegAccess::ReadWrite;
  if (::access(dir.c_str(), R_OK | X_OK | (write ? W_OK : 0)) != 0) return false;
  const std::string values = dir + "/" + std::string(posix::kValuesFile);
  struct stat st {};
  if (::stat(values.c_str(), &st) != 0) return errno == ENOENT;
  if (::access(values.c_str(), R_OK) != 0) return false;
  return !write || (st.st_mode & 0222) != 0;
}

RegKeyPtr Open(std::string dir, std::string_view subKey, RegAccess access) {
  const std::optional<std::vector<std::string_view>> names = KeyNames(subKey);
  if (!names) return nullptr;
  for (const std::string_view name : *names) {
    std::optional<std::string> child = posix::FindKeyDir(dir, name);
    if (!child) return nullptr;
    dir = std::move(*child);
  }
  if (!Accessible(dir, access)) return nullptr;
  return std::make_unique<DirKey>(std::move(dir), access);
}

RegKeyPtr Create(std::string dir, std::string_view subKey) {
  const std::optional<std::vector<std::string_view>> names = KeyNames(subKey);
  if (!names) return nullptr;
  for (const std::string_view name : *names) {
    std::optional<std::string> child = posix::MakeKeyDir(dir, name);
    if (!child) return nullptr;
    dir = std::move(*child);
  }
  if (!Accessible(dir, RegAccess::ReadWrite)) return nullptr;
  return std::make_unique<DirKey>(std::move(dir), RegAccess::ReadWrite);
}

// Adds name unless names holds it in some letter case.
void AddOnce(std::vector<std::string>& names, std::string name) {
  const auto same = [&](const std::string& n) { return posix::SameText(n, name); };
  if (std::find_if(names.begin(), names.end(), same) == names.end())
    names.push_back(std::move(name));
}

}  // namespace

RegKeyPtr OpenRegKey(RegRoot root, std::string_view subKey, RegAccess access) {
  const std::string dir = posix::RegistryRootDir(root);
  if (dir.empty()) return nullptr;
  return Open(dir, subKey, access);
}

RegKeyPtr OpenRegKey(const RegKey& parent, std::string_view subKey, RegAccess access) {
  return Open(Native(parent).Dir(), subKey, access);
}

RegKeyPtr CreateRegKey(RegRoot root, std::string_view subKey) {
  const std::string dir = posix::RegistryRootDir(root);
  if (dir.empty() || !ForceDirectories(dir)) return nullptr;
  return Create(dir, subKey);
}

RegKeyPtr CreateRegKey(const RegKey& parent, std::string_view subKey) {
  return Create(Native(parent).Dir(), subKey);
}

bool RegCreateFailureReported(RegRoot root, std::string_view subKey) {
  if (root != kHkeyCurrentUser || !KeyNames(subKey)) return false;
  return OpenRegKey(root, subKey, RegAccess::Read) == nullptr;
}

RegStatus QueryRegValue(const RegKey& key, std::string_view name, RegValue& value) {
  if (name.size() > kValueNameMax || HoldsNul(name)) return RegStatus::NotFound;
  const std::string path = Native(key).ValuesPath();
  std::optional<std::string> text = posix::ReadWholeFile(path);
  if (!text) {
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 && errno == ENOENT ? RegStatus::NotFound
                                                             : RegStatus::Failed;
  }
  std::optional<RegValue> found = reg::RegValuesText(std::move(*text)).Find(name);
  if (!found) return RegStatus::NotFound;
  value = std::move(*found);
  return RegStatus::Ok;
}

RegStatus SetRegValue(const RegKey& key, std::string_view name, const RegValue& value) {
  const DirKey& dirKey = Native(key);
  if (!dirKey.Writable() || name.size() > kValueNameMax || HoldsNul(name)) return RegStatus::Failed;
  posix::DirectoryLock lock(dirKey.Dir());
  const std::string path = posix::FollowLinks(dirKey.ValuesPath());
  std::string old;
  struct stat st {};
  const bool existed = ::stat(path.c_str(), &st) == 0;
  if (existed) {
    if (!S_ISREG(st.st_mode)) return RegStatus::Failed;
    std::optional<std::string> text = posix::ReadWholeFile(path);
    if (!text) return RegStatus::Failed;  // never replace values that could not be read
    old = std::move(*text);
  } else if (errno != ENOENT) {
    return RegStatus::Failed;
  }
  reg::RegValuesText values(old);
  values.Set(name, value);
  if (existed && values.Text() == old) return RegStatus::Ok;
  posix::RemoveTempLeftovers(dirKey.Dir());
  return posix::ReplaceFileContent(path, values.Text()) ? RegStatus::Ok : RegStatus::Failed;
}

std::vector<std::string> RegValueNames(const RegKey& key) {
  std::optional<std::string> text = posix::ReadWholeFile(Native(key).ValuesPath());
  if (!text) return {};
  std::vector<std::string> names;
  // Of two values whose names differ in letter case only, made by hand, the first is read.
  for (std::string& name : reg::RegValuesText(std::move(*text)).Names())
    AddOnce(names, std::move(name));
  return names;
}

std::vector<std::string> RegSubKeyNames(const RegKey& key) {
  const std::string& dir = Native(key).Dir();
  std::vector<std::string> found;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return {};
  while (const dirent* entry = ::readdir(d)) {
    const std::string_view name = entry->d_name;
    if (name.empty() || name.front() == '.') continue;  // the values file, temporary files
    struct stat st {};
    if (::stat((dir + "/" + std::string(name)).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      found.emplace_back(name);
  }
  ::closedir(d);
  // In byte order, so that of "Foo" and "foo" made by hand the one that lookups find counts.
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  for (const std::string& dirName : found) AddOnce(names, posix::DecodeKeyName(dirName));
  return names;
}

}  // namespace penvo::os
