#include "platform/Forms.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <utility>

#include "platform/OsFiles.h"
#include "platform/qt/Bridge.h"
#include "platform/qt/ScreenGrab.h"
#include "platform/qt/WindowSystem.h"

namespace penvo {

using qt::ToQ;

namespace {

TApplication* gApplication = nullptr;

TShiftState ShiftOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
  TShiftState s;
  s.Shift = mods & Qt::ShiftModifier;
  s.Alt = mods & Qt::AltModifier;
  s.Ctrl = mods & Qt::ControlModifier;
  s.Left = buttons & Qt::LeftButton;
  s.Right = buttons & Qt::RightButton;
  s.Middle = buttons & Qt::MiddleButton;
  return s;
}

bool ButtonOf(Qt::MouseButton b, TMouseButton& out) {
  switch (b) {
    case Qt::LeftButton:
      out = TMouseButton::mbLeft;
      return true;
    case Qt::RightButton:
      out = TMouseButton::mbRight;
      return true;
    case Qt::MiddleButton:
      out = TMouseButton::mbMiddle;
      return true;
    default:
      return false;
  }
}

// The shortest time between two flushes of canvas drawing to the screen.
constexpr qint64 kFrameMs = 8;

// How long the window system may take to map, unmap or expose a window.
constexpr int kWindowDeadlineMs = 1500;

bool Exposed(QWidget* w) {
  return w->windowHandle() && w->windowHandle()->isExposed();
}

}  // namespace

namespace qt {
namespace {

// The top-level window of a form: shows the form's surface, passes input to the form.
class FormWidget : public QWidget, public ControlLink {
 public:
  explicit FormWidget(TForm* form) : ControlLink(form) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    // The context request comes with the right button's release (see mouseReleaseEvent), not
    // with its press as Qt does it on X11.
    setContextMenuPolicy(Qt::PreventContextMenu);
  }

  TForm* Form() const { return static_cast<TForm*>(Control()); }

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (!Form()) return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(event->rect(), Form()->Surface(), event->rect());
  }

  void resizeEvent(QResizeEvent*) override {
    if (!Form()) return;
    Form()->WindowMoved(x(), y(), width(), height());
    Form()->SurfaceResized();
  }

  void moveEvent(QMoveEvent*) override {
    if (Form()) Form()->WindowMoved(x(), y(), width(), height());
  }

  void mousePressEvent(QMouseEvent* e) override { Press(e, false); }
  void mouseDoubleClickEvent(QMouseEvent* e) override { Press(e, true); }

  void mouseMoveEvent(QMouseEvent* e) override {
    if (Form())
      Form()->DeliverMouseMove(ShiftOf(e->modifiers(), e->buttons()), e->position().toPoint().x(),
                               e->position().toPoint().y());
  }

  void mouseReleaseEvent(QMouseEvent* e) override {
    TMouseButton button;
    if (!Form() || !ButtonOf(e->button(), button)) return;
    const QPoint p = e->position().toPoint();
    Form()->DeliverMouseUp(button, ShiftOf(e->modifiers(), e->buttons() | e->button()), p.x(),
                           p.y());
    if (Form() && button == TMouseButton::mbRight) Form()->DeliverContextPopup({p.x(), p.y()});
  }

  void keyPressEvent(QKeyEvent* e) override {
    if (!Form()) return;
    if (e->key() == Qt::Key_Menu) {
      const QPoint p = mapFromGlobal(QCursor::pos());
      Form()->DeliverContextPopup({p.x(), p.y()});
      return;
    }
    const int typed = TypedChar(*e);
    if (typed >= 0)
      Form()->DeliverKey(static_cast<char>(typed));
    else
      QWidget::keyPressEvent(e);
  }

  // Tab moves the focus between the form's controls; where no control has it, the form
  // receives Tab as a typed character (9).
  bool focusNextPrevChild(bool next) override {
    if (focusWidget() == nullptr || focusWidget() == this) return false;
    return QWidget::focusNextPrevChild(next);
  }

  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    if (Form()) Form()->Close();
  }

 private:
  void Press(QMouseEvent* e, bool isDouble) {
    TMouseButton button;
    if (!Form() || !ButtonOf(e->button(), button)) return;
    TShiftState shift = ShiftOf(e->modifiers(), e->buttons());
    shift.Double = isDouble;
    const QPoint p = e->position().toPoint();
    Form()->DeliverMouseDown(button, shift, p.x(), p.y());
  }
};

}  // namespace
}  // namespace qt

