#include "controls/qCheck.h"

#include "controls/qdouble.h"
#include "platform/Controls.h"

namespace penvo {

TCheckLegal::TCheckLegal(TControl* Control) : FControl(Control) {}

const TPropTable& TCheckLegal::ClassProperties() {
  static const TPropTable table(
      &TPersistent::ClassProperties(),
      {TextProp("Reason", &TCheckLegal::GetReason, &TCheckLegal::SetReason),
       OtherProp("WarningColor"), OtherProp("ShowHint")});
  return table;
}

bool TCheckLegal::DoCheck() {
  if (!FControl || FControl->IsDesigning()) return true;
  const bool wasLegal = Legal;
  const std::string oldReason = Reason;
  if (OnCheck) OnCheck(*this);
  const bool legal = Legal;
  if (WarningColor != 0) {
    if (wasLegal && !legal) {
      FSavedParentColor = FControl->ParentColor();
      FSavedColor = FControl->Color();
      FControl->SetColor(WarningColor);
    } else if (!wasLegal && legal) {
      if (FSavedParentColor)
        FControl->SetParentColor(true);
      else
        FControl->SetColor(FSavedColor);
    }
  }
  if (ShowHint) {
    if (wasLegal && !legal) {
      FSavedParentShowHint = FControl->ParentShowHint();
      FSavedHint = FControl->Hint();
    }
    if (!legal && Reason != oldReason) {
      // Always rebuilt from the saved hint, so it never carries two reasons.
      FControl->SetShowHint(true);
      FControl->SetHint(FSavedHint + " " + Reason);
    }
    if (!wasLegal && legal) {
      FControl->SetHint(FSavedHint);
      FControl->SetParentShowHint(FSavedParentShowHint);
    }
  }
  return legal;
}

TCheckLimit::TCheckLimit(TControl* Control) : TCheckLegal(Control) {
  OnCheck = [this](TCheckLegal& Sender) { LimitCheck(Sender); };
}

const TPropTable& TCheckLimit::ClassProperties() {
  static const TPropTable table(&TCheckLegal::ClassProperties(),
                                {OtherProp("Min"), OtherProp("Max")});
  return table;
}

void TCheckLimit::SetMin(double Value) {
  FMin = Value;
  DoCheck();
}

void TCheckLimit::SetMax(double Value) {
  FMax = Value;
  DoCheck();
}

void TCheckLimit::LimitCheck(TCheckLegal&) {
  SetLegal(InRange(CurrentValue()));
  Reason =
      Legal ? std::string() : "Not in range [" + FloatToStr(FMin) + "," + FloatToStr(FMax) + "]";
}

}  // namespace penvo
