#include "platform/Forms.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/Native.h"
#include "platform/OsFiles.h"

namespace penvo {

namespace {

TApplication* gApplication = nullptr;

// The shortest time between two flushes of canvas drawing to the screen.
constexpr std::int64_t kFrameMs = 8;

// How long the window system may take to map, unmap or expose a window.
constexpr int kWindowDeadlineMs = 1500;

// How long the windows beneath may take to repaint once the program's windows left.
constexpr int kSettleDeadlineMs = 400;
constexpr int kSettleStepMs = 12;

TNativeApplication& App() {
  return *NativeApp();
}

// The screen beneath a window once it has settled: grabs until two grabs a short while apart
// agree, or the deadline passes (windows beneath repaint themselves after the program's
// windows left; they are other programs, only time tells).
TImage GrabSettledBeneath(TNativeForm& Window, TPoint& Origin) {
  const std::int64_t start = App().NowMs();
  // One picture at a time: the one before is known by its fingerprint.
  TImage picture = Window.GrabBeneath(Origin);
  std::uint64_t previous = PixelsFingerprint(picture.Pixels);
  for (;;) {
    App().WaitUntil([] { return false; }, kSettleStepMs);
    picture = TImage();
    picture = Window.GrabBeneath(Origin);
    const std::uint64_t next = PixelsFingerprint(picture.Pixels);
    if (next == previous || App().NowMs() - start >= kSettleDeadlineMs) return picture;
    previous = next;
  }
}

// Every pixel Color, without telling anyone (the surface is not on the screen yet, or is
// about to be put there whole).
void Fill(const TPixels& Pixels, TColor Color) {
  const std::uint32_t rgb = 0xFF000000u | ColorToRGB(Color);
  for (int y = 0; y < Pixels.Height; ++y) std::fill_n(Pixels.Row(y), Pixels.Width, rgb);
}

}  // namespace

TImage TNativeForm::GrabBeneath(TPoint& Origin) {
  const TRect r = App().PrimaryScreenRect();
  Origin = {r.Left, r.Top};
  return App().GrabScreen();
}


struct TForm::Impl {
  TPixels surface;
  TImage beneath;       // the last picture of the screen beneath, in screen coordinates
  TPoint beneathOrigin;  // where that picture's top-left pixel lies on the screen
  TWindowState state = TWindowState::wsNormal;
  // What canvas drawing changed since the window system was last told. Drawing only adds to
  // it; the screen gets it at most once a frame (a repaint of many thousand segments is one
  // update, and a 1 kHz mouse does not cost a thousand flushes a second).
  TRect dirty;
  bool flushQueued = false;
  std::int64_t lastFlushMs = std::numeric_limits<std::int64_t>::min() / 2;
  // A queued flush runs only while the form lives.
  std::shared_ptr<TForm*> alive;
};

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner), FImpl(std::make_unique<Impl>()) {
  FImpl->alive = std::make_shared<TForm*>(this);
  SetNative(NewNativeForm(this));
  SetParentColor(false);
  SetColor(clBtnFace);
  SetVisible(false);
  SetBounds(0, 0, 320, 240);
  FCanvas.OnChange = [this](const TRect& r) {
    FImpl->dirty = FImpl->dirty.United(r);
    if (FImpl->flushQueued || !NativeApp()) return;
    FImpl->flushQueued = true;
    const std::int64_t since = App().NowMs() - FImpl->lastFlushMs;
    const int wait = since >= kFrameMs ? 0 : static_cast<int>(kFrameMs - since);
    App().CallLater(wait, [weak = std::weak_ptr<TForm*>(FImpl->alive)] {
      if (auto form = weak.lock()) (*form)->FlushDrawing();
    });
  };
  SurfaceResized();
}

TForm::~TForm() = default;

const TPropTable& TForm::ClassProperties() {
  static const TPropTable table(
      &TWinControl::ClassProperties(),
      {TextProp("Caption", &TForm::GetText, &TForm::SetText), OtherProp("WindowState"),
       OtherProp("FormStyle"), OtherProp("BorderIcons"), OtherProp("OnCreate"),
       OtherProp("OnDestroy"), OtherProp("OnShow")});
  return table;
}

TNativeForm& TForm::Window() const {
  return *static_cast<TNativeForm*>(Native());
}

