// The program path that tests set in place of the real one (SetExePathForTesting); each OS's
// ExePath gives it when it is not empty.
#pragma once

#include <string>

namespace penvo::os {

std::string& ExePathOverride();

}  // namespace penvo::os
