// The user's folders, as the desktop names them.
#pragma once

#include <string>

namespace penvo::os {

// The user's pictures folder as UTF-8, ending in the OS's separator ("/" or "\"); made when it
// is missing. Empty when there is none to be had (no home, or it cannot be made).
std::string UserPicturesDir();

}  // namespace penvo::os
