// Settings files: one place that holds text values by section and key, and its two kinds, an
// ini file and a registry key.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/OsRegistry.h"

namespace penvo {

// A failure of a registry store; its message is the text the user is shown.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A place that holds text values addressed by a section and a key (Ident).
class TCustomIniFile {
 public:
  explicit TCustomIniFile(std::string FileName) : FFileName(std::move(FileName)) {}
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  // The file or registry location the store was made for.
  const std::string& FileName() const { return FFileName; }

  // The stored text, or Default when there is none.
  virtual std::string ReadSetting(const std::string& Section, const std::string& Ident,
                                  const std::string& Default) = 0;
  // Stores Value; a store that cannot throws a failure whose message is shown to the user.
  virtual void WriteSetting(const std::string& Section, const std::string& Ident,
                            const std::string& Value) = 0;

 private:
  std::string FFileName;
};

// An ini file, read and written through the OS's profile services at every call.
class TIniFile : public TCustomIniFile {
 public:
  using TCustomIniFile::TCustomIniFile;

  // The value of Ident in Section (any letter case), or Default.
  std::string ReadSetting(const std::string& Section, const std::string& Ident,
                          const std::string& Default) override;
  // Creates file, section and key as needed; throws os::OsError "Unable to write to <file>".
  void WriteSetting(const std::string& Section, const std::string& Ident,
                    const std::string& Value) override;
};

// A registry key: each section is a sub-key of it, each value a text value in the sub-key.
// The key itself is opened by the derived class.
class TRegistryIniFile : public TCustomIniFile {
 public:
  using TCustomIniFile::TCustomIniFile;

  // The text value Ident of the sub-key Section; Default when the key is not open or the
  // sub-key or value is missing. Throws ERegistryException "Invalid data type for '<Ident>'"
  // for a value that is not text, "Failed to get data for '<Ident>'" when it cannot be read.
  std::string ReadSetting(const std::string& Section, const std::string& Ident,
                          const std::string& Default) override;
  // Writes Value into the sub-key Section, created when missing; nothing when the key is not
  // open. Throws ERegistryException "Failed to create key <Section>" or
  // "Failed to set data for '<Ident>'".
  void WriteSetting(const std::string& Section, const std::string& Ident,
                    const std::string& Value) override;

 protected:
  bool KeyOpen() const { return FKey != nullptr; }
  void SetKey(os::RegKeyPtr Key) { FKey = std::move(Key); }
  void CloseKey() { FKey.reset(); }

 private:
  os::RegKeyPtr FKey;
};

}  // namespace penvo
