// The Win32 application peer: the message loop, timers, shortcuts, the desktop's services and
// the error boxes.
#include "platform/win32/Win32Toolkit.h"

#include <objbase.h>

#include <algorithm>
#include <map>

#include "platform/ActnList.h"
#include "platform/Forms.h"

namespace penvo::win32 {

namespace {

constexpr char kHelperClass[] = "PenvoHelper";
// How long the program must stay inactive for a deactivation to count.
constexpr int kDeactivationSettleMs = 200;
// How long Wine answers where the mouse is from its own record after a mouse event (see
// HandleActivateRequest), and a margin.
constexpr int kWineCursorRecordMs = 150;

// A timer on the helper window: a repeating one (TNativeTimer) or a call to run once.
struct TimerEntry {
  std::function<void()> Fn;
  bool Once = false;
};

struct Shortcut {
  const void* Owner;
  WindowPeer* Form;
  int Key;
  std::function<void()> Fire;
};

struct Toolkit {
  std::function<void(bool)> Activation;
  int LastActive = -1;            // -1: not told yet
  unsigned ActivationChange = 0;  // counts the notices; a deactivation waits for the next
  std::function<void()> ActivateRequest;
  std::map<UINT_PTR, TimerEntry> Timers;
  UINT_PTR NextTimerId = 1;
  std::vector<Shortcut> Shortcuts;
  int LoopDepth = 0;  // how many message loops of ours run (nested ones during a wait)
};

Toolkit& State() {
  static Toolkit state;
  return state;
}

void RunTimer(HWND Helper, UINT_PTR Id) {
  auto at = State().Timers.find(Id);
  if (at == State().Timers.end()) {
    ::KillTimer(Helper, Id);
    return;
  }
  std::function<void()> fn = at->second.Fn;  // the callback may stop or free its timer
  if (at->second.Once) {
    ::KillTimer(Helper, Id);
    State().Timers.erase(at);
  }
  if (fn) fn();
}

// Windows ends the process once every window has answered WM_ENDSESSION, so the loop cannot
// return first and let the program end as usual: its end runs here, the forms go (saving what
// is unsaved) before the answer. Inside a nested wait the forms are in use further up the
// stack; then only the loop is told to end.
void EndSession() {
  if (!Application()) return;
  Application()->Terminate();
  if (State().LoopDepth <= 1) Application()->DestroyForms();
}

LRESULT CALLBACK HelperProc(HWND Window, UINT Msg, WPARAM W, LPARAM L) {
  LRESULT result = 0;
  if (WindowPeer::HandleParentMessage(Msg, W, L, result)) return result;
  switch (Msg) {
    case kMsgCall: {
      std::unique_ptr<std::function<void()>> fn(reinterpret_cast<std::function<void()>*>(L));
      if (fn && *fn) (*fn)();
      return 0;
    }
    case WM_TIMER:
      RunTimer(Window, W);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (W) EndSession();
      return 0;
    default:
      return ::DefWindowProcA(Window, Msg, W, L);
  }
}

HWND MakeHiddenWindow(const char* Title) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (!::GetClassInfoExA(Instance(), kHelperClass, &wc)) {
    wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = HelperProc;
    wc.hInstance = Instance();
    wc.lpszClassName = kHelperClass;
    ::RegisterClassExA(&wc);
  }
  // Top-level (not message-only): only top-level windows hear of the session's end.
  return ::CreateWindowExA(WS_EX_TOOLWINDOW, kHelperClass, Title, WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, Instance(), nullptr);
}

UINT_PTR StartTimer(int Ms, std::function<void()> Fn, bool Once) {
  const UINT_PTR id = State().NextTimerId++;
  State().Timers[id] = {std::move(Fn), Once};
  ::SetTimer(HelperWindow(), id, static_cast<UINT>(std::max(Ms, 1)), nullptr);
  return id;
}

void StopTimer(UINT_PTR Id) {
  ::KillTimer(HelperWindow(), Id);
  State().Timers.erase(Id);
}

bool IsLivePeer(WindowPeer* Peer) {
  const auto& all = WindowPeer::All();
  return std::find(all.begin(), all.end(), Peer) != all.end();
}

// The modifiers held now, as a shortcut's key code carries them.
int HeldModifiers() {
  return (::GetKeyState(VK_SHIFT) < 0 ? scShift : 0) |
         (::GetKeyState(VK_CONTROL) < 0 ? scCtrl : 0) | (::GetKeyState(VK_MENU) < 0 ? scAlt : 0);
}

// A key bound to a shortcut on the window that has the keyboard, with exactly the shortcut's
// modifiers held: it runs the shortcut and never becomes a character. A key with Alt comes as
// WM_SYSKEYDOWN.
bool FireShortcut(const MSG& Msg) {
  if (Msg.message != WM_KEYDOWN && Msg.message != WM_SYSKEYDOWN) return false;
  const int key = static_cast<int>(Msg.wParam) | HeldModifiers();
  HWND root = ::GetAncestor(Msg.hwnd, GA_ROOT);
  for (const Shortcut& s : State().Shortcuts) {
    if (s.Key != key || !IsLivePeer(s.Form) || s.Form->Hwnd() != root) continue;
    std::function<void()> fire = s.Fire;  // the shortcut may go while it runs
    if (fire) fire();
    return true;
  }
  return false;
}

// Tab moves the keyboard between a form's controls; where the form itself has it, Tab stays a
// typed character (9) for the form.
bool MoveTabFocus(const MSG& Msg) {
  if (Msg.message != WM_KEYDOWN || Msg.wParam != VK_TAB) return false;
  HWND root = ::GetAncestor(Msg.hwnd, GA_ROOT);
  if (!WindowPeer::Of(root)) return false;
  HWND current = ::GetFocus();
  while (current && current != root && !WindowPeer::Of(current)) current = ::GetParent(current);
  if (!current || current == root) return false;
  HWND next = NextTabStop(root, current, ::GetKeyState(VK_SHIFT) < 0);
  if (!next) return false;
  ::SetFocus(next);
  char cls[16] = "";
  ::GetClassNameA(next, cls, sizeof cls);
  if (lstrcmpiA(cls, "Edit") == 0) ::SendMessageA(next, EM_SETSEL, 0, -1);
  return true;
}

// Alt with a letter reaches the control whose caption marks it with "&" on the same form.
bool RunMnemonic(const MSG& Msg) {
  if (Msg.message != WM_SYSCHAR) return false;
  const char letter = static_cast<char>(std::tolower(static_cast<int>(Msg.wParam & 0xFF)));
  HWND root = ::GetAncestor(Msg.hwnd, GA_ROOT);
  if (!WindowPeer::Of(root)) return false;
  for (WindowPeer* peer : std::vector(WindowPeer::All())) {
    HWND w = peer->Hwnd();
    if (!w || ::GetAncestor(w, GA_ROOT) != root || !::IsWindowVisible(w)) continue;
    if (MnemonicOf(peer->MnemonicCaption()) != letter) continue;
    peer->OnMnemonic();
    return true;
  }
  return false;
}

void Dispatch(MSG& Msg) {
  if (FireShortcut(Msg) || MoveTabFocus(Msg) || RunMnemonic(Msg)) return;
  ::TranslateMessage(&Msg);
  ::DispatchMessageA(&Msg);
}

// Takes the next message that is not user input (keys and mouse stay queued for the loop).
bool PeekNonInput(MSG& Msg) {
  constexpr UINT flags = PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE;
  return ::PeekMessageA(&Msg, nullptr, 0, WM_KEYFIRST - 1, flags) ||
         ::PeekMessageA(&Msg, nullptr, WM_KEYLAST + 1, WM_MOUSEFIRST - 1, flags) ||
         ::PeekMessageA(&Msg, nullptr, WM_MOUSELAST + 1, 0xFFFFFFFF, flags);
}

std::string ProgramName() {
  char path[MAX_PATH] = "";
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = path;
  name = name.substr(name.find_last_of("\\/") + 1);
  return name.substr(0, name.find_last_of('.'));
}

// The store chain's error box, built in memory: Windows' message boxes cannot name their
// buttons, and a task dialog always has a default button.
class WriteErrorDialog {
 public:
  explicit WriteErrorDialog(std::string Text) : FText(std::move(Text)) {}

