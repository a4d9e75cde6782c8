#include "platform/ExtCtrls.h"

#include "platform/Native.h"

namespace penvo {

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) {
  SetNative(NewNativePanel(this));
  SetColor(clBtnFace);
  SetBounds(0, 0, 185, 41);
}

const TPropTable& TPanel::ClassProperties() {
  static const TPropTable table(
      &TWinControl::ClassProperties(),
      {TextProp("Caption", &TPanel::GetText, &TPanel::SetText), OtherProp("BevelOuter"),
       OtherProp("BevelInner"), OtherProp("Alignment"), OtherProp("OnClick")});
  return table;
}

void TPanel::SetText(const std::string& Value) {
  TWinControl::SetText(Value);
  Native()->Repaint();
}

void TPanel::SetBevelOuter(TBevelCut Value) {
  FBevelOuter = Value;
  UpdateWidget();
}

void TPanel::SetBevelInner(TBevelCut Value) {
  FBevelInner = Value;
  UpdateWidget();
}

void TPanel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Native()->Repaint();
}

int TPanel::NaturalWidth() const {
  return GetText().empty() ? 0 : static_cast<TNativePanel*>(Native())->NaturalWidth();
}

void TPanel::UpdateWidget() {
  TWinControl::UpdateWidget();
  // One bevel is drawn: the outer one, or the inner one where there is no outer one.
  const TBevelCut bevel = FBevelOuter != TBevelCut::bvNone ? FBevelOuter : FBevelInner;
  if (auto* panel = dynamic_cast<TNativePanel*>(Native())) panel->SetBevel(bevel);
}

TTimer::TTimer(TComponent* AOwner)
    : TComponent(AOwner), FTimer(NewNativeTimer([this] {
        if (OnTimer) OnTimer(this);
      })) {
  Update();
}

TTimer::~TTimer() = default;

void TTimer::SetInterval(int Value) {
  FInterval = Value;
  Update();
}

void TTimer::SetEnabled(bool Value) {
  FEnabled = Value;
  Update();
}

void TTimer::Update() {
  if (FEnabled && FInterval > 0)
    FTimer->Start(FInterval);
  else
    FTimer->Stop();
}

}  // namespace penvo
