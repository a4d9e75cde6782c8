#include "settings/IniName.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/OsFiles.h"
#include "tests/support/Platform.h"
#include "tests/support/TestFiles.h"

namespace penvo {
namespace {

namespace fs = std::filesystem;

// A program in prog/ started from the current directory work/.
class IniNameTest : public ::testing::Test {
 protected:
  IniNameTest() { os::SetExePathForTesting((prog_ / "my.tool").string()); }
  ~IniNameTest() override { os::SetExePathForTesting(""); }

  std::string InWork(const std::string& name) const { return (work_ / name).string(); }
  std::string InProg(const std::string& name) const { return (prog_ / name).string(); }

  test::TempDir dir_;
  const fs::path work_ = test::MadeDir(dir_.Path() / "work");
  const fs::path prog_ = test::MadeDir(dir_.Path() / "prog");
  test::CurrentDirScope cwd_{work_};
};

TEST_F(IniNameTest, ResolvesToTheCurrentDirectoryWhenTheFileIsThereElseTheProgramDirectory) {
  test::WriteFile(InWork("here.ini"), "");
  test::WriteFile(InWork("my.cfg"), "");
  fs::create_directory(work_ / "folder.ini");  // a directory does not count
  struct Row {
    std::string name, defaultExt, expected;
  };
  for (const Row& r : std::vector<Row>{
           {"here", ".ini", InWork("here.ini")},
           {"here.ini", ".txt", InWork("here.ini")},
           {"settings", ".ini", InProg("settings.ini")},  // even though it does not exist
           {"settings.txt", ".ini", InProg("settings.txt")},
           {"folder", ".ini", InProg("folder.ini")},
           {"", ".ini", InProg("my.ini")},  // the program's name, cut before its first "."
           {".cfg", ".ini", InWork("my.cfg")},
           {".dat", ".ini", InProg("my.dat")},
           {"-", ".ini", ""},
           {"C:/a/b", ".ini", "C:/a/b"},  // a name with a directory stays as it is
           {"sub\\x", ".ini", "sub\\x"},
           {"./.cfg", ".ini", "./.cfg"},
       })
    EXPECT_EQ(ResolveIniName(r.name, r.defaultExt), r.expected) << "'" << r.name << "'";
}

TEST_F(IniNameTest, TakesTheCurrentDirectoryAnewAtEachCall) {
  EXPECT_EQ(ResolveIniName("qini.ini", ".ini"), InProg("qini.ini"));
  const fs::path other = dir_.Path() / "other";
  fs::create_directory(other);
  test::WriteFile((other / "qini.ini").string(), "");
  test::CurrentDirScope inOther(other);
  EXPECT_EQ(ResolveIniName("qini.ini", ".ini"), (other / "qini.ini").string());
}

TEST_F(IniNameTest, WithoutACurrentDirectoryTheProgramDirectoryIsTaken) {
  PENVO_ONLY_ON(Posix, "Windows does not let a current directory be removed");
  const test::RemovedCurrentDir removed(dir_.Path());
  ASSERT_EQ(os::GetCurrentDir(), "");
  // A file in the root, where an empty current directory would lead; only root can make it.
  const std::string name = "penvo-probe-" + dir_.Path().filename().string() + ".ini";
  const fs::path probe = fs::path("/") / name;
  std::ofstream(probe).close();
  const bool made = fs::exists(probe);
  EXPECT_EQ(ResolveIniName(name, ".ini"), InProg(name));
  EXPECT_EQ(ResolveIniName("", ".ini"), InProg("my.ini"));
  if (made) fs::remove(probe);
}

TEST_F(IniNameTest, TheBaseNameIsCutBeforeTheFirstDot) {
  os::SetExePathForTesting(InProg("Penvo.exe"));
  EXPECT_EQ(ResolveIniName("", ".ini"), InProg("Penvo.ini"));
  os::SetExePathForTesting(InProg("penvo"));
  EXPECT_EQ(ResolveIniName("", ".ini"), InProg("penvo.ini"));
}

TEST_F(IniNameTest, IsFileWritableFollowsTheReadOnlyAttribute) {
  const std::string file = InWork("f.ini");
  EXPECT_FALSE(IsFileWritable(file));  // missing
  test::WriteFile(file, "");
  EXPECT_TRUE(IsFileWritable(file));
  test::SetReadOnly(file, true);
  EXPECT_FALSE(IsFileWritable(file));  // also when the tests run as root
}

TEST_F(IniNameTest, ForceFileDirMakesEveryMissingDirectoryAndIgnoresFailures) {
  ForceFileDir(InWork("a/b\\c/x.ini"));
  EXPECT_TRUE(fs::is_directory(work_ / "a" / "b" / "c"));
  ForceFileDir("x.ini");  // no directory part: nothing happens
  test::WriteFile(InWork("file"), "");
  ForceFileDir(InWork("file/sub/x.ini"));  // a file in the way: silently nothing
  EXPECT_FALSE(fs::exists(work_ / "file" / "sub"));
}

}  // namespace
}  // namespace penvo
