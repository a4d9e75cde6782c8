#include "platform/OsIni.h"

#include <windows.h>

#include "platform/OsError.h"
#include "platform/OsFiles.h"
#include "platform/ProfileText.h"
#include "platform/win32/CodePageText.h"

namespace penvo::os {

std::string ReadProfileValue(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& Default) {
  // A blank name crashes the function on some Windows versions; Wine reads the lines above the
  // first header for a blank section, and a line "=value" for a blank key.
  if (profile::IsBlankName(section) || profile::IsBlankName(key))
    return profile::ReadDefault(Default);
  // The default goes through the code page like any text, and the missing-value sign 0xA7 is no
  // UTF-8 character: a missing key is told by two ASCII defaults that both come back.
  const std::string path = NativePath(file);
  const auto read = [&](const char* fallback) {
    char buf[kProfileValueMax + 1];
    const DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback, buf,
                                               sizeof buf, path.c_str());
    return std::string(buf, n);
  };
  std::string value = read("\x01");
  if (value == "\x01" && read("\x02") == "\x02") return profile::ReadDefault(Default);
  return win32::FromWindowsText(std::move(value));
}

void WriteProfileValue(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
  const std::string path = NativePath(file);
  const auto fail = [&] { throw OsError("Unable to write to " + file); };
  if (profile::IsBlankName(section) || profile::IsBlankName(key)) fail();
  // Wine running as root opens a read-only file for writing all the same; Windows refuses.
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) fail();
  // The function writes a line break inside a name or value into the file as it stands, so
  // that a value could add sections and keys of its own: such texts go in on one line.
  if (!::WritePrivateProfileStringA(profile::OneLine(section).c_str(),
                                    profile::OneLine(key).c_str(),
                                    win32::ToWindowsText(profile::OneLine(value)).c_str(),
                                    path.c_str()))
    fail();
}

std::vector<std::string> ReadProfileSection(const std::string& file, const std::string& section) {
  if (profile::IsBlankName(section)) return {};  // as for a read
  const std::string native = NativePath(file);
  std::vector<char> buf(32768);
  DWORD n = 0;
  for (;;) {
    n = ::GetPrivateProfileSectionA(section.c_str(), buf.data(), static_cast<DWORD>(buf.size()),
                                    native.c_str());
    // A section that does not fit comes back cut off, its length then the buffer's less two.
    if (n + 2 < buf.size()) break;
    buf.resize(buf.size() * 2);
  }
  // The entries stand one after the other, each ended by a zero.
  std::vector<std::string> entries;
  for (std::size_t at = 0; at < n;) {
    const std::string entry(buf.data() + at);
    if (!entry.empty()) entries.push_back(entry);
    at += entry.size() + 1;
  }
  return entries;
}

}  // namespace penvo::os
