// One running instance per user session: a named mutex decides which start is the instance;
// later starts find its main window by class name and bring it to the front.
#include "platform/win32/Win32Toolkit.h"

#include <chrono>
#include <thread>

#include "platform/OsInstanceLock.h"
#include "platform/SingleInstance.h"

namespace penvo {

namespace {

using namespace std::chrono_literals;

// How long a start waits for a running instance that holds the claim but does not answer yet:
// one whose window is not made yet, or one that is ending and saving its settings.
constexpr auto kHandOverDeadline = 5s;
constexpr auto kHandOverPoll = 10ms;

// The mutex name: the class name and the user (the mutex lives in the session's namespace).
std::string MakeServerName(const std::string& ClassName) {
  char user[256] = "";
  DWORD size = sizeof user;
  if (!::GetUserNameA(user, &size)) user[0] = '\0';
  return ClassName + "-" + user;
}

// Asks the instance's window to come to the front; true when it will.
bool AskToFront(const std::string& ClassName) {
  HWND window = ::FindWindowA(ClassName.c_str(), nullptr);
  if (!window) return false;
  // The instance may not take the foreground itself (this start has the user's input): it
  // is allowed to, and this start gives it the foreground too.
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  ::AllowSetForegroundWindow(pid);
  DWORD_PTR answer = 0;
  const bool answered =
      ::SendMessageTimeoutA(window, win32::ActivateRequestMessage(), 0, 0, SMTO_ABORTIFHUNG, 1000,
                            &answer) != 0;
  if (!answered || static_cast<LRESULT>(answer) != win32::kActivateAccepted) return false;
  ::SetForegroundWindow(window);
  return true;
}

}  // namespace

struct TSingleInstance::Impl {
  std::string className;
  std::string name;
  os::InstanceLockPtr lock;
};

TSingleInstance::TSingleInstance(std::string ClassName) : FImpl(std::make_unique<Impl>()) {
  FImpl->className = std::move(ClassName);
  FImpl->name = MakeServerName(FImpl->className);
}

TSingleInstance::~TSingleInstance() {
  Withdraw();
}

bool TSingleInstance::Claim(std::function<void()> OnActivate) {
  const auto deadline = std::chrono::steady_clock::now() + kHandOverDeadline;
  for (;;) {
    os::InstanceLockResult claim = os::TryLockInstance("", FImpl->name);
    if (claim.claim == os::InstanceClaim::Taken) {
      FImpl->lock = std::move(claim.lock);
      break;
    }
    if (AskToFront(FImpl->className)) return false;
    // Where no mutex can be made, whoever answers is the instance; nobody did.
    if (claim.claim == os::InstanceClaim::Unavailable) break;
    // Past the deadline the holder, which neither answers nor ends, is stuck: this start ends
    // all the same, so that no second overlay comes up.
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kHandOverPoll);
  }
  win32::SetActivateRequestHandler(std::move(OnActivate));
  return true;
}

void TSingleInstance::Withdraw() {
  // The window answers no more requests; a later start waits for the mutex.
  win32::SetActivateRequestHandler(nullptr);
}

std::string TSingleInstance::ServerName() const {
  return FImpl->name;
}

}  // namespace penvo