struct TForm::Impl {
  QImage surface{1, 1, QImage::Format_RGB32};
  QImage beneath;        // the last picture of the screen beneath, in screen coordinates
  QPoint beneathOrigin;  // where that picture's top-left pixel lies on the screen
  TWindowState state = TWindowState::wsNormal;
  bool systemMenuOnly = false;
  // What canvas drawing changed since the window system was last told. Drawing only adds to
  // it; the screen gets it at most once a frame (a repaint of many thousand segments is one
  // update, and a 1 kHz mouse does not cost a thousand flushes a second).
  TRect dirty;
  bool flushQueued = false;
  QElapsedTimer sinceFlush;
};

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner), FImpl(std::make_unique<Impl>()) {
  SetWidget(std::make_unique<qt::FormWidget>(this));
  SetParentColor(false);
  SetColor(clBtnFace);
  SetVisible(false);
  SetBounds(0, 0, 320, 240);
  FCanvas.OnChange = [this](const TRect& r) {
    FImpl->dirty = FImpl->dirty.United(r);
    if (FImpl->flushQueued) return;
    FImpl->flushQueued = true;
    const qint64 since = FImpl->sinceFlush.isValid() ? FImpl->sinceFlush.elapsed() : kFrameMs;
    QTimer::singleShot(since >= kFrameMs ? 0 : static_cast<int>(kFrameMs - since), Qt::PreciseTimer,
                       Widget(), [this] {
                         FImpl->flushQueued = false;
                         FImpl->sinceFlush.start();
                         const TRect d = std::exchange(FImpl->dirty, TRect{});
                         // Painted and flushed now: update() would wait for Qt's own timer.
                         Widget()->repaint(QRect(d.Left, d.Top, d.Width(), d.Height()));
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

void TForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  Widget()->move(ALeft, ATop);
}

void TForm::WindowMoved(int ALeft, int ATop, int AWidth, int AHeight) {
  StoreBounds(ALeft, ATop, AWidth, AHeight);
  AlignControls();
}

void TForm::SetText(const std::string& Value) {
  TWinControl::SetText(Value);
  Widget()->setWindowTitle(ToQ(Value));
}

TWindowState TForm::WindowState() const {
  return FImpl->state;
}

void TForm::SetWindowState(TWindowState Value) {
  FImpl->state = Value;
  if (!IsVisible()) return;
  if (Value == TWindowState::wsMaximized)
    Widget()->showMaximized();
  else if (Value == TWindowState::wsMinimized)
    Widget()->showMinimized();
  else
    Widget()->showNormal();
}

void TForm::SetFormStyle(TFormStyle Value) {
  FFormStyle = Value;
  Widget()->setWindowFlag(Qt::WindowStaysOnTopHint, Value == TFormStyle::fsStayOnTop);
}

void TForm::SetSystemMenuOnly(bool Value) {
  FImpl->systemMenuOnly = Value;
  // A window with only a close box is a tool window: window managers then leave out the
  // minimize and maximize buttons and keep it off the task bar, where the main window stands
  // for the whole program.
  Qt::WindowFlags flags = Widget()->windowFlags() & Qt::WindowStaysOnTopHint;
  flags |=
      Value ? (Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
            : Qt::Window;
  Widget()->setWindowFlags(flags);
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
  QWidget* w = Widget();
  if (IsVisible()) {
    BringToFront();
    return;
  }
  TWinControl::SetVisible(true);
  if (OnShow) OnShow(this);
  if (!FWindowClass.empty())
    qt::SetWindowClass(w, qt::FromQ(QGuiApplication::applicationName()), FWindowClass);
  if (CaptureBeneath) {
    // The screen beneath, before this window covers it.
    const QPoint origin = qt::PrimaryScreenRect().topLeft();
    SetBeneath(qt::GrabScreen(), {origin.x(), origin.y()});
  }
  w->move(Left(), Top());
  if (FImpl->state == TWindowState::wsMaximized)
    w->showMaximized();
  else
    w->showNormal();
  w->raise();
  w->activateWindow();
  qt::WaitUntil([w] { return Exposed(w); }, kWindowDeadlineMs);
  FWasShown = true;
  PrepareSurface();
}

void TForm::Hide() {
  if (!IsVisible()) return;
  TWinControl::SetVisible(false);
  Widget()->hide();
}

void TForm::BringToFront() {
  QWidget* w = Widget();
  if (w->isMinimized()) qt::Deiconify(w);  // a maximized window comes back maximized
  w->raise();
  w->activateWindow();
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
  Widget()->update();
}

void TForm::EraseBackground() {
  FCanvas.FillRect({0, 0, FImpl->surface.width(), FImpl->surface.height()}, Color());
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

const QImage& TForm::Surface() const {
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
  const QSize size = Widget()->size().expandedTo(QSize(1, 1));
  if (FImpl->surface.size() == size) return;
  FImpl->surface = QImage(size, QImage::Format_RGB32);
  FImpl->surface.fill(qt::ToQColor(Color()));
  FCanvas.SetPixels({reinterpret_cast<std::uint32_t*>(FImpl->surface.bits()), size.width(),
                     size.height(), static_cast<int>(FImpl->surface.bytesPerLine() / 4)});
  if (FWasShown) PrepareSurface();
}

void TForm::SetBeneath(const QImage& Picture, TPoint Origin) {
  FImpl->beneath = Picture;  // shared, not copied
  FImpl->beneathOrigin = QPoint(Origin.X, Origin.Y);
}

void TForm::PrepareSurface() {
  QWidget* w = Widget();
  if (CaptureBeneath && !FImpl->beneath.isNull()) {
    // Lay the screen beneath under the surface, at the window's place on the screen.
    const QPoint origin = w->mapToGlobal(QPoint(0, 0)) - FImpl->beneathOrigin;
    QPainter painter(&FImpl->surface);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(FImpl->surface.rect(), qt::ToQColor(Color()));
    painter.drawImage(QPoint(0, 0), FImpl->beneath, QRect(origin, FImpl->surface.size()));
  }
  EraseBackground();
  Paint();
  w->update();
}

// TApplicationEvents

TApplicationEvents::TApplicationEvents(TComponent* AOwner) : TComponent(AOwner) {
  if (Application()) Application()->AddEvents(this);
}

TApplicationEvents::~TApplicationEvents() {
  if (Application()) Application()->RemoveEvents(this);
}

// TApplication

struct TApplication::Impl {
  std::unique_ptr<QApplication> app;
  bool deliveredActive = false;
  std::vector<TForm*> minimizedForms;  // visible forms that Minimize took off the screen
  std::vector<QSize> minimizedSizes;   // their sizes then
};

TApplication::TApplication(int& argc, char** argv)
    : TComponent(nullptr), FImpl(std::make_unique<Impl>()) {
  FImpl->app = std::make_unique<QApplication>(argc, argv);
  // Every mouse move the window system delivers must reach the forms: a quick zig-zag keeps
  // its corners only if no move is merged into the next. Set after the application is made:
  // the X11 platform plugin turns merging on while it starts.
  QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
  QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, false);
  QApplication::setQuitOnLastWindowClosed(false);
  gApplication = this;
  QObject::connect(FImpl->app.get(), &QGuiApplication::applicationStateChanged,
                   [this](Qt::ApplicationState state) {
                     const bool active = state == Qt::ApplicationActive;
                     if (active == FImpl->deliveredActive) return;
                     FImpl->deliveredActive = active;
                     for (TApplicationEvents* e : std::vector(FEvents)) {
                       if (active && e->OnActivate) e->OnActivate(e);
                       if (!active && e->OnDeactivate) e->OnDeactivate(e);
                     }
                   });
}

TApplication::~TApplication() {
  DestroyForms();
  TComponent::Destroy();
  gApplication = nullptr;
}

TApplication* Application() {
  return gApplication;
}

void TApplication::Run() {
  if (FMainForm && !FMainForm->IsVisible()) FMainForm->Show();
  // An end asked for while the main form came up (a signal, say) only ended the waits then.
  if (!FTerminated) QApplication::exec();
}

void TApplication::Terminate() {
  FTerminated = true;
  QCoreApplication::exit(0);
}

void TApplication::ProcessMessages() {
  QCoreApplication::processEvents();
}

std::vector<TForm*> TApplication::Forms() const {
  std::vector<TForm*> forms;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* f = dynamic_cast<TForm*>(Components(i))) forms.push_back(f);
  return forms;
}

void TApplication::Minimize() {
  if (FMinimized) return;
  FMinimized = true;
  FImpl->minimizedForms.clear();
  FImpl->minimizedSizes.clear();
  for (TForm* f : Forms())
    if (f->IsVisible()) {
      FImpl->minimizedForms.push_back(f);
      FImpl->minimizedSizes.push_back(f->Widget()->size());
      // Off the screen there is nothing to paint; the window manager may still resize it.
      f->MarkShown(false);
      qt::Iconify(f->Widget());
    }
  const auto gone = [this] {
    return std::none_of(FImpl->minimizedForms.begin(), FImpl->minimizedForms.end(),
                        [](TForm* f) { return Exposed(f->Widget()); });
  };
  if (!qt::WaitUntil(gone, kWindowDeadlineMs / 3)) {
    // Without a window manager a window cannot be minimized; it leaves the screen hidden.
    for (TForm* f : FImpl->minimizedForms)
      if (Exposed(f->Widget())) f->Widget()->hide();
    qt::WaitUntil(gone, kWindowDeadlineMs);
  }
  if (FImpl->deliveredActive) {
    FImpl->deliveredActive = false;
    for (TApplicationEvents* e : std::vector(FEvents))
      if (e->OnDeactivate) e->OnDeactivate(e);
  }
}

void TApplication::Restore() {
  if (!FMinimized) return;
  FMinimized = false;
  const bool needsPicture = std::any_of(FImpl->minimizedForms.begin(), FImpl->minimizedForms.end(),
                                        [](TForm* f) { return f->CaptureBeneath; });
  const QImage beneath = needsPicture ? qt::GrabSettledScreen() : QImage();
  const QPoint origin = qt::PrimaryScreenRect().topLeft();
  for (TForm* f : FImpl->minimizedForms) {
    // The picture is ready before the window shows, so that its first frame is the right one.
    if (f->CaptureBeneath) f->SetBeneath(beneath, {origin.x(), origin.y()});
    // Shown from here on: a size the window passes through while it comes back gets the new
    // picture too, never a bare background.
    f->MarkShown(true);
    f->PrepareSurface();
    qt::Deiconify(f->Widget());  // also a window that had to be hidden instead
  }
  // Back means shown at the size it had: a maximized window may be mapped at its normal size
  // first and enlarged by the window manager afterwards.
  const auto back = [this] {
    for (std::size_t i = 0; i < FImpl->minimizedForms.size(); ++i) {
      QWidget* w = FImpl->minimizedForms[i]->Widget();
      if (!Exposed(w) || w->size() != FImpl->minimizedSizes[i]) return false;
    }
    return true;
  };
  qt::WaitUntil(back, kWindowDeadlineMs);
  for (TForm* f : FImpl->minimizedForms) {
    // Once more where the window really is (it may have passed through other places).
    f->PrepareSurface();
  }
  if (FMainForm && FMainForm->IsVisible()) FMainForm->BringToFront();
  FImpl->minimizedForms.clear();
  if (!FImpl->deliveredActive) {
    FImpl->deliveredActive = true;
    for (TApplicationEvents* e : std::vector(FEvents))
      if (e->OnActivate) e->OnActivate(e);
  }
}

void TApplication::BringToFront() {
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
  QMessageBox box(QMessageBox::Critical, "Error", ToQ(Text));
  // One role for both keeps them in this order whatever the desktop's button layout says.
  QPushButton* cancel = box.addButton("Cancel", QMessageBox::ActionRole);
  box.addButton("Yes to &All", QMessageBox::ActionRole);
  box.setEscapeButton(cancel);
  box.setDefaultButton(static_cast<QPushButton*>(nullptr));
  for (QAbstractButton* b : box.buttons())
    if (auto* p = qobject_cast<QPushButton*>(b)) p->setAutoDefault(false);
  box.exec();
  return box.clickedButton() && box.clickedButton() != cancel ? TErrorAnswer::YesToAll
                                                              : TErrorAnswer::Cancel;
}

void TApplication::ShowException(const std::string& Message) {
  QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(),
                        ToQ(Message));
}

void TApplication::AddEvents(TApplicationEvents* Events) {
  FEvents.push_back(Events);
}

void TApplication::RemoveEvents(TApplicationEvents* Events) {
  std::erase(FEvents, Events);
}

TPoint MousePos() {
  const QPoint p = QCursor::pos();
  return {p.x(), p.y()};
}

int ScreenWidth() {
  return qt::PrimaryScreenRect().width();
}
int ScreenHeight() {
  return qt::PrimaryScreenRect().height();
}

}  // namespace penvo
