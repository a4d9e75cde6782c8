#include "platform/StdCtrls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "platform/qt/Bridge.h"

namespace penvo {

using qt::FromQ;
using qt::ToQ;

namespace qt {

int TypedChar(const QKeyEvent& Event) {
  if (Event.key() == Qt::Key_Backspace && (Event.modifiers() & Qt::ControlModifier)) return 127;
  // X11 gives Delete the text DEL (127); it types nothing, so that it deletes in a text field
  // and is no command (127 is Ctrl+Backspace's character).
  if (Event.key() == Qt::Key_Delete) return -1;
  const QString text = Event.text();
  if (text.isEmpty()) return -1;
  const char16_t c = text.at(0).unicode();
  return c < 256 ? static_cast<unsigned char>(c) : '?';
}

namespace {

class LabelWidget : public QLabel, public ControlLink {
 public:
  explicit LabelWidget(TControl* control) : ControlLink(control) {}
};

class EditWidget : public QLineEdit, public ControlLink {
 public:
  explicit EditWidget(TEdit* control) : ControlLink(control) {
    connect(this, &QLineEdit::textChanged, [this] {
      if (auto* edit = static_cast<TEdit*>(Control())) edit->Change();
    });
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    auto* edit = static_cast<TEdit*>(Control());
    const int typed = TypedChar(*event);
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

class ComboWidget : public QComboBox, public ControlLink {
 public:
  explicit ComboWidget(TComboBox* control) : ControlLink(control) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Typed changes and choices from the list notify; text set by the program does not.
    connect(lineEdit(), &QLineEdit::textEdited, [this] { Notify(); });
    connect(this, qOverload<int>(&QComboBox::activated), [this] { Notify(); });
  }

 private:
  void Notify() {
    if (auto* combo = static_cast<TComboBox*>(Control())) combo->Change();
  }
};

class CheckWidget : public QCheckBox, public ControlLink {
 public:
  explicit CheckWidget(TCheckBox* control) : ControlLink(control) {
    setTristate(true);
    // Tool bars give a check box little room: a small box close to its caption.
    setStyleSheet(
        "QCheckBox { spacing: 2px; } QCheckBox::indicator { width: 11px; height: 11px; }");
    connect(this, &QCheckBox::stateChanged, [this] {
      auto* box = static_cast<TCheckBox*>(Control());
      if (box && !box->ClicksDisabled) box->Click();
    });
  }

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

}  // namespace
}  // namespace qt

// TLabel

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
  SetWidget(std::make_unique<qt::LabelWidget>(this));
  SetBounds(0, 0, 65, 13);
}

const TPropTable& TLabel::ClassProperties() {
  static const TPropTable table(&TControl::ClassProperties(),
                                {TextProp("Caption", &TLabel::GetText, &TLabel::SetText),
                                 OtherProp("FocusControl"), OtherProp("AutoSize")});
  return table;
}

void TLabel::SetText(const std::string& Value) {
  TControl::SetText(Value);
  auto* label = static_cast<QLabel*>(Widget());
  label->setText(ToQ(Value));
  if (FAutoSize) {
    label->adjustSize();
    SetBounds(Left(), Top(), label->width(), label->height());
  }
}

void TLabel::SetFocusControl(TWinControl* Value) {
  if (FFocusControl) RemoveFreeNotification(FFocusControl);
  FFocusControl = Value;
  if (Value) FreeNotification(Value);
  static_cast<QLabel*>(Widget())->setBuddy(Value ? Value->Widget() : nullptr);
}

void TLabel::SetAutoSize(bool Value) {
  FAutoSize = Value;
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FFocusControl) {
    FFocusControl = nullptr;
    static_cast<QLabel*>(Widget())->setBuddy(nullptr);
  }
}

// TEdit

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetWidget(std::make_unique<qt::EditWidget>(this));
  SetColor(clWindow);
  SetBounds(0, 0, 121, 21);
}

const TPropTable& TEdit::ClassProperties() {
  static const TPropTable table(&TWinControl::ClassProperties(),
                                {TextProp("Text", &TEdit::GetText, &TEdit::SetText),
                                 OtherProp("OnChange"), OtherProp("OnKeyPress")});
  return table;
}

std::string TEdit::GetText() const {
  return FromQ(static_cast<QLineEdit*>(Widget())->text());
}

void TEdit::SetText(const std::string& Value) {
  // QLineEdit tells of a different text through textChanged, which runs Change.
  static_cast<QLineEdit*>(Widget())->setText(ToQ(Value));
}

