#include "platform/OsLocale.h"

#include <windows.h>

namespace penvo::os {

namespace {

// One text of the user's locale, in the ANSI code page; empty when the locale gives none.
std::string LocaleText(LCTYPE type) {
  const int size = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, nullptr, 0);
  if (size <= 1) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  const int n = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, text.data(), size);
  text.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);  // n counts the terminating zero
  return text;
}

}  // namespace

LocaleSeparators ReadLocaleSeparators() {
  return {LocaleText(LOCALE_SDECIMAL), LocaleText(LOCALE_STHOUSAND)};
}

}  // namespace penvo::os