  TErrorAnswer Run() {
    // One empty dialog (WS_POPUP | WS_CAPTION | WS_SYSMENU, title "Error"); the controls are
    // made in WM_INITDIALOG, where their sizes are known.
    std::vector<WORD> tmpl(64, 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(tmpl.data());
    header->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
    header->dwExtendedStyle = WS_EX_TOPMOST;
    WORD* p = reinterpret_cast<WORD*>(header + 1);
    *p++ = 0;  // no menu
    *p++ = 0;  // the dialog class
    for (const char* c = "Error"; *c; ++c) *p++ = static_cast<WORD>(*c);
    *p++ = 0;
    const INT_PTR answer = ::DialogBoxIndirectParamA(Instance(), header, ::GetActiveWindow(), Proc,
                                                     reinterpret_cast<LPARAM>(this));
    return answer == kYesToAll ? TErrorAnswer::YesToAll : TErrorAnswer::Cancel;
  }

 private:
  static constexpr int kYesToAll = 100;
  static constexpr const char* kCancelCaption = "Cancel";
  static constexpr const char* kYesToAllCaption = "Yes to &All";
  // Sizes at 96 DPI, scaled with the message font and the icon, which Windows gives at the
  // system's scale.
  static constexpr int kMargin = 12, kTextWidth = 420, kButtonW = 88, kButtonH = 24,
                       kButtonPadding = 16;

  static INT_PTR CALLBACK Proc(HWND Dialog, UINT Msg, WPARAM W, LPARAM L) {
    if (Msg == WM_INITDIALOG) {
      reinterpret_cast<WriteErrorDialog*>(L)->Build(Dialog);
      return TRUE;
    }
    if (Msg == WM_COMMAND && (LOWORD(W) == IDCANCEL || LOWORD(W) == kYesToAll)) {
      // Escape and the close box come as IDCANCEL; Enter (IDOK) with no button focused is
      // nothing.
      ::EndDialog(Dialog, LOWORD(W));
      return TRUE;
    }
    return FALSE;
  }

  HWND Child(HWND Dialog, const char* Class, const char* Text, DWORD Style, int Id, RECT R) {
    HWND w =
        ::CreateWindowExA(0, Class, Text, WS_CHILD | WS_VISIBLE | Style, R.left, R.top,
                          R.right - R.left, R.bottom - R.top, Dialog,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), Instance(), nullptr);
    ::SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);
    return w;
  }

