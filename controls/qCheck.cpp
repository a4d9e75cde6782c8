#include "controls/qCheck.h"

#include <string_view>

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

std::string TCheckLegal::ArgText(double X) {
  return FloatToStr(X);
}

std::string TCheckLegal::FormatTexts(const std::string& Format,
                                     const std::vector<std::string>& Texts) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < Format.size(); ++i) {
    if (Format[i] != '%') {
      out += Format[i];
      continue;
    }
    if (i + 1 < Format.size() && Format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // Flags, index, width and precision, then the type letter.
    std::size_t j = i + 1;
    while (j < Format.size() &&
           std::string_view("-0123456789.:*").find(Format[j]) != std::string_view::npos)
      ++j;
    if (j >= Format.size()) {
      out += Format.substr(i);  // a lone percent sign at the end stays as it is
      break;
    }
    if (next < Texts.size()) out += Texts[next];
    ++next;
    i = j;
  }
  return out;
}

void TCheckLimit::SetMax(double Value) {
  FMax = Value;
  DoCheck();
}

void TCheckLimit::LimitCheck(TCheckLegal&) {
  SetLegal(InRange(CurrentValue()));
  if (Legal)
    Reason.clear();
  else
    SetReasonFmt("Not in range [%g,%g]", FMin, FMax);
}

}  // namespace penvo
