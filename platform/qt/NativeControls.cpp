// The Qt peers of the controls, the timer and keyboard shortcuts.
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <algorithm>

#include "platform/ActnList.h"
#include "platform/ExtCtrls.h"
#include "platform/Native.h"
#include "platform/StdCtrls.h"
#include "platform/qt/Bridge.h"
#include "platform/qt/NativeControls.h"

namespace penvo {

namespace qt {

QWidget* WidgetOf(const TControl* Control) {
  return Control ? dynamic_cast<QWidget*>(Control->Native()) : nullptr;
}

// Alt with a key is a command (an accelerator), not a character, as on Windows.
bool AltCommand(const QKeyEvent& Event) {
  return (Event.modifiers() & Qt::AltModifier) && !(Event.modifiers() & Qt::ControlModifier) &&
         !Event.text().isEmpty();
}

int TypedChar(const QKeyEvent& Event) {
  if (Event.key() == Qt::Key_Backspace && (Event.modifiers() & Qt::ControlModifier)) return 127;
  // X11 gives Delete the text DEL (127); it types nothing, so that it deletes in a text field
  // and is no command (127 is Ctrl+Backspace's character).
  if (Event.key() == Qt::Key_Delete) return -1;
  if (AltCommand(Event)) return -1;
  const QString text = Event.text();
  if (text.isEmpty()) return -1;
  const char16_t c = text.at(0).unicode();
  return c < 256 ? static_cast<unsigned char>(c) : '?';
}

void ApplyLook(QWidget* w, const TControlLook& Look) {
  w->setToolTip(ToQ(Look.ToolTip));
  switch (Look.Cursor) {
    case TCursor::crHandPoint:
      w->setCursor(Qt::PointingHandCursor);
      break;
    case TCursor::crIBeam:
      w->setCursor(Qt::IBeamCursor);
      break;
    case TCursor::crCross:
      w->setCursor(Qt::CrossCursor);
      break;
    case TCursor::crArrow:
      w->setCursor(Qt::ArrowCursor);
      break;
    case TCursor::crDefault:
      w->unsetCursor();
      break;
  }
  w->setEnabled(Look.Enabled);
  // A top-level window's visibility is the form's business; a child shows with its parent.
  if (w->parentWidget()) w->setVisible(Look.Visible);
}

void SetTabFocus(QWidget* w, bool Value) {
  if (w->focusPolicy() == Qt::NoFocus) return;
  // Qt gives a window's first focus, like Tab, only to controls that take Tab focus.
  const int policy = Value ? (w->focusPolicy() | Qt::TabFocus) : (w->focusPolicy() & ~Qt::TabFocus);
  w->setFocusPolicy(static_cast<Qt::FocusPolicy>(policy));
}

namespace {

// A plain area that fills its background (a tool bar, a separator).
class PlainWidget : public QWidget {
 public:
  PlainWidget() { setAutoFillBackground(true); }
};

class PlainPeer : public Peer<PlainWidget, TNativeControl> {
 public:
  using Peer::Peer;
  void ApplyColor(std::uint32_t Rgb) override { SetBackground(this, QPalette::Window, Rgb); }
};

class LabelPeer : public Peer<QLabel, TNativeLabel> {
 public:
  using Peer::Peer;
  void SetCaption(const std::string& Text) override { setText(ToQ(Text)); }
  TPoint NaturalSize() const override {
    const QSize size = sizeHint();
    return {size.width(), size.height()};
  }
  void SetBuddy(TNativeControl* Buddy) override {
    setBuddy(Buddy ? dynamic_cast<QWidget*>(Buddy) : nullptr);
  }
};

class EditPeer : public Peer<QLineEdit, TNativeEdit> {
 public:
  explicit EditPeer(TEdit* control) : Peer(control) {
    connect(this, &QLineEdit::textChanged, [this] {
      if (auto* edit = static_cast<TEdit*>(Control())) edit->Change();
    });
  }
  std::string Text() const override { return FromQ(text()); }
  // textChanged tells of a different text, which runs Change.
  void SetText(const std::string& Value) override { setText(ToQ(Value)); }
  void ApplyColor(std::uint32_t Rgb) override { SetBackground(this, QPalette::Base, Rgb); }
  int SelStart() const override { return hasSelectedText() ? selectionStart() : cursorPosition(); }
  int SelLength() const override { return static_cast<int>(selectedText().size()); }
  void SetSelection(int Start, int Length) override {
    // A place beyond the text is its end, as in a Windows edit.
    Start = std::clamp(Start, 0, static_cast<int>(text().size()));
    if (Length > 0)
      setSelection(Start, Length);
    else
      setCursorPosition(Start);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    auto* edit = static_cast<TEdit*>(Control());
    const int typed = TypedChar(*event);
    if (AltCommand(*event)) {
      event->ignore();  // for the window's accelerators; the edit types nothing
      return;
    }
    if (!edit || typed < 0) {
      QLineEdit::keyPressEvent(event);
      return;
    }
    char key = static_cast<char>(typed);
    edit->KeyPress(key);
    if (key == 0) {
      event->accept();  // swallowed
    } else if (key != static_cast<char>(typed)) {
      insert(QString(QChar(static_cast<unsigned char>(key))));
    } else {
      QLineEdit::keyPressEvent(event);
    }
  }
};

// The margin a combo box's line edit keeps on each side of its text.
constexpr int kEditTextMargin = 2;

class ComboPeer : public Peer<QComboBox, TNativeCombo> {
 public:
  explicit ComboPeer(TComboBox* control) : Peer(control) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Typed changes and choices from the list notify; text set by the program does not.
    connect(lineEdit(), &QLineEdit::textEdited, [this] { Notify(); });
    connect(this, qOverload<int>(&QComboBox::activated), [this] { Notify(); });
  }
  void ApplyColor(std::uint32_t Rgb) override { SetBackground(this, QPalette::Base, Rgb); }
  std::string Text() const override { return FromQ(currentText()); }
  void SetText(const std::string& Value) override { setEditText(ToQ(Value)); }
  std::vector<std::string> Items() const override {
    std::vector<std::string> items;
    for (int i = 0; i < count(); ++i) items.push_back(FromQ(itemText(i)));
    return items;
  }
  void AddItem(const std::string& Item) override {
    // Adding the first item would make it the current text; the text stays as it was.
    const QString text = currentText();
    const QSignalBlocker blocker(this);
    addItem(ToQ(Item));
    setEditText(text);
  }
  void ClearItems() override {
    const QString text = currentText();
    const QSignalBlocker blocker(this);
    clear();
    setEditText(text);
  }
  int NaturalWidth() const override {
    // The style's frame and arrow around the widest of the text and the items.
    int text = fontMetrics().horizontalAdvance(currentText());
    for (int i = 0; i < count(); ++i)
      text = std::max(text, fontMetrics().horizontalAdvance(itemText(i)));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    // The line edit keeps a few pixels' margin on each side of its text.
    const QSize content(text + 2 * kEditTextMargin, fontMetrics().height());
    return style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, this).width();
  }