  void Build(HWND Dialog) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    FFontOwner.reset(::CreateFontIndirectA(&metrics.lfMessageFont));
    FFont = static_cast<HFONT>(FFontOwner.get());
    const int dpi = SystemDpi();
    const int margin = ToDevice(kMargin, dpi);
    RECT text = Measure(Dialog, FText, ToDevice(kTextWidth, dpi));
    const int iconSize = ::GetSystemMetrics(SM_CXICON);
    const int textLeft = margin * 2 + iconSize;
    ::OffsetRect(&text, textLeft, margin);
    // Each button as wide as the wider caption needs, and never smaller than its design.
    const RECT cancel = Measure(Dialog, kCancelCaption, 0),
               all = Measure(Dialog, kYesToAllCaption, 0);
    const int buttonW = std::max<int>(
        ToDevice(kButtonW, dpi), std::max(cancel.right, all.right) + ToDevice(kButtonPadding, dpi));
    const int buttonH = std::max<int>(ToDevice(kButtonH, dpi), all.bottom + ToDevice(8, dpi));
    const int bodyBottom = std::max<int>(text.bottom, margin + iconSize);
    const int width = std::max<int>(text.right + margin, 2 * buttonW + 3 * margin);
    const int buttonsTop = bodyBottom + margin;

    HWND icon = Child(Dialog, "STATIC", nullptr, SS_ICON, -1,
                      {margin, margin, margin + iconSize, margin + iconSize});
    ::SendMessageA(
        icon, STM_SETICON,
        reinterpret_cast<WPARAM>(::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_ERROR))), 0);
    Child(Dialog, "STATIC", FText.c_str(), SS_LEFT | SS_NOPREFIX, -1, text);
    // "Cancel", then "Yes to &All"; both plain push buttons, neither the default.
    const int right = width - margin;
    Child(Dialog, "BUTTON", kCancelCaption, BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL,
          {right - 2 * buttonW - margin / 2, buttonsTop, right - buttonW - margin / 2,
           buttonsTop + buttonH});
    Child(Dialog, "BUTTON", kYesToAllCaption, BS_PUSHBUTTON | WS_TABSTOP, kYesToAll,
          {right - buttonW, buttonsTop, right, buttonsTop + buttonH});
    PlaceCentred(Dialog, width, buttonsTop + buttonH + margin);
    ::MessageBeep(MB_ICONHAND);
  }

  // The room Text takes in the box's font: wrapped at Width as is, or, where Width is 0, on
  // one line as a caption (its '&' marks the accelerator and takes no room).
  RECT Measure(HWND Dialog, const std::string& Text, int Width) const {
    RECT r{0, 0, Width, 0};
    HDC dc = ::GetDC(Dialog);
    HGDIOBJ old = ::SelectObject(dc, FFont);
    ::DrawTextA(dc, Text.c_str(), static_cast<int>(Text.size()), &r,
                DT_CALCRECT | (Width > 0 ? DT_WORDBREAK | DT_NOPREFIX : DT_SINGLELINE));
    ::SelectObject(dc, old);
    ::ReleaseDC(Dialog, dc);
    return r;
  }

  static void PlaceCentred(HWND Dialog, int ClientW, int ClientH) {
    RECT frame{0, 0, ClientW, ClientH};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongA(Dialog, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongA(Dialog, GWL_EXSTYLE)));
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    ::SetWindowPos(Dialog, nullptr, work.left + (work.right - work.left - w) / 2,
                   work.top + (work.bottom - work.top - h) / 2, w, h, SWP_NOZORDER);
  }

  std::string FText;
  std::unique_ptr<void, GdiDeleter> FFontOwner;
  HFONT FFont = nullptr;
};

