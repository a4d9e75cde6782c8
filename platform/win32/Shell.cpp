// The Windows shell's "open" for documents.
#include "platform/win32/Win32Toolkit.h"

#include <shellapi.h>

#include "platform/Forms.h"
#include "platform/OsFiles.h"
#include "platform/Shell.h"

namespace penvo {

void ShellOpen(const std::string& Path) {
  // The shell reports a missing file in a box of its own; a missing help file is meant to do
  // nothing.
  if (!os::FileExists(Path)) return;
  HWND owner = nullptr;
  if (Application() && Application()->MainForm())
    if (auto* peer = win32::WindowPeer::Of(Application()->MainForm()->Native()))
      owner = peer->Hwnd();
  const std::string file = os::NativePath(Path);
  // The result is not checked: when nothing can open the file, nothing is reported.
  ::ShellExecuteA(owner, "open", file.c_str(), nullptr, "", SW_SHOW);
}

}  // namespace penvo
