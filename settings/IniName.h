// Settings-file names: from a short name to a full path, and two file helpers.
#pragma once

#include <string>

namespace penvo {

// The full path of the settings file Name: a name with a directory ("\" or "/") as it is;
// "-" gives "" (no file); "" the program's base name (cut before its first "."); ".ext" that
// base name with the extension .ext; without an extension DefaultExt is added. The file in
// the current directory when it exists there (and there is a current directory), else the one
// in the program's directory.
std::string ResolveIniName(std::string Name, std::string DefaultExt);

// The file's attributes can be read and do not make it read-only.
bool IsFileWritable(const std::string& FileName);

// Creates every missing directory of FileName's directory part; failures are ignored.
void ForceFileDir(const std::string& FileName);

// The directory part of Path up to and including its last "\" or "/"; "" when it has none.
std::string ExtractFilePath(const std::string& Path);

// Path without its directory part.
std::string ExtractFileName(const std::string& Path);

}  // namespace penvo
