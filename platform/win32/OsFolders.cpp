#include "platform/OsFolders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "platform/OsFiles.h"

namespace penvo::os {

namespace {

std::string Utf8(const wchar_t* text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(size - 1));  // without the terminating zero
  return utf8;
}

}  // namespace

std::string UserPicturesDir() {
  PWSTR path = nullptr;
  // KF_FLAG_CREATE: a Pictures folder the user removed is made again, where the shell says.
  const HRESULT result = ::SHGetKnownFolderPath(FOLDERID_Pictures, KF_FLAG_CREATE, nullptr, &path);
  std::string dir = SUCCEEDED(result) && path ? Utf8(path) : std::string();
  ::CoTaskMemFree(path);
  if (dir.empty()) return {};
  if (dir.back() != '\\') dir += '\\';
  return dir;
}

}  // namespace penvo::os
