// Whole-file reads and crash-safe whole-file replacement for the POSIX settings stores.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace penvo::os::posix {

// The whole content of the file at path; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// path with every symbolic link followed, so that a replacement writes the link's target and
// keeps the link; path itself when it does not resolve.
std::string FollowLinks(const std::string& path);

// Replaces the content of the file at path in one step: a temporary file in the same directory
// is written, flushed to disk and renamed over path, and the directory entry is flushed too. A
// crash or a full disk leaves the old content or the new one, never a mixture. An existing
// file keeps its mode; a new one gets mode & ~umask. False when anything failed (the old file is
// then untouched and no temporary file is left behind).
bool ReplaceFileContent(const std::string& path, std::string_view content, mode_t mode = 0666);

// Makes a new file at path with content in one step, never replacing a file there: a
// temporary file in the same directory is written, flushed to disk and then given the name.
// False, with the OS's reason in error, when anything failed or path exists; no temporary
// file is then left behind.
bool CreateFileContent(const std::string& path, std::string_view content, std::string& error);

// ReplaceFileContent, where the new file also keeps the owner and group of the old one (a file
// shared by a group stays the group's); but where the directory refuses new files to this user
// (an ini file that everyone may write in a directory of root's), or the owner and group cannot
// be kept (this user may not give files away), and the file exists and may be written, the
// file is written over in place: the new content from its start, then cut to that length
// and flushed to disk. Only in this case can a crash leave a mixture: the new content, or its
// beginning, followed by the rest of the old one. False when the file could be written neither
// way.
bool StoreFileContent(const std::string& path, std::string_view content);

// Removes the temporary files that replacements killed half-way left in dir. Only to be called
// while holding dir's DirectoryLock, when no other replacement can be under way in it.
void RemoveTempLeftovers(const std::string& dir);

// Holds an exclusive advisory lock on a directory while it lives, so that the read-modify-write
// cycles of several processes on files in it take turns. Without the lock (the directory cannot
// be opened) the holder goes on unlocked.
class DirectoryLock {
 public:
  explicit DirectoryLock(const std::string& dir);
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

 private:
  int fd_ = -1;
};

// Flushes the entries of the directory dir (files made, renamed or removed in it) to disk.
void SyncDirectory(const std::string& dir);

// The directory part of path ("." when it has none).
std::string DirName(const std::string& path);

}  // namespace penvo::os::posix
