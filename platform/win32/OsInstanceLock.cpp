#include "platform/OsInstanceLock.h"

#include <windows.h>

#include <algorithm>

namespace penvo::os {

namespace {

// The claim is a named mutex in the session's namespace. It exists while a handle to it is
// open, and the system closes the handles of a process that ends.
class MutexLock final : public InstanceLock {
 public:
  explicit MutexLock(HANDLE handle) : handle_(handle) {}
  ~MutexLock() override { ::CloseHandle(handle_); }

 private:
  HANDLE handle_;
};

}  // namespace

InstanceLockResult TryLockInstance(const std::string& /*dir*/, const std::string& name) {
  std::string mutexName = name;
  std::replace(mutexName.begin(), mutexName.end(), '\\', '_');  // "\" parts the namespace
  mutexName = "Local\\" + mutexName;
  const HANDLE handle = ::CreateMutexA(nullptr, FALSE, mutexName.c_str());
  if (handle == nullptr) {
    // A mutex of that name made by a holder that does not let us open it.
    return {::GetLastError() == ERROR_ACCESS_DENIED ? InstanceClaim::HeldElsewhere
                                                    : InstanceClaim::Unavailable,
            nullptr};
  }
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(handle);
    return {InstanceClaim::HeldElsewhere, nullptr};
  }
  return {InstanceClaim::Taken, std::make_unique<MutexLock>(handle)};
}

}  // namespace penvo::os
