// The Win32 peers of the child controls: plain areas, labels, edits, combo boxes, check boxes
// and panels, and what all peers share (WindowPeer).
#include "platform/win32/Win32Toolkit.h"


#include <algorithm>
#include <cctype>
#include <map>

#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/StdCtrls.h"

namespace penvo::win32 {

namespace {

constexpr char kPeerProp[] = "PenvoPeer";
constexpr char kControlClass[] = "PenvoControl";
constexpr char kPanelClass[] = "PenvoPanel";

std::vector<WindowPeer*>& Registry() {
  static std::vector<WindowPeer*> peers;
  return peers;
}

COLORREF ToColorRef(std::uint32_t Rgb) {
  return RGB((Rgb >> 16) & 0xFF, (Rgb >> 8) & 0xFF, Rgb & 0xFF);
}

std::string WindowText(HWND Window) {
  std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(Window)) + 1, '\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextA(Window, text.data(),
                                                        static_cast<int>(text.size()))));
  return text;
}

bool HasFontFamily(const char* Face) {
  LOGFONTA wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(wanted.lfFaceName, Face, LF_FACESIZE);
  bool found = false;
  HDC dc = ::GetDC(nullptr);
  ::EnumFontFamiliesExA(
      dc, &wanted,
      [](const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM Found) -> int {
        *reinterpret_cast<bool*>(Found) = true;
        return 0;
      },
      reinterpret_cast<LPARAM>(&found), 0);
  ::ReleaseDC(nullptr, dc);
  return found;
}

// The caption without its "&" marks, as it shows.
std::string ShownCaption(const std::string& Caption) {
  std::string shown;
  for (std::size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&' && i + 1 < Caption.size()) ++i;
    shown += Caption[i];
  }
  return shown;
}

// The width of Text (one line, taken as it is) in Font.
int TextWidth(HWND Window, HFONT Font, const std::string& Text) {
  HDC dc = ::GetDC(Window);
  HGDIOBJ old = ::SelectObject(dc, Font);
  SIZE size{};
  ::GetTextExtentPoint32A(dc, Text.c_str(), static_cast<int>(Text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(Window, dc);
  return size.cx;
}

}  // namespace

HFONT FontOfHeight(int Pixels) {
  static std::map<int, HFONT> fonts;  // a few heights; they live as long as the program
  if (Pixels <= 0) return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  auto& font = fonts[Pixels];
  if (font) return font;
  // The classic dialog face; where it is not installed, the face the system's dialogs use.
  static const bool hasSansSerif = HasFontFamily("MS Sans Serif");
  LOGFONTA lf{};
  if (!hasSansSerif) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    lf = metrics.lfMessageFont;
  } else {
    lstrcpynA(lf.lfFaceName, "MS Sans Serif", LF_FACESIZE);
    lf.lfCharSet = DEFAULT_CHARSET;
  }
  lf.lfHeight = -Pixels;  // negative: the characters' height, as form descriptions mean it
  lf.lfWidth = 0;
  font = ::CreateFontIndirectA(&lf);
  return font;
}

TCursor CursorOf(HWND Window) {
  WindowPeer* peer = WindowPeer::Of(Window);
  return peer ? peer->Look().Cursor : TCursor::crDefault;
}

HCURSOR LoadCursorFor(TCursor Cursor) {
  switch (Cursor) {
    case TCursor::crHandPoint:
      return ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
    case TCursor::crIBeam:
      return ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM));
    case TCursor::crCross:
      return ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_CROSS));
    default:
      return ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  }
}

char MnemonicOf(const std::string& Caption) {
  for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] != '&')
      return static_cast<char>(std::tolower(static_cast<unsigned char>(Caption[i + 1])));
    ++i;  // "&&" shows one "&"
  }
  return 0;
}

int CharAssembler::Feed(unsigned char Byte) {
  // Only a UTF-8 code page splits a character over several messages; any other gives one
  // byte per character.
  static const bool utf8 = ::GetACP() == CP_UTF8;
  if (!utf8 || Byte < 0x80) {
    FPending = 0;
    FSequence.assign(1, static_cast<char>(Byte));
    return Byte;
  }
  if (Byte >= 0xC0 && Byte < 0xF8) {
    FPending = Byte >= 0xF0 ? 3 : Byte >= 0xE0 ? 2 : 1;
    FSequence.assign(1, static_cast<char>(Byte));
    return -1;
  }
  if (FPending == 0) {  // a stray continuation byte
    FSequence.assign(1, static_cast<char>(Byte));
    return '?';
  }
  FSequence += static_cast<char>(Byte);
  return --FPending == 0 ? '?' : -1;
}

