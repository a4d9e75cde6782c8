// Internal to platform/win32/: what the Win32 peers share. Every peer owns one window (HWND);
// the window finds its peer again through a window property, so that the messages a parent
// receives for a child (WM_COMMAND, WM_CTLCOLOR*) reach the child's peer.
//
// Texts go to the A functions as UTF-8: the manifest sets the active code page to UTF-8.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/Native.h"

namespace penvo::win32 {

HINSTANCE Instance();

// Messages of our own.
constexpr UINT kMsgCall = WM_APP + 1;     // lParam: a new std::function<void()> to run, then free
constexpr UINT kMsgPutBack = WM_APP + 2;  // to a form: back onto the monitor it is kept on

// Deletes a GDI object (font, brush, bitmap) when its owner goes.
struct GdiDeleter {
  void operator()(void* Object) const { ::DeleteObject(static_cast<HGDIOBJ>(Object)); }
};
using BrushPtr = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiDeleter>;
using BitmapPtr = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiDeleter>;
struct DcDeleter {
  void operator()(HDC Dc) const { ::DeleteDC(Dc); }
};
using MemoryDcPtr = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// The font of Pixels height, device pixels ("MS Sans Serif" where installed, the dialog font
// otherwise); made once per height and kept for the program's life. 0: the default GUI font.
HFONT FontOfHeight(int Pixels);

// The window that holds the windows of controls that have no parent now (never shown).
HWND ParkingWindow();
// The application's hidden window: timers, calls to run later, the session's end.
HWND HelperWindow();
// Registers one of our window classes (once) with the shared window procedure.
void RegisterPeerClass(const char* Name, UINT Style, HCURSOR Cursor);
// Runs Fn on the user-interface thread soon; callable from any thread.
bool PostToUi(std::function<void()> Fn);

// The picture of Area of the desktop: virtual-screen coordinates, in device pixels (the
// program is aware of each monitor's DPI, so nothing is scaled).
TImage GrabScreenArea(const TRect& Area);
// A monitor's rectangle on the desktop (the primary screen's when the monitor is gone).
TRect MonitorRect(HMONITOR Monitor);
// The monitor under the mouse pointer (the nearest one, should the pointer be on none).
HMONITOR MonitorUnderMouse();
// Whether the program runs under Wine, whose ntdll has functions of its own.
bool UnderWine();

// The desktop's scale (Dpi.cpp). The toolkit's geometry and font heights are logical pixels,
// device pixels * 96 / DPI, as Qt's are; surfaces, pictures of the screen and the mouse on a
// form stay in device pixels.
constexpr int kDesignDpi = 96;
// The DPI of the primary monitor (what a window gets before it stands anywhere else).
int SystemDpi();
// The DPI of the monitor Window stands on (a child: its top-level window's).
int DpiOf(HWND Window);
// GetSystemMetrics at Dpi, in device pixels.
int MetricForDpi(int Index, int Dpi);
int ToDevice(int Logical, int Dpi);
int ToLogical(int Device, int Dpi);
// Rounded up: a size that must hold what it measures.
int ToLogicalCeil(int Device, int Dpi);
// A point of the desktop between device and logical pixels: each monitor's top-left corner
// stays where it is and the monitor's DPI scales from there. Dpi (when given) receives the
// scale of the monitor that holds the point.
TPoint DesktopToLogical(POINT Device);
POINT DesktopToDevice(TPoint Logical, int* Dpi = nullptr);
// A monitor's rectangle in logical pixels.
TRect LogicalMonitorRect(HMONITOR Monitor);

// Tells the application of an activation change (WM_ACTIVATEAPP); repeats are dropped.
void NotifyActivation(bool Active);

// The message a later start sends the running instance's main window, and what the window
// answers when it will come to the front (0 when it no longer takes such requests).
UINT ActivateRequestMessage();
constexpr LRESULT kActivateAccepted = 0x50656E76;  // "Penv"
// Set by the single-instance claim; the main window runs it for each request.
void SetActivateRequestHandler(std::function<void()> Handler);
LRESULT HandleActivateRequest();

TCursor CursorOf(HWND Window);
HCURSOR LoadCursorFor(TCursor Cursor);

// The part of every peer that owns a window.
class WindowPeer {
 public:
  explicit WindowPeer(TControl* Control);
  virtual ~WindowPeer();
  WindowPeer(const WindowPeer&) = delete;
  WindowPeer& operator=(const WindowPeer&) = delete;

  HWND Hwnd() const { return FHwnd; }
  TControl* Control() const { return FControl; }
  const TControlLook& Look() const { return FLook; }
  // The peer of a window of ours (nullptr for any other window).
  static WindowPeer* Of(HWND Window);
  static WindowPeer* Of(TNativeControl* Native);
  // Every live peer, oldest first.
  static const std::vector<WindowPeer*>& All();

  // The message procedure of our own window classes; subclassed controls use Subclassed.
  virtual LRESULT Handle(UINT Msg, WPARAM W, LPARAM L);
  LRESULT CallOriginal(UINT Msg, WPARAM W, LPARAM L);

