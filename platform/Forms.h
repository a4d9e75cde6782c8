// Forms (top-level windows) and the application that runs them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Graphics.h"

namespace penvo {

class TApplication;
class TNativeForm;

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TFormStyle { fsNormal, fsStayOnTop };

using TMouseEvent =
    std::function<void(TPersistent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TPersistent* Sender, TShiftState Shift, int X, int Y)>;
using TContextPopupEvent = std::function<void(TPersistent* Sender, TPoint MousePos, bool& Handled)>;

// A top-level window. Its client area is a surface image that its canvas draws into; child
// controls lie above it.
//
// When a form comes onto the screen (shown or restored), the platform lays the picture beneath
// it under the surface if CaptureBeneath is set (the screen as it is without any of the
// program's windows), then runs EraseBackground (by default: fill with Color), then Paint.
// Canvas drawing puts only the changed rectangle on the screen. A window-system expose only
// shows the surface again; it never runs Paint.
class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* AOwner);
  ~TForm() override;
  std::string ClassName() const override { return "TForm"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();
  bool IsForm() const override { return true; }

  void SetText(const std::string& Value) override;  // the window's title
  // Left, Top, Width and Height are the window's frame on the screen (its client area where the
  // window system has no frame).
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  // The client area, where the form's controls are laid out.
  TRect ClientRect() const override;

  TWindowState WindowState() const;
  void SetWindowState(TWindowState Value);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  // Only a close box, no minimize or maximize box.
  void SetSystemMenuOnly(bool Value);
  // Asks the window system to paint what lies beneath the window first, where it can.
  void SetTransparentStyle();
  // The class name the window system knows the window by (X11 WM_CLASS); the program's name
  // when empty.
  void SetWindowClass(const std::string& Value);
  const std::string& WindowClass() const { return FWindowClass; }
  bool CaptureBeneath = false;

  // Makes the form visible and brings it to the front; runs OnShow when it was hidden.
  void Show();
  void Hide();
  bool IsVisible() const;
  void SetVisible(bool Value) override;
  // Brings a visible form to the front and gives it the keyboard.
  void BringToFront();
  // Closing the main form ends the program; closing another form hides it.
  void Close();

  TCanvas& Canvas() { return FCanvas; }
  // Redraws the whole surface: EraseBackground, then Paint.
  void Invalidate();

  TNotifyEvent OnCreate, OnDestroy, OnShow;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;  // may be set and cleared at any time
  TKeyPressEvent OnKeyPress;
  TContextPopupEvent OnContextPopup;

  // The loaded step of the form description: every component made by it is in the loading
  // state until Loaded runs for each of them, in the order they were made; then OnCreate.
  template <class T, class... Args>
  T* Make(Args&&... args) {
    T* c = NewComponent<T>(*this, std::forward<Args>(args)...);
    c->SetLoading();
    FDescribed.push_back(c);
    return c;
  }
  // Ends the description: the loaded steps, then OnCreate.
  void EndDescription();

  // The paint hook: draws the form's picture on its canvas.
  virtual void Paint() {}
  // The erase-background hook: by default fills the surface with the form's colour.
  virtual void EraseBackground();

  // Destroys the window first (DestroyHandle), then runs OnDestroy, then frees the controls.
  void Destroy() override;

  // --- used by the platform ---
  const TPixels& Surface() const;
  TNativeForm& Window() const;
  void DeliverMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  void DeliverMouseMove(TShiftState Shift, int X, int Y);
  void DeliverMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  void DeliverKey(char Key);
  void DeliverContextPopup(TPoint MousePos);
  // The picture of the screen that lies beneath the form (when CaptureBeneath is set).
  void SetBeneath(const TImage& Picture, TPoint Origin);
  // The window came onto the screen: the picture beneath, EraseBackground, Paint.
  void PrepareSurface();
  void SurfaceResized();
  // The window system moved or resized the window.
  void WindowMoved(int ALeft, int ATop, int AWidth, int AHeight);
  bool WasShown() const { return FWasShown; }
  void MarkShown(bool Value) { FWasShown = Value; }
  // Puts what canvas drawing changed on the screen.
  void FlushDrawing();

 private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
  TCanvas FCanvas;
  TFormStyle FFormStyle = TFormStyle::fsNormal;
  std::string FWindowClass;
  bool FWasShown = false;
  std::vector<TComponent*> FDescribed;
};

// Raised when the application becomes active or inactive (another program got the keyboard).
class TApplicationEvents : public TComponent {
 public:
  explicit TApplicationEvents(TComponent* AOwner);
  ~TApplicationEvents() override;
  std::string ClassName() const override { return "TApplicationEvents"; }
  TNotifyEvent OnActivate, OnDeactivate;
};

// Answers of the store chain's error dialog.
enum class TErrorAnswer { Cancel, YesToAll };

// The program: its forms (it owns them), the message loop, minimize and restore of all its
// windows together, activation events.
class TApplication : public TComponent {
 public:
  // Sets the window system up; argc and argv must outlive the application.
  TApplication(int& argc, char** argv);
  ~TApplication() override;
  std::string ClassName() const override { return "TApplication"; }
  bool IsApplication() const override { return true; }

  // Makes a form owned by the application; the first one made becomes the main form.
  template <class T, class... Args>
  T* CreateForm(Args&&... args) {
    T* form = NewComponent<T>(*this, std::forward<Args>(args)...);
    if (!FMainForm) FMainForm = form;
    return form;
  }
  TForm* MainForm() const { return FMainForm; }

  // Runs the message loop until the main form closes (or Terminate).
  void Run();
  // Ends the message loop, also when it has not started yet.
  void Terminate();
  // Handles the events that are waiting, then returns.
  void ProcessMessages();

  // All the program's windows leave the screen (as a minimize), and the call returns once
  // they really have; Restore brings them back, each over a fresh picture of the screen.
  void Minimize();
  void Restore();
  // Whether the program's windows are off the screen: minimized by the program, and not brought
  // back by the window manager since.
  bool IsMinimized() const;
  // Brings the main form to the front, restoring the program first if it is minimized.
  void BringToFront();

  // The full path of the program file.
  std::string ExeName() const;

  // Destroys the forms newest first, each after telling its controls that their windows go.
  void DestroyForms();

  // The modal error box of a failed settings write: title "Error", the error icon, Text, and
  // the buttons "Cancel" and "Yes to &All" (no default; Escape and closing answer Cancel).
  TErrorAnswer ShowWriteError(const std::string& Text);

  // Shows an error that nothing else handled, with the program's name as the title.
  void ShowException(const std::string& Message);

  // --- used by the platform ---
  void AddEvents(TApplicationEvents* Events);
  void RemoveEvents(TApplicationEvents* Events);
  std::vector<TForm*> Forms() const;
  // The window system tells that the program became active (true) or another one did.
  void Activated(bool Active);

 private:
  bool AnyMinimizedFormBack() const;
  // Iconifies every visible form and waits until the screen no longer shows them.
  void TakeFormsOffScreen();

  struct Impl;
  std::unique_ptr<Impl> FImpl;
  TForm* FMainForm = nullptr;
  bool FMinimized = false;
  bool FTerminated = false;
  std::vector<TApplicationEvents*> FEvents;
};

// The one application of the program (set while a TApplication lives).
TApplication* Application();

// The mouse position in screen coordinates.
TPoint MousePos();
// The primary screen's size in pixels.
int ScreenWidth();
int ScreenHeight();
// The rectangles of the desktop's monitors, the primary one first.
std::vector<TRect> Monitors();

}  // namespace penvo