// --- the shared window procedures ---

LRESULT CALLBACK PeerProc(HWND Window, UINT Msg, WPARAM W, LPARAM L) {
  if (Msg == WM_NCCREATE) {
    auto* peer = static_cast<WindowPeer*>(reinterpret_cast<CREATESTRUCTA*>(L)->lpCreateParams);
    if (peer) {
      peer->FHwnd = Window;
      ::SetPropA(Window, kPeerProp, peer);
    }
  }
  WindowPeer* peer = WindowPeer::Of(Window);
  if (!peer) return ::DefWindowProcA(Window, Msg, W, L);
  if (Msg == WM_NCDESTROY) {
    ::RemovePropA(Window, kPeerProp);
    peer->FHwnd = nullptr;
    return ::DefWindowProcA(Window, Msg, W, L);
  }
  return peer->Handle(Msg, W, L);
}

LRESULT CALLBACK SubclassProc(HWND Window, UINT Msg, WPARAM W, LPARAM L) {
  WindowPeer* peer = WindowPeer::Of(Window);
  if (!peer) return ::DefWindowProcA(Window, Msg, W, L);
  return peer->Handle(Msg, W, L);
}

void RegisterPeerClass(const char* Name, UINT Style, HCURSOR Cursor) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExA(Instance(), Name, &existing)) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = Style;
  wc.lpfnWndProc = PeerProc;
  wc.hInstance = Instance();
  wc.hCursor = Cursor;
  wc.hIcon = ::LoadIconA(Instance(), MAKEINTRESOURCEA(1));
  wc.lpszClassName = Name;
  ::RegisterClassExA(&wc);
}

// --- WindowPeer ---

WindowPeer::WindowPeer(TControl* Control) : FControl(Control) {
  Registry().push_back(this);
}

WindowPeer::~WindowPeer() {
  std::erase(Registry(), this);
  DropWindow();
}

void WindowPeer::DropWindow() {
  if (!FHwnd) return;
  RemoveTips();
  // Children that still lie here are parked, not destroyed with this window: they belong to
  // peers of their own.
  for (HWND child = ::GetWindow(FHwnd, GW_CHILD); child;) {
    HWND next = ::GetWindow(child, GW_HWNDNEXT);
    if (WindowPeer* peer = Of(child)) {
      peer->FParent = nullptr;
      ::ShowWindow(child, SW_HIDE);
      ::SetParent(child, ParkingWindow());
    }
    child = next;
  }
  HWND window = std::exchange(FHwnd, nullptr);
  ::RemovePropA(window, kPeerProp);
  if (FOriginal) ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FOriginal));
  ::DestroyWindow(window);
}

WindowPeer* WindowPeer::Of(HWND Window) {
  return Window ? static_cast<WindowPeer*>(::GetPropA(Window, kPeerProp)) : nullptr;
}

WindowPeer* WindowPeer::Of(TNativeControl* Native) {
  return dynamic_cast<WindowPeer*>(Native);
}

const std::vector<WindowPeer*>& WindowPeer::All() {
  return Registry();
}

void WindowPeer::CreateOwn(const char* ClassName, DWORD Style, DWORD ExStyle, HWND Parent) {
  ::CreateWindowExA(ExStyle, ClassName, "", Style, 0, 0, 0, 0, Parent, nullptr, Instance(), this);
}

void WindowPeer::CreateStandard(const char* ClassName, DWORD Style, DWORD ExStyle) {
  HWND window = ::CreateWindowExA(ExStyle, ClassName, "", Style | WS_CHILD | WS_CLIPSIBLINGS, 0, 0,
                                  0, 0, ParkingWindow(), nullptr, Instance(), nullptr);
  Adopt(window);
  // Subclassed: messages reach the peer first, the control's own procedure after it.
  FOriginal = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  PropagateFont();
}

void WindowPeer::Adopt(HWND Window) {
  FHwnd = Window;
  ::SetPropA(Window, kPeerProp, this);
}