 private:
  void Notify() {
    if (auto* combo = static_cast<TComboBox*>(Control())) combo->Change();
  }
};

class CheckPeer : public Peer<QCheckBox, TNativeCheck> {
 public:
  explicit CheckPeer(TCheckBox* control) : Peer(control) {
    setTristate(true);
    // Tool bars give a check box little room: a small box close to its caption.
    setStyleSheet(
        "QCheckBox { spacing: 2px; } QCheckBox::indicator { width: 11px; height: 11px; }");
    connect(this, &QCheckBox::stateChanged, [this] {
      if (auto* box = static_cast<TCheckBox*>(Control())) box->StateChanged();
    });
  }
  std::string Caption() const override { return FromQ(text()); }
  void SetCaption(const std::string& Value) override { setText(ToQ(Value)); }
  TCheckBoxState State() const override {
    switch (checkState()) {
      case Qt::Checked:
        return TCheckBoxState::cbChecked;
      case Qt::PartiallyChecked:
        return TCheckBoxState::cbGrayed;
      default:
        return TCheckBoxState::cbUnchecked;
    }
  }
  // stateChanged tells of a real change.
  void SetState(TCheckBoxState Value) override {
    setCheckState(Value == TCheckBoxState::cbChecked  ? Qt::Checked
                  : Value == TCheckBoxState::cbGrayed ? Qt::PartiallyChecked
                                                      : Qt::Unchecked);
  }
  void SetAlignment(TAlignment Value) override {
    setLayoutDirection(Value == TAlignment::taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
  }
  // The style's box and spacing beside the caption (the "&" is no character of it).
  int NaturalWidth() const override { return sizeHint().width(); }

 protected:
  // A user's click cycles through grayed only where grayed is allowed.
  void nextCheckState() override {
    auto* box = static_cast<TCheckBox*>(Control());
    if (box && !box->AllowGrayed())
      setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    else
      QCheckBox::nextCheckState();
  }
};

// The room a panel leaves between its bevel and its caption.
constexpr int kCaptionMargin = 1;

class PanelPeer : public Peer<QFrame, TNativePanel> {
 public:
  explicit PanelPeer(TPanel* control) : Peer(control) { setAutoFillBackground(true); }
  void ApplyColor(std::uint32_t Rgb) override { SetBackground(this, QPalette::Window, Rgb); }
  void SetBevel(TBevelCut Bevel) override {
    setFrameStyle(Bevel == TBevelCut::bvNone     ? QFrame::NoFrame
                  : Bevel == TBevelCut::bvRaised ? (QFrame::Panel | QFrame::Raised)
                                                 : (QFrame::Panel | QFrame::Sunken));
    update();
  }
  int NaturalWidth() const override {
    auto* panel = static_cast<TPanel*>(Control());
    if (!panel) return 0;
    const QRect text = fontMetrics().boundingRect(QRect(), Qt::TextShowMnemonic,
                                                  ToQ(panel->GetText()));
    // The frame on both sides and the pixel of room that paintEvent leaves within it.
    return text.width() + 2 * frameWidth() + 2 * kCaptionMargin;
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QFrame::paintEvent(event);
    auto* panel = static_cast<TPanel*>(Control());
    if (!panel) return;
    QPainter painter(this);
    int flags = Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextDontClip;
    switch (panel->Alignment()) {
      case TAlignment::taLeftJustify:
        flags |= Qt::AlignLeft;
        break;
      case TAlignment::taRightJustify:
        flags |= Qt::AlignRight;
        break;
      case TAlignment::taCenter:
        flags |= Qt::AlignHCenter;
        break;
    }
    painter.drawText(contentsRect().adjusted(kCaptionMargin, 0, -kCaptionMargin, 0), flags,
                     ToQ(panel->GetText()));
  }

