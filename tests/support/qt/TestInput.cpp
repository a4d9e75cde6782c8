// The widget tests' input on Qt: events sent to the widgets, as the window system's would be.
#include "tests/support/TestInput.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

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

void ClickCheckBox(TCheckBox* Box) {
  static_cast<QCheckBox*>(qt::WidgetOf(Box))->click();
}

void LeftPress(TControl* Control, int X, int Y) {
  SendMouse(Control, QEvent::MouseButtonPress, X, Y);
}

void LeftRelease(TControl* Control, int X, int Y) {
  SendMouse(Control, QEvent::MouseButtonRelease, X, Y);
}

void PressAlt(TForm* Form, char Letter) {
  QWidget* form = qt::WidgetOf(Form);
  QWidget* focus = QApplication::focusWidget();
  QWidget* target = focus && focus->window() == form ? focus : form;
  const int key = KeyOf(static_cast<unsigned char>(Letter));
  const QString text(QChar(static_cast<unsigned char>(Letter)));
  // A shortcut takes the key; otherwise the widget gets it.
  if (qt_sendShortcutOverrideEvent(target, 0, key, Qt::AltModifier, text, false, 1)) return;
  SendKey(target, key, Qt::AltModifier, text);
}

}  // namespace penvo::test