LRESULT WindowPeer::CallOriginal(UINT Msg, WPARAM W, LPARAM L) {
  if (FOriginal) return ::CallWindowProcA(FOriginal, FHwnd, Msg, W, L);
  return ::DefWindowProcA(FHwnd, Msg, W, L);
}

bool WindowPeer::HandleParentMessage(UINT Msg, WPARAM W, LPARAM L, LRESULT& Result) {
  switch (Msg) {
    case WM_COMMAND:
      if (WindowPeer* child = Of(reinterpret_cast<HWND>(L))) {
        child->OnCommand(HIWORD(W));
        Result = 0;
        return true;
      }
      return false;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: {
      // A combo box's inner edit asks through the combo box: the colour is the combo box's.
      HWND from = reinterpret_cast<HWND>(L);
      WindowPeer* child = Of(from);
      if (!child) child = Of(::GetParent(from));
      if (!child) return false;
      Result = reinterpret_cast<LRESULT>(child->OnCtlColor(reinterpret_cast<HDC>(W)));
      return true;
    }
    default:
      return false;
  }
}

LRESULT WindowPeer::Handle(UINT Msg, WPARAM W, LPARAM L) {
  LRESULT result = 0;
  if (HandleParentMessage(Msg, W, L, result)) return result;
  if (Msg == WM_SETCURSOR && HandleCursor(W, L)) return TRUE;
  return CallOriginal(Msg, W, L);
}

bool WindowPeer::HandleCursor(WPARAM W, LPARAM L) {
  if (LOWORD(L) != HTCLIENT) return false;
  // Over this window, or over a child of ours that shows its parent's cursor (as a child
  // without a cursor of its own does in the Qt build).
  HWND under = reinterpret_cast<HWND>(W);
  const bool ours = under == FHwnd || (Of(under) && CursorOf(under) == TCursor::crDefault &&
                                       !Of(under)->FOriginal);
  if (!ours || FLook.Cursor == TCursor::crDefault) return false;
  ::SetCursor(LoadCursorFor(FLook.Cursor));
  return true;
}

