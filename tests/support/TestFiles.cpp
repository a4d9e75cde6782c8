#include "tests/support/TestFiles.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace penvo::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = fs::temp_directory_path() /
                         ("penvo-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    if (fs::create_directory(candidate)) {
      path_ = fs::canonical(candidate);
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only files inside must become writable again before Windows lets them go.
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const {
  return (path_ / name).string();
}

CurrentDirScope::CurrentDirScope(const fs::path& dir) : previous_(fs::current_path()) {
  fs::current_path(dir);
}

CurrentDirScope::~CurrentDirScope() {
  std::error_code ec;
  fs::current_path(previous_, ec);
}

RemovedCurrentDir::RemovedCurrentDir(const fs::path& parent)
    : scope_(MadeDir(parent / "removed-current-dir")) {
  fs::remove(parent / "removed-current-dir");
}

fs::path MadeDir(const fs::path& dir) {
  fs::create_directories(dir);
  return dir;
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string ReadTextFile(const std::string& path) {
  std::string text = ReadFile(path);
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

void SetReadOnly(const std::string& path, bool readOnly) {
  const auto writeBits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(path, readOnly ? writeBits : fs::perms::owner_write,
                  readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

}  // namespace penvo::test
