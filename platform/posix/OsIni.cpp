#include "platform/OsIni.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/OsError.h"
#include "platform/OsFiles.h"
#include "platform/ProfileText.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/IniText.h"

namespace penvo::os {

namespace {

std::optional<ini::IniText> Load(const std::string& file) {
  std::optional<std::string> text = posix::ReadWholeFile(NativePath(file));
  if (!text) return std::nullopt;
  return ini::IniText(std::move(*text));
}

}  // namespace

std::string ReadProfileValue(const std::string& file, const std::string& section,
                             const std::string& key, const std::string& Default) {
  const std::optional<ini::IniText> ini = Load(file);
  std::optional<std::string> value = ini ? ini->Value(section, key) : std::nullopt;
  return value ? std::move(*value) : profile::ReadDefault(Default);
}

void WriteProfileValue(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value) {
  const std::string path = posix::FollowLinks(NativePath(file));
  // The message names the file as the user knows it, with this system's separators.
  const auto fail = [&] { throw OsError("Unable to write to " + NativePath(file)); };
  if (profile::IsBlankName(section) || profile::IsBlankName(key)) fail();
  posix::DirectoryLock lock(posix::DirName(path));
  struct stat st {};
  std::string old;
  if (::stat(path.c_str(), &st) == 0) {
    // The read-only attribute is the mode without write bits; root could write such a file,
    // so the bits are checked, not the access rights.
    if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) fail();
    std::optional<std::string> text = posix::ReadWholeFile(path);
    if (!text) fail();  // never replace a file whose lines could not be read
    old = std::move(*text);
  } else if (errno != ENOENT) {
    fail();  // there may be a file that could not be examined: never take it for none
  }
  ini::IniText ini(std::move(old));
  ini.Set(section, key, value);
  posix::RemoveTempLeftovers(posix::DirName(path));
  // Like Windows, which writes an ini file in place, a file the user may write can be stored
  // even in a directory the user may not write.
  if (!posix::StoreFileContent(path, ini.Text())) fail();
}

std::vector<std::string> ReadProfileSection(const std::string& file, const std::string& section) {
  const std::optional<ini::IniText> ini = Load(file);
  if (!ini) return {};
  return ini->Entries(section);
}

}  // namespace penvo::os
