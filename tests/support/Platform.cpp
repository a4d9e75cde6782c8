#include "tests/support/Platform.h"

#include <cstdlib>

namespace penvo::test {

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) previous_ = old;
  SetEnv(name_, value);
}

ScopedEnv::~ScopedEnv() {
  SetEnv(name_, previous_);
}

}  // namespace penvo::test
