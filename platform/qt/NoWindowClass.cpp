// Window classes where the window system is not X11: the program's own class is enough.
#include "platform/qt/ScreenGrab.h"

namespace penvo::qt {

void SetWindowClass(QWidget*, const std::string&, const std::string&) {}

}  // namespace penvo::qt
