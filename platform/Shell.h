// Services of the desktop shell.
#pragma once

#include <string>

namespace penvo {

// Opens the document at Path with the program the desktop associates with it. Nothing happens,
// and nothing is reported, when the file is missing or nothing can open it.
void ShellOpen(const std::string& Path);

}  // namespace penvo