  void mousePressEvent(QMouseEvent* event) override {
    pressed_ = event->button() == Qt::LeftButton;
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    // A click is a left press and release over the panel.
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->pos());
    pressed_ = false;
    if (click && Control()) Control()->Click();
  }

 private:
  bool pressed_ = false;
};

class TimerPeer : public TNativeTimer {
 public:
  explicit TimerPeer(std::function<void()> tick) {
    QObject::connect(&timer_, &QTimer::timeout, std::move(tick));
  }
  void Start(int IntervalMs) override { timer_.start(IntervalMs); }
  void Stop() override { timer_.stop(); }

 private:
  QTimer timer_;
};

class ShortcutPeer : public TNativeShortcut {
 public:
  ShortcutPeer(int key, QWidget* window, std::function<void()> fire)
      : shortcut_(QKeySequence(QtKey(key)), window) {
    shortcut_.setContext(Qt::WindowShortcut);
    QObject::connect(&shortcut_, &QShortcut::activated, std::move(fire));
  }

 private:
  // Function keys F1..F24 are the virtual keys 112..135; letters and digits are their
  // characters, as Qt's key codes are.
  static QKeyCombination QtKey(int key) {
    const int code = key & 0xFF;
    const Qt::Key qtKey = code >= vkF1 && code < vkF1 + 24 ? Qt::Key(Qt::Key_F1 + (code - vkF1))
                                                            : Qt::Key(code);
    Qt::KeyboardModifiers mods;
    if (key & scShift) mods |= Qt::ShiftModifier;
    if (key & scCtrl) mods |= Qt::ControlModifier;
    if (key & scAlt) mods |= Qt::AltModifier;
    return QKeyCombination(mods, qtKey);
  }
  QShortcut shortcut_;
};

}  // namespace

}  // namespace qt

std::unique_ptr<TNativeControl> NewNativeControl(TControl* Control) {
  return std::make_unique<qt::PlainPeer>(Control);
}
std::unique_ptr<TNativeLabel> NewNativeLabel(TLabel* Label) {
  return std::make_unique<qt::LabelPeer>(Label);
}
std::unique_ptr<TNativeEdit> NewNativeEdit(TEdit* Edit) {
  return std::make_unique<qt::EditPeer>(Edit);
}
std::unique_ptr<TNativeCombo> NewNativeCombo(TComboBox* Combo) {
  return std::make_unique<qt::ComboPeer>(Combo);
}
std::unique_ptr<TNativeCheck> NewNativeCheck(TCheckBox* Check) {
  return std::make_unique<qt::CheckPeer>(Check);
}
std::unique_ptr<TNativePanel> NewNativePanel(TPanel* Panel) {
  return std::make_unique<qt::PanelPeer>(Panel);
}
std::unique_ptr<TNativeTimer> NewNativeTimer(std::function<void()> Tick) {
  return std::make_unique<qt::TimerPeer>(std::move(Tick));
}
std::unique_ptr<TNativeShortcut> NewNativeShortcut(int VirtualKey, TNativeForm* Form,
                                                   std::function<void()> Fire) {
  return std::make_unique<qt::ShortcutPeer>(VirtualKey, dynamic_cast<QWidget*>(Form),
                                            std::move(Fire));
}

}  // namespace penvo
