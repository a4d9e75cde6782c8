#include "platform/posix/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace penvo::os::posix {

namespace {

// The names of the temporary files that replacements write.
constexpr std::string_view kTempPrefix = ".penvo-tmp-";

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

mode_t CurrentUmask() {
  // umask can only be read by setting it; set it straight back.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

}  // namespace

void SyncDirectory(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::string DirName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string content;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    content.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    content.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return content;
}

std::string FollowLinks(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return path;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

namespace {

// Why a replacement did not happen: the directory refuses the temporary file for want of
// permission (or a read-only mount), the old file's owner and group cannot be given to the new
// one, or any other failure.
enum class Replaced { Yes, DirectoryRefused, OwnerNotKept, No };

// Gives the temporary file fd the owner and group of the old file (st) where they differ.
bool KeepOwner(int fd, const struct stat& st) {
  struct stat tmp {};
  if (::fstat(fd, &tmp) != 0) return false;
  if (tmp.st_uid == st.st_uid && tmp.st_gid == st.st_gid) return true;
  return ::fchown(fd, st.st_uid, st.st_gid) == 0;
}

// ReplaceFileContent, telling why it did not replace the file; with keepOwner the new file gets
// the old one's owner and group, or the file is not replaced.
Replaced Replace(const std::string& path, std::string_view content, mode_t mode, bool keepOwner) {
  const std::string dir = DirName(path);
  struct stat st {};
  const bool existed = ::stat(path.c_str(), &st) == 0;
  const mode_t finalMode = existed ? (st.st_mode & 07777) : (mode & ~CurrentUmask());

  std::string pattern = dir + "/" + std::string(kTempPrefix) + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0)
    return errno == EACCES || errno == EPERM || errno == EROFS ? Replaced::DirectoryRefused
                                                               : Replaced::No;
  if (existed && keepOwner && !KeepOwner(fd, st)) {
    ::close(fd);
    ::unlink(name.data());
    return Replaced::OwnerNotKept;
  }
  // The mode after the owner: a change of owner may clear the set-id bits.
  const bool written = WriteAll(fd, content) && ::fchmod(fd, finalMode) == 0 && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    ::unlink(name.data());
    return Replaced::No;
  }
  if (::rename(name.data(), path.c_str()) != 0) {
    // A sticky directory refuses to replace another user's file the user may still write.
    const int error = errno;
    ::unlink(name.data());
    return error == EACCES || error == EPERM ? Replaced::DirectoryRefused : Replaced::No;
  }
  SyncDirectory(dir);
  return Replaced::Yes;
}

// Writes content over the existing regular file at path and cuts it to that length. Opening
// the file for writing is the permission check, so nothing is made that did not exist.
bool RewriteInPlace(const std::string& path, std::string_view content) {
  // O_NONBLOCK: a FIFO put in the file's place must not hang the write; it is refused below.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  const bool written = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && WriteAll(fd, content) &&
                       ::ftruncate(fd, static_cast<off_t>(content.size())) == 0 && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  return written && closed;
}

}  // namespace

namespace {

// Gives the temporary file its name unless the name is taken. rename with RENAME_NOREPLACE
// does that in one step; file systems without it (some network ones) take a hard link, which
// also fails on a taken name, and the temporary name goes afterwards.
bool NameWithoutReplacing(const char* temp, const std::string& path) {
  if (::renameat2(AT_FDCWD, temp, AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  if (::link(temp, path.c_str()) != 0) return false;
  ::unlink(temp);
  return true;
}

}  // namespace

bool CreateFileContent(const std::string& path, std::string_view content, std::string& error) {
  const std::string dir = DirName(path);
  std::vector<char> name;
  const std::string pattern = dir + "/.penvo-tmp-XXXXXX";
  name.assign(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  const bool written = WriteAll(fd, content) && ::fchmod(fd, 0666 & ~CurrentUmask()) == 0 &&
                       ::fsync(fd) == 0;
  int failure = written ? 0 : errno;
  if (::close(fd) != 0 && failure == 0) failure = errno;
  if (failure == 0 && !NameWithoutReplacing(name.data(), path)) failure = errno;
  if (failure != 0) {
    ::unlink(name.data());
    error = std::strerror(failure);
    return false;
  }
  SyncDirectory(dir);
  return true;
}

bool ReplaceFileContent(const std::string& path, std::string_view content, mode_t mode) {
  return Replace(path, content, mode, false) == Replaced::Yes;
}

bool StoreFileContent(const std::string& path, std::string_view content) {
  switch (Replace(path, content, 0666, true)) {
    case Replaced::Yes:
      return true;
    case Replaced::DirectoryRefused:
    case Replaced::OwnerNotKept:
      return RewriteInPlace(path, content);
    case Replaced::No:
      break;
  }
  return false;
}

void RemoveTempLeftovers(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(d)) {
    const std::string_view name = entry->d_name;
    if (name.starts_with(kTempPrefix)) names.emplace_back(name);
  }
  ::closedir(d);
  for (const std::string& name : names) ::unlink((dir + "/" + name).c_str());
}

DirectoryLock::DirectoryLock(const std::string& dir) {
  fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
}

DirectoryLock::~DirectoryLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace penvo::os::posix