HMONITOR PrimaryMonitor() {
  return ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
}

class ApplicationPeer : public TNativeApplication {
 public:
  explicit ApplicationPeer(std::function<void(bool)> Activation) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    // The shell's "open" may hand the document to a COM server.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ::QueryPerformanceFrequency(&FFrequency);
    State().Activation = std::move(Activation);
    HelperWindow();
  }

  ~ApplicationPeer() override {
    State().Activation = nullptr;
    ::CoUninitialize();
  }

  void Exec() override {
    ++State().LoopDepth;
    MSG msg;
    while (!FExit) {
      const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0 || got == -1) break;
      Dispatch(msg);
    }
    --State().LoopDepth;
  }

  void Exit() override {
    FExit = true;
    ::PostQuitMessage(0);
  }

  void ProcessEvents() override {
    ++State().LoopDepth;
    MSG msg;
    while (!FExit && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT)
        FExit = true;
      else
        Dispatch(msg);
    }
    --State().LoopDepth;
  }

  bool WaitUntil(const std::function<bool()>& Done, int DeadlineMs) override {
    ++State().LoopDepth;
    const std::int64_t end = NowMs() + DeadlineMs;
    while (!FExit && !Done()) {
      MSG msg;
      if (PeekNonInput(msg)) {
        if (msg.message == WM_QUIT)
          FExit = true;
        else
          Dispatch(msg);
        continue;
      }
      const std::int64_t left = end - NowMs();
      if (left <= 0) break;
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<std::int64_t>(2, left)),
                                  QS_POSTMESSAGE | QS_PAINT | QS_SENDMESSAGE | QS_TIMER);
    }
    --State().LoopDepth;
    return Done();
  }

  void CallLater(int Ms, std::function<void()> Fn) override {
    if (Ms <= 0 && PostToUi(Fn)) return;
    StartTimer(Ms, std::move(Fn), true);
  }

  std::int64_t NowMs() const override {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart * 1000 / FFrequency.QuadPart;
  }

  // The picture in device pixels; the rectangles and the mouse in logical ones, as forms are
  // placed.
  TImage GrabScreen() override { return GrabScreenArea(MonitorRect(PrimaryMonitor())); }
  TRect PrimaryScreenRect() const override { return LogicalMonitorRect(PrimaryMonitor()); }
  std::vector<TRect> Monitors() const override;
  TPoint MousePos() const override {
    POINT p{0, 0};
    ::GetCursorPos(&p);
    return DesktopToLogical(p);
  }

  TErrorAnswer ShowWriteError(const std::string& Text) override {
    ++State().LoopDepth;
    const TErrorAnswer answer = WriteErrorDialog(Text).Run();
    --State().LoopDepth;
    return answer;
  }

  void ShowException(const std::string& Message) override {
    ++State().LoopDepth;
    ::MessageBoxA(::GetActiveWindow(), Message.c_str(), ProgramName().c_str(),
                  MB_OK | MB_ICONERROR);
    --State().LoopDepth;
  }

 private:
  bool FExit = false;
  LARGE_INTEGER FFrequency{};
};

