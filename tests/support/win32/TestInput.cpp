// The widget tests' input on Win32: the messages the window system would send or post.
#include "tests/support/TestInput.h"

#include <cctype>
#include <cstring>

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

// The window of Form that has the keyboard, else the form.
HWND KeyTarget(TForm* Form) {
  HWND form = WindowOf(Form);
  HWND focus = ::GetFocus();
  return focus && ::GetAncestor(focus, GA_ROOT) == form ? focus : form;
}

LPARAM KeyData(UINT VirtualKey, bool Up) {
  const LPARAM scan = ::MapVirtualKeyA(VirtualKey, MAPVK_VK_TO_VSC);
  return 1 | (scan << 16) | (Up ? (LPARAM(3) << 30) : 0);
}

// A key's press and release posted to Target, through the message loop as the keyboard's are.
void PostKey(HWND Target, UINT VirtualKey) {
  ::PostMessageA(Target, WM_KEYDOWN, VirtualKey, KeyData(VirtualKey, false));
  Application()->ProcessMessages();
  ::PostMessageA(Target, WM_KEYUP, VirtualKey, KeyData(VirtualKey, true));
  Application()->ProcessMessages();
}

// While it lives, the thread's keyboard state says that Key is held.
class HeldKey {
 public:
  explicit HeldKey(UINT Key) : FKey(Key) { Set(0x80); }
  ~HeldKey() { Set(0); }
  HeldKey(const HeldKey&) = delete;
  HeldKey& operator=(const HeldKey&) = delete;

 private:
  void Set(BYTE Value) {
    BYTE state[256];
    ::GetKeyboardState(state);
    state[FKey] = Value;
    ::SetKeyboardState(state);
  }
  UINT FKey;
};

}  // namespace

void TypeChar(TWinControl* Control, char Key) {
  // What TranslateMessage makes of the key: one WM_CHAR (repeat count 1).
  ::SendMessageA(TypingTarget(Control), WM_CHAR, static_cast<unsigned char>(Key), 1);
}

void TypeText(TWinControl* Control, const std::string& Text) {
  for (char c : Text) TypeChar(Control, c);
}

void PasteText(TWinControl* Control, const std::string& Text) {
  HWND target = TypingTarget(Control);
  if (!::OpenClipboard(target)) return;
  ::EmptyClipboard();
  if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, Text.size() + 1)) {
    std::memcpy(::GlobalLock(memory), Text.c_str(), Text.size() + 1);
    ::GlobalUnlock(memory);
    if (!::SetClipboardData(CF_TEXT, memory)) ::GlobalFree(memory);
  }
  ::CloseClipboard();
  ::SendMessageA(target, WM_PASTE, 0, 0);
}

void ClickCheckBox(TCheckBox* Box) {
  ::SendMessageA(WindowOf(Box), BM_CLICK, 0, 0);
}

void PressSpace(TWinControl* Control) {
  HWND target = WindowOf(Control);
  ::SendMessageA(target, WM_KEYDOWN, VK_SPACE, KeyData(VK_SPACE, false));
  ::SendMessageA(target, WM_KEYUP, VK_SPACE, KeyData(VK_SPACE, true));
}

namespace {

// The mouse's messages give device pixels; a control's geometry is in logical ones.
LPARAM MousePosition(HWND Window, int X, int Y) {
  const int dpi = win32::DpiOf(Window);
  return MAKELPARAM(win32::ToDevice(X, dpi), win32::ToDevice(Y, dpi));
}

}  // namespace

void LeftPress(TControl* Control, int X, int Y) {
  HWND window = WindowOf(Control);
  ::SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MousePosition(window, X, Y));
}

void LeftRelease(TControl* Control, int X, int Y) {
  HWND window = WindowOf(Control);
  ::SendMessageA(window, WM_LBUTTONUP, 0, MousePosition(window, X, Y));
}

void ActivateForm(TForm* Form) {
  Form->Show();
  ::SetForegroundWindow(WindowOf(Form));
  ::SetActiveWindow(WindowOf(Form));
  Application()->ProcessMessages();
}

void PressAlt(TForm* Form, char Letter) {
  HWND target = KeyTarget(Form);
  // Alt with a letter reaches the message loop as WM_SYSCHAR (context code: Alt held), posted
  // to the window that has the keyboard.
  ::PostMessageA(target, WM_SYSCHAR, static_cast<unsigned char>(Letter), LPARAM(1) | (1 << 29));
  Application()->ProcessMessages();
}

void PressCtrl(TForm* Form, char Letter) {
  const HeldKey ctrl(VK_CONTROL);
  PostKey(KeyTarget(Form), static_cast<UINT>(std::toupper(static_cast<unsigned char>(Letter))));
}

void PressTab(TForm* Form) {
  PostKey(KeyTarget(Form), VK_TAB);
}

// --- message boxes ---

