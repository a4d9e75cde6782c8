#include "settings/savepos.h"

#include <cstdint>

#include "controls/qdouble.h"
#include "platform/Forms.h"

namespace penvo {

std::string FormPosText(const TForm* Form) {
  if (!Form) return {};
  return std::to_string(Form->Left()) + "," + std::to_string(Form->Top()) + "," +
         std::to_string(Form->Width()) + "," + std::to_string(Form->Height());
}

void ApplyFormPos(TForm* Form, std::string Text, bool NoPos, bool NoSize) {
  if (!Form) return;
  // Each coordinate is set as soon as it is read.
  const int left = TakeInt(Text, ",", Form->Left());
  if (!NoPos) Form->SetLeft(left);
  const int top = TakeInt(Text, ",", Form->Top());
  if (!NoPos) Form->SetTop(top);
  if (!NoSize) {
    Form->SetWidth(TakeInt(Text, ",", Form->Width()));
    Form->SetHeight(TakeInt(Text, ",", Form->Height()));
  }
  if (Form->Left() >= ScreenWidth()) Form->SetLeft(0);
  if (Form->Top() >= ScreenHeight()) Form->SetTop(0);
  // In 64 bits: the far end of a form may lie beyond any 32-bit integer.
  if (static_cast<std::int64_t>(Form->Left()) + Form->Width() <= 0) Form->SetLeft(0);
  if (static_cast<std::int64_t>(Form->Top()) + Form->Height() <= 0) Form->SetTop(0);
}

TSavePos::TSavePos(TComponent* AOwner)
    : TComponent(AOwner), FIni(std::make_unique<TIniSave>(this)) {
  FIni->AutoSave = true;
  FIni->PropName = "AsString";
  FIni->IniSection = "Pos";
}

TSavePos::~TSavePos() = default;

const TPropTable& TSavePos::ClassProperties() {
  static const TPropTable table(
      &TComponent::ClassProperties(),
      {TextProp("AsString", &TSavePos::GetAsString, &TSavePos::SetAsString), OtherProp("Ini"),
       OtherProp("NoPos"), OtherProp("NoSize"), OtherProp("Enabled")});
  return table;
}

std::string TSavePos::GetAsString() const {
  return IsDesigning() ? std::string() : FormPosText(FForm);
}

void TSavePos::SetAsString(const std::string& Value) {
  if (!IsDesigning()) ApplyFormPos(FForm, Value, NoPos, NoSize);
}

void TSavePos::Loaded() {
  TComponent::Loaded();
  FForm = nullptr;
  if (IsDesigning() || !Owner() || !Owner()->IsForm()) return;
  FForm = static_cast<TForm*>(Owner());
  if (FIni->SaveName.empty()) FIni->SaveName = FForm->Name();
  FIni->LoadOnce();
}

void TSavePos::Destroy() {
  if (Enabled) FIni->Save();
  FIni.reset();
  TComponent::Destroy();
}

}  // namespace penvo