int TEdit::SelStart() const {
  auto* edit = static_cast<QLineEdit*>(Widget());
  return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}

void TEdit::SetSelStart(int Value) {
  static_cast<QLineEdit*>(Widget())->setCursorPosition(Value);
}

int TEdit::SelLength() const {
  return static_cast<int>(static_cast<QLineEdit*>(Widget())->selectedText().size());
}

void TEdit::SetSelLength(int Value) {
  auto* edit = static_cast<QLineEdit*>(Widget());
  const int start = SelStart();
  if (Value > 0)
    edit->setSelection(start, Value);
  else
    edit->setCursorPosition(start);
}

void TEdit::Change() {
  if (OnChange) OnChange(this);
}

void TEdit::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TEdit::UpdateWidget() {
  TWinControl::UpdateWidget();
  qt::SetPaletteColor(Widget(), QPalette::Base, Color());
}

// TComboBox

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetWidget(std::make_unique<qt::ComboWidget>(this));
  SetColor(clWindow);
  SetBounds(0, 0, 145, 21);
}

const TPropTable& TComboBox::ClassProperties() {
  static const TPropTable table(&TWinControl::ClassProperties(),
                                {TextProp("Text", &TComboBox::GetText, &TComboBox::SetText),
                                 OtherProp("Items"), OtherProp("OnChange")});
  return table;
}

std::string TComboBox::GetText() const {
  return FromQ(static_cast<QComboBox*>(Widget())->currentText());
}

void TComboBox::SetText(const std::string& Value) {
  static_cast<QComboBox*>(Widget())->setEditText(ToQ(Value));
}

std::vector<std::string> TComboBox::Items() const {
  auto* combo = static_cast<QComboBox*>(Widget());
  std::vector<std::string> items;
  for (int i = 0; i < combo->count(); ++i) items.push_back(FromQ(combo->itemText(i)));
  return items;
}

void TComboBox::AddItem(const std::string& Item) {
  auto* combo = static_cast<QComboBox*>(Widget());
  // Adding the first item would make it the current text; the text stays as it was.
  const QString text = combo->currentText();
  const QSignalBlocker blocker(combo);
  combo->addItem(ToQ(Item));
  combo->setEditText(text);
}

void TComboBox::ClearItems() {
  auto* combo = static_cast<QComboBox*>(Widget());
  const QString text = combo->currentText();
  const QSignalBlocker blocker(combo);
  combo->clear();
  combo->setEditText(text);
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TComboBox::UpdateWidget() {
  TWinControl::UpdateWidget();
  qt::SetPaletteColor(Widget(), QPalette::Base, Color());
}

// TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetWidget(std::make_unique<qt::CheckWidget>(this));
  SetBounds(0, 0, 97, 17);
}

const TPropTable& TCheckBox::ClassProperties() {
  static const TPropTable table(
      &TWinControl::ClassProperties(),
      {TextProp("Caption", &TCheckBox::GetText, &TCheckBox::SetText), OtherProp("Checked"),
       OtherProp("State"), OtherProp("AllowGrayed"), OtherProp("Alignment"), OtherProp("OnClick")});
  return table;
}

std::string TCheckBox::GetText() const {
  return FromQ(static_cast<QCheckBox*>(Widget())->text());
}

void TCheckBox::SetText(const std::string& Value) {
  static_cast<QCheckBox*>(Widget())->setText(ToQ(Value));
}

TCheckBoxState TCheckBox::State() const {
  switch (static_cast<QCheckBox*>(Widget())->checkState()) {
    case Qt::Checked:
      return TCheckBoxState::cbChecked;
    case Qt::PartiallyChecked:
      return TCheckBoxState::cbGrayed;
    default:
      return TCheckBoxState::cbUnchecked;
  }
}

void TCheckBox::SetState(TCheckBoxState Value) {
  const Qt::CheckState state = Value == TCheckBoxState::cbChecked  ? Qt::Checked
                               : Value == TCheckBoxState::cbGrayed ? Qt::PartiallyChecked
                                                                   : Qt::Unchecked;
  // stateChanged runs Click when the state really changes.
  static_cast<QCheckBox*>(Widget())->setCheckState(state);
}

void TCheckBox::SetAllowGrayed(bool Value) {
  FAllowGrayed = Value;
}

void TCheckBox::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Widget()->setLayoutDirection(Value == TAlignment::taLeftJustify ? Qt::RightToLeft
                                                                  : Qt::LeftToRight);
}

}  // namespace penvo