// What a screen grab owns: the DIB section and the DC it is selected into.
struct Grab {
  MemoryDcPtr Dc;
  BitmapPtr Bitmap;
  ~Grab() { Dc.reset(); }  // the DC first: a bitmap still selected cannot be deleted
};

// Adds a monitor's rectangle to the list: the primary monitor's in front, the others after.
BOOL CALLBACK AddMonitor(HMONITOR Monitor, HDC, LPRECT, LPARAM List) {
  auto* monitors = reinterpret_cast<std::vector<TRect>*>(List);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoA(Monitor, &info)) return TRUE;
  const TRect rect = LogicalMonitorRect(Monitor);
  if (info.dwFlags & MONITORINFOF_PRIMARY)
    monitors->insert(monitors->begin(), rect);
  else
    monitors->push_back(rect);
  return TRUE;
}

std::vector<TRect> ApplicationPeer::Monitors() const {
  std::vector<TRect> monitors;
  ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  if (monitors.empty()) monitors.push_back(PrimaryScreenRect());
  return monitors;
}

class TimerPeer : public TNativeTimer {
 public:
  explicit TimerPeer(std::function<void()> Tick) : FTick(std::move(Tick)) {}
  ~TimerPeer() override { Stop(); }
  void Start(int IntervalMs) override {
    Stop();
    FId = StartTimer(IntervalMs, FTick, false);
  }
  void Stop() override {
    if (FId) StopTimer(std::exchange(FId, 0));
  }

 private:
  std::function<void()> FTick;
  UINT_PTR FId = 0;
};

class ShortcutPeer : public TNativeShortcut {
 public:
  ShortcutPeer(int Key, TNativeForm* Form, std::function<void()> Fire) {
    State().Shortcuts.push_back({this, WindowPeer::Of(Form), Key, std::move(Fire)});
  }
  ~ShortcutPeer() override {
    std::erase_if(State().Shortcuts, [this](const Shortcut& s) { return s.Owner == this; });
  }
};

}  // namespace

HINSTANCE Instance() {
  return ::GetModuleHandleA(nullptr);
}

HWND HelperWindow() {
  static HWND helper = MakeHiddenWindow("Penvo helper");
  return helper;
}

HWND ParkingWindow() {
  static HWND parking = MakeHiddenWindow("Penvo parking");
  return parking;
}

bool PostToUi(std::function<void()> Fn) {
  auto* call = new std::function<void()>(std::move(Fn));
  if (::PostMessageA(HelperWindow(), kMsgCall, 0, reinterpret_cast<LPARAM>(call))) return true;
  delete call;
  return false;
}

