#include "settings/IniFiles.h"

#include "platform/OsIni.h"

namespace penvo {

std::string TIniFile::ReadSetting(const std::string& Section, const std::string& Ident,
                                  const std::string& Default) {
  return os::ReadProfileValue(FileName(), Section, Ident, Default);
}

void TIniFile::WriteSetting(const std::string& Section, const std::string& Ident,
                            const std::string& Value) {
  os::WriteProfileValue(FileName(), Section, Ident, Value);
}

std::string TRegistryIniFile::ReadSetting(const std::string& Section, const std::string& Ident,
                                          const std::string& Default) {
  if (!FKey) return Default;
  const os::RegKeyPtr sub = os::OpenRegKey(*FKey, Section, os::RegAccess::Read);
  if (!sub) return Default;
  os::RegValue value;
  switch (os::QueryRegValue(*sub, Ident, value)) {
    case os::RegStatus::NotFound:
      return Default;
    case os::RegStatus::Failed:
      throw ERegistryException("Failed to get data for '" + Ident + "'");
    case os::RegStatus::Ok:
      break;
  }
  if (value.type != os::RegType::String && value.type != os::RegType::ExpandString)
    throw ERegistryException("Invalid data type for '" + Ident + "'");
  // A text ends at its first NUL, as a C string does.
  return value.data.substr(0, value.data.find('\0'));
}

void TRegistryIniFile::WriteSetting(const std::string& Section, const std::string& Ident,
                                    const std::string& Value) {
  if (!FKey) return;
  const os::RegKeyPtr sub = os::CreateRegKey(*FKey, Section);
  if (!sub) throw ERegistryException("Failed to create key " + Section);
  if (os::SetRegValue(*sub, Ident, {os::RegType::String, Value}) != os::RegStatus::Ok)
    throw ERegistryException("Failed to set data for '" + Ident + "'");
}

}  // namespace penvo
