// The failure that the OS services raise; its message is the text a user is shown.
#pragma once

#include <stdexcept>

namespace penvo::os {

class OsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace penvo::os
