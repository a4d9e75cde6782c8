// Internal to platform/posix/: the desktop's names for the user's folders
// ($XDG_CONFIG_HOME/user-dirs.dirs, written by xdg-user-dirs-update).
#pragma once

#include <string>
#include <string_view>

namespace penvo::os::posix {

// The directory that the text of a user-dirs.dirs file names for Key (such as
// "XDG_PICTURES_DIR"), with "$HOME" at its start replaced by Home; empty when the text names
// none, or names one that is neither absolute nor below $HOME (the file's rules).
std::string UserDirFromText(std::string_view Text, std::string_view Key, const std::string& Home);

}  // namespace penvo::os::posix
