#include "controls/qinicomp.h"

#include "controls/qdouble.h"
#include "util/qPropFunc.h"

namespace penvo {

// TEditIni

TEditIni::TEditIni(TComponent* AOwner) : TEdit(AOwner), FIni(std::make_unique<TIniSave>(this)) {
  FIni->AutoSave = true;
  FIni->PropName = "Text";
  SetText("");
}

TEditIni::~TEditIni() = default;

const TPropTable& TEditIni::ClassProperties() {
  static const TPropTable table(
      &TEdit::ClassProperties(),
      {OtherProp("Ini"), OtherProp("Align"),
       TextProp("AsString", &TEditIni::GetAsString, &TEditIni::SetAsString)});
  return table;
}

void TEditIni::Loaded() {
  TEdit::Loaded();
  FIni->LoadOnce();
}

void TEditIni::Change() {
  TEdit::Change();
  if (FIni) FIni->AutoSaveIfChanged();
}

void TEditIni::DestroyWnd() {
  if (FIni) FIni->SaveOnClose();
  TEdit::DestroyWnd();
}

void TEditIni::CreateWnd() {
  TEdit::CreateWnd();
  if (FIni) FIni->RearmSaveOnClose();
}

void TEditIni::Destroy() {
  if (FIni) FIni->SaveOnClose();
  FIni.reset();
  TEdit::Destroy();
}

// TCheckBoxIni

TCheckBoxIni::TCheckBoxIni(TComponent* AOwner)
    : TCheckBox(AOwner), FIni(std::make_unique<TIniSave>(this)) {
  FIni->AutoSave = true;
}

TCheckBoxIni::~TCheckBoxIni() = default;

const TPropTable& TCheckBoxIni::ClassProperties() {
  static const TPropTable table(
      &TCheckBox::ClassProperties(),
      {OtherProp("Ini"),
       TextProp("AsString", &TCheckBoxIni::GetAsString, &TCheckBoxIni::SetAsString),
       OtherProp("Align")});
  return table;
}

std::string TCheckBoxIni::GetAsString() const {
  return std::to_string(static_cast<int>(State()));
}

void TCheckBoxIni::SetAsString(const std::string& Value) {
  SetState(static_cast<TCheckBoxState>(ClampInt(StrToIntDef(Value, 0), 0, 2)));
}

void TCheckBoxIni::Loaded() {
  TCheckBox::Loaded();
  FIni->LoadOnce();
}

void TCheckBoxIni::Click() {
  TCheckBox::Click();
  if (FIni) FIni->AutoSaveIfChanged();
}

void TCheckBoxIni::SetName(const std::string& NewName) {
  const std::string old = Name();
  TCheckBox::SetName(NewName);
  SetText(RenameCaption(*this, NewName, old, GetText()));
}

void TCheckBoxIni::Destroy() {
  if (FIni) FIni->AutoSaveIfChanged();
  FIni.reset();
  TCheckBox::Destroy();
}

}  // namespace penvo