  // A notification that the parent received on this control's behalf.
  virtual void OnCommand(WORD /*Code*/) {}
  // The messages every parent of ours forwards to its children's peers (the hidden window
  // that holds controls without a parent too: edits tell it of their changes).
  static bool HandleParentMessage(UINT Msg, WPARAM W, LPARAM L, LRESULT& Result);
  // The background for WM_CTLCOLOR*: sets the colours on Dc, returns the brush.
  virtual HBRUSH OnCtlColor(HDC Dc);
  // Whether Tab may move the keyboard here.
  virtual bool TakesTabFocus() const { return false; }
  // The caption whose "&" letter reaches this control with Alt, and what the letter does.
  virtual std::string MnemonicCaption() const { return {}; }
  virtual void OnMnemonic() {}
  // The windows a tool tip shows over (a combo box has an edit inside).
  virtual std::vector<HWND> TipWindows() const { return {FHwnd}; }

  // The shared operations of TNativeControl.
  void Unlink() { FControl = nullptr; }
  void PlaceIn(WindowPeer* Parent);
  WindowPeer* ParentPeer() const { return FParent; }
  virtual void Place(int Left, int Top, int Width, int Height);
  virtual void ApplyLook(const TControlLook& Look);
  void ApplyFontHeight(int Pixels);
  // Places the window again and gives it its font at the scale of the monitor it stands on
  // now (it changed parent, or its form moved to a monitor of another scale).
  void Rescale();
  HFONT EffectiveFont() const;
  virtual bool Focused() const;
  void ApplyTabStop(bool Value);
  bool TabStop() const { return FTabStop; }
  // The tool tip shown over this control: its own, else the nearest parent's.
  std::string EffectiveTip() const;
  // Registers the tool tips of this control and its children with their form's tool tip window.
  void UpdateTips();

 protected:
  // Makes the window (the peer's own class or a standard control, which is then subclassed).
  void CreateOwn(const char* ClassName, DWORD Style, DWORD ExStyle, HWND Parent);
  void CreateStandard(const char* ClassName, DWORD Style, DWORD ExStyle);
  void Adopt(HWND Window);
  void DropWindow();
  // Sends the font to this window and the children that follow it.
  void PropagateFont();
  bool HandleCursor(WPARAM W, LPARAM L);

  HWND FHwnd = nullptr;
  WNDPROC FOriginal = nullptr;  // a subclassed standard control's own procedure
  BrushPtr FBrush;

 private:
  friend LRESULT CALLBACK PeerProc(HWND, UINT, WPARAM, LPARAM);
  friend LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);
  void RemoveTips();

  TControl* FControl;
  WindowPeer* FParent = nullptr;
  TControlLook FLook;
  int FFontHeight = 0;  // 0: the parent's font
  bool FTabStop = true;
  HWND FTipWindow = nullptr;     // where this control's tools are registered
  HWND FPlacedWindow = nullptr;  // the window that Place last moved, and where to
  RECT FPlaced{};                // logical pixels
  int FPlacedDpi = 0;
  std::vector<HWND> FTipTools;
};

// Implements TNativeControl's operations for a peer interface by the WindowPeer part.
template <class Interface>
class PeerOf : public Interface, public WindowPeer {
 public:
  explicit PeerOf(TControl* Control) : WindowPeer(Control) {}
  void Unlink() override { WindowPeer::Unlink(); }
  void SetParent(TNativeControl* Parent) override { PlaceIn(WindowPeer::Of(Parent)); }
  bool HasParent() const override { return ParentPeer() != nullptr; }
  void SetGeometry(int Left, int Top, int Width, int Height) override {
    Place(Left, Top, Width, Height);
  }
  void SetLook(const TControlLook& Look) override { ApplyLook(Look); }
  void SetFontHeight(int Pixels) override { ApplyFontHeight(Pixels); }
  void SetFocus() override { ::SetFocus(Hwnd()); }
  bool HasFocus() const override { return Focused(); }
  void SetTabStop(bool Value) override { ApplyTabStop(Value); }
  void Repaint() override { ::InvalidateRect(Hwnd(), nullptr, TRUE); }
};

// The tool tip window of the form that Window lies in (nullptr: none yet).
HWND TipWindowOf(HWND Window);

// Parent's child windows from the bottom of the z-order up: the order they were placed in.
std::vector<HWND> Children(HWND Parent);
// The program's windows in Root, depth first, each level in the order of placement.
std::vector<HWND> Descendants(HWND Root);
// The next (or previous) control after Current that Tab may give the keyboard; nullptr: none.
HWND NextTabStop(HWND Root, HWND Current, bool Backwards);
// The letter that "&" marks in Caption, lower case ("&&" is a plain "&"); 0: none.
char MnemonicOf(const std::string& Caption);

// What a WM_CHAR byte types, as one character: bytes of a UTF-8 sequence come one message
// each; the sequence's last byte gives '?' and the others give nothing (-1).
class CharAssembler {
 public:
  int Feed(unsigned char Byte);
  // The bytes of the character that Feed completed last (or is still collecting).
  const std::string& Sequence() const { return FSequence; }

 private:
  int FPending = 0;  // continuation bytes still to come
  std::string FSequence;
};

}  // namespace penvo::win32
