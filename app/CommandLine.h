// The program's answers on the command line: --help and --version. They need neither a display
// nor the settings, so they are given before anything else starts.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace penvo {

// "penvo <version>", the version of this build.
std::string VersionText();

// The usage text: what Penvo is, its keys, where its settings and its help page (HelpPage) are.
std::string UsageText(const std::string& HelpPage);

// What to print for the arguments Args (without the program name) before ending: the usage text
// for "--help", the version for "--version", whichever comes first; nothing when neither is
// there, and the program starts as usual. Every other argument is ignored.
std::optional<std::string> CommandLineReply(const std::vector<std::string>& Args,
                                            const std::string& HelpPage);

}  // namespace penvo
