// Internal to platform/: the window-system side of the toolkit. The controls, forms and the
// application (Controls.h, Forms.h, ...) keep their state and rules once, in plain C++; each
// of them has a native peer that shows it. Every toolkit implementation (platform/qt/ over Qt,
// platform/win32/ over the Win32 API) implements these interfaces and the factories at the end.
//
// A peer calls back into its control only while linked: the control unlinks it before it goes,
// so that no late window-system event reaches a half-destroyed control.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Graphics.h"

namespace penvo {

class TControl;
class TWinControl;
class TLabel;
class TEdit;
class TComboBox;
class TCheckBox;
class TPanel;
class TToolBar;
class TForm;
class TApplication;
enum class TCursor;
enum class TAlignment;
enum class TBevelCut;
enum class TCheckBoxState;
enum class TErrorAnswer;

// How a control looks, as the shared code decides it.
struct TControlLook {
  std::string ToolTip;  // empty: none
  TCursor Cursor;
  bool Enabled = true;
  bool Visible = true;  // children only: a top-level window's visibility is the form's business
  std::uint32_t Rgb = 0;  // the background colour, 0x00RRGGBB
};

// The peer of every control: a child window, or a plain area within its parent.
class TNativeControl {
 public:
  virtual ~TNativeControl() = default;
  // No more calls back into the control.
  virtual void Unlink() = 0;
  // Places the peer in Parent's client area (nullptr takes it out: it leaves the screen).
  virtual void SetParent(TNativeControl* Parent) = 0;
  virtual bool HasParent() const = 0;
  // Position within the parent's client area, and size.
  virtual void SetGeometry(int Left, int Top, int Width, int Height) = 0;
  virtual void SetLook(const TControlLook& Look) = 0;
  // The font's height in pixels; children without a font of their own take it.
  virtual void SetFontHeight(int Pixels) = 0;
  virtual void SetFocus() = 0;
  virtual bool HasFocus() const = 0;
  // Whether Tab (and a window coming up) may give this control the keyboard.
  virtual void SetTabStop(bool Value) = 0;
  // Paints the control again (its caption or bevel changed).
  virtual void Repaint() = 0;
};

// A caption; its accelerator letter ("&") gives the buddy the keyboard.
class TNativeLabel : public TNativeControl {
 public:
  virtual void SetCaption(const std::string& Text) = 0;
  // The size the caption needs in the label's font.
  virtual TPoint NaturalSize() const = 0;
  virtual void SetBuddy(TNativeControl* Buddy) = 0;
};

// A one-line edit. Each change of its text calls TEdit::Change; each typed character calls
// TEdit::KeyPress first, which may replace or swallow it.
class TNativeEdit : public TNativeControl {
 public:
  virtual std::string Text() const = 0;
  // Tells of a different text through TEdit::Change.
  virtual void SetText(const std::string& Value) = 0;
  virtual int SelStart() const = 0;
  virtual int SelLength() const = 0;
  // Selects Length characters from Start (0: only the caret at Start).
  virtual void SetSelection(int Start, int Length) = 0;
};

// An editable drop-down list; typed changes and choices from the list call TComboBox::Change,
// text set by the program does not.
class TNativeCombo : public TNativeControl {
 public:
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& Value) = 0;
  virtual std::vector<std::string> Items() const = 0;
  // Adding or clearing items leaves the text as it is, and notifies nothing.
  virtual void AddItem(const std::string& Item) = 0;
  virtual void ClearItems() = 0;
  // The width that shows the text and every item whole, with the drop-down button.
  virtual int NaturalWidth() const = 0;
};

// A check box with three states; every change of state, the program's included, calls
// TCheckBox::StateChanged. A user's click cycles through grayed only where the box allows it.
class TNativeCheck : public TNativeControl {
 public:
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& Value) = 0;
  virtual TCheckBoxState State() const = 0;
  virtual void SetState(TCheckBoxState Value) = 0;
  // taLeftJustify puts the box to the right of the caption.
  virtual void SetAlignment(TAlignment Value) = 0;
  // The width the box and its caption need in the control's font.
  virtual int NaturalWidth() const = 0;
};

// A rectangle that paints its colour, bevel and caption (read from the TPanel when painting)
// and calls TControl::Click for a left press and release over it.
class TNativePanel : public TNativeControl {
 public:
  virtual void SetBevel(TBevelCut Bevel) = 0;
  // The width the caption needs within the bevel, in the panel's font ("&" not counted).
  virtual int NaturalWidth() const = 0;
};

