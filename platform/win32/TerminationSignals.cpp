#include "platform/TerminationSignals.h"

#include "platform/Forms.h"

#include <windows.h>

#include <QCoreApplication>
#include <QMetaObject>

namespace penvo {

namespace {

// Runs on a thread of its own: the message loop is asked to end, on its own thread.
BOOL WINAPI OnConsoleEvent(DWORD) {
  QMetaObject::invokeMethod(
      qApp, [] { if (Application()) Application()->Terminate(); }, Qt::QueuedConnection);
  return TRUE;
}

}  // namespace

void EndOnTerminationSignals() {
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace penvo
