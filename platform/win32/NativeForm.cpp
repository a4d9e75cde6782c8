// The Win32 peer of a form: a top-level window of a class of its own, that shows the form's
// surface (a DIB section) and passes mouse and keyboard input to the form.
#include "platform/win32/Win32Toolkit.h"

#include <windowsx.h>  // GET_X_LPARAM

#include <algorithm>

#include "platform/Forms.h"

namespace penvo::win32 {

namespace {

constexpr char kDefaultFormClass[] = "PenvoForm";
constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
// How long a maximized window is kept on the monitor the program put it on, and how many times
// it is put back there in that time (under Wine; see KeepOn).
constexpr DWORD kKeepOnMs = 3000;
constexpr int kMaxPutBacks = 3;

HCURSOR Arrow() {
  return ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
}

TShiftState ShiftOf(WPARAM Keys) {
  TShiftState s;
  s.Shift = (Keys & MK_SHIFT) != 0;
  s.Ctrl = (Keys & MK_CONTROL) != 0;
  s.Alt = ::GetKeyState(VK_MENU) < 0;  // mouse messages carry no Alt flag
  s.Left = (Keys & MK_LBUTTON) != 0;
  s.Right = (Keys & MK_RBUTTON) != 0;
  s.Middle = (Keys & MK_MBUTTON) != 0;
  return s;
}

void AddButton(TShiftState& S, TMouseButton Button) {
  if (Button == TMouseButton::mbLeft) S.Left = true;
  if (Button == TMouseButton::mbRight) S.Right = true;
  if (Button == TMouseButton::mbMiddle) S.Middle = true;
}

// The window of the application's main form (nullptr: none yet).
HWND MainWindow() {
  TForm* main = Application() ? Application()->MainForm() : nullptr;
  WindowPeer* peer = main ? WindowPeer::Of(main->Native()) : nullptr;
  return peer ? peer->Hwnd() : nullptr;
}

class FormPeer : public PeerOf<TNativeForm> {
 public:
  explicit FormPeer(TForm* Form) : PeerOf(Form) {
    RegisterPeerClass(kDefaultFormClass, CS_DBLCLKS, Arrow());
    FClass = kDefaultFormClass;
    CreateOwn(kDefaultFormClass, kFormStyle, 0, nullptr);
    MakeTips();
  }

  ~FormPeer() override {
    if (FTips) ::DestroyWindow(FTips);
  }

  HWND Tips() const { return FTips; }

  // A top-level window has no parent.
  void SetParent(TNativeControl*) override {}
  bool HasParent() const override { return false; }

  // The frame's place and size, as TForm's bounds are (logical pixels).
  void Place(int Left, int Top, int Width, int Height) override {
    int dpi = kDesignDpi;
    const POINT at = DesktopToDevice({Left, Top}, &dpi);
    SetFrame(at.x, at.y, ToDevice(std::max(Width, 0), dpi), ToDevice(std::max(Height, 0), dpi),
             false);
  }

  void SetTitle(const std::string& Text) override { ::SetWindowTextA(Hwnd(), Text.c_str()); }

