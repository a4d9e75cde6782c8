#include "platform/OsLocale.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace penvo::os {
namespace {

// The locale comes from the OS at the start of the process, so the test run chooses it: ctest
// starts this test with a locale and the separators it must give (see tests/CMakeLists.txt).
TEST(OsLocale, GivesTheSeparatorsOfTheUserLocale) {
  const char* decimal = std::getenv("PENVO_TEST_DECIMAL");
  const char* thousands = std::getenv("PENVO_TEST_THOUSANDS");
  if (!decimal || !thousands) GTEST_SKIP() << "run as test_os_locale, which chooses a locale";
  const LocaleSeparators found = ReadLocaleSeparators();
  EXPECT_EQ(found.decimal, decimal);
  EXPECT_EQ(found.thousands, thousands);
}

}  // namespace
}  // namespace penvo::os