// A thread timer: every modal loop (DialogBox's, MessageBox's) dispatches its ticks, so the
// watcher sees a box while it is up.
struct BoxWatcher::State {
  TBoxAnswer Answer;
  std::vector<TBoxSeen> Seen;
  UINT_PTR Timer = 0;
};

namespace {

BoxWatcher::State* gWatching = nullptr;

std::string TextOf(HWND Window) {
  char text[1024] = "";
  ::GetWindowTextA(Window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND Window) {
  char name[64] = "";
  ::GetClassNameA(Window, name, sizeof name);
  return name;
}

HWND ShownDialog() {
  HWND found = nullptr;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND w, LPARAM found) {
        if (!::IsWindowVisible(w) || ClassOf(w) != "#32770") return TRUE;
        *reinterpret_cast<HWND*>(found) = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<HWND> ChildrenOf(HWND Window) {
  std::vector<HWND> children;
  ::EnumChildWindows(
      Window,
      [](HWND w, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

// Whether Text, in Control's font, shows whole in Control's client area (wrapped at its width
// where Wrap).
bool FitsIn(HWND Control, const std::string& Text, bool Wrap) {
  RECT room{};
  ::GetClientRect(Control, &room);
  RECT need{0, 0, Wrap ? room.right : 0x7fff, 0};
  HDC dc = ::GetDC(Control);
  HGDIOBJ old =
      ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(Control, WM_GETFONT, 0, 0)));
  ::DrawTextA(dc, Text.c_str(), static_cast<int>(Text.size()), &need,
              DT_CALCRECT | (Wrap ? DT_WORDBREAK | DT_NOPREFIX : DT_SINGLELINE));
  ::SelectObject(dc, old);
  ::ReleaseDC(Control, dc);
  return need.right <= room.right && need.bottom <= room.bottom;
}

TBoxSeen Look(HWND Dialog) {
  TBoxSeen seen;
  seen.Title = TextOf(Dialog);
  seen.TextsFit = true;
  const LRESULT def = ::SendMessageA(Dialog, DM_GETDEFID, 0, 0);
  HICON error = ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_ERROR));
  for (HWND child : ChildrenOf(Dialog)) {
    const std::string cls = ClassOf(child);
    const LONG style = ::GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(cls.c_str(), "Button") == 0) {
      seen.Buttons.push_back(TextOf(child));
      seen.TextsFit = seen.TextsFit && FitsIn(child, TextOf(child), false);
      if (HIWORD(def) == DC_HASDEFID && ::GetDlgCtrlID(child) == LOWORD(def))
        seen.HasDefault = true;
    } else if (lstrcmpiA(cls.c_str(), "Static") == 0) {
      if ((style & SS_TYPEMASK) == SS_ICON)
        seen.ErrorIcon =
            ::SendMessageA(child, STM_GETICON, 0, 0) == reinterpret_cast<LRESULT>(error);
      else if (seen.Text.empty()) {
        seen.Text = TextOf(child);
        seen.TextsFit = seen.TextsFit && FitsIn(child, seen.Text, true);
      }
    }
  }
  return seen;
}

void Answer(HWND Dialog, const TBoxAnswer& Answer) {
  for (HWND child : ChildrenOf(Dialog))
    if (!Answer.ButtonCaption.empty() && TextOf(child) == Answer.ButtonCaption &&
        lstrcmpiA(ClassOf(child).c_str(), "Button") == 0) {
      ::PostMessageA(child, BM_CLICK, 0, 0);
      return;
    }
  // Escape, to the control that has the keyboard: the dialog's loop makes it IDCANCEL.
  HWND focus = ::GetFocus();
  HWND target = focus && ::GetAncestor(focus, GA_ROOT) == Dialog ? focus : Dialog;
  ::PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, KeyData(VK_ESCAPE, false));
  ::PostMessageA(target, WM_KEYUP, VK_ESCAPE, KeyData(VK_ESCAPE, true));
}

void CALLBACK WatchTick(HWND, UINT, UINT_PTR, DWORD) {
  constexpr const char* kAnswered = "PenvoTestAnswered";
  HWND dialog = ShownDialog();
  if (!gWatching || !dialog || ::GetPropA(dialog, kAnswered)) return;
  ::SetPropA(dialog, kAnswered, reinterpret_cast<HANDLE>(1));
  gWatching->Seen.push_back(Look(dialog));
  Answer(dialog, gWatching->Answer);
}

}  // namespace

BoxWatcher::BoxWatcher(TBoxAnswer Answer) : state_(std::make_unique<State>()) {
  state_->Answer = std::move(Answer);
  gWatching = state_.get();
  state_->Timer = ::SetTimer(nullptr, 0, 10, WatchTick);
}

BoxWatcher::~BoxWatcher() {
  ::KillTimer(nullptr, state_->Timer);
  gWatching = nullptr;
}

const std::vector<TBoxSeen>& BoxWatcher::Seen() const {
  return state_->Seen;
}

}  // namespace penvo::test
