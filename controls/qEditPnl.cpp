#include "controls/qEditPnl.h"

#include "util/qPropFunc.h"

namespace penvo {

TCtrlPanel::TCtrlPanel(TComponent* AOwner) : TPanel(AOwner) {
  TPanel::SetText(" ");  // the panel's own caption; the published Caption is the caption area's
  SetBevelOuter(TBevelCut::bvNone);
  SetAlignment(TAlignment::taLeftJustify);
  FIni = std::make_unique<TIniSave>(this);
  FCaptionPanel = NewComponent<TPanel>(*this);
  FCaptionPanel->SetAlignment(TAlignment::taLeftJustify);
  FCaptionPanel->SetParentColor(true);
  FCaptionPanel->SetBevelInner(TBevelCut::bvNone);
  FCaptionPanel->SetBevelOuter(TBevelCut::bvNone);
  FCaptionPanel->SetText("");
  FCaptionPanel->SetAlign(TAlign::alLeft);
  FCaptionPanel->SetParent(this);
  FAccelLabel = NewComponent<TLabel>(*this);
  FAccelLabel->SetAutoSize(false);
  FAccelLabel->SetBounds(-100, 0, 1, FAccelLabel->Height());
  FAccelLabel->SetParent(this);
  SetLabelWidth(60);
  SetLabelHeight(18);
}

TCtrlPanel::~TCtrlPanel() = default;

const TPropTable& TCtrlPanel::ClassProperties() {
  static const TPropTable table(
      &TPanel::ClassProperties(),
      {TextProp("Text", &TCtrlPanel::GetPanelText, &TCtrlPanel::SetPanelText),
       TextProp("AsString", &TCtrlPanel::GetAsString, &TCtrlPanel::SetAsString), OtherProp("Ini"),
       OtherProp("LabelWidth"), OtherProp("LAlign"), OtherProp("LAlignment"),
       OtherProp("LabelHeight"),
       TextProp("Caption", &TCtrlPanel::GetCaption, &TCtrlPanel::SetCaption),
       OtherProp("OnClick")});
  return table;
}

std::string TCtrlPanel::GetAsString() const {
  TControl* inner = const_cast<TCtrlPanel*>(this)->FindInnerControl();
  return inner ? inner->GetText() : std::string();
}

void TCtrlPanel::SetAsString(const std::string& Value) {
  if (TControl* inner = FindInnerControl()) inner->SetText(Value);
}

std::string TCtrlPanel::GetPanelText() const {
  TControl* inner = const_cast<TCtrlPanel*>(this)->FindInnerControl();
  return inner ? GetStringProp(inner, "Text", "") : std::string();
}

void TCtrlPanel::SetPanelText(const std::string& Value) {
  if (TControl* inner = FindInnerControl()) SetStringProp(inner, "Text", Value);
}

int TCtrlPanel::LabelWidth() const {
  return FCaptionPanel->Width();
}
void TCtrlPanel::SetLabelWidth(int Value) {
  FCaptionPanel->SetWidth(Value);
}

TAlign TCtrlPanel::LAlign() const {
  return FCaptionPanel->Align();
}

void TCtrlPanel::SetLAlign(TAlign Value) {
  // Only an edge alignment is taken; the size is set again either way.
  if (Value == TAlign::alTop || Value == TAlign::alBottom || Value == TAlign::alLeft ||
      Value == TAlign::alRight)
    FCaptionPanel->SetAlign(Value);
  FCaptionPanel->SetWidth(LabelWidth());
  FCaptionPanel->SetHeight(FLabelHeight);
}

TAlignment TCtrlPanel::LAlignment() const {
  return FCaptionPanel->Alignment();
}
void TCtrlPanel::SetLAlignment(TAlignment Value) {
  FCaptionPanel->SetAlignment(Value);
}

void TCtrlPanel::SetLabelHeight(int Value) {
  FLabelHeight = Value;
  FCaptionPanel->SetHeight(Value);
}

std::string TCtrlPanel::GetCaption() const {
  return FCaptionPanel->GetText();
}

void TCtrlPanel::SetCaption(const std::string& Value) {
  FCaptionPanel->SetText(Value);
  if (FAccelLabel) FAccelLabel->SetText(Value);
  UpdateAccelLabel();
}

void TCtrlPanel::SetOnClick(TNotifyEvent Handler) {
  FCaptionPanel->OnClick = std::move(Handler);
}

TControl* TCtrlPanel::FindInnerControl() {
  if (ControlCount() < 3) return nullptr;
  // Non-windowed children come first: the label, the caption area, then the input control.
  TControl* c = Controls(2);
  if (c != FInnerControl) {
    SetInnerControl(c);
    AdoptInnerControl();
  }
  return FInnerControl;
}

void TCtrlPanel::SetInnerControl(TControl* Control) {
  // The input control may belong to any owner: its going must reach this panel in any case.
  if (FInnerControl) RemoveFreeNotification(FInnerControl);
  FInnerControl = Control;
  if (FInnerControl) FreeNotification(FInnerControl);
}

void TCtrlPanel::AdoptInnerControl() {
  TControl* inner = FindInnerControl();
  if (!inner) return;
  UpdateAccelLabel();
  inner->SetAlign(TAlign::alClient);
  const std::string name = Name() + inner->ClassName().substr(1, 20);
  inner->SetName(name);
  if (GetPanelText() == name) SetPanelText("");
}

void TCtrlPanel::UpdateAccelLabel() {
  if (!FAccelLabel) return;
  FAccelLabel->SetFocusControl(FInnerControl && FInnerControl->IsWindowed()
                                   ? static_cast<TWinControl*>(FInnerControl)
                                   : nullptr);
}

void TCtrlPanel::MakeInnerControl() {
  SetInnerControl(CreateInnerControl());
  if (!FInnerControl) return;
  FInnerControl->SetParent(this);
  FInnerControl->SetWidth(80);
  SetPanelText("");
}

void TCtrlPanel::EnsureInnerControl() {
  if (!FindInnerControl() && !IsLoading()) MakeInnerControl();
  AdoptInnerControl();
}

void TCtrlPanel::Loaded() {
  TPanel::Loaded();
  EnsureInnerControl();
  FIni->LoadOnce();
}

void TCtrlPanel::Notification(TComponent* AComponent, TOperation Operation) {
  TPanel::Notification(AComponent, Operation);
  if (AComponent == FInnerControl) FInnerControl = nullptr;
  if (AComponent == FAccelLabel) FAccelLabel = nullptr;
}

void TCtrlPanel::SetName(const std::string& NewName) {
  const std::string old = Name();
  TPanel::SetName(NewName);
  SetCaption(RenameCaption(*this, NewName, old, GetCaption()));
  EnsureInnerControl();
}

void TCtrlPanel::DestroyWnd() {
  if (FIni) FIni->SaveOnClose();
  TPanel::DestroyWnd();
}

void TCtrlPanel::Destroy() {
  if (FIni) FIni->SaveOnClose();
  FIni.reset();
  TPanel::Destroy();
}

}  // namespace penvo
