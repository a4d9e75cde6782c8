// The user's locale, as far as numbers are concerned.
#pragma once

#include <string>

namespace penvo::os {

struct LocaleSeparators {
  std::string decimal;    // empty when the locale gives none
  std::string thousands;  // empty when the locale gives none
};

// The decimal and thousands separators of the user's locale, as the OS gives them.
LocaleSeparators ReadLocaleSeparators();

}  // namespace penvo::os
