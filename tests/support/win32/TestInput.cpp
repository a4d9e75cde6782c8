// The widget tests' input on Win32: the messages the window system would send or post.
#include "tests/support/TestInput.h"

#include "platform/Forms.h"
#include "platform/StdCtrls.h"
#include "platform/win32/Win32Toolkit.h"

namespace penvo::test {

namespace {

HWND WindowOf(const TControl* Control) {
  win32::WindowPeer* peer = win32::WindowPeer::Of(Control->Native());
  return peer ? peer->Hwnd() : nullptr;
}

// Where typed characters go: the control, or a combo box's edit part.
HWND TypingTarget(TWinControl* Control) {
  HWND window = WindowOf(Control);
  if (dynamic_cast<TComboBox*>(Control))
    if (HWND edit = ::FindWindowExA(window, nullptr, "Edit", nullptr)) return edit;
  return window;
}

}  // namespace

void TypeChar(TWinControl* Control, char Key) {
  // What TranslateMessage makes of the key: one WM_CHAR (repeat count 1).
  ::SendMessageA(TypingTarget(Control), WM_CHAR, static_cast<unsigned char>(Key), 1);
}

void TypeText(TWinControl* Control, const std::string& Text) {
  for (char c : Text) TypeChar(Control, c);
}

void ClickCheckBox(TCheckBox* Box) {
  ::SendMessageA(WindowOf(Box), BM_CLICK, 0, 0);
}

void LeftPress(TControl* Control, int X, int Y) {
  ::SendMessageA(WindowOf(Control), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(X, Y));
}

void LeftRelease(TControl* Control, int X, int Y) {
  ::SendMessageA(WindowOf(Control), WM_LBUTTONUP, 0, MAKELPARAM(X, Y));
}

void PressAlt(TForm* Form, char Letter) {
  HWND form = WindowOf(Form);
  HWND focus = ::GetFocus();
  HWND target = focus && ::GetAncestor(focus, GA_ROOT) == form ? focus : form;
  // Alt with a letter reaches the message loop as WM_SYSCHAR (context code: Alt held), posted
  // to the window that has the keyboard.
  ::PostMessageA(target, WM_SYSCHAR, static_cast<unsigned char>(Letter), LPARAM(1) | (1 << 29));
  Application()->ProcessMessages();
}

}  // namespace penvo::test
