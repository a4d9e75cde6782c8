// Where the help page is: beside the program file, or where an installation put it.
#pragma once

#include <string>

namespace penvo {

// Path with its file name's extension replaced by Ext (appended when it has none).
std::string ChangeFileExt(const std::string& Path, const std::string& Ext);

// The help page for the program file ExePath: the page beside it, named like it with the
// extension ".html", when that file exists; else the installed page,
// share/doc/penvo/penvo.html next to the program's bin directory, when that one exists; else
// the page beside the program (opening it then shows nothing, as for any missing page).
std::string HelpFilePath(const std::string& ExePath);

}  // namespace penvo
