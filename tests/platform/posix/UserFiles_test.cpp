// Where the user's pictures go on a POSIX desktop, and making a file there without ever
// replacing one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/OsFolders.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/UserDirs.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestFiles.h"

namespace penvo::os::posix {
namespace {

namespace fs = std::filesystem;

TEST(UserDirs, ThePicturesLineIsReadAsTheShellWouldReadIt) {
  const std::string home = "/home/ann";
  const struct {
    const char* text;
    std::string dir;
  } cases[] = {
      {"XDG_PICTURES_DIR=\"$HOME/Pictures\"\n", "/home/ann/Pictures"},
      {"# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_PICTURES_DIR=\"$HOME/Bilder\"",
       "/home/ann/Bilder"},
      {"XDG_PICTURES_DIR=\"/data/pics\"\n", "/data/pics"},
      {"XDG_PICTURES_DIR=\"$HOME/My \\\"Pics\\\"\"\n", "/home/ann/My \"Pics\""},
      {"XDG_PICTURES_DIR=\"$HOME\"\n", "/home/ann"},
      {"  XDG_PICTURES_DIR = \"$HOME/Fotos\"\n", "/home/ann/Fotos"},
      // The last line wins.
      {"XDG_PICTURES_DIR=\"$HOME/a\"\nXDG_PICTURES_DIR=\"$HOME/b\"\n", "/home/ann/b"},
      // What the file's rules do not allow names nothing.
      {"XDG_PICTURES_DIR=\"Pictures\"\n", ""},
      {"XDG_PICTURES_DIR=\"$HOMEPICS\"\n", ""},
      {"XDG_PICTURES_DIR=$HOME/Pictures\n", ""},
      {"XDG_PICTURES_DIR=\"$HOME/Pictures\n", ""},
      {"#XDG_PICTURES_DIR=\"$HOME/Pictures\"\n", ""},
      {"XDG_PICTURES_DIRS=\"$HOME/Pictures\"\n", ""},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(UserDirFromText(c.text, "XDG_PICTURES_DIR", home), c.dir) << c.text;
}

TEST(UserDirs, ThePicturesFolderIsTheDesktopsOrPicturesInHomeAndIsMade) {
  test::TempDir dir;
  const std::string home = dir.File("home");
  test::ScopedEnv homeEnv("HOME", home);
  test::ScopedEnv configEnv("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(UserPicturesDir(), home + "/Pictures/");
  EXPECT_TRUE(fs::is_directory(home + "/Pictures"));

  fs::create_directories(dir.File("config"));
  std::ofstream(dir.File("config") + "/user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/Bilder/\"\n";
  test::ScopedEnv config("XDG_CONFIG_HOME", dir.File("config"));
  EXPECT_EQ(UserPicturesDir(), home + "/Bilder/");
  EXPECT_TRUE(fs::is_directory(home + "/Bilder"));
}

std::string Content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(CreateFileContent, MakesTheFileWholeButNeverReplacesOneAndLeavesNoTemporaryFile) {
  test::TempDir dir;
  const std::string path = dir.File("a.png");
  const mode_t umask = ::umask(022);
  std::string error;
  ASSERT_TRUE(CreateFileContent(path, "new", error)) << error;
  EXPECT_EQ(Content(path), "new");
  EXPECT_FALSE(CreateFileContent(path, "other", error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Content(path), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
  ::umask(umask);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u) << "0666 less the umask";
}

}  // namespace
}  // namespace penvo::os::posix
