// The claim of a program that runs once per user and desktop: one process at a time holds a
// name. The OS gives the claim up when its holder ends in any way, a crash included, so nothing
// left behind keeps the next start from taking it.
#pragma once

#include <memory>
#include <string>

namespace penvo::os {

// A held claim; destroying it gives the name up.
class InstanceLock {
 public:
  virtual ~InstanceLock() = default;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

 protected:
  InstanceLock() = default;
};
using InstanceLockPtr = std::unique_ptr<InstanceLock>;

enum class InstanceClaim {
  Taken,          // this process holds the name now
  HeldElsewhere,  // another holder has it (another process, or another claim of this one)
  Unavailable,    // no claim can be made here (the OS refused to make the lock)
};

struct InstanceLockResult {
  InstanceClaim claim = InstanceClaim::Unavailable;
  InstanceLockPtr lock;  // set when the claim was taken
};

// Tries, without waiting, to claim name. Where the claim is a file (POSIX) it is
// dir/name.lock, left in place for the next holder; elsewhere dir is not used.
InstanceLockResult TryLockInstance(const std::string& dir, const std::string& name);

}  // namespace penvo::os
