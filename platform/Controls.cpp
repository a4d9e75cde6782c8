#include "platform/Controls.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Native.h"

namespace penvo {

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  SetNative(NewNativeControl(this));
}

TControl::~TControl() {
  if (FNative) FNative->Unlink();
}

const TPropTable& TControl::ClassProperties() {
  static const TPropTable table(
      &TComponent::ClassProperties(),
      {OtherProp("Align"), OtherProp("Color"), OtherProp("Cursor"),
       TextProp("Hint", &TControl::Hint, &TControl::SetHint), OtherProp("Left"),
       OtherProp("ParentColor"), OtherProp("ParentShowHint"), OtherProp("ShowHint"),
       OtherProp("Top"), OtherProp("Visible"), OtherProp("Width"), OtherProp("Height")});
  return table;
}

void TControl::SetNative(std::unique_ptr<TNativeControl> Native) {
  if (FNative) FNative->Unlink();
  FNative = std::move(Native);
  FNative->SetGeometry(FLeft, FTop, FWidth, FHeight);
  UpdateWidget();
}

void TControl::SetParent(TWinControl* AParent) {
  if (FParent == AParent) return;
  if (FParent) FParent->RemoveControl(this);
  FParent = AParent;
  if (FParent) {
    FParent->InsertControl(this);
    FNative->SetParent(FParent->ClientNative());
    FNative->SetGeometry(FLeft, FTop, FWidth, FHeight);
    UpdateWidget();
  } else if (FNative->HasParent()) {
    FNative->SetParent(nullptr);  // it leaves the screen; it no longer goes with the parent
  }
  ParentChanged();
  if (FParent && (FAlign != TAlign::alNone || FParent->ArrangesAllChildren()))
    FParent->AlignControls();
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const bool changed = ALeft != FLeft || ATop != FTop || AWidth != FWidth || AHeight != FHeight;
  FLeft = ALeft;
  FTop = ATop;
  FWidth = std::max(AWidth, 0);
  FHeight = std::max(AHeight, 0);
  if (FNative) FNative->SetGeometry(FLeft, FTop, FWidth, FHeight);
  if (changed && FParent && (FAlign != TAlign::alNone || FParent->ArrangesAllChildren()))
    FParent->AlignControls();
  if (changed) {
    if (auto* self = dynamic_cast<TWinControl*>(this)) self->AlignControls();
  }
}

void TControl::SetAlign(TAlign Value) {
  if (FAlign == Value) return;
  FAlign = Value;
  if (FParent) FParent->AlignControls();
}

void TControl::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  UpdateWidget();
  if (FParent && (FAlign != TAlign::alNone || FParent->ArrangesAllChildren()))
    FParent->AlignControls();
}

void TControl::SetEnabled(bool Value) {
  FEnabled = Value;
  UpdateWidget();
}

void TControl::SetColor(TColor Value) {
  FColor = Value;
  FParentColor = false;
  UpdateWidget();
  ParentChanged();
}

void TControl::SetParentColor(bool Value) {
  FParentColor = Value;
  if (Value && FParent) FColor = FParent->Color();
  UpdateWidget();
  ParentChanged();
}

void TControl::SetHint(const std::string& Value) {
  FHint = Value;
  UpdateWidget();
}

void TControl::SetShowHint(bool Value) {
  FShowHint = Value;
  FParentShowHint = false;
  UpdateWidget();
  ParentChanged();
}

void TControl::SetParentShowHint(bool Value) {
  FParentShowHint = Value;
  if (Value && FParent) FShowHint = FParent->ShowHint();
  UpdateWidget();
  ParentChanged();
}

std::string TControl::EffectiveToolTip() const {
  return FShowHint ? FHint : std::string();
}

void TControl::SetFontHeight(int Height) {
  FNative->SetFontHeight(std::max(1, std::abs(Height)));
}

void TControl::SetCursor(TCursor Value) {
  FCursor = Value;
  UpdateWidget();
}