void TForm::FlushDrawing() {
  FImpl->flushQueued = false;
  FImpl->lastFlushMs = App().NowMs();
  // Painted and put on the screen now, not at the window system's next chance.
  Window().Flush(std::exchange(FImpl->dirty, TRect{}));
}

void TForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  Window().Move(ALeft, ATop);
}

TRect TForm::ClientRect() const {
  const TPoint size = Window().ClientSize();
  return {0, 0, size.X, size.Y};
}

void TForm::WindowMoved(int ALeft, int ATop, int AWidth, int AHeight) {
  StoreBounds(ALeft, ATop, AWidth, AHeight);
  AlignControls();
}

void TForm::SetText(const std::string& Value) {
  TWinControl::SetText(Value);
  Window().SetTitle(Value);
}

void TForm::SetWindowClass(const std::string& Value) {
  FWindowClass = Value;
  Window().SetWindowClass(Value);
}

TWindowState TForm::WindowState() const {
  return FImpl->state;
}

void TForm::SetWindowState(TWindowState Value) {
  FImpl->state = Value;
  if (!IsVisible()) return;
  if (Value == TWindowState::wsMinimized)
    Window().Iconify();
  else
    Window().ShowWindow(Value == TWindowState::wsMaximized);
}

void TForm::SetFormStyle(TFormStyle Value) {
  FFormStyle = Value;
  Window().SetStayOnTop(Value == TFormStyle::fsStayOnTop);
}

void TForm::SetSystemMenuOnly(bool Value) {
  Window().SetToolWindow(Value);
}

void TForm::SetTransparentStyle() {
  Window().SetTransparentStyle();
}

bool TForm::IsVisible() const {
  return Visible();
}

void TForm::SetVisible(bool Value) {
  if (Value)
    Show();
  else
    Hide();
}

void TForm::Show() {
  if (IsVisible()) {
    BringToFront();
    return;
  }
  TWinControl::SetVisible(true);
  if (OnShow) OnShow(this);
  // The screen beneath, before this window covers it.
  if (CaptureBeneath) {
    SetBeneath(TImage(), {});  // the old picture goes before the new one comes
    TPoint origin;
    TImage picture = Window().GrabBeneath(origin);
    SetBeneath(picture, origin);
  }
  Window().Move(Left(), Top());
  Window().ShowWindow(FImpl->state == TWindowState::wsMaximized);
  FWasShown = true;
  PrepareSurface();
}

void TForm::Hide() {
  if (!IsVisible()) return;
  TWinControl::SetVisible(false);
  Window().HideWindow();
}

void TForm::BringToFront() {
  Window().Activate();  // a minimized window comes back as it left
}

void TForm::Close() {
  if (Application() && Application()->MainForm() == this)
    Application()->Terminate();
  else
    Hide();
}

void TForm::Invalidate() {
  EraseBackground();
  Paint();
  Window().FlushAll();
}

void TForm::EraseBackground() {
  FCanvas.FillRect({0, 0, FImpl->surface.Width, FImpl->surface.Height}, Color());
}

void TForm::EndDescription() {
  std::vector<TComponent*> described;
  described.swap(FDescribed);
  for (TComponent* c : described) {
    // A component that cannot take its stored value (a settings store that fails to read)
    // keeps the value of its description; the user is told, and the form comes up.
    try {
      c->Loaded();
    } catch (const std::exception& e) {
      if (Application()) Application()->ShowException(e.what());
    }
  }
  if (OnCreate) OnCreate(this);
}

void TForm::Destroy() {
  // The window goes first, whoever frees the form: its controls learn it while all of them are
  // still in place, so that a control that saves at that moment still finds its parts.
  DestroyHandle();
  if (OnDestroy) OnDestroy(this);
  TWinControl::Destroy();
}

const TPixels& TForm::Surface() const {
  return FImpl->surface;
}

