// Temporary directories and small file helpers for tests (std::filesystem only, so the same
// tests build for every OS).
#pragma once

#include <filesystem>
#include <string>

namespace penvo::test {

// A fresh directory that is removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The path of name inside the directory, as a text.
  std::string File(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// Makes dir the current directory while the object lives.
class CurrentDirScope {
 public:
  explicit CurrentDirScope(const std::filesystem::path& dir);
  ~CurrentDirScope();

 private:
  std::filesystem::path previous_;
};

// Makes a new directory inside parent the current directory, then removes it: the process has
// a current directory without a name while the object lives (not on Windows, which refuses to
// remove a current directory). The previous one is current again afterwards.
class RemovedCurrentDir {
 public:
  explicit RemovedCurrentDir(const std::filesystem::path& parent);

 private:
  CurrentDirScope scope_;
};

// Makes the directory dir (and its parents) and gives it back.
std::filesystem::path MadeDir(const std::filesystem::path& dir);

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
// The file's text with every CR LF read as LF: Windows writes new ini files with CR LF.
std::string ReadTextFile(const std::string& path);
// Removes every write permission (the read-only attribute on Windows), or gives it back.
void SetReadOnly(const std::string& path, bool readOnly);

}  // namespace penvo::test
