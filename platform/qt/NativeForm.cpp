// The Qt peer of a form: a top-level widget that shows the form's surface and passes input on.
//
// A form that lays the screen beneath its surface (the overlay) covers the screen, and every
// copy of its pixels costs as much as the screen (33 MB at 3840x2160). On X with shared memory
// its surface is the very memory the window is shown from: Qt paints nothing of the window
// (WA_PaintOnScreen), so it keeps no backing store beside the surface, and pictures of the
// screen land in one picture beneath that is used again from grab to grab. Other forms, and the
// overlay where the X server cannot share memory, have Qt paint the surface into its own copy.
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <QtMath>
#include <algorithm>
#include <functional>
#include <optional>

#include "platform/Forms.h"
#include "platform/qt/Bridge.h"
#include "platform/qt/NativeControls.h"
#include "platform/qt/WindowSystem.h"

namespace penvo {

namespace qt {
namespace {

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

// How long the window system may take to map a window.
constexpr int kShowDeadlineMs = 1500;

// How long a note at the mouse stays.
constexpr int kNoteMs = 8000;
constexpr int kNoteDelayMs = 250;

// On Wayland a program cannot place its windows, and a window beside a full-screen one may be
// put behind it (sway) or anywhere the compositor likes. A form shown while the overlay is on
// the screen stands inside the overlay instead, in a frame of our own: a title bar with the
// form's caption and a close box, which moves it by dragging, and a thin border.
class InnerFrame : public QWidget {
 public:
  InnerFrame(QWidget* overlay, QWidget* form, std::function<void()> onClose)
      : QWidget(overlay), form_(form), onClose_(std::move(onClose)) {
    setObjectName("penvoInnerFrame");
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    form->setParent(this);
    form->move(kBorder, TitleHeight());
  }
  // The space the frame takes around the form's client area.
  QSize Decoration() const { return QSize(2 * kBorder, TitleHeight() + kBorder); }
  void FitToForm() {
    resize(form_->size() + Decoration());
    update();
  }
  // Gives the form back to be a window of its own (the overlay is going).
  void Release() {
    form_->hide();
    form_->setParent(nullptr);
  }
  std::function<void()> onMoved;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QRect title(0, 0, width(), TitleHeight());
    p.fillRect(title, palette().color(QPalette::Highlight));
    p.setPen(palette().color(QPalette::HighlightedText));
    p.drawText(title.adjusted(6, 0, -TitleHeight(), 0), Qt::AlignVCenter | Qt::AlignLeft,
               form_->windowTitle());
    // The close box: a cross in the title bar's last square.
    const QRect box = CloseBox().adjusted(6, 6, -6, -6);
    p.setPen(QPen(palette().color(QPalette::HighlightedText), 2));
    p.drawLine(box.topLeft(), box.bottomRight());
    p.drawLine(box.topRight(), box.bottomLeft());
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) return;
    if (CloseBox().contains(e->position().toPoint())) {
      closing_ = true;
      return;
    }
    if (e->position().y() < TitleHeight()) grab_ = e->position().toPoint();
    raise();
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    if (!grab_) return;
    const QRect room = parentWidget()->rect();
    QPoint to = mapToParent(e->position().toPoint()) - *grab_;
    // The title bar stays within the overlay, where it can be taken again.
    to.setX(qBound(room.left() - width() + 3 * TitleHeight(), to.x(), room.right() - 3 * TitleHeight()));
    to.setY(qBound(room.top(), to.y(), room.bottom() - TitleHeight()));
    move(to);
    if (onMoved) onMoved();
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    grab_.reset();
    if (closing_ && CloseBox().contains(e->position().toPoint()) && onClose_) onClose_();
    closing_ = false;
  }

 private:
  static constexpr int kBorder = 1;
  int TitleHeight() const { return fontMetrics().height() + 10; }
  QRect CloseBox() const {
    return QRect(width() - TitleHeight(), 0, TitleHeight(), TitleHeight());
  }

  QWidget* form_;
  std::function<void()> onClose_;
  std::optional<QPoint> grab_;
  bool closing_ = false;
};

class FormPeer : public Peer<QWidget, TNativeForm> {
 public:
  explicit FormPeer(TForm* form) : Peer(form) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    // The context request comes with the right button's release (see mouseReleaseEvent), not
    // with its press as Qt does it on X11.
    setContextMenuPolicy(Qt::PreventContextMenu);
  }

  TForm* Form() const { return static_cast<TForm*>(Control()); }

