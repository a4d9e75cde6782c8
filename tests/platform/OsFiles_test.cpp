#include "platform/OsFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TestFiles.h"

namespace penvo::os {
namespace {

namespace fs = std::filesystem;

TEST(OsFiles, FileExistsForFilesOnly) {
  test::TempDir dir;
  test::WriteFile(dir.File("f.ini"), "");
  EXPECT_TRUE(FileExists(dir.File("f.ini")));
  EXPECT_FALSE(FileExists(dir.File("missing.ini")));
  EXPECT_FALSE(FileExists(dir.Path().string()));  // a directory does not count
}

TEST(OsFiles, ReadOnlyMeansNoWriteBitEvenForRoot) {
  test::TempDir dir;
  const std::string f = dir.File("f.ini");
  test::WriteFile(f, "");
  EXPECT_FALSE(GetFileInfo(f).readOnly);
  test::SetReadOnly(f, true);
  EXPECT_TRUE(GetFileInfo(f).readOnly);
  EXPECT_TRUE(GetFileInfo(f).exists);
  EXPECT_FALSE(GetFileInfo(dir.File("missing")).exists);
}

TEST(OsFiles, ForceDirectoriesMakesEveryMissingLevel) {
  test::TempDir dir;
  const std::string deep = dir.File("a") + "\\b/c";
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(fs::is_directory(dir.Path() / "a" / "b" / "c"));
  EXPECT_TRUE(ForceDirectories(deep));  // already there
  test::WriteFile(dir.File("file"), "");
  EXPECT_FALSE(ForceDirectories(dir.File("file") + "/sub"));
}

TEST(OsFiles, TheCurrentDirectoryEndsInASeparatorOnlyAtTheRoot) {
  test::TempDir dir;
  const fs::path root = dir.Path().root_path();  // "/" or "C:\\"
  test::CurrentDirScope scope(root);
  EXPECT_EQ(GetCurrentDir(), root.string());
}

TEST(OsFiles, CurrentDirectoryAndProgramPath) {
  test::TempDir dir;
  {
    test::CurrentDirScope scope(dir.Path());
    EXPECT_EQ(fs::path(GetCurrentDir()), dir.Path());
  }
  EXPECT_TRUE(FileExists(ExePath()));
  SetExePathForTesting("/opt/tools/penvo");
  EXPECT_EQ(ExePath(), "/opt/tools/penvo");
  SetExePathForTesting("");
  EXPECT_NE(ExePath(), "/opt/tools/penvo");
}

}  // namespace
}  // namespace penvo::os
