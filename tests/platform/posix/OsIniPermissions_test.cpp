// Ini files on POSIX: the permissions and owners of them and of their directory, seen by a user
// who is not root (a child process that becomes "nobody"; the tests run only as root), and what
// a writer killed half-way leaves in the directory.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

#include "platform/OsError.h"
#include "platform/OsIni.h"
#include "tests/support/TestFiles.h"

namespace penvo::os {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr int kCannotReach = 3;    // the child cannot see the directory at all
constexpr int kOpenDirectory = 4;  // the child may write the directory after all

// A directory of root's (rwxr-xr-x) with settings.ini (rw-rw-rw-, root's) in it.
class IniInRootsDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to act as another user";
    fs::permissions(dir_.Path(), fs::perms(0755));
    test::WriteFile(path_, "[S]\nold=1\n");
    fs::permissions(path_, fs::perms(0666));
  }

  // Runs body as "nobody", a member of groups besides its own, in a child process: its exit
  // code, 0 when body returns true.
  static int AsNobody(const std::function<bool()>& body, const std::vector<gid_t>& groups = {}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::setgroups(groups.size(), groups.data()) != 0 || ::setgid(kNobody) != 0 ||
          ::setuid(kNobody) != 0)
        ::_exit(2);
      ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Writes [S] key=written into path as "nobody": 0 when that succeeded, 1 when it failed.
  int WriteAsNobody(const std::string& path, const std::string& key) const {
    const std::string dir = dir_.Path().string();
    return AsNobody([&] {
      if (::access(dir.c_str(), X_OK) != 0) ::_exit(kCannotReach);
      if (::access(dir.c_str(), W_OK) == 0) ::_exit(kOpenDirectory);
      try {
        WriteProfileValue(path, "S", key, "written");
        return true;
      } catch (const OsError&) {
        return false;
      }
    });
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.Path()))
      names.push_back(entry.path().filename().string());
    return names;
  }

  test::TempDir dir_;
  const std::string path_ = dir_.File("settings.ini");
};

TEST_F(IniInRootsDirectory, AFileThatTheUserMayWriteIsWrittenInPlace) {
  const int status = WriteAsNobody(path_, "k");
  if (status == kCannotReach) GTEST_SKIP() << "nobody cannot reach " << dir_.Path();
  ASSERT_EQ(status, 0);
  EXPECT_EQ(test::ReadFile(path_), "[S]\nold=1\nk=written\n");
  struct stat st {};
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0666u);
  EXPECT_EQ(st.st_uid, 0u);  // the same file, not a new one of nobody's
  EXPECT_EQ(Names(), std::vector<std::string>{"settings.ini"});

  // A shorter content leaves nothing of the longer one behind.
  test::WriteFile(path_, "[S]\nk=" + std::string(100, 'x') + "\n");
  ASSERT_EQ(WriteAsNobody(path_, "k"), 0);
  EXPECT_EQ(test::ReadFile(path_), "[S]\nk=written\n");
}

TEST_F(IniInRootsDirectory, WhatTheUserMayNotWriteIsRefusedAndLeftAlone) {
  fs::permissions(path_, fs::perms(0644));
  const int status = WriteAsNobody(path_, "k");
  if (status == kCannotReach) GTEST_SKIP() << "nobody cannot reach " << dir_.Path();
  EXPECT_EQ(status, 1);  // a file of root's that only root may write
  EXPECT_EQ(test::ReadFile(path_), "[S]\nold=1\n");
  EXPECT_EQ(WriteAsNobody(dir_.File("new.ini"), "k"), 1);  // a new file in root's directory
  EXPECT_EQ(Names(), std::vector<std::string>{"settings.ini"});
}

TEST_F(IniInRootsDirectory, AFileTheUserMayWriteInASharedStickyDirectoryIsWrittenInPlace) {
  // Like /tmp: anyone may add files, nobody may replace another user's.
  fs::permissions(dir_.Path(), fs::perms(01777));
  const std::string dir = dir_.Path().string(), path = path_;
  const int status = AsNobody([&] {
    if (::access(dir.c_str(), X_OK) != 0) ::_exit(kCannotReach);
    try {
      WriteProfileValue(path, "S", "k", "written");
      return true;
    } catch (const OsError&) {
      return false;
    }
  });
  if (status == kCannotReach) GTEST_SKIP() << "nobody cannot reach " << dir_.Path();
  ASSERT_EQ(status, 0);
  EXPECT_EQ(test::ReadFile(path_), "[S]\nold=1\nk=written\n");
  struct stat st {};
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_EQ(Names(), std::vector<std::string>{"settings.ini"});  // no temporary file left
}