  void SetTitle(const std::string& Text) override { setWindowTitle(ToQ(Text)); }
  ~FormPeer() override {
    // Forms inside this one become windows again before Qt would delete them with it; a form
    // inside another leaves its frame.
    for (QObject* child : children())
      if (child->objectName() == "penvoInnerFrame") static_cast<InnerFrame*>(child)->Release();
    if (frame_) {
      InnerFrame* frame = frame_;
      frame_ = nullptr;
      frame->Release();
      delete frame;
    }
  }

  void SetStayOnTop(bool Value) override {
    topFlags_.setFlag(Qt::WindowStaysOnTopHint, Value);
    if (!frame_) setWindowFlag(Qt::WindowStaysOnTopHint, Value);
  }
  void SetToolWindow(bool Value) override {
    // A window with only a close box is a tool window: window managers then leave out the
    // minimize and maximize buttons and keep it off the task bar, where the main window stands
    // for the whole program.
    Qt::WindowFlags flags = topFlags_ & Qt::WindowStaysOnTopHint;
    flags |= Value ? (Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                      Qt::WindowCloseButtonHint)
                   : Qt::Window;
    topFlags_ = flags;
    if (frame_) return;  // a form inside the overlay has our frame
    setWindowFlags(flags);
    if (Value) qt::OfferOnlyClose(this);
  }
  // The X11 class is a property of the window, which exists once it shows.
  void SetWindowClass(const std::string& Name) override { windowClass_ = Name; }
  // No such style here: the overlay lays its picture of the screen beneath itself.
  void SetTransparentStyle() override {}
  // Width and Height are the frame's; the client area is what the window manager's frame
  // leaves (all of it until the window is framed).
  void SetGeometry(int, int, int Width, int Height) override {
    frameSize_ = QSize(Width, Height);
    FitClientToFrame();
  }
  void Move(int Left, int Top) override {
    if (frame_) {
      frame_->move(frame_->parentWidget()->mapFromGlobal(QPoint(Left, Top)));
      TellBounds();
    } else {
      move(Left, Top);
    }
  }
  bool HasParent() const override { return false; }  // a form is a window, also inside another