void TControl::SetText(const std::string& Value) {
  FText = Value;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::SetName(const std::string& NewName) {
  const bool follows = !IsLoading() && GetText() == Name();
  TComponent::SetName(NewName);
  if (follows) SetText(NewName);
}

void TControl::Destroy() {
  SetParent(nullptr);
  TComponent::Destroy();
}

TColor TControl::EffectiveColor() const {
  return FColor;
}
bool TControl::EffectiveShowHint() const {
  return FShowHint;
}

void TControl::ParentChanged() {
  // A control that follows its parent takes the parent's values again.
  if (FParent) {
    if (FParentColor) FColor = FParent->Color();
    if (FParentShowHint) FShowHint = FParent->ShowHint();
  }
  UpdateWidget();
}

void TControl::UpdateWidget() {
  if (!FNative) return;
  TControlLook look;
  look.ToolTip = EffectiveToolTip();
  look.Cursor = FCursor;
  look.Enabled = FEnabled;
  look.Visible = FVisible;
  look.Rgb = ColorToRGB(EffectiveColor());
  FNative->SetLook(look);
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

const TPropTable& TWinControl::ClassProperties() {
  static const TPropTable table(&TControl::ClassProperties(), {OtherProp("TabStop")});
  return table;
}

TControl* TWinControl::Controls(int Index) const {
  // Non-windowed children first, then windowed ones, each in the order of placement.
  int i = 0;
  for (bool windowed : {false, true})
    for (TControl* c : FControls)
      if (c->IsWindowed() == windowed && i++ == Index) return c;
  return nullptr;
}

void TWinControl::InsertControl(TControl* Control) {
  FControls.push_back(Control);
}

void TWinControl::RemoveControl(TControl* Control) {
  std::erase(FControls, Control);
}

TNativeControl* TWinControl::ClientNative() const {
  return Native();
}

TRect TWinControl::ClientRect() const {
  return {0, 0, Width(), Height()};
}

void TWinControl::AlignControls() {
  static thread_local int depth = 0;
  if (depth > 8) return;  // aligning children may resize this control; that settles at once
  ++depth;
  TRect room = ClientRect();
  for (TAlign pass :
       {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient}) {
    for (int i = 0; i < ControlCount(); ++i) {
      TControl* c = Controls(i);
      if (c->Align() != pass || !c->Visible()) continue;
      switch (pass) {
        case TAlign::alTop:
          c->SetBounds(room.Left, room.Top, room.Width(), c->Height());
          room.Top += c->Height();
          break;
        case TAlign::alBottom:
          c->SetBounds(room.Left, room.Bottom - c->Height(), room.Width(), c->Height());
          room.Bottom -= c->Height();
          break;
        case TAlign::alLeft:
          c->SetBounds(room.Left, room.Top, c->Width(), room.Height());
          room.Left += c->Width();
          break;
        case TAlign::alRight:
          c->SetBounds(room.Right - c->Width(), room.Top, c->Width(), room.Height());
          room.Right -= c->Width();
          break;
        default:
          c->SetBounds(room.Left, room.Top, room.Width(), room.Height());
          break;
      }
    }
  }
  --depth;
}

void TWinControl::SetFocus() {
  if (Native()) Native()->SetFocus();
}

bool TWinControl::Focused() const {
  return Native() && Native()->HasFocus();
}

void TWinControl::SetTabStop(bool Value) {
  FTabStop = Value;
  if (Native()) Native()->SetTabStop(Value);
}

void TWinControl::DestroyHandle() {
  if (!FHandleAllocated) return;
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(Controls(i))) w->DestroyHandle();
  DestroyWnd();
  FHandleAllocated = false;
}

void TWinControl::CreateHandle() {
  if (FHandleAllocated) return;
  FHandleAllocated = true;
  CreateWnd();
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(Controls(i))) w->CreateHandle();
}

void TWinControl::ParentChanged() {
  TControl::ParentChanged();
  for (TControl* c : FControls) c->ParentChanged();
}

void TWinControl::Destroy() {
  // Children stay with their owners; they only leave this parent, so that the window system
  // does not destroy their windows with this one.
  while (!FControls.empty()) FControls.back()->SetParent(nullptr);
  TControl::Destroy();
}

}  // namespace penvo