TImage GrabScreenArea(const TRect& Area) {
  const int w = Area.Width(), h = Area.Height();
  if (w <= 0 || h <= 0) return {};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  auto grab = std::make_shared<Grab>();
  void* bits = nullptr;
  grab->Bitmap.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!grab->Bitmap || !bits) return {};
  grab->Dc.reset(::CreateCompatibleDC(nullptr));
  ::SelectObject(grab->Dc.get(), grab->Bitmap.get());
  // The screen's DC spans every monitor: its (0, 0) is the primary monitor's top-left, and a
  // monitor left of or above it has negative coordinates.
  HDC screenDc = ::GetDC(nullptr);
  ::BitBlt(grab->Dc.get(), 0, 0, w, h, screenDc, Area.Left, Area.Top, SRCCOPY | CAPTUREBLT);
  ::ReleaseDC(nullptr, screenDc);
  ::GdiFlush();
  auto* pixels = static_cast<std::uint32_t*>(bits);
  // BitBlt leaves the fourth byte 0; pictures here are opaque.
  for (std::size_t i = 0, n = static_cast<std::size_t>(w) * h; i < n; ++i) pixels[i] |= 0xFF000000u;
  TImage image;
  image.Pixels = {pixels, w, h, w};
  image.Keep = grab;
  return image;
}

TRect MonitorRect(HMONITOR Monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoA(Monitor, &info))
    return {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  return {info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
}

bool UnderWine() {
  static const bool wine =
      ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

HMONITOR MonitorUnderMouse() {
  POINT p{0, 0};
  ::GetCursorPos(&p);
  return ::MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST);
}

namespace {

void DeliverActivation(bool Active) {
  Toolkit& s = State();
  // Every top-level window of the program hears WM_ACTIVATEAPP; the program is told once.
  if (s.LastActive == static_cast<int>(Active)) return;
  s.LastActive = Active;
  if (s.Activation) s.Activation(Active);
}

bool ForegroundIsOurs() {
  DWORD process = 0;
  ::GetWindowThreadProcessId(::GetForegroundWindow(), &process);
  return process == ::GetCurrentProcessId();
}

}  // namespace

void NotifyActivation(bool Active) {
  Toolkit& s = State();
  const unsigned change = ++s.ActivationChange;
  if (Active) {
    DeliverActivation(true);
    return;
  }
  // Under Wine the keyboard passes from one of the program's windows to another through the
  // window manager: the program hears of a deactivation and, a moment later, of its activation.
  // A deactivation counts only when the program is still inactive after a moment (as Qt's X11
  // platform waits for a focus-in after a focus-out).
  StartTimer(
      kDeactivationSettleMs,
      [change] {
        if (State().ActivationChange == change && !ForegroundIsOurs()) DeliverActivation(false);
      },
      true);
}

UINT ActivateRequestMessage() {
  static const UINT message = ::RegisterWindowMessageA("Penvo activate");
  return message;
}

void SetActivateRequestHandler(std::function<void()> Handler) {
  State().ActivateRequest = std::move(Handler);
}

LRESULT HandleActivateRequest() {
  if (!State().ActivateRequest) return 0;
  // Sent from the other process, which waits for the answer: the work runs afterwards.
  // Wine answers where the mouse is from its own record for 100 ms after the last mouse event
  // it saw (a window moving under the pointer makes one), and that record is stale when the
  // pointer has left the program's windows since: under Wine the work waits until it has aged.
  if (UnderWine())
    StartTimer(kWineCursorRecordMs, State().ActivateRequest, true);
  else
    PostToUi(State().ActivateRequest);
  return kActivateAccepted;
}

}  // namespace penvo::win32

namespace penvo {

std::unique_ptr<TNativeApplication> NewNativeApplication(int& /*argc*/, char** /*argv*/,
                                                         std::function<void(bool)> Activation) {
  return std::make_unique<win32::ApplicationPeer>(std::move(Activation));
}

std::unique_ptr<TNativeTimer> NewNativeTimer(std::function<void()> Tick) {
  return std::make_unique<win32::TimerPeer>(std::move(Tick));
}

std::unique_ptr<TNativeShortcut> NewNativeShortcut(int VirtualKey, TNativeForm* Form,
                                                   std::function<void()> Fire) {
  return std::make_unique<win32::ShortcutPeer>(VirtualKey, Form, std::move(Fire));
}

}  // namespace penvo
