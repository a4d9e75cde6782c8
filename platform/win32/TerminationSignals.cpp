// Ctrl+C and the console's close box end the program the orderly way.
#include "platform/win32/Win32Toolkit.h"

#include <cstdlib>

#include "platform/Forms.h"
#include "platform/TerminationSignals.h"

namespace penvo {

namespace {

// Set once the program has ended its work (atexit), so that a waiting handler may return.
HANDLE gEnded = nullptr;
// How long a console close may wait for the program to save; Windows gives about 5 s.
constexpr DWORD kSaveDeadlineMs = 4500;

void MarkEnded() {
  if (gEnded) ::SetEvent(gEnded);
}

// Runs on a thread of its own that the system makes: the loop is asked to end on the
// user-interface thread.
BOOL WINAPI OnConsoleEvent(DWORD Event) {
  win32::PostToUi([] {
    if (Application()) Application()->Terminate();
  });
  // For a close, logoff or shutdown the system ends the process as soon as this returns: wait
  // until the program has saved and ended. Ctrl+C and Ctrl+Break leave the process running.
  if (Event != CTRL_C_EVENT && Event != CTRL_BREAK_EVENT && gEnded)
    ::WaitForSingleObject(gEnded, kSaveDeadlineMs);
  return TRUE;
}

}  // namespace

void EndOnTerminationSignals() {
  // A GUI program has no console of its own; started from one, it listens to that one.
  if (!::GetConsoleWindow()) ::AttachConsole(ATTACH_PARENT_PROCESS);
  if (!gEnded) {
    gEnded = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atexit(MarkEnded);
  }
  win32::HelperWindow();  // made on this thread, the user-interface thread
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace penvo