void TForm::DeliverMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TForm::DeliverMouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TForm::DeliverMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TForm::DeliverKey(char Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TForm::DeliverContextPopup(TPoint Pos) {
  bool handled = false;
  if (OnContextPopup) OnContextPopup(this, Pos, handled);
}

void TForm::SurfaceResized() {
  const TPoint size = Window().SurfaceSize();
  const int width = std::max(size.X, 1), height = std::max(size.Y, 1);
  if (FImpl->surface.Bits && FImpl->surface.Width == width && FImpl->surface.Height == height)
    return;
  FImpl->surface = Window().AllocateSurface(width, height);
  FCanvas.SetPixels(FImpl->surface);
  Fill(FImpl->surface, Color());
  if (FWasShown) PrepareSurface();
}

void TForm::SetBeneath(const TImage& Picture, TPoint Origin) {
  FImpl->beneath = Picture;  // shared, not copied
  FImpl->beneathOrigin = Origin;
}

void TForm::PrepareSurface() {
  if (CaptureBeneath && !FImpl->beneath.IsNull()) {
    // Lay the screen beneath under the surface, at the window's place on the screen.
    const TPoint client = Window().SurfaceOrigin();
    const TPoint at{FImpl->beneathOrigin.X - client.X, FImpl->beneathOrigin.Y - client.Y};
    Fill(FImpl->surface, Color());
    CopyPixels(FImpl->beneath.Pixels, at, FImpl->surface);
  }
  EraseBackground();
  Paint();
  Window().FlushAll();
}

// TApplicationEvents

TApplicationEvents::TApplicationEvents(TComponent* AOwner) : TComponent(AOwner) {
  if (Application()) Application()->AddEvents(this);
}

TApplicationEvents::~TApplicationEvents() {
  if (Application()) Application()->RemoveEvents(this);
}

// TApplication

namespace {
TNativeApplication* gNativeApp = nullptr;
}

TNativeApplication* NativeApp() {
  return gNativeApp;
}

struct TApplication::Impl {
  std::unique_ptr<TNativeApplication> native;
  bool deliveredActive = false;
  std::vector<TForm*> minimizedForms;  // visible forms that Minimize took off the screen
  std::vector<TPoint> minimizedSizes;  // their client sizes then
};

TApplication::TApplication(int& argc, char** argv)
    : TComponent(nullptr), FImpl(std::make_unique<Impl>()) {
  FImpl->native = NewNativeApplication(argc, argv, [this](bool active) { Activated(active); });
  gNativeApp = FImpl->native.get();
  gApplication = this;
}

TApplication::~TApplication() {
  DestroyForms();
  TComponent::Destroy();
  gApplication = nullptr;
  gNativeApp = nullptr;
}

TApplication* Application() {
  return gApplication;
}

void TApplication::Activated(bool Active) {
  if (Active == FImpl->deliveredActive) return;
  FImpl->deliveredActive = Active;
  for (TApplicationEvents* e : std::vector(FEvents)) {
    if (Active && e->OnActivate) e->OnActivate(e);
    if (!Active && e->OnDeactivate) e->OnDeactivate(e);
  }
}

void TApplication::Run() {
  if (FMainForm && !FMainForm->IsVisible()) FMainForm->Show();
  // An end asked for while the main form came up (a signal, say) only ended the waits then.
  if (!FTerminated) FImpl->native->Exec();
}

void TApplication::Terminate() {
  FTerminated = true;
  FImpl->native->Exit();
}

void TApplication::ProcessMessages() {
  FImpl->native->ProcessEvents();
}

std::vector<TForm*> TApplication::Forms() const {
  std::vector<TForm*> forms;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* f = dynamic_cast<TForm*>(Components(i))) forms.push_back(f);
  return forms;
}

bool TApplication::IsMinimized() const {
  // The window manager may bring the windows back by itself (the task bar, a window switcher):
  // then the program is on the screen again, whatever it asked for last.
  return FMinimized && !AnyMinimizedFormBack();
}

bool TApplication::AnyMinimizedFormBack() const {
  return std::any_of(FImpl->minimizedForms.begin(), FImpl->minimizedForms.end(),
                     [](TForm* f) { return f->Window().IsExposed(); });
}

void TApplication::Minimize() {
  if (IsMinimized()) return;
  FMinimized = true;
  TakeFormsOffScreen();
  Activated(false);
}

