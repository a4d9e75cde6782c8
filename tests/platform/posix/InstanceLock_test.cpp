// The POSIX single-instance claim between processes: a killed holder leaves the name free, and
// a program the holder starts does not inherit the claim.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/OsInstanceLock.h"
#include "tests/support/TestFiles.h"

namespace penvo::os {
namespace {

class PosixInstanceLock : public ::testing::Test {
 protected:
  InstanceLockResult Try() const { return TryLockInstance(dir_.Path().string(), "Penvo"); }

  static int Wait(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
  }
  // Reads from fd until its end: every writer has closed it (ended, or started a program).
  static void ReadToEnd(int fd) {
    char c;
    for (;;) {
      const ssize_t n = ::read(fd, &c, 1);
      if (n == 0 || (n < 0 && errno != EINTR)) return;
    }
  }

  test::TempDir dir_;
};

TEST_F(PosixInstanceLock, AKilledHolderLeavesTheNameFreeAndTheLockFileInPlace) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const InstanceLockResult claim = Try();
    const char ok = claim.claim == InstanceClaim::Taken ? 'y' : 'n';
    if (::write(ready[1], &ok, 1) != 1) ::_exit(1);
    ::pause();
    ::_exit(0);
  }
  ::close(ready[1]);
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ::close(ready[0]);
  EXPECT_EQ(ok, 'y');
  EXPECT_EQ(Try().claim, InstanceClaim::HeldElsewhere);

  ::kill(holder, SIGKILL);
  Wait(holder);
  EXPECT_TRUE(std::filesystem::exists(dir_.Path() / "Penvo.lock"));
  EXPECT_EQ(Try().claim, InstanceClaim::Taken);
}

TEST_F(PosixInstanceLock, AProgramTheHolderStartsDoesNotKeepTheClaim) {
  InstanceLockResult claim = Try();
  ASSERT_EQ(claim.claim, InstanceClaim::Taken);
  int started[2];
  ASSERT_EQ(::pipe2(started, O_CLOEXEC), 0);
  const pid_t viewer = ::fork();
  if (viewer == 0) {
    ::execl("/bin/sleep", "sleep", "60", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(started[1]);
  ReadToEnd(started[0]);  // the child has started the program (or failed to)
  ::close(started[0]);

  claim.lock.reset();
  EXPECT_EQ(Try().claim, InstanceClaim::Taken);
  ::kill(viewer, SIGKILL);
  Wait(viewer);
}

TEST_F(PosixInstanceLock, NoLockFileNoClaim) {
  const InstanceLockResult claim = TryLockInstance(dir_.File("missing"), "Penvo");
  EXPECT_EQ(claim.claim, InstanceClaim::Unavailable);
  EXPECT_EQ(claim.lock, nullptr);
}

TEST_F(PosixInstanceLock, ALockFileAnotherUserMadeIsNoClaim) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, to give the file to another user";
  // Another user put it into the shared directory first and could hold it for good.
  const std::string path = dir_.File("Penvo.lock");
  test::WriteFile(path, "");
  ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
  std::filesystem::permissions(path, std::filesystem::perms(0666));
  EXPECT_EQ(Try().claim, InstanceClaim::Unavailable);
}

}  // namespace
}  // namespace penvo::os
