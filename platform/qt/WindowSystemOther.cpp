// Window-system services where it is not X11: Qt's own state changes do what is needed.
#include "platform/qt/WindowSystem.h"

namespace penvo::qt {

void SetWindowClass(QWidget*, const std::string&, const std::string&) {}

void Iconify(QWidget* window) {
  window->showMinimized();
}

void Deiconify(QWidget* window) {
  window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
}

}  // namespace penvo::qt
