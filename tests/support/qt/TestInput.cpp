// The widget tests' input on Qt: events sent to the widgets, as the window system's would be.
#include "tests/support/TestInput.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>

#include "platform/Forms.h"
#include "platform/StdCtrls.h"
#include "platform/qt/Bridge.h"

// Qt's own way into its shortcut map (QtGui exports it; a key press from the window system
// takes the same way before it reaches a widget). Mnemonics, such as a label's, live there.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods, const QString& text,
                                               bool autorep, ushort count);

namespace penvo::test {

namespace {

// The key that types Key on a US keyboard (letters as their capital, as Qt names keys).
int KeyOf(unsigned char Key) {
  switch (Key) {
    case '\b':
      return Qt::Key_Backspace;
    case '\t':
      return Qt::Key_Tab;
    case '\r':
      return Qt::Key_Return;
    case 27:
      return Qt::Key_Escape;
    default:
      return Key >= 'a' && Key <= 'z' ? Qt::Key_A + (Key - 'a') : Key;
  }
}

// Where typed characters go: the widget, or a combo box's line edit.
QWidget* TypingTarget(TWinControl* Control) {
  QWidget* w = qt::WidgetOf(Control);
  if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit())
    return combo->lineEdit();
  return w;
}

void SendKey(QWidget* Target, int Key, Qt::KeyboardModifiers Mods, const QString& Text) {
  QKeyEvent press(QEvent::KeyPress, Key, Mods, Text);
  QCoreApplication::sendEvent(Target, &press);
  QKeyEvent release(QEvent::KeyRelease, Key, Mods, Text);
  QCoreApplication::sendEvent(Target, &release);
}

// A key pressed on the window that has Target: a shortcut takes it first, as from the window
// system; otherwise Target gets it.
void SendKeyOrShortcut(QWidget* Target, int Key, Qt::KeyboardModifiers Mods, const QString& Text) {
  if (qt_sendShortcutOverrideEvent(Target, 0, Key, Mods, Text, false, 1)) return;
  SendKey(Target, Key, Mods, Text);
}

// The widget of Form that has the keyboard, else the form.
QWidget* KeyTarget(TForm* Form) {
  QWidget* form = qt::WidgetOf(Form);
  QWidget* focus = QApplication::focusWidget();
  return focus && focus->window() == form ? focus : form;
}

void SendMouse(TControl* Control, QEvent::Type Type, int X, int Y) {
  QWidget* w = qt::WidgetOf(Control);
  const QPointF local(X, Y);
  const Qt::MouseButtons held =
      Type == QEvent::MouseButtonPress ? Qt::MouseButtons(Qt::LeftButton) : Qt::NoButton;
  QMouseEvent event(Type, local, w->mapToGlobal(local), Qt::LeftButton, held, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &event);
}

}  // namespace

void TypeChar(TWinControl* Control, char Key) {
  const auto byte = static_cast<unsigned char>(Key);
  SendKey(TypingTarget(Control), KeyOf(byte), Qt::NoModifier, QString(QChar(byte)));
}

void TypeText(TWinControl* Control, const std::string& Text) {
  for (char c : Text) TypeChar(Control, c);
}

void PasteText(TWinControl* Control, const std::string& Text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(Text));
  if (auto* line = qobject_cast<QLineEdit*>(TypingTarget(Control))) line->paste();
}

void ClickCheckBox(TCheckBox* Box) {
  static_cast<QCheckBox*>(qt::WidgetOf(Box))->click();
}

void PressSpace(TWinControl* Control) {
  SendKey(qt::WidgetOf(Control), Qt::Key_Space, Qt::NoModifier, " ");
}

void LeftPress(TControl* Control, int X, int Y) {
  SendMouse(Control, QEvent::MouseButtonPress, X, Y);
}

void LeftRelease(TControl* Control, int X, int Y) {
  SendMouse(Control, QEvent::MouseButtonRelease, X, Y);
}

void ActivateForm(TForm* Form) {
  Form->Show();
  QApplication::setActiveWindow(qt::WidgetOf(Form));
}

void PressAlt(TForm* Form, char Letter) {
  const auto byte = static_cast<unsigned char>(Letter);
  SendKeyOrShortcut(KeyTarget(Form), KeyOf(byte), Qt::AltModifier, QString(QChar(byte)));
}

void PressCtrl(TForm* Form, char Letter) {
  // X11 gives Ctrl with a letter the control character as its text.
  SendKeyOrShortcut(KeyTarget(Form), KeyOf(static_cast<unsigned char>(Letter)), Qt::ControlModifier,
                    QString(QChar(Letter - 'a' + 1)));
}

void PressTab(TForm* Form) {
  SendKey(KeyTarget(Form), Qt::Key_Tab, Qt::NoModifier, "\t");
}

// A timer that looks for a modal message box at every turn of the event loop.
struct BoxWatcher::State {
  TBoxAnswer Answer;
  std::vector<TBoxSeen> Seen;
  QTimer Timer;
};

BoxWatcher::BoxWatcher(TBoxAnswer Answer) : state_(std::make_unique<State>()) {
  state_->Answer = std::move(Answer);
  State* s = state_.get();
  QObject::connect(&s->Timer, &QTimer::timeout, [s] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    TBoxSeen seen{box->windowTitle().toStdString(),
                  box->text().toStdString(),
                  box->icon() == QMessageBox::Critical,
                  box->defaultButton() != nullptr,
                  {}};
    seen.TextsFit = true;
    for (QAbstractButton* b : box->buttons()) {
      seen.Buttons.push_back(b->text().toStdString());
      const QFontMetrics fm = b->fontMetrics();
      const QString plain = QString(b->text()).remove('&');
      seen.TextsFit =
          seen.TextsFit && fm.horizontalAdvance(plain) <= b->width() && fm.height() <= b->height();
    }
    if (const auto* label = box->findChild<QLabel*>("qt_msgbox_label")) {
      const QRect need = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1 << 20),
                                                           Qt::TextWordWrap, label->text());
      seen.TextsFit = seen.TextsFit && need.height() <= label->height();
    }
    s->Seen.push_back(seen);
    for (QAbstractButton* b : box->buttons())
      if (!s->Answer.ButtonCaption.empty() && b->text().toStdString() == s->Answer.ButtonCaption)
        return b->click();
    SendKey(box, Qt::Key_Escape, Qt::NoModifier, QString(QChar(27)));
  });
  s->Timer.start(0);
}

BoxWatcher::~BoxWatcher() = default;

const std::vector<TBoxSeen>& BoxWatcher::Seen() const {
  return state_->Seen;
}

}  // namespace penvo::test
