#include "settings/savepos.h"

#include <algorithm>
#include <cstdint>

#include "controls/qdouble.h"
#include "platform/Forms.h"

namespace penvo {

std::string FormPosText(const TForm* Form) {
  if (!Form) return {};
  return std::to_string(Form->Left()) + "," + std::to_string(Form->Top()) + "," +
         std::to_string(Form->Width()) + "," + std::to_string(Form->Height());
}

namespace {

// How much of a window's top must lie on a monitor for the user to take it by its title bar.
constexpr std::int64_t kGrip = 20;

// Whether the strip along the form's top edge lies partly on one of the monitors.
bool TopOnAMonitor(const TForm& Form, const std::vector<TRect>& Monitors) {
  const std::int64_t left = Form.Left(), top = Form.Top();
  const std::int64_t right = left + Form.Width();
  const std::int64_t bottom = top + std::min<std::int64_t>(kGrip, Form.Height());
  for (const TRect& m : Monitors)
    if (left < m.Right && right > m.Left && top < m.Bottom && bottom > m.Top) return true;
  return false;
}

}  // namespace

void ApplyFormPos(TForm* Form, std::string Text, bool NoPos, bool NoSize) {
  ApplyFormPos(Form, std::move(Text), NoPos, NoSize, Monitors());
}

void ApplyFormPos(TForm* Form, std::string Text, bool NoPos, bool NoSize,
                  const std::vector<TRect>& Monitors) {
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
  // A form on another monitor than the primary one is within reach there.
  if (Monitors.size() > 1 && TopOnAMonitor(*Form, Monitors)) return;
  // The primary screen is the first monitor.
  const int screenWidth = Monitors.empty() ? ScreenWidth() : Monitors[0].Width();
  const int screenHeight = Monitors.empty() ? ScreenHeight() : Monitors[0].Height();
  if (Form->Left() >= screenWidth) Form->SetLeft(0);
  if (Form->Top() >= screenHeight) Form->SetTop(0);
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
