// F1's help page: the one beside the program file first, else the installed one.
#include "app/HelpFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"

namespace penvo {
namespace {

namespace fs = std::filesystem;

TEST(HelpFile, ChangeFileExtReplacesOrAppendsTheExtensionOfTheFileName) {
  EXPECT_EQ(ChangeFileExt("/opt/penvo", ".html"), "/opt/penvo.html");
  EXPECT_EQ(ChangeFileExt("C:\\Tools\\Penvo.exe", ".html"), "C:\\Tools\\Penvo.html");
  EXPECT_EQ(ChangeFileExt("/opt/my.tools/penvo", ".html"), "/opt/my.tools/penvo.html");
}

TEST(HelpFile, ThePageBesideTheProgramComesFirstThenTheInstalledOne) {
  const std::string installed = "share/doc/penvo/penvo.html";
  const struct {
    const char* exe;
    std::vector<std::string> files;  // a name ending in "/" is a directory
    std::string page;
  } cases[] = {
      {"bin/penvo", {"bin/penvo.html", installed}, "bin/penvo.html"},
      {"bin/penvo", {installed}, installed},
      {"bin/penvo", {}, "bin/penvo.html"},  // none there: the one beside, which opens nothing
      {"bin/penvo.exe", {"bin/penvo.html", installed}, "bin/penvo.html"},
      {"bin/penvo.exe", {installed}, installed},
      {"my.tools/bin/penvo", {"my.tools/" + installed}, "my.tools/" + installed},
      // A directory of the page's name is no page.
      {"bin/penvo", {"bin/penvo.html/", installed}, installed},
      {"bin/penvo", {"bin/penvo.html/", installed + "/"}, "bin/penvo.html"},
      // The installed page goes with the program's own directory, whatever its name.
      {"opt/penvo", {"share/doc/penvo/penvo.html"}, "share/doc/penvo/penvo.html"},
      {"penvo", {installed}, "penvo.html"},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    const std::string root = dir.Path().string() + "/top/";
    for (const std::string& file : c.files) {
      fs::create_directories(fs::path(root + file).parent_path());
      if (file.back() != '/') test::WriteFile(root + file, "<html></html>");
    }
    EXPECT_EQ(HelpFilePath(root + c.exe), root + c.page) << c.exe << " " << c.files.size();
  }
}

}  // namespace
}  // namespace penvo