void TApplication::TakeFormsOffScreen() {
  FImpl->minimizedForms.clear();
  FImpl->minimizedSizes.clear();
  for (TForm* f : Forms())
    if (f->IsVisible()) {
      FImpl->minimizedForms.push_back(f);
      FImpl->minimizedSizes.push_back(f->Window().ClientSize());
      // Off the screen there is nothing to paint; the window manager may still resize it.
      f->MarkShown(false);
      f->Window().Iconify();
    }
  const auto gone = [this] { return !AnyMinimizedFormBack(); };
  if (!FImpl->native->WaitUntil(gone, kWindowDeadlineMs / 3)) {
    // Without a window manager a window cannot be minimized; it leaves the screen hidden.
    for (TForm* f : FImpl->minimizedForms)
      if (f->Window().IsExposed()) f->Window().HideInstead();
    FImpl->native->WaitUntil(gone, kWindowDeadlineMs);
  }
}

void TApplication::Restore() {
  if (!FMinimized) return;
  // Windows that the window manager brought back show an old picture, and the screen holds
  // them: they leave once more, so that the picture beneath is the desktop's own.
  if (AnyMinimizedFormBack()) TakeFormsOffScreen();
  FMinimized = false;
  for (TForm* f : FImpl->minimizedForms) {
    // The picture is ready before the window shows, so that its first frame is the right one.
    if (f->CaptureBeneath) {
      f->SetBeneath(TImage(), {});  // the old picture goes before the new one comes
      TPoint origin;
      TImage picture = GrabSettledBeneath(f->Window(), origin);
      f->SetBeneath(picture, origin);
    }
    // Shown from here on: a size the window passes through while it comes back gets the new
    // picture too, never a bare background.
    f->MarkShown(true);
    f->PrepareSurface();
    f->Window().Deiconify();  // also a window that had to be hidden instead
  }
  // Back means shown at the size it had: a maximized window may be mapped at its normal size
  // first and enlarged by the window manager afterwards.
  const auto back = [this] {
    for (std::size_t i = 0; i < FImpl->minimizedForms.size(); ++i) {
      const TNativeForm& w = FImpl->minimizedForms[i]->Window();
      if (!w.IsExposed() || !(w.ClientSize() == FImpl->minimizedSizes[i])) return false;
    }
    return true;
  };
  FImpl->native->WaitUntil(back, kWindowDeadlineMs);
  for (TForm* f : FImpl->minimizedForms) {
    // Once more where the window really is (it may have passed through other places).
    f->PrepareSurface();
  }
  if (FMainForm && FMainForm->IsVisible()) FMainForm->BringToFront();
  FImpl->minimizedForms.clear();
  Activated(true);
}

void TApplication::BringToFront() {
  // A start on another monitor brings the overlay there, over a fresh picture of that one.
  if (FMainForm && FMainForm->IsVisible() && FMainForm->CaptureBeneath &&
      FMainForm->WindowState() == TWindowState::wsMaximized &&
      !FMainForm->Window().OnMonitorUnderMouse()) {
    FMainForm->Window().MoveToMonitorUnderMouse();
    Minimize();
  }
  if (FMinimized) Restore();
  if (FMainForm) FMainForm->BringToFront();
}

std::string TApplication::ExeName() const {
  return os::ExePath();
}

void TApplication::DestroyForms() {
  while (true) {
    const std::vector<TForm*> forms = Forms();
    if (forms.empty()) break;
    TForm* newest = forms.back();
    if (newest == FMainForm) FMainForm = nullptr;
    FreeComponent(newest);
  }
}

TErrorAnswer TApplication::ShowWriteError(const std::string& Text) {
  return FImpl->native->ShowWriteError(Text);
}

void TApplication::ShowException(const std::string& Message) {
  FImpl->native->ShowException(Message);
}

void TApplication::AddEvents(TApplicationEvents* Events) {
  FEvents.push_back(Events);
}

void TApplication::RemoveEvents(TApplicationEvents* Events) {
  std::erase(FEvents, Events);
}

TPoint MousePos() {
  return NativeApp() ? NativeApp()->MousePos() : TPoint{};
}

int ScreenWidth() {
  return NativeApp() ? NativeApp()->PrimaryScreenRect().Width() : 0;
}
std::vector<TRect> Monitors() {
  return NativeApp() ? NativeApp()->Monitors() : std::vector<TRect>{};
}

int ScreenHeight() {
  return NativeApp() ? NativeApp()->PrimaryScreenRect().Height() : 0;
}

}  // namespace penvo