  void ShowWindow(bool Maximized) override {
    if (!Maximized && (frame_ || EmbedInOverlay())) {
      frame_->FitToForm();
      frame_->show();
      frame_->raise();
      show();
      TellBounds();
      return;
    }
    // A maximized window comes up on the monitor under the mouse the first time.
    if (Maximized && !shownOnce_) MoveOnto(ScreenUnderMouse());
    shownOnce_ = true;
    if (!windowClass_.empty())
      qt::SetWindowClass(this, FromQ(QGuiApplication::applicationName()), windowClass_);
    if (Maximized && InWaylandSession()) {
      // A Wayland window cannot cover the screen by being maximized: the panels stay, and a
      // desktop that leaves decorations to the program (GNOME) has Qt draw a title bar. Full
      // screen covers the output the window is on, as the picture beneath does.
      showFullScreen();
    } else if (Maximized) {
      showMaximized();
    } else
      showNormal();
    raise();
    activateWindow();
    FirstWindowShown();
    WaitUntil([this] { return IsExposed(); }, kShowDeadlineMs);
    ShowPendingNote();
    // Now framed: the frame, not the client area, takes the size asked for.
    if (!Maximized) FitClientToFrame();
  }
  void HideWindow() override {
    if (frame_)
      frame_->hide();
    else
      hide();
  }
  void Iconify() override {
    if (frame_) {  // leaves with the overlay, or by itself
      frame_->hide();
      return;
    }
    if (!OnWaylandPlatform()) {
      qt::Iconify(this);
      return;
    }
    // A Wayland compositor does not tell a client whether its window is minimized, and some
    // have no minimize at all (sway, where the window then stays on its workspace): the window
    // counts as off the screen once asked. A picture of the desktop taken meanwhile unmaps it
    // first (GrabBeneath).
    minimizeAsked_ = true;
    showMinimized();
  }
  void Deiconify() override {
    if (frame_) {
      frame_->show();
      frame_->raise();
    } else if (OnWaylandPlatform()) {
      minimizeAsked_ = false;
      setWindowState(windowState() & ~Qt::WindowMinimized);
      show();
      raise();
      activateWindow();
    } else {
      qt::Deiconify(this);
    }
    ShowPendingNote();
  }
  void HideInstead() override { HideWindow(); }
  bool IsExposed() const override {
    if (frame_) return frame_->isVisible() && isVisible() && window()->windowHandle() &&
                       window()->windowHandle()->isExposed();
    return windowHandle() && windowHandle()->isExposed() && !minimizeAsked_;
  }
  void Activate() override {
    if (frame_) {
      frame_->raise();
      window()->activateWindow();
      return;
    }
    if (isMinimized()) qt::Deiconify(this);  // a maximized window comes back maximized
    raise();
    activateWindow();
  }
  TPoint ClientSize() const override { return {width(), height()}; }
  TPoint ClientOrigin() const override {
    const QPoint p = mapToGlobal(QPoint(0, 0));
    return {p.x(), p.y()};
  }
  // Qt places windows in device-independent pixels; the surface has one pixel per pixel of
  // the screen at any scale, so that the picture beneath shows whole and a line of width 1 is
  // one pixel wide.
  TPoint SurfaceSize() const override {
    const qreal dpr = devicePixelRatioF();
    return {qRound(width() * dpr), qRound(height() * dpr)};
  }
  TPoint SurfaceOrigin() const override {
    const_cast<FormPeer*>(this)->UpdateOrigin();
    return {origin_.x(), origin_.y()};
  }
  TImage GrabBeneath(TPoint& Origin) override {
    QScreen* screen = shownOnce_ ? Screen() : ScreenUnderMouse();
    Origin = {screen->geometry().x(), screen->geometry().y()};
    if (InWaylandSession()) {
      // Neither a Wayland client nor an X client under XWayland can read other programs'
      // pixels; the desktop portal hands over a picture. Without one the overlay shows a plain
      // background, and a note says why once it is on the screen.
      LeaveScreen();
      std::string why;
      TImage picture = PortalGrab(screen, why);
      if (picture.IsNull()) note_ = "Penvo has no picture of the desktop: " + why + ".";
      return picture;
    }
    TImage picture = GrabShared(screen);
    return picture.IsNull() ? GrabScreen(screen) : picture;
  }
  bool OnMonitorUnderMouse() const override { return Screen() == ScreenUnderMouse(); }
  void MoveToMonitorUnderMouse() override {
    // Window managers maximize a window on the monitor it stands on: it comes back at its
    // normal size, moves there, and is maximized again (the caller takes it off the screen
    // again for a fresh picture).
    QScreen* target = ScreenUnderMouse();
    showNormal();
    const QRect room = target->availableGeometry();
    move(room.topLeft() + QPoint(room.width() / 8, room.height() / 8));
    WaitUntil([this, target] { return IsExposed() && Screen() == target; }, kShowDeadlineMs);
    showMaximized();
    WaitUntil([this, room] { return IsExposed() && frameGeometry().size() == room.size(); },
              kShowDeadlineMs);
  }
  TPixels AllocateSurface(int Width, int Height) override {
    // The old surface goes before the new one comes.
    shared_.reset();
    surface_ = QImage();
    if (ShowsSurfaceItself()) shared_ = SharedImage::Make(Width, Height);
    setAttribute(Qt::WA_PaintOnScreen, shared_ != nullptr);
    if (shared_) return shared_->Pixels();
    surface_ = QImage(Width, Height, QImage::Format_RGB32);
    surface_.setDevicePixelRatio(devicePixelRatioF());
    return {reinterpret_cast<std::uint32_t*>(surface_.bits()), Width, Height,
            static_cast<int>(surface_.bytesPerLine() / 4)};
  }
  void Flush(const TRect& r) override {
    if (r.IsEmpty()) return;
    if (shared_) {
      shared_->Put(this, QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)));
      return;
    }
    // The device pixels' rectangle, widened to whole device-independent pixels.
    const qreal dpr = devicePixelRatioF();
    const QRect logical(QPoint(qFloor(r.Left / dpr), qFloor(r.Top / dpr)),
                        QPoint(qCeil(r.Right / dpr), qCeil(r.Bottom / dpr)));
    repaint(logical.adjusted(0, 0, -1, -1));
  }
  void FlushAll() override {
    if (shared_)
      shared_->Put(this, QRect(0, 0, shared_->Pixels().Width, shared_->Pixels().Height));
    else
      update();
  }

 protected:
  // Painted by us alone while the window shows the surface itself.
  QPaintEngine* paintEngine() const override {
    return shared_ ? nullptr : QWidget::paintEngine();
  }

  void paintEvent(QPaintEvent* event) override {
    if (!Form()) return;
    if (shared_) {
      for (const QRect& r : event->region()) shared_->Put(this, ToDeviceRect(r));
      return;
    }
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // The surface carries the device pixel ratio: drawn at the origin it covers the window
    // pixel for pixel; the paint event's region clips it.
    painter.setClipRegion(event->region());
    painter.drawImage(QPoint(0, 0), surface_);
  }

  void resizeEvent(QResizeEvent*) override {
    if (!Form()) return;
    UpdateOrigin();
    TellBounds();
    Form()->SurfaceResized();
  }

  void moveEvent(QMoveEvent*) override {
    UpdateOrigin();
    if (Form()) TellBounds();
  }

  void mousePressEvent(QMouseEvent* e) override { Press(e, false); }
  void mouseDoubleClickEvent(QMouseEvent* e) override { Press(e, true); }

  void mouseMoveEvent(QMouseEvent* e) override {
    lastMouse_ = e->position().toPoint();
    if (!Form()) return;
    const QPoint p = DevicePos(e);
    Form()->DeliverMouseMove(ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
  }

  void mouseReleaseEvent(QMouseEvent* e) override {
    TMouseButton button;
    if (!Form() || !ButtonOf(e->button(), button)) return;
    const QPoint p = DevicePos(e);
    Form()->DeliverMouseUp(button, ShiftOf(e->modifiers(), e->buttons() | e->button()), p.x(),
                           p.y());
    if (Form() && button == TMouseButton::mbRight) Form()->DeliverContextPopup({p.x(), p.y()});
  }

  void keyPressEvent(QKeyEvent* e) override {
    if (!Form()) return;
    if (e->key() == Qt::Key_Menu) {
      const QPoint p = ToDevicePixels(mapFromGlobal(QCursor::pos()));
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

  void enterEvent(QEnterEvent* e) override {
    pointerInside_ = true;
    lastMouse_ = e->position().toPoint();
  }
  void leaveEvent(QEvent*) override { pointerInside_ = false; }

  bool event(QEvent* e) override {
    // Brought back by the compositor (its task bar, a window switcher): on the screen again.
    if (e->type() == QEvent::WindowActivate) minimizeAsked_ = false;
    return QWidget::event(e);
  }

  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    if (Form()) Form()->Close();
  }

 private:
  // The pixel of the screen under the mouse, in the window's device pixels. Qt's global
  // position is the device position scaled exactly; its window-local one is not, at a scale
  // where the window's place is no whole device-independent pixel.
  QPoint DevicePos(const QMouseEvent* e) const {
    const QScreen* s = Screen();
    const QPointF o = s->geometry().topLeft();
    const QPointF d = o + (e->globalPosition() - o) * s->devicePixelRatio();
    return QPoint(qFloor(d.x() + 1e-6), qFloor(d.y() + 1e-6)) - origin_;
  }
  // The client area's top-left on the screen in device pixels, as the window system has it.
  void UpdateOrigin() {
    if (!NativeClientOrigin(this, origin_)) origin_ = ToDevice(mapToGlobal(QPoint(0, 0)), Screen());
  }
  // The device pixels that a rectangle of device-independent ones covers, partly or whole.
  QRect ToDeviceRect(const QRect& r) const {
    const qreal dpr = devicePixelRatioF();
    return QRect(QPoint(qFloor(r.left() * dpr), qFloor(r.top() * dpr)),
                 QPoint(qCeil((r.right() + 1) * dpr) - 1, qCeil((r.bottom() + 1) * dpr) - 1));
  }
  // Whether the window is shown from the surface's own memory: a form that lays the screen
  // beneath it has no controls that Qt would paint.
  bool ShowsSurfaceItself() const {
    return Form() && Form()->CaptureBeneath && findChildren<QWidget*>().isEmpty();
  }
  // The screen's picture in memory shared with the X server, as large as the screen in device
  // pixels; the last picture's memory is used again once nobody holds that picture any more.
  // A null picture where the X server cannot share memory.
  TImage GrabShared(QScreen* screen) {
    const QRect area = screen->geometry();
    const qreal dpr = screen->devicePixelRatio();
    const int width = qRound(area.width() * dpr), height = qRound(area.height() * dpr);
    if (beneath_.use_count() > 1 || (beneath_ && (beneath_->Pixels().Width != width ||
                                                  beneath_->Pixels().Height != height)))
      beneath_.reset();
    if (!beneath_) beneath_ = SharedImage::Make(width, height);
    if (!beneath_ || !beneath_->GrabRoot(area.x(), area.y())) {
      beneath_.reset();
      return {};
    }
    TImage picture;
    picture.Pixels = beneath_->Pixels();
    picture.Keep = beneath_;
    return picture;
  }
  // Takes the window off the screen for a picture of what lies beneath it; Deiconify brings it
  // back.
  void LeaveScreen() {
    if (!isVisible()) return;
    hide();
    WaitUntil([this] { return !windowHandle() || !windowHandle()->isExposed(); }, kShowDeadlineMs);
  }
  // The note about a missing picture of the desktop, at the mouse once the window shows.
  void ShowPendingNote() {
    if (note_.empty()) return;
    // Once the window system has settled the window (a Wayland compositor makes it full
    // screen with its second configure, and a tool tip shown before that goes with the first).
    QTimer::singleShot(kNoteDelayMs, this, [this, text = std::exchange(note_, {})] {
      // A Wayland client learns where the mouse is only once it enters one of its windows.
      std::optional<QPoint> at;
      if (!OnWaylandPlatform())
        at = QCursor::pos();
      else if (pointerInside_)
        at = mapToGlobal(lastMouse_);
      ShowNoteIn(this, ToQ(text), at, kNoteMs);
    });
  }
  QPoint ToDevicePixels(QPoint p) const {
    const qreal dpr = devicePixelRatioF();
    return {qRound(p.x() * dpr), qRound(p.y() * dpr)};
  }
  // The screen the window stands on (where its centre is).
  QScreen* Screen() const {
    QScreen* s = QGuiApplication::screenAt(frameGeometry().center());
    return s ? s : screen();
  }
  static QScreen* ScreenUnderMouse() {
    QScreen* s = QGuiApplication::screenAt(QCursor::pos());
    return s ? s : QGuiApplication::primaryScreen();
  }
  void MoveOnto(QScreen* target) {
    if (target && Screen() != target) move(target->availableGeometry().topLeft());
  }

  // The frame's place and size, as the window system tells them.
  void TellBounds() {
    const QRect frame =
        frame_ ? QRect(frame_->mapToGlobal(QPoint(0, 0)), frame_->size()) : frameGeometry();
    Form()->WindowMoved(frame.x(), frame.y(), frame.width(), frame.height());
  }

  void FitClientToFrame() {
    const QSize decoration = frame_ ? frame_->Decoration() : frameGeometry().size() - size();
    const QSize client = (frameSize_ - decoration).expandedTo(QSize(1, 1));
    if (client != size()) resize(client);
    if (frame_) frame_->FitToForm();
  }

  // On Wayland, puts this form inside the overlay while the overlay is on the screen (see
  // InnerFrame); false where it stays a window of its own.
  bool EmbedInOverlay() {
    if (!OnWaylandPlatform() || !Form() || Form()->CaptureBeneath) return false;
    QWidget* overlay = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* peer = dynamic_cast<FormPeer*>(w);
      if (peer && peer != this && peer->Form() && peer->Form()->CaptureBeneath &&
          peer->isVisible())
        overlay = peer;
    }
    if (!overlay) return false;
    const QPoint at = pos();
    hide();
    setWindowFlags(Qt::Widget);
    frame_ = new InnerFrame(overlay, this, [this] {
      if (Form()) Form()->Close();
    });
    frame_->onMoved = [this] {
      if (Form()) TellBounds();
    };
    frame_->move(overlay->mapFromGlobal(at));
    FitClientToFrame();
    return true;
  }

  void Press(QMouseEvent* e, bool isDouble) {
    TMouseButton button;
    if (!Form() || !ButtonOf(e->button(), button)) return;
    UpdateOrigin();  // the window manager may have moved the window by less than Qt can tell
    TShiftState shift = ShiftOf(e->modifiers(), e->buttons());
    shift.Double = isDouble;
    const QPoint p = DevicePos(e);
    Form()->DeliverMouseDown(button, shift, p.x(), p.y());
  }

  QImage surface_{1, 1, QImage::Format_RGB32};
  std::unique_ptr<SharedImage> shared_;  // the surface, when the window is shown from it
  std::shared_ptr<SharedImage> beneath_;  // the last picture of the screen, when shared
  std::string windowClass_;
  std::string note_;  // why the last picture of the desktop could not be had
  QSize frameSize_;
  bool shownOnce_ = false;
  InnerFrame* frame_ = nullptr;  // the frame inside the overlay that holds this form (the overlay owns it)
  Qt::WindowFlags topFlags_ = Qt::Window;  // the flags this form has as a window of its own
  bool minimizeAsked_ = false;  // on Wayland, since the last Iconify
  bool pointerInside_ = false;
  QPoint lastMouse_;  // where the mouse last was in the window
  QPoint origin_;
};

}  // namespace
}  // namespace qt

std::unique_ptr<TNativeForm> NewNativeForm(TForm* Form) {
  return std::make_unique<qt::FormPeer>(Form);
}

}  // namespace penvo
