#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

#include "platform/OsFiles.h"
#include "platform/qt/Bridge.h"

namespace penvo {

void ShellOpen(const std::string& Path) {
  // The desktop's opener reports a missing file in a dialog of its own; a missing help file
  // is meant to do nothing.
  if (!os::FileExists(Path)) return;
  QDesktopServices::openUrl(QUrl::fromLocalFile(qt::ToQ(os::NativePath(Path))));
}

}  // namespace penvo
