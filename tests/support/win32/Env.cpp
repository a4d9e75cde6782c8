#include <stdlib.h>

#include "tests/support/Platform.h"

namespace penvo::test {

void SetEnv(const std::string& name, const std::optional<std::string>& value) {
  // The C runtime's own copy of the environment, which getenv reads; an empty value removes
  // the variable.
  ::_putenv_s(name.c_str(), value ? value->c_str() : "");
}

}  // namespace penvo::test
