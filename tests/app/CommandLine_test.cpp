// --help and --version: which argument is answered, and what the usage text tells.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace penvo {
namespace {

TEST(CommandLine, AnswersTheFirstOfHelpAndVersionAndIgnoresEverythingElse) {
  const std::string usage = UsageText("/h.html");
  const std::string version = VersionText();
  const struct {
    std::vector<std::string> args;
    std::optional<std::string> reply;
  } cases[] = {
      {{}, std::nullopt},
      {{"--help"}, usage},
      {{"--version"}, version},
      {{"--version", "--help"}, version},
      {{"--help", "--version"}, usage},
      {{"-x", "file.png", "--help"}, usage},
      {{"-h"}, std::nullopt},
      {{"--Help"}, std::nullopt},
      {{"--help=yes"}, std::nullopt},
      {{"help", "version"}, std::nullopt},
      {{""}, std::nullopt},
  };
  for (const auto& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += "[" + a + "]";
    EXPECT_EQ(CommandLineReply(c.args, "/h.html"), c.reply) << shown;
  }
}

TEST(CommandLine, TheVersionComesFirstAndTheLicenceAfterIt) {
  EXPECT_TRUE(std::regex_match(VersionText(),
                               std::regex("penvo [0-9]+\\.[0-9]+\\.[0-9]+\n[^\n]*MIT licence[^\n]*\n")))
      << VersionText();
}

TEST(CommandLine, TheUsageTellsTheKeysTheSettingsInTheOrderTheyAreReadAndTheHelpPage) {
  const std::string usage = UsageText("/usr/share/doc/penvo/penvo.html");
  for (const char* key : {"Backspace", "Ctrl+Backspace", "Ctrl+S", "Ctrl+C", "F1", "Space", "Enter",
                          "r g y v a", "o t x", "z l s e", "0, +"})
    EXPECT_NE(usage.find(key), std::string::npos) << key;
  // The store chain's default order: user key, local ini file, machine key, program ini file.
  std::size_t at = 0;
  for (const char* place :
       {"HKEY_CURRENT_USER/software/Ruvi/penvo/", "the current directory",
        "/etc/registry/HKEY_LOCAL_MACHINE/software/Ruvi/penvo/", "beside the program"}) {
    const std::size_t found = usage.find(place, at);
    ASSERT_NE(found, std::string::npos) << place << " after position " << at;
    at = found;
  }
  EXPECT_NE(usage.find("Help page: /usr/share/doc/penvo/penvo.html\n"), std::string::npos);
}

}  // namespace
}  // namespace penvo
