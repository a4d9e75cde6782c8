#include "platform/OsInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace penvo::os {

namespace {

// The claim is an flock on the lock file: the kernel drops it when the descriptor closes, at
// the latest when the process ends.
class FileLock final : public InstanceLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {}
  ~FileLock() override { ::close(fd_); }

 private:
  int fd_;
};

}  // namespace

InstanceLockResult TryLockInstance(const std::string& dir, const std::string& name) {
  const std::string path = dir + "/" + name + ".lock";
  // O_NOFOLLOW: never through a link someone else put into a shared directory such as /tmp.
  // O_CLOEXEC: a program started from here (the help viewer) must not inherit the claim and
  // hold it after this process has ended.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return {};
  // A file someone else made first in a shared directory could be locked by them for good.
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
    ::close(fd);
    return {};
  }
  int status;
  while ((status = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (status == 0) return {InstanceClaim::Taken, std::make_unique<FileLock>(fd)};
  const int error = errno;
  ::close(fd);
  // The file is never removed: a holder that removed it could leave the next two starts each
  // holding a lock on a file of its own.
  return {error == EWOULDBLOCK ? InstanceClaim::HeldElsewhere : InstanceClaim::Unavailable,
          nullptr};
}

}  // namespace penvo::os
