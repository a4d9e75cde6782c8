#include "platform/StdCtrls.h"

#include "platform/Native.h"

namespace penvo {

namespace {

template <class Peer, class Control>
Peer& PeerOf(const Control* c) {
  return *static_cast<Peer*>(c->Native());
}

}  // namespace

// TLabel

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
  SetNative(NewNativeLabel(this));
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
  auto& label = PeerOf<TNativeLabel>(this);
  label.SetCaption(Value);
  if (FAutoSize) {
    const TPoint size = label.NaturalSize();
    SetBounds(Left(), Top(), size.X, size.Y);
  }
}

void TLabel::SetFocusControl(TWinControl* Value) {
  if (FFocusControl) RemoveFreeNotification(FFocusControl);
  FFocusControl = Value;
  if (Value) FreeNotification(Value);
  PeerOf<TNativeLabel>(this).SetBuddy(Value ? Value->Native() : nullptr);
}

void TLabel::SetAutoSize(bool Value) {
  FAutoSize = Value;
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FFocusControl) {
    FFocusControl = nullptr;
    PeerOf<TNativeLabel>(this).SetBuddy(nullptr);
  }
}

// TEdit

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetNative(NewNativeEdit(this));
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
  return PeerOf<TNativeEdit>(this).Text();
}

void TEdit::SetText(const std::string& Value) {
  // The peer tells of a different text through Change.
  PeerOf<TNativeEdit>(this).SetText(Value);
}

int TEdit::SelStart() const {
  return PeerOf<TNativeEdit>(this).SelStart();
}

void TEdit::SetSelStart(int Value) {
  PeerOf<TNativeEdit>(this).SetSelection(Value, 0);
}

int TEdit::SelLength() const {
  return PeerOf<TNativeEdit>(this).SelLength();
}

void TEdit::SetSelLength(int Value) {
  PeerOf<TNativeEdit>(this).SetSelection(SelStart(), Value > 0 ? Value : 0);
}

void TEdit::Change() {
  if (OnChange) OnChange(this);
}

void TEdit::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

// TComboBox

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetNative(NewNativeCombo(this));
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
  return PeerOf<TNativeCombo>(this).Text();
}

void TComboBox::SetText(const std::string& Value) {
  PeerOf<TNativeCombo>(this).SetText(Value);
}

std::vector<std::string> TComboBox::Items() const {
  return PeerOf<TNativeCombo>(this).Items();
}

int TComboBox::NaturalWidth() const {
  return PeerOf<TNativeCombo>(this).NaturalWidth();
}

void TComboBox::AddItem(const std::string& Item) {
  PeerOf<TNativeCombo>(this).AddItem(Item);
}

void TComboBox::ClearItems() {
  PeerOf<TNativeCombo>(this).ClearItems();
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

// TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetNative(NewNativeCheck(this));
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
  return PeerOf<TNativeCheck>(this).Caption();
}

void TCheckBox::SetText(const std::string& Value) {
  PeerOf<TNativeCheck>(this).SetCaption(Value);
}

TCheckBoxState TCheckBox::State() const {
  return PeerOf<TNativeCheck>(this).State();
}

void TCheckBox::SetState(TCheckBoxState Value) {
  // The peer runs StateChanged when the state really changes.
  PeerOf<TNativeCheck>(this).SetState(Value);
}

void TCheckBox::StateChanged() {
  if (!ClicksDisabled) Click();
}

void TCheckBox::SetAllowGrayed(bool Value) {
  FAllowGrayed = Value;
}

void TCheckBox::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  PeerOf<TNativeCheck>(this).SetAlignment(Value);
}

int TCheckBox::NaturalWidth() const {
  return PeerOf<TNativeCheck>(this).NaturalWidth();
}

}  // namespace penvo
