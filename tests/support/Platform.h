// What tests need to know of the OS they run on. Almost every test runs on every OS and must
// give the same results there; a test about one OS's own behaviour says so with PENVO_ONLY_ON.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace penvo::test {

enum class Os { Posix, Windows };
inline constexpr Os kOs = PENVO_TESTS_ON_WINDOWS ? Os::Windows : Os::Posix;

// Sets (or, with nullopt, removes) an environment variable while the object lives.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::optional<std::string>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

// Changes the process environment (one implementation per OS).
void SetEnv(const std::string& name, const std::optional<std::string>& value);

}  // namespace penvo::test

// Skips the rest of the test unless it runs on os (Posix or Windows); why says what in the test
// belongs to that OS alone.
#define PENVO_ONLY_ON(os, why) \
  if (::penvo::test::kOs != ::penvo::test::Os::os) GTEST_SKIP() << "only on " #os ": " << why
