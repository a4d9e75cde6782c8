#include "platform/OsLocale.h"

#include <langinfo.h>
#include <locale.h>

namespace penvo::os {

LocaleSeparators ReadLocaleSeparators() {
  LocaleSeparators result;
  // The user's numeric locale from the environment (LC_ALL, LC_NUMERIC, LANG), read without
  // changing the process's own locale.
  const locale_t loc = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return result;
  result.decimal = ::nl_langinfo_l(RADIXCHAR, loc);
  result.thousands = ::nl_langinfo_l(THOUSEP, loc);
  ::freelocale(loc);
  return result;
}

}  // namespace penvo::os