// A top-level window. Its client area shows the form's surface; input goes to the form's
// Deliver* operations, moves and resizes to TForm::WindowMoved, a close request to TForm::Close.
class TNativeForm : public TNativeControl {
 public:
  virtual void SetTitle(const std::string& Text) = 0;
  virtual void SetStayOnTop(bool Value) = 0;
  // Only a close box: no minimize or maximize box, and no task bar entry of its own.
  virtual void SetToolWindow(bool Value) = 0;
  // The class name the window system knows the window by; set before the form shows.
  virtual void SetWindowClass(const std::string& Name) = 0;
  // Asks the window system to paint what lies beneath the window first (Windows'
  // WS_EX_TRANSPARENT, set by reading and writing the extended style); nothing elsewhere.
  virtual void SetTransparentStyle() = 0;
  // Places the window's frame at Left, Top.
  virtual void Move(int Left, int Top) = 0;
  // Puts the window on the screen (maximized or at its bounds), in front, with the keyboard;
  // returns once it is shown or a deadline passed.
  virtual void ShowWindow(bool Maximized) = 0;
  virtual void HideWindow() = 0;
  // Sends the window to the task bar (a maximized one stays maximized), and brings it back as
  // it left; a window that cannot be minimized (no window manager) is hidden instead.
  virtual void Iconify() = 0;
  virtual void Deiconify() = 0;
  virtual void HideInstead() = 0;
  // Whether the window is on the screen now.
  virtual bool IsExposed() const = 0;
  // Brings the window to the front and gives it the keyboard.
  virtual void Activate() = 0;
  // The client area: its size, and its top-left corner on the screen.
  virtual TPoint ClientSize() const = 0;
  virtual TPoint ClientOrigin() const = 0;
  // The surface: the client area in device pixels (the screen's own pixels, whatever the
  // desktop's scale), and its top-left corner on the desktop in device pixels.
  virtual TPoint SurfaceSize() const { return ClientSize(); }
  virtual TPoint SurfaceOrigin() const { return ClientOrigin(); }
  // The picture of the screen the window covers (a maximized window: the monitor it comes up
  // on), and where its top-left pixel lies on the desktop, in device pixels.
  virtual TImage GrabBeneath(TPoint& Origin);
  // Whether the window stands on the monitor under the mouse; moves it there (a maximized
  // window is maximized there), on the screen afterwards.
  virtual bool OnMonitorUnderMouse() const { return true; }
  virtual void MoveToMonitorUnderMouse() {}
  // Memory for a surface of this size (the window shows it, where it can straight from this
  // memory); valid until the next call, and the previous memory may go first.
  virtual TPixels AllocateSurface(int Width, int Height) = 0;
  // Shows Rect of the surface (device pixels) on the screen now.
  virtual void Flush(const TRect& Rect) = 0;
  virtual void FlushAll() = 0;
};

// The application's peer: the message loop and the desktop's services.
class TNativeApplication {
 public:
  virtual ~TNativeApplication() = default;
  // Runs the message loop until Exit.
  virtual void Exec() = 0;
  virtual void Exit() = 0;
  // Handles the events that are waiting, then returns.
  virtual void ProcessEvents() = 0;
  // Handles events (but no user input) until Done is true or DeadlineMs passed; returns Done().
  virtual bool WaitUntil(const std::function<bool()>& Done, int DeadlineMs) = 0;
  // Runs Fn once on the user-interface thread after Ms milliseconds (0: as soon as possible).
  virtual void CallLater(int Ms, std::function<void()> Fn) = 0;
  // Milliseconds from some fixed moment, for pacing.
  virtual std::int64_t NowMs() const = 0;
  // The primary screen's picture, and its rectangle on the desktop.
  virtual TImage GrabScreen() = 0;
  virtual TRect PrimaryScreenRect() const = 0;
  // Every monitor's rectangle on the desktop, the primary one first.
  virtual std::vector<TRect> Monitors() const { return {PrimaryScreenRect()}; }
  virtual TPoint MousePos() const = 0;
  // The store chain's error box (see TApplication::ShowWriteError).
  virtual TErrorAnswer ShowWriteError(const std::string& Text) = 0;
  virtual void ShowException(const std::string& Message) = 0;
};

// A repeating timer; calls Tick every interval while started.
class TNativeTimer {
 public:
  virtual ~TNativeTimer() = default;
  virtual void Start(int IntervalMs) = 0;
  virtual void Stop() = 0;
};

// A keyboard shortcut on a form's window: the key never becomes a typed character.
class TNativeShortcut {
 public:
  virtual ~TNativeShortcut() = default;
};

// The application's peer while a TApplication lives (nullptr before and after).
TNativeApplication* NativeApp();

// The factories, one implementation per toolkit.
std::unique_ptr<TNativeControl> NewNativeControl(TControl* Control);
std::unique_ptr<TNativeLabel> NewNativeLabel(TLabel* Label);
std::unique_ptr<TNativeEdit> NewNativeEdit(TEdit* Edit);
std::unique_ptr<TNativeCombo> NewNativeCombo(TComboBox* Combo);
std::unique_ptr<TNativeCheck> NewNativeCheck(TCheckBox* Check);
std::unique_ptr<TNativePanel> NewNativePanel(TPanel* Panel);
std::unique_ptr<TNativeForm> NewNativeForm(TForm* Form);
// Calls Activation(true) when the program becomes active, Activation(false) when another
// program does.
std::unique_ptr<TNativeApplication> NewNativeApplication(int& argc, char** argv,
                                                         std::function<void(bool)> Activation);
std::unique_ptr<TNativeTimer> NewNativeTimer(std::function<void()> Tick);
// VirtualKey as a TAction stores it: the key's code (vkF1 = 112, 'A'..'Z', '0'..'9') plus
// scShift, scCtrl and scAlt for the modifiers held with it.
std::unique_ptr<TNativeShortcut> NewNativeShortcut(int VirtualKey, TNativeForm* Form,
                                                   std::function<void()> Fire);

}  // namespace penvo