  void SetStayOnTop(bool Value) override {
    ::SetWindowPos(Hwnd(), Value ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  void SetToolWindow(bool Value) override {
    FToolWindow = Value;
    const LONG style = ::GetWindowLongA(Hwnd(), GWL_STYLE);
    const LONG boxes = WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    ::SetWindowLongA(Hwnd(), GWL_STYLE, Value ? (style & ~boxes) : (style | boxes));
    const LONG ex = ::GetWindowLongA(Hwnd(), GWL_EXSTYLE);
    ::SetWindowLongA(Hwnd(), GWL_EXSTYLE,
                     Value ? (ex | WS_EX_TOOLWINDOW) : (ex & ~WS_EX_TOOLWINDOW));
    ::SetWindowPos(Hwnd(), nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }

  void SetWindowClass(const std::string& Name) override {
    if (Name.empty() || Name == FClass) return;
    RegisterPeerClass(Name.c_str(), CS_DBLCLKS, Arrow());
    FClass = Name;
    Recreate();
  }

  void SetTransparentStyle() override {
    const LONG ex = ::GetWindowLongA(Hwnd(), GWL_EXSTYLE);
    ::SetWindowLongA(Hwnd(), GWL_EXSTYLE, ex | WS_EX_TRANSPARENT);
  }

  void Move(int Left, int Top) override {
    RECT r;
    ::GetWindowRect(Hwnd(), &r);
    const POINT at = DesktopToDevice({Left, Top});
    SetFrame(at.x, at.y, r.right - r.left, r.bottom - r.top, true);
  }

  void ShowWindow(bool Maximized) override {
    FHiddenInstead = false;
    OwnByMainWindow();
    // A maximized window comes up on the monitor under the mouse the first time.
    if (Maximized && !FShownOnce) ShowOn(MonitorUnderMouse());
    if (Maximized) KeepOn(Monitor());
    FShownOnce = true;
    ::ShowWindow(Hwnd(), Maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    Activate();
    // ShowWindow returns with the window visible; painting it now puts the first frame up.
    ::UpdateWindow(Hwnd());
  }

  void HideWindow() override {
    FHiddenInstead = false;
    // Hiding the active window lets Windows (or the window manager under Wine) activate some
    // other program's window, and the program would take itself for deactivated: the keyboard
    // goes to the main window first, so that it stays within the program.
    HWND main = MainWindow();
    if (::GetForegroundWindow() == Hwnd() && main && main != Hwnd() && ::IsWindowVisible(main) &&
        !::IsIconic(main))
      ::SetForegroundWindow(main);
    ::ShowWindow(Hwnd(), SW_HIDE);
  }

  void Iconify() override {
    // A tool window has no task bar button to come back from: it leaves the screen hidden.
    if (FToolWindow) {
      HideInstead();
      return;
    }
    ::ShowWindow(Hwnd(), SW_MINIMIZE);
  }

  void Deiconify() override {
    if (FHiddenInstead) {
      FHiddenInstead = false;
      ::ShowWindow(Hwnd(), SW_SHOWNA);
    } else if (::IsIconic(Hwnd())) {
      Unminimize();
    }
  }

  void HideInstead() override {
    FHiddenInstead = true;
    ::ShowWindow(Hwnd(), SW_HIDE);
  }

  bool IsExposed() const override { return ::IsWindowVisible(Hwnd()) && !::IsIconic(Hwnd()); }

  void Activate() override {
    if (::IsIconic(Hwnd())) Unminimize();
    ::SetForegroundWindow(Hwnd());
    ::SetActiveWindow(Hwnd());
  }

  TPoint ClientSize() const override {
    const TPoint device = SurfaceSize();
    const int dpi = DpiOf(Hwnd());
    return {ToLogical(device.X, dpi), ToLogical(device.Y, dpi)};
  }

  TPoint ClientOrigin() const override {
    POINT p{0, 0};
    ::ClientToScreen(Hwnd(), &p);
    return DesktopToLogical(p);
  }

  TPoint SurfaceSize() const override {
    RECT r;
    ::GetClientRect(Hwnd(), &r);
    return {r.right, r.bottom};
  }

  TPoint SurfaceOrigin() const override {
    POINT p{0, 0};
    ::ClientToScreen(Hwnd(), &p);
    return {p.x, p.y};
  }

  TImage GrabBeneath(TPoint& Origin) override {
    const TRect area = MonitorRect(Monitor());
    Origin = {area.Left, area.Top};
    return GrabScreenArea(area);
  }
  bool OnMonitorUnderMouse() const override { return Monitor() == MonitorUnderMouse(); }
  void MoveToMonitorUnderMouse() override { MoveTo(MonitorUnderMouse()); }

  TPixels AllocateSurface(int Width, int Height) override;

  void Flush(const TRect& Rect) override {
    if (Rect.IsEmpty()) return;
    const RECT r{Rect.Left, Rect.Top, Rect.Right, Rect.Bottom};
    ::InvalidateRect(Hwnd(), &r, FALSE);
    ::UpdateWindow(Hwnd());  // painted now, not when the queue is empty
  }

  void FlushAll() override {
    ::InvalidateRect(Hwnd(), nullptr, FALSE);
    ::UpdateWindow(Hwnd());
  }

  LRESULT Handle(UINT Msg, WPARAM W, LPARAM L) override;

 private:
  TForm* Form() const { return static_cast<TForm*>(Control()); }
  void MakeTips();
  void OwnByMainWindow();
  void Recreate();
  void SetFrame(int Left, int Top, int Width, int Height, bool KeepSize);
  HMONITOR Monitor() const;
  HMONITOR StandsOn() const;
  void PlaceOn(HMONITOR Target);
  void ShowOn(HMONITOR Target);
  void MoveTo(HMONITOR Target);
  void Reposition(HMONITOR Target);
  void Unminimize();
  void KeepOn(HMONITOR Target);
  void CheckKeptOn();
  void PutBack();
  void Paint();
  void ReportMoved();
  void DpiChanged(const RECT& Suggested);
  bool HandleMouse(UINT Msg, WPARAM W, LPARAM L);
  void Press(TMouseButton Button, WPARAM W, LPARAM L, bool IsDouble);
  void MouseMoved(WPARAM W, LPARAM L);
  std::vector<POINT> MissedMoves(POINT Client, DWORD Time) const;
  void RememberMove(POINT Client, DWORD Time);
  void Release(TMouseButton Button, WPARAM W, LPARAM L);
  bool HandleKey(UINT Msg, WPARAM W, LPARAM L);
  void PopupAtMouse();
  void Activated(WPARAM W);

  std::string FClass;
  HWND FTips = nullptr;  // the tool tips of this form's controls
  BitmapPtr FBitmap;     // the surface, selected into FDc (which therefore goes first)
  MemoryDcPtr FDc;
  bool FToolWindow = false;
  bool FHiddenInstead = false;
  bool FShownOnce = false;
  bool FPlacing = false;            // the program itself moves or sizes the frame
  HMONITOR FMinimizedOn = nullptr;  // the monitor the window stood on when it was minimized
  HMONITOR FKeptOn = nullptr;       // for a moment after the program put it there (Wine)
  DWORD FKeptSince = 0;
  int FPutBacks = 0;
  HWND FLastFocus = nullptr;  // the control that had the keyboard when the window went inactive
  bool FTracking = false;     // a button is held: moves in between are looked for
  POINT FLastMove{};          // the last point delivered while tracking, on the screen
  DWORD FLastMoveTime = 0;
  CharAssembler FChars;
  bool FCtrlBackspace = false;  // Ctrl+Backspace was typed at its key-down
};

void FormPeer::MakeTips() {
  FTips = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                            WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr, Instance(), nullptr);
}

// Every other window of the program is owned by the main one. When an owned window hides,
// Windows gives the keyboard back to its owner, and so does the window manager under Wine
// (Wine tells it the owner as WM_TRANSIENT_FOR); without an owner, openbox often keeps the
// keyboard itself, and the program takes that for a switch to another program.
void FormPeer::OwnByMainWindow() {
  HWND main = MainWindow();
  if (!main || main == Hwnd() || ::GetWindow(Hwnd(), GW_OWNER) == main) return;
  ::SetWindowLongPtrA(Hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(main));
}

// Windows destroys owned windows with their owner: the program's windows that Old owns (its
// other forms) pass to New first.
void PassOwnedWindows(HWND Old, HWND New) {
  struct Pass {
    HWND Old, New;
  } pass{Old, New};
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND Window, LPARAM L) -> BOOL {
        const auto* p = reinterpret_cast<const Pass*>(L);
        if (::GetWindow(Window, GW_OWNER) == p->Old && WindowPeer::Of(Window))
          ::SetWindowLongPtrA(Window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(p->New));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&pass));
}

// The window system knows a window's class only from its creation: a new class means a new
// window, which takes over the old one's state and children.
void FormPeer::Recreate() {
  HWND old = FHwnd;
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  ::GetWindowPlacement(old, &placement);
  const LONG style = ::GetWindowLongA(old, GWL_STYLE);
  const LONG ex = ::GetWindowLongA(old, GWL_EXSTYLE);
  const bool visible = ::IsWindowVisible(old);
  char title[512] = "";
  ::GetWindowTextA(old, title, sizeof title);

  ::RemovePropA(old, "PenvoPeer");  // the old window no longer reaches this peer
  FHwnd = nullptr;
  CreateOwn(FClass.c_str(), static_cast<DWORD>(style) & ~WS_VISIBLE, static_cast<DWORD>(ex),
            nullptr);
  ::SetWindowTextA(FHwnd, title);
  for (HWND c : Children(old)) {  // in their order, each on top of those before it
    ::SetParent(c, FHwnd);
    ::SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  if (ex & WS_EX_TOPMOST)
    ::SetWindowPos(FHwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (!visible) placement.showCmd = SW_HIDE;
  ::SetWindowPlacement(FHwnd, &placement);
  if (FTips) ::DestroyWindow(FTips);
  PassOwnedWindows(old, FHwnd);
  ::DestroyWindow(old);
  MakeTips();
  PropagateFont();
  UpdateTips();
}

void FormPeer::SetFrame(int Left, int Top, int Width, int Height, bool KeepSize) {
  // The frame was sized for the monitor it goes to: a change of scale on the way keeps it.
  const bool wasPlacing = std::exchange(FPlacing, true);
  struct Done {
    bool& Flag;
    bool Was;
    ~Done() { Flag = Was; }
  } done{FPlacing, wasPlacing};
  // A maximized or minimized window keeps its state; its normal bounds change.
  if (::IsZoomed(Hwnd()) || ::IsIconic(Hwnd())) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ::GetWindowPlacement(Hwnd(), &placement);
    RECT& r = placement.rcNormalPosition;
    if (KeepSize) {
      Width = r.right - r.left;
      Height = r.bottom - r.top;
    }
    r = {Left, Top, Left + Width, Top + Height};
    ::SetWindowPlacement(Hwnd(), &placement);
    return;
  }
  ::SetWindowPos(Hwnd(), nullptr, Left, Top, Width, Height,
                 SWP_NOZORDER | SWP_NOACTIVATE | (KeepSize ? SWP_NOSIZE : 0));
}

// The monitor the window covers, or, before it first shows, the one it will come up on.
HMONITOR FormPeer::Monitor() const {
  return FShownOnce ? StandsOn() : MonitorUnderMouse();
}

// The monitor the window stands on, or comes back to from the task bar.
HMONITOR FormPeer::StandsOn() const {
  if (!::IsIconic(Hwnd())) return ::MonitorFromWindow(Hwnd(), MONITOR_DEFAULTTONEAREST);
  // A minimized window can only move by its normal frame, and Unminimize brings it back (a
  // maximized one maximized) on the monitor that holds that frame.
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  ::GetWindowPlacement(Hwnd(), &placement);
  return ::MonitorFromRect(&placement.rcNormalPosition, MONITOR_DEFAULTTONEAREST);
}

// Puts the window's normal frame on Target (its work area's top-left), keeping its size:
// Windows maximizes a window on the monitor that holds that frame.
void FormPeer::PlaceOn(HMONITOR Target) {
  if (StandsOn() == Target) return;
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoA(Target, &info)) return;
  RECT frame;
  ::GetWindowRect(Hwnd(), &frame);
  SetFrame(info.rcWork.left, info.rcWork.top, frame.right - frame.left, frame.bottom - frame.top,
           true);
}

// Makes the window, about to show maximized for the first time, come up on Target.
void FormPeer::ShowOn(HMONITOR Target) {
  PlaceOn(Target);
  // Wine gives the window manager no position for a window that is mapped maximized, and the
  // window manager then puts it on a monitor of its own choice (openbox: the first). Mapped at
  // its normal frame first, it stands on Target when it is maximized.
  if (UnderWine() && !::IsWindowVisible(Hwnd())) ::ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
}

// Moves the window onto Target; a maximized one is maximized there.
void FormPeer::MoveTo(HMONITOR Target) {
  KeepOn(Target);
  if (StandsOn() != Target) Reposition(Target);
}

// A maximized window stays on its monitor whatever its normal frame says: it comes back to
// its normal size, moves onto Target and is maximized again.
void FormPeer::Reposition(HMONITOR Target) {
  const bool maximized = ::IsZoomed(Hwnd());
  if (maximized) ::ShowWindow(Hwnd(), SW_SHOWNORMAL);
  PlaceOn(Target);
  if (maximized) ::ShowWindow(Hwnd(), SW_SHOWMAXIMIZED);
}

// Brings the minimized window back as it left (a maximized one maximized), on the monitor
// that holds its normal frame.
void FormPeer::Unminimize() {
  const HMONITOR target = StandsOn();
  KeepOn(target);
  ::ShowWindow(Hwnd(), SW_RESTORE);
  if (!::IsZoomed(Hwnd())) return;
  // A maximized window comes back maximized on the monitor it left, whatever its normal frame
  // says now. Wine maximizes it on the monitor nearest to where the minimized window sat, far
  // off the screen, and the window manager then puts it back where it left.
  if (target != FMinimizedOn || StandsOn() != target) Reposition(target);
}

// Under Wine the window manager has the last word on where a window stands, and it may act
// after the program: a window it takes on once Wine has maximized it comes without a position
// (Wine leaves it out of a maximized window's hints) and goes where the window manager places
// new windows, and a window back from the task bar may be put where it left. For a moment after
// the program put the maximized window on Target, a move onto another monitor is undone.
void FormPeer::KeepOn(HMONITOR Target) {
  if (!UnderWine()) return;
  FKeptOn = Target;
  FKeptSince = ::GetTickCount();
  FPutBacks = 0;
}

// On every move or resize: a maximized window found off the monitor it is kept on goes back,
// once the window system has finished the change at hand.
void FormPeer::CheckKeptOn() {
  if (!FKeptOn) return;
  if (::GetTickCount() - FKeptSince > kKeepOnMs) {
    FKeptOn = nullptr;
    return;
  }
  if (::IsZoomed(Hwnd()) && StandsOn() != FKeptOn) ::PostMessageA(Hwnd(), kMsgPutBack, 0, 0);
}

void FormPeer::PutBack() {
  if (!FKeptOn || ::IsIconic(Hwnd()) || !::IsZoomed(Hwnd()) || StandsOn() == FKeptOn) return;
  if (++FPutBacks > kMaxPutBacks) return;  // the window manager insists: it stays
  Reposition(FKeptOn);
}

TPixels FormPeer::AllocateSurface(int Width, int Height) {
  Width = std::max(Width, 1);
  Height = std::max(Height, 1);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = Width;
  info.bmiHeader.biHeight = -Height;  // negative: top-down rows, as TPixels has them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return {};
  if (!FDc) FDc.reset(::CreateCompatibleDC(nullptr));
  ::SelectObject(FDc.get(), bitmap);
  FBitmap.reset(bitmap);  // the old one is no longer selected: it can go
  return {static_cast<std::uint32_t*>(bits), Width, Height, Width};
}

void FormPeer::Paint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(Hwnd(), &ps);
  const RECT& r = ps.rcPaint;
  if (FDc)
    ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, FDc.get(), r.left, r.top,
             SRCCOPY);
  ::EndPaint(Hwnd(), &ps);
}

void FormPeer::ReportMoved() {
  if (!Form() || ::IsIconic(Hwnd())) return;  // a minimized window sits far off the screen
  // Left, top, width and height are the frame's, as Windows programs know them.
  RECT r;
  ::GetWindowRect(Hwnd(), &r);
  const TPoint at = DesktopToLogical({r.left, r.top});
  const int dpi = DpiOf(Hwnd());
  Form()->WindowMoved(at.X, at.Y, ToLogical(r.right - r.left, dpi),
                      ToLogical(r.bottom - r.top, dpi));
}

// The window stands on a monitor of another scale now: the frame takes the rectangle Windows
// suggests (the same logical size there), unless the program placed it itself, and the
// children and fonts follow the new scale.
void FormPeer::DpiChanged(const RECT& Suggested) {
  if (!FPlacing)
    ::SetWindowPos(Hwnd(), nullptr, Suggested.left, Suggested.top, Suggested.right - Suggested.left,
                   Suggested.bottom - Suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  for (HWND child : Descendants(Hwnd()))
    if (WindowPeer* peer = WindowPeer::Of(child)) peer->Rescale();
  PropagateFont();
}

void FormPeer::Press(TMouseButton Button, WPARAM W, LPARAM L, bool IsDouble) {
  if (::GetFocus() != Hwnd()) ::SetFocus(Hwnd());  // a click on the form takes the keyboard
  // Held until the last button goes up, so that a drag that leaves the window still ends.
  ::SetCapture(Hwnd());
  TShiftState shift = ShiftOf(W);
  shift.Double = IsDouble;
  RememberMove({GET_X_LPARAM(L), GET_Y_LPARAM(L)}, static_cast<DWORD>(::GetMessageTime()));
  FTracking = true;
  Form()->DeliverMouseDown(Button, shift, GET_X_LPARAM(L), GET_Y_LPARAM(L));
}

void FormPeer::RememberMove(POINT Client, DWORD Time) {
  FLastMove = Client;
  ::ClientToScreen(Hwnd(), &FLastMove);
  FLastMoveTime = Time;
}

// Windows merges the mouse moves that wait in the queue into the newest one, and a quick
// zig-zag would lose its corners: the moves in between come from the mouse's history, back to
// the last one delivered.
std::vector<POINT> FormPeer::MissedMoves(POINT Client, DWORD Time) const {
  POINT screen = Client;
  ::ClientToScreen(Hwnd(), &screen);
  MOUSEMOVEPOINT now{};
  now.x = screen.x & 0xFFFF;  // the history keeps 16-bit coordinates
  now.y = screen.y & 0xFFFF;
  now.time = Time;
  MOUSEMOVEPOINT history[64];
  const int n =
      ::GetMouseMovePointsEx(sizeof(MOUSEMOVEPOINT), &now, history, 64, GMMP_USE_DISPLAY_POINTS);
  std::vector<POINT> missed;
  for (int i = 1; i < n; ++i) {  // history[0] is this move, the older ones follow
    const POINT p{static_cast<short>(history[i].x), static_cast<short>(history[i].y)};
    if (static_cast<LONG>(history[i].time - FLastMoveTime) < 0 ||
        (p.x == FLastMove.x && p.y == FLastMove.y))
      break;
    missed.push_back(p);
  }
  std::reverse(missed.begin(), missed.end());
  for (POINT& p : missed) ::ScreenToClient(Hwnd(), &p);
  return missed;
}

void FormPeer::MouseMoved(WPARAM W, LPARAM L) {
  const POINT at{GET_X_LPARAM(L), GET_Y_LPARAM(L)};
  const DWORD time = static_cast<DWORD>(::GetMessageTime());
  FTracking = FTracking && (W & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON));
  if (FTracking)
    for (POINT p : MissedMoves(at, time))
      if (Form()) Form()->DeliverMouseMove(ShiftOf(W), p.x, p.y);
  if (FTracking) RememberMove(at, time);
  if (Form()) Form()->DeliverMouseMove(ShiftOf(W), at.x, at.y);
}

void FormPeer::Release(TMouseButton Button, WPARAM W, LPARAM L) {
  if (!(W & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) ::ReleaseCapture();
  TShiftState shift = ShiftOf(W);
  AddButton(shift, Button);  // the released button counts as held at its release
  const int x = GET_X_LPARAM(L), y = GET_Y_LPARAM(L);
  Form()->DeliverMouseUp(Button, shift, x, y);
  // The context request comes with the right button's release.
  if (Button == TMouseButton::mbRight && Form()) Form()->DeliverContextPopup({x, y});
}

bool FormPeer::HandleMouse(UINT Msg, WPARAM W, LPARAM L) {
  switch (Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      Press(TMouseButton::mbLeft, W, L, Msg == WM_LBUTTONDBLCLK);
      return true;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      Press(TMouseButton::mbRight, W, L, Msg == WM_RBUTTONDBLCLK);
      return true;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      Press(TMouseButton::mbMiddle, W, L, Msg == WM_MBUTTONDBLCLK);
      return true;
    case WM_LBUTTONUP:
      Release(TMouseButton::mbLeft, W, L);
      return true;
    case WM_RBUTTONUP:
      Release(TMouseButton::mbRight, W, L);
      return true;
    case WM_MBUTTONUP:
      Release(TMouseButton::mbMiddle, W, L);
      return true;
    case WM_MOUSEMOVE:
      MouseMoved(W, L);
      return true;
    default:
      return false;
  }
}

void FormPeer::PopupAtMouse() {
  POINT p;
  ::GetCursorPos(&p);
  ::ScreenToClient(Hwnd(), &p);
  Form()->DeliverContextPopup({p.x, p.y});
}

bool FormPeer::HandleKey(UINT Msg, WPARAM W, LPARAM L) {
  switch (Msg) {
    case WM_CHAR: {
      // The character that Ctrl+Backspace's key-down already typed.
      if (std::exchange(FCtrlBackspace, false) && (W == 8 || W == 127)) return true;
      const int typed = FChars.Feed(static_cast<unsigned char>(W));
      if (typed >= 0) Form()->DeliverKey(static_cast<char>(typed));
      return true;
    }
    case WM_KEYDOWN:
      FCtrlBackspace = false;
      if (W == VK_BACK && ::GetKeyState(VK_CONTROL) < 0 && ::GetKeyState(VK_MENU) >= 0) {
        // Windows types Ctrl+Backspace as 127 (DEL); Wine's translation gives a plain
        // backspace or nothing. Typed here, and the translated character is dropped.
        FCtrlBackspace = true;
        Form()->DeliverKey(127);
        return true;
      }
      if (W != VK_APPS) return false;
      PopupAtMouse();
      return true;
    case WM_KEYUP:
      return W == VK_APPS;  // DefWindowProc would ask for the context menu a second time
    case WM_CONTEXTMENU:
      // From the keyboard (Shift+F10) only; the mouse's request is the right button's release.
      if (L == -1) PopupAtMouse();
      return true;
    default:
      return false;
  }
}

// The keyboard goes back to the control that had it, or to the first that Tab reaches, or to
// the form itself.
void FormPeer::Activated(WPARAM W) {
  if (LOWORD(W) == WA_INACTIVE) {
    HWND focus = ::GetFocus();
    if (focus && ::IsChild(Hwnd(), focus)) FLastFocus = focus;
    return;
  }
  if (HIWORD(W)) return;  // minimized
  HWND target = FLastFocus;
  if (!target || !::IsChild(Hwnd(), target) || !::IsWindowVisible(target))
    target = NextTabStop(Hwnd(), nullptr, false);
  ::SetFocus(target ? target : Hwnd());
}

LRESULT FormPeer::Handle(UINT Msg, WPARAM W, LPARAM L) {
  if (Msg == ActivateRequestMessage() && Msg != 0) return HandleActivateRequest();
  if (Form() && (HandleMouse(Msg, W, L) || HandleKey(Msg, W, L))) return 0;
  switch (Msg) {
    case WM_ERASEBKGND:
      return 1;  // the background is never painted: the surface shows, or what lay beneath
    case WM_PAINT:
      Paint();
      return 0;
    case WM_MOVE:
      ReportMoved();
      CheckKeptOn();
      return 0;
    case kMsgPutBack:
      PutBack();
      return 0;
    case WM_DPICHANGED:
      DpiChanged(*reinterpret_cast<const RECT*>(L));
      return 0;
    case WM_SIZE:
      if (W == SIZE_MINIMIZED) FMinimizedOn = StandsOn();
      if (W == SIZE_MINIMIZED || !Form()) return 0;
      ReportMoved();
      if (Form()) Form()->SurfaceResized();
      CheckKeptOn();
      return 0;
    case WM_CLOSE:
      if (Form()) Form()->Close();  // the form decides: end the program, or hide
      return 0;
    case WM_ACTIVATEAPP:
      NotifyActivation(W != 0);
      return 0;
    case WM_ACTIVATE:
      Activated(W);
      return 0;
    case WM_ENDSESSION:
      return 0;  // the application's window ends the program
    default:
      return WindowPeer::Handle(Msg, W, L);
  }
}

}  // namespace

HWND TipWindowOf(HWND Window) {
  auto* form = dynamic_cast<FormPeer*>(WindowPeer::Of(::GetAncestor(Window, GA_ROOT)));
  return form ? form->Tips() : nullptr;
}

}  // namespace penvo::win32

namespace penvo {

std::unique_ptr<TNativeForm> NewNativeForm(TForm* Form) {
  return std::make_unique<win32::FormPeer>(Form);
}

}  // namespace penvo