// A file that is there but cannot be examined is not taken for a missing one, which the write
// would replace with a file of one key: the write fails and leaves it alone.
TEST_F(IniInRootsDirectory, AFileThatCannotBeExaminedIsNotReplaced) {
  const std::string loop = dir_.File("loop.ini");  // stat gives ELOOP
  fs::create_symlink("loop.ini", loop);
  EXPECT_THROW(WriteProfileValue(loop, "S", "k", "written"), OsError);
  EXPECT_TRUE(fs::is_symlink(loop));

  // Settings behind a link into a directory the user may not enter: stat gives EACCES.
  const fs::path closed = dir_.Path() / "closed";
  fs::create_directory(closed);
  test::WriteFile((closed / "settings.ini").string(), "[S]\nold=1\n");
  fs::permissions(closed, fs::perms(0700));
  const std::string link = dir_.File("link.ini");
  fs::create_symlink(closed / "settings.ini", link);
  fs::permissions(dir_.Path(), fs::perms(0777));
  const std::string dir = dir_.Path().string();
  const int status = AsNobody([&] {
    if (::access(dir.c_str(), X_OK) != 0) ::_exit(kCannotReach);
    try {
      WriteProfileValue(link, "S", "k", "written");
      return true;
    } catch (const OsError&) {
      return false;
    }
  });
  if (status == kCannotReach) GTEST_SKIP() << "nobody cannot reach " << dir_.Path();
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(test::ReadFile(link), "[S]\nold=1\n");
}

// A shared file (its group may write it, in a directory its group may write) keeps its owner and
// group when another user writes it, so the others of the group can still write it.
TEST_F(IniInRootsDirectory, AWriteKeepsTheOwnerAndGroupOfTheFile) {
  constexpr uid_t kOwner = 1234;
  constexpr gid_t kGroup = 5678;
  const auto owners = [](const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return std::pair{st.st_uid, st.st_gid};
  };
  const auto inode = [](const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_ino;
  };
  // Root replaces it and hands it back to its owner and group.
  ASSERT_EQ(::chown(path_.c_str(), kOwner, kGroup), 0);
  WriteProfileValue(path_, "S", "k", "root");
  EXPECT_EQ(owners(path_), std::pair(kOwner, kGroup));
  EXPECT_EQ(test::ReadFile(path_), "[S]\nold=1\nk=root\n");

  // A member of the group may not give the file to its owner: it is written in place.
  ASSERT_EQ(::chown(dir_.Path().c_str(), 0, kGroup), 0);
  fs::permissions(dir_.Path(), fs::perms(0775));
  fs::permissions(path_, fs::perms(0664));
  const std::string dir = dir_.Path().string(), path = path_;
  const auto writeAsMember = [&](const char* value) {
    return AsNobody(
        [&] {
          if (::access(dir.c_str(), X_OK) != 0) ::_exit(kCannotReach);
          try {
            WriteProfileValue(path, "S", "k", value);
            return true;
          } catch (const OsError&) {
            return false;
          }
        },
        {kGroup});
  };
  const ino_t before = inode(path_);
  const int status = writeAsMember("member");
  if (status == kCannotReach) GTEST_SKIP() << "nobody cannot reach " << dir_.Path();
  ASSERT_EQ(status, 0);
  EXPECT_EQ(owners(path_), std::pair(kOwner, kGroup));
  EXPECT_EQ(inode(path_), before);  // the same file
  EXPECT_EQ(test::ReadFile(path_), "[S]\nold=1\nk=member\n");
  EXPECT_EQ(Names(), std::vector<std::string>{"settings.ini"});

  // Its own file it may keep in the group: replaced as ever, owner and group kept.
  ASSERT_EQ(::chown(path_.c_str(), kNobody, kGroup), 0);
  ASSERT_EQ(writeAsMember("own"), 0);
  EXPECT_EQ(owners(path_), std::pair(kNobody, kGroup));
  EXPECT_NE(inode(path_), before);
  EXPECT_EQ(test::ReadFile(path_), "[S]\nold=1\nk=own\n");
}

TEST(IniLeftovers, TemporaryFilesOfAKilledWriteGoWithTheNextWrite) {
  const test::TempDir dir;
  test::WriteFile(dir.File("settings.ini"), "[S]\nold=1\n");
  test::WriteFile(dir.File(".penvo-tmp-AbC123"), "[S]\nold=1\nhalf=wri");
  test::WriteFile(dir.File(".other-tmp-AbC123"), "");  // not ours
  WriteProfileValue(dir.File("settings.ini"), "S", "k", "written");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.Path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".other-tmp-AbC123", "settings.ini"}));
  EXPECT_EQ(test::ReadFile(dir.File("settings.ini")), "[S]\nold=1\nk=written\n");
}

}  // namespace
}  // namespace penvo::os
