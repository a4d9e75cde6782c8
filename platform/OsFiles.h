// File-system services. Paths may use "\" or "/" as separators; each OS turns them into its own.
#pragma once

#include <string>
#include <string_view>

namespace penvo::os {

struct FileInfo {
  bool exists = false;
  bool isDirectory = false;
  bool readOnly = false;  // the read-only attribute; on POSIX: the mode has no write bit
};

// What the file system says of path; all false when its attributes cannot be read.
FileInfo GetFileInfo(const std::string& path);

// A file (not a directory) exists at path.
bool FileExists(const std::string& path);

// Creates every missing directory of dir; false when one cannot be made.
bool ForceDirectories(const std::string& dir);

// The current directory, without a trailing separator except at the root.
std::string GetCurrentDir();

// The full path of the running program file.
std::string ExePath();

// Makes ExePath return path (tests); an empty path goes back to the real one.
void SetExePathForTesting(std::string path);

// The path in the OS's own form (POSIX: every "\" becomes "/").
std::string NativePath(std::string_view path);

}  // namespace penvo::os