HBRUSH WindowPeer::OnCtlColor(HDC Dc) {
  if (!FBrush) FBrush.reset(::CreateSolidBrush(ToColorRef(FLook.Rgb)));
  ::SetBkColor(Dc, ToColorRef(FLook.Rgb));
  ::SetTextColor(Dc, ::GetSysColor(FLook.Enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  return FBrush.get();
}

void WindowPeer::PlaceIn(WindowPeer* Parent) {
  if (!FHwnd) return;
  RemoveTips();
  FParent = Parent;
  ::SetParent(FHwnd, Parent ? Parent->Hwnd() : ParkingWindow());
  // The last placed lies on top, over the siblings placed before it (as in the Qt build);
  // Tab follows the order of placement, from the bottom up.
  ::SetWindowPos(FHwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::ShowWindow(FHwnd, Parent && FLook.Visible ? SW_SHOWNA : SW_HIDE);
  Rescale();  // the new parent may stand on a monitor of another scale
  UpdateTips();
}

void WindowPeer::Place(int Left, int Top, int Width, int Height) {
  const RECT r{Left, Top, Left + std::max(Width, 0), Top + std::max(Height, 0)};
  const int dpi = DpiOf(FHwnd);
  // Layout passes place most controls where they are already; under Wine each move costs a
  // round trip to the wine server, and a form's layout makes hundreds of them.
  if (!FHwnd || (FHwnd == FPlacedWindow && dpi == FPlacedDpi && ::EqualRect(&r, &FPlaced))) return;
  FPlacedWindow = FHwnd;
  FPlaced = r;
  FPlacedDpi = dpi;
  ::MoveWindow(FHwnd, ToDevice(r.left, dpi), ToDevice(r.top, dpi), ToDevice(r.right - r.left, dpi),
               ToDevice(r.bottom - r.top, dpi), TRUE);
}

void WindowPeer::Rescale() {
  // The rectangle as it was placed (a combo box's with its list): not through the overrides.
  if (FHwnd && FHwnd == FPlacedWindow && FPlacedDpi != DpiOf(FHwnd))
    WindowPeer::Place(FPlaced.left, FPlaced.top, FPlaced.right - FPlaced.left,
                      FPlaced.bottom - FPlaced.top);
  PropagateFont();
}

void WindowPeer::ApplyLook(const TControlLook& Look) {
  const bool colour = Look.Rgb != FLook.Rgb;
  const bool tip = Look.ToolTip != FLook.ToolTip;
  FLook = Look;
  if (!FHwnd) return;
  if (colour) FBrush.reset();
  ::EnableWindow(FHwnd, Look.Enabled);
  if (::GetWindowLongA(FHwnd, GWL_STYLE) & WS_CHILD)
    ::ShowWindow(FHwnd, FParent && Look.Visible ? SW_SHOWNA : SW_HIDE);
  if (colour) ::InvalidateRect(FHwnd, nullptr, TRUE);
  if (tip) UpdateTips();
}

void WindowPeer::ApplyFontHeight(int Pixels) {
  FFontHeight = std::abs(Pixels);
  PropagateFont();
}

HFONT WindowPeer::EffectiveFont() const {
  if (FFontHeight > 0 || !FParent)
    return FontOfHeight(FFontHeight > 0 ? ToDevice(FFontHeight, DpiOf(FHwnd)) : 0);
  return FParent->EffectiveFont();
}

void WindowPeer::PropagateFont() {
  if (!FHwnd) return;
  ::SendMessageA(FHwnd, WM_SETFONT, reinterpret_cast<WPARAM>(EffectiveFont()), TRUE);
  for (HWND child = ::GetWindow(FHwnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    if (WindowPeer* peer = Of(child); peer && peer->FFontHeight == 0) peer->PropagateFont();
}

bool WindowPeer::Focused() const {
  HWND focus = ::GetFocus();
  return FHwnd && (focus == FHwnd || (FOriginal && ::IsChild(FHwnd, focus)));
}

void WindowPeer::ApplyTabStop(bool Value) {
  FTabStop = Value;
  if (!FHwnd || !TakesTabFocus()) return;
  const LONG style = ::GetWindowLongA(FHwnd, GWL_STYLE);
  ::SetWindowLongA(FHwnd, GWL_STYLE, Value ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
}

std::string WindowPeer::EffectiveTip() const {
  if (!FLook.ToolTip.empty() || !FParent) return FLook.ToolTip;
  return FParent->EffectiveTip();
}

void WindowPeer::RemoveTips() {
  if (!FTipWindow) return;
  if (::IsWindow(FTipWindow)) {
    for (HWND tool : FTipTools) {
      TOOLINFOA info{};
      info.cbSize = TTTOOLINFOA_V2_SIZE;
      info.hwnd = tool;
      info.uId = reinterpret_cast<UINT_PTR>(tool);
      ::SendMessageA(FTipWindow, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
  }
  FTipWindow = nullptr;
  FTipTools.clear();
}

void WindowPeer::UpdateTips() {
  if (!FHwnd) return;
  RemoveTips();
  // A child without a tip of its own shows its parent's, as Qt passes a tip request up.
  std::string text = EffectiveTip();
  HWND tips = TipWindowOf(FHwnd);
  if (!text.empty() && tips) {
    FTipWindow = tips;
    FTipTools = TipWindows();
    for (HWND tool : FTipTools) {
      TOOLINFOA info{};
      info.cbSize = TTTOOLINFOA_V2_SIZE;
      // The tool is the window itself, watched by subclassing, so that no relaying is needed.
      info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      info.hwnd = tool;
      info.uId = reinterpret_cast<UINT_PTR>(tool);
      info.lpszText = text.data();
      ::SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
  }
  for (HWND child = ::GetWindow(FHwnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    if (WindowPeer* peer = Of(child); peer && peer != this) peer->UpdateTips();
}

std::vector<HWND> Children(HWND Parent) {
  std::vector<HWND> out;
  HWND child = ::GetWindow(Parent, GW_CHILD);
  for (child = child ? ::GetWindow(child, GW_HWNDLAST) : nullptr; child;
       child = ::GetWindow(child, GW_HWNDPREV))
    out.push_back(child);
  return out;
}

std::vector<HWND> Descendants(HWND Root) {
  std::vector<HWND> out;
  for (HWND child : Children(Root)) {
    if (!WindowPeer::Of(child)) continue;  // the inner parts of standard controls
    out.push_back(child);
    for (HWND inner : Descendants(child)) out.push_back(inner);
  }
  return out;
}

HWND NextTabStop(HWND Root, HWND Current, bool Backwards) {
  std::vector<HWND> stops;
  for (HWND w : Descendants(Root)) {
    WindowPeer* peer = WindowPeer::Of(w);
    if (peer->TakesTabFocus() && peer->TabStop() && ::IsWindowVisible(w) && ::IsWindowEnabled(w))
      stops.push_back(w);
  }
  if (stops.empty()) return nullptr;
  if (Backwards) std::reverse(stops.begin(), stops.end());
  auto at = std::find(stops.begin(), stops.end(), Current);
  if (at == stops.end() || ++at == stops.end()) return stops.front();
  return *at;
}

namespace {

// --- plain controls: tool bars and separators ---

class ControlPeer : public PeerOf<TNativeControl> {
 public:
  explicit ControlPeer(TControl* Control) : PeerOf(Control) {
    RegisterPeerClass(kControlClass, 0, ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    CreateOwn(kControlClass, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
              WS_EX_CONTROLPARENT, ParkingWindow());
  }

  LRESULT Handle(UINT Msg, WPARAM W, LPARAM L) override {
    if (Msg == WM_ERASEBKGND) {
      RECT r;
      ::GetClientRect(Hwnd(), &r);
      ::FillRect(reinterpret_cast<HDC>(W), &r, Brush());
      return 1;
    }
    return WindowPeer::Handle(Msg, W, L);
  }

 protected:
  HBRUSH Brush() {
    if (!FBrush) FBrush.reset(::CreateSolidBrush(ToColorRef(Look().Rgb)));
    return FBrush.get();
  }
};

// --- panels ---

class PanelPeer : public PeerOf<TNativePanel> {
 public:
  explicit PanelPeer(TPanel* Panel) : PeerOf(Panel) {
    RegisterPeerClass(kPanelClass, CS_HREDRAW | CS_VREDRAW,
                      ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    CreateOwn(kPanelClass, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
              WS_EX_CONTROLPARENT, ParkingWindow());
  }

  void SetBevel(TBevelCut Bevel) override {
    FBevel = Bevel;
    Repaint();
  }

  int NaturalWidth() const override {
    auto* panel = static_cast<TPanel*>(Control());
    if (!panel) return 0;
    const int bevel = FBevel == TBevelCut::bvNone ? 0 : kBevelWidth;
    const int text = TextWidth(Hwnd(), EffectiveFont(), ShownCaption(panel->GetText()));
    return ToLogicalCeil(text, DpiOf(Hwnd())) + 2 * (bevel + kCaptionMargin);
  }

  LRESULT Handle(UINT Msg, WPARAM W, LPARAM L) override {
    switch (Msg) {
      case WM_ERASEBKGND:
        return 1;  // WM_PAINT fills everything
      case WM_PAINT:
        Paint();
        return 0;
      case WM_LBUTTONDOWN:
        FPressed = true;
        ::SetCapture(Hwnd());
        return 0;
      case WM_LBUTTONUP:
        Release(L);
        return 0;
      case WM_CAPTURECHANGED:
        FPressed = false;
        return 0;
      default:
        return WindowPeer::Handle(Msg, W, L);
    }
  }

 private:
  void Paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(Hwnd(), &ps);
    RECT r;
    ::GetClientRect(Hwnd(), &r);
    HBRUSH brush = ::CreateSolidBrush(ToColorRef(Look().Rgb));
    ::FillRect(dc, &r, brush);
    ::DeleteObject(brush);
    if (FBevel == TBevelCut::bvRaised) ::DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
    if (FBevel == TBevelCut::bvLowered) ::DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    if (auto* panel = static_cast<TPanel*>(Control())) DrawCaption(dc, r, *panel);
    ::EndPaint(Hwnd(), &ps);
  }

  void DrawCaption(HDC Dc, RECT R, TPanel& Panel) {
    const std::string text = Panel.GetText();
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOCLIP;
    switch (Panel.Alignment()) {
      case TAlignment::taLeftJustify:
        format |= DT_LEFT;
        break;
      case TAlignment::taRightJustify:
        format |= DT_RIGHT;
        break;
      case TAlignment::taCenter:
        format |= DT_CENTER;
        break;
    }
    HGDIOBJ old = ::SelectObject(Dc, EffectiveFont());
    ::SetBkMode(Dc, TRANSPARENT);
    ::SetTextColor(Dc, ::GetSysColor(Look().Enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    ::InflateRect(&R, -kCaptionMargin, 0);
    ::DrawTextA(Dc, text.c_str(), static_cast<int>(text.size()), &R, format);
    ::SelectObject(Dc, old);
  }

  void Release(LPARAM L) {
    // A click is a left press and release over the panel.
    const bool wasPressed = FPressed;
    ::ReleaseCapture();
    RECT r;
    ::GetClientRect(Hwnd(), &r);
    const POINT p{static_cast<short>(LOWORD(L)), static_cast<short>(HIWORD(L))};
    if (wasPressed && ::PtInRect(&r, p) && Control()) Control()->Click();
  }

  static constexpr int kBevelWidth = 1;     // the one edge that DrawEdge draws
  static constexpr int kCaptionMargin = 1;  // between the bevel and the caption

  TBevelCut FBevel = TBevelCut::bvRaised;
  bool FPressed = false;
};

// --- labels ---

class LabelPeer : public PeerOf<TNativeLabel> {
 public:
  explicit LabelPeer(TLabel* Label) : PeerOf(Label) {
    CreateStandard("STATIC", WS_VISIBLE | SS_LEFT, 0);
  }

  void SetCaption(const std::string& Text) override {
    FCaption = Text;
    ::SetWindowTextA(Hwnd(), Text.c_str());
  }

  TPoint NaturalSize() const override {
    const std::string shown = ShownCaption(FCaption);
    HDC dc = ::GetDC(Hwnd());
    HGDIOBJ old = ::SelectObject(dc, EffectiveFont());
    SIZE size{};
    ::GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(Hwnd(), dc);
    const int dpi = DpiOf(Hwnd());
    return {ToLogicalCeil(size.cx, dpi), ToLogicalCeil(size.cy, dpi)};
  }

  void SetBuddy(TNativeControl* Buddy) override {
    WindowPeer* peer = WindowPeer::Of(Buddy);
    FBuddy = peer ? peer->Hwnd() : nullptr;
  }

  std::string MnemonicCaption() const override { return FCaption; }
  void OnMnemonic() override {
    if (FBuddy && ::IsWindow(FBuddy)) ::SetFocus(FBuddy);
  }

 private:
  std::string FCaption;
  HWND FBuddy = nullptr;
};

// --- one-line edits ---

class EditPeer : public PeerOf<TNativeEdit> {
 public:
  explicit EditPeer(TEdit* Edit) : PeerOf(Edit) {
    CreateStandard("EDIT", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
  }

  std::string Text() const override { return WindowText(Hwnd()); }

  void SetText(const std::string& Value) override {
    if (Value == Text()) return;
    // Told once, and whatever the control itself reports for a program's text.
    FSettingText = true;
    ::SetWindowTextA(Hwnd(), Value.c_str());
    FSettingText = false;
    if (auto* edit = static_cast<TEdit*>(Control())) edit->Change();
  }

  int SelStart() const override {
    DWORD start = 0, end = 0;
    ::SendMessageA(Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
  }

  int SelLength() const override {
    DWORD start = 0, end = 0;
    ::SendMessageA(Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
  }

  void SetSelection(int Start, int Length) override {
    ::SendMessageA(Hwnd(), EM_SETSEL, Start, Start + std::max(Length, 0));
  }

  bool TakesTabFocus() const override { return true; }

  void OnCommand(WORD Code) override {
    if (Code != EN_CHANGE || FSettingText) return;
    if (auto* edit = static_cast<TEdit*>(Control())) edit->Change();
  }

  LRESULT Handle(UINT Msg, WPARAM W, LPARAM L) override {
    if (Msg == WM_CHAR && Control()) return TypeChar(static_cast<unsigned char>(W), L);
    return WindowPeer::Handle(Msg, W, L);
  }

 private:
  // Every typed character goes to TEdit::KeyPress first, which may replace or swallow it.
  LRESULT TypeChar(unsigned char Byte, LPARAM L) {
    const int typed = FChars.Feed(Byte);
    if (typed < 0) return 0;  // the rest of the character is still to come
    const std::string bytes = FChars.Sequence();
    char key = static_cast<char>(typed);
    static_cast<TEdit*>(Control())->KeyPress(key);
    if (key == 0 || !Hwnd()) return 0;
    if (key != static_cast<char>(typed)) return CallOriginal(WM_CHAR, static_cast<unsigned char>(key), L);
    for (char b : bytes) CallOriginal(WM_CHAR, static_cast<unsigned char>(b), L);
    return 0;
  }

  bool FSettingText = false;
  CharAssembler FChars;
};

// --- combo boxes ---

class ComboPeer : public PeerOf<TNativeCombo> {
 public:
  explicit ComboPeer(TComboBox* Combo) : PeerOf(Combo) {
    CreateStandard("COMBOBOX", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                   0);
  }

  std::string Text() const override { return WindowText(Hwnd()); }

  void SetText(const std::string& Value) override {
    FQuiet = true;
    ::SetWindowTextA(Hwnd(), Value.c_str());
    FQuiet = false;
  }

  std::vector<std::string> Items() const override {
    std::vector<std::string> items;
    const int count = static_cast<int>(::SendMessageA(Hwnd(), CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) items.push_back(Item(i));
    return items;
  }

  void AddItem(const std::string& Item) override {
    ::SendMessageA(Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Item.c_str()));
  }

  void ClearItems() override {
    // CB_RESETCONTENT also empties the edit part; the text stays as it was.
    const std::string text = Text();
    ::SendMessageA(Hwnd(), CB_RESETCONTENT, 0, 0);
    SetText(text);
  }

  void Place(int Left, int Top, int Width, int Height) override {
    // A drop-down combo box's window height is that of its list when dropped; the closed box
    // takes the height its font gives.
    WindowPeer::Place(Left, Top, Width, Height + kListHeight);
  }

  int NaturalWidth() const override {
    const HFONT font = EffectiveFont();
    int text = TextWidth(Hwnd(), font, Text());
    for (const std::string& item : Items()) text = std::max(text, TextWidth(Hwnd(), font, item));
    // The edit part's own margins and a pixel for the caret, the combo box's border and the
    // padding around its edit part on each side, and the button.
    int margins = 0;
    if (HWND edit = InnerEdit()) {
      const LRESULT m = ::SendMessageA(edit, EM_GETMARGINS, 0, 0);
      margins = LOWORD(m) + HIWORD(m) + 1;
    }
    const int dpi = DpiOf(Hwnd());
    return ToLogicalCeil(text + margins + MetricForDpi(SM_CXVSCROLL, dpi), dpi) +
           2 * (kBorder + kEditPadding);
  }

  bool TakesTabFocus() const override { return true; }

  std::vector<HWND> TipWindows() const override {
    std::vector<HWND> windows{Hwnd()};
    if (HWND edit = InnerEdit()) windows.push_back(edit);
    return windows;
  }

  void OnCommand(WORD Code) override {
    if (FQuiet || (Code != CBN_EDITCHANGE && Code != CBN_SELCHANGE)) return;
    // At CBN_SELCHANGE the edit part still shows the old text; the choice is the new one.
    if (Code == CBN_SELCHANGE) ShowChoice();
    if (auto* combo = static_cast<TComboBox*>(Control())) combo->Change();
  }

 private:
  static constexpr int kListHeight = 160;
  static constexpr int kBorder = 2;       // the combo box's sunken edge
  static constexpr int kEditPadding = 1;  // between the edge and the edit part

  HWND InnerEdit() const { return ::FindWindowExA(Hwnd(), nullptr, "Edit", nullptr); }

  std::string Item(int Index) const {
    const LRESULT length = ::SendMessageA(Hwnd(), CB_GETLBTEXTLEN, Index, 0);
    if (length == CB_ERR) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    ::SendMessageA(Hwnd(), CB_GETLBTEXT, Index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
  }

  void ShowChoice() {
    const int chosen = static_cast<int>(::SendMessageA(Hwnd(), CB_GETCURSEL, 0, 0));
    if (chosen >= 0) SetText(Item(chosen));
  }

  bool FQuiet = false;
};

// --- check boxes ---

class CheckPeer : public PeerOf<TNativeCheck> {
  static constexpr int kFocusMargin = 1;

 public:
  explicit CheckPeer(TCheckBox* Check) : PeerOf(Check) {
    // BS_3STATE, not BS_AUTO3STATE: the click decides the next state itself (grayed only
    // where the box allows it).
    CreateStandard("BUTTON", WS_VISIBLE | WS_TABSTOP | BS_3STATE, 0);
  }

  std::string Caption() const override { return WindowText(Hwnd()); }
  void SetCaption(const std::string& Value) override { ::SetWindowTextA(Hwnd(), Value.c_str()); }

  TCheckBoxState State() const override {
    switch (::SendMessageA(Hwnd(), BM_GETCHECK, 0, 0)) {
      case BST_CHECKED:
        return TCheckBoxState::cbChecked;
      case BST_INDETERMINATE:
        return TCheckBoxState::cbGrayed;
      default:
        return TCheckBoxState::cbUnchecked;
    }
  }

  void SetState(TCheckBoxState Value) override {
    const WPARAM check = Value == TCheckBoxState::cbChecked  ? BST_CHECKED
                         : Value == TCheckBoxState::cbGrayed ? BST_INDETERMINATE
                                                             : BST_UNCHECKED;
    ::SendMessageA(Hwnd(), BM_SETCHECK, check, 0);  // the subclass tells of a change
  }

  void SetAlignment(TAlignment Value) override {
    // The box to the right, and the caption right next to it.
    const LONG style = ::GetWindowLongA(Hwnd(), GWL_STYLE) & ~(BS_LEFTTEXT | BS_RIGHT);
    ::SetWindowLongA(Hwnd(), GWL_STYLE,
                     Value == TAlignment::taLeftJustify ? (style | BS_LEFTTEXT | BS_RIGHT) : style);
    ::InvalidateRect(Hwnd(), nullptr, TRUE);
  }

  int NaturalWidth() const override {
    // The box, the gap the button leaves after it (half a digit's width, as it draws), the
    // caption, and the focus rectangle's pixel on either side of it.
    const HFONT font = EffectiveFont();
    const int gap = TextWidth(Hwnd(), font, "0") / 2;
    const int dpi = DpiOf(Hwnd());
    const int device = MetricForDpi(SM_CXMENUCHECK, dpi) + gap +
                       TextWidth(Hwnd(), font, ShownCaption(Caption()));
    return ToLogicalCeil(device, dpi) + 2 * kFocusMargin;
  }

  bool TakesTabFocus() const override { return true; }
  std::string MnemonicCaption() const override { return Caption(); }
  void OnMnemonic() override {
    ::SetFocus(Hwnd());
    ClickedByUser();
  }

  void OnCommand(WORD Code) override {
    if (Code == BN_CLICKED) ClickedByUser();
  }

  LRESULT Handle(UINT Msg, WPARAM W, LPARAM L) override {
    if (Msg != BM_SETCHECK) return WindowPeer::Handle(Msg, W, L);
    // Every change of state, whoever sets it, is told.
    const TCheckBoxState before = State();
    const LRESULT result = CallOriginal(Msg, W, L);
    if (State() != before)
      if (auto* box = static_cast<TCheckBox*>(Control())) box->StateChanged();
    return result;
  }

 private:
  // Unchecked, grayed (where allowed), checked, and round again.
  void ClickedByUser() {
    auto* box = static_cast<TCheckBox*>(Control());
    const bool grayed = box && box->AllowGrayed();
    switch (State()) {
      case TCheckBoxState::cbUnchecked:
        SetState(grayed ? TCheckBoxState::cbGrayed : TCheckBoxState::cbChecked);
        break;
      case TCheckBoxState::cbGrayed:
        SetState(TCheckBoxState::cbChecked);
        break;
      case TCheckBoxState::cbChecked:
        SetState(TCheckBoxState::cbUnchecked);
        break;
    }
  }
};

}  // namespace
}  // namespace penvo::win32

namespace penvo {

std::unique_ptr<TNativeControl> NewNativeControl(TControl* Control) {
  return std::make_unique<win32::ControlPeer>(Control);
}
std::unique_ptr<TNativeLabel> NewNativeLabel(TLabel* Label) {
  return std::make_unique<win32::LabelPeer>(Label);
}
std::unique_ptr<TNativeEdit> NewNativeEdit(TEdit* Edit) {
  return std::make_unique<win32::EditPeer>(Edit);
}
std::unique_ptr<TNativeCombo> NewNativeCombo(TComboBox* Combo) {
  return std::make_unique<win32::ComboPeer>(Combo);
}
std::unique_ptr<TNativeCheck> NewNativeCheck(TCheckBox* Check) {
  return std::make_unique<win32::CheckPeer>(Check);
}
std::unique_ptr<TNativePanel> NewNativePanel(TPanel* Panel) {
  return std::make_unique<win32::PanelPeer>(Panel);
}

}  // namespace penvo
