#include <cstdlib>

#include "tests/support/Sandbox.h"

namespace penvo::test {

void SetEnv(const std::string& name, const std::optional<std::string>& value) {
  // An empty value removes the variable, which is what unsetting means on Windows.
  ::_putenv_s(name.c_str(), value ? value->c_str() : "");
}

}  // namespace penvo::test
