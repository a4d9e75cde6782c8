// Value checks: whether a control's value is legal, with a reason, a warning colour and the
// reason in the control's hint while it is not; colour and hint come back when it is again.
#pragma once

#include <concepts>
#include <functional>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "platform/Graphics.h"

namespace penvo {

class TControl;

class TCheckLegal : public TPersistent {
 public:
  // The check judges and marks Control (not owned).
  explicit TCheckLegal(TControl* Control);
  std::string ClassName() const override { return "TCheckLegal"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  bool Legal = true;
  std::string Reason;
  // Judges the current value: sets Legal and Reason.
  std::function<void(TCheckLegal& Sender)> OnCheck;
  TColor WarningColor = 0;  // 0: no colour marking
  bool ShowHint = false;

  // Runs the check now and marks or unmarks the control; returns the verdict.
  virtual bool DoCheck();
  void SetLegal(bool Value) { Legal = Value; }
  // Reason := Format with its placeholders (%s, %d, %g, … with any flags, width or precision)
  // replaced by the arguments in turn, each written as text (numbers in the general number
  // format); "%%" is a percent sign. A placeholder without an argument stays empty.
  template <class... Args>
  void SetReasonFmt(const std::string& Format, const Args&... Arguments) {
    Reason = FormatTexts(Format, {ArgText(Arguments)...});
  }
  TControl* Control() const { return FControl; }

  std::string GetReason() const { return Reason; }
  void SetReason(const std::string& Value) { Reason = Value; }

 private:
  static std::string FormatTexts(const std::string& Format, const std::vector<std::string>& Texts);
  static std::string ArgText(const std::string& S) { return S; }
  static std::string ArgText(const char* S) { return S; }
  static std::string ArgText(double X);
  template <std::integral I>
  static std::string ArgText(I X) {
    return std::to_string(X);
  }

  TControl* FControl;
  TColor FSavedColor = 0;
  bool FSavedParentColor = false;
  bool FSavedParentShowHint = false;
  std::string FSavedHint;
};

// Checks a number against an inclusive range [Min, Max].
class TCheckLimit : public TCheckLegal {
 public:
  explicit TCheckLimit(TControl* Control);
  std::string ClassName() const override { return "TCheckLimit"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  double Min() const { return FMin; }
  double Max() const { return FMax; }
  // Each stores the bound and checks again.
  virtual void SetMin(double Value);
  virtual void SetMax(double Value);
  // Supplies the value to check.
  std::function<double()> OnGetValue;

  virtual double CurrentValue() const { return OnGetValue ? OnGetValue() : 0.0; }
  virtual bool InRange(double X) const { return X >= FMin && X <= FMax; }
  // The handler installed as OnCheck: legal in range, else "Not in range [Min,Max]".
  virtual void LimitCheck(TCheckLegal& Sender);

 private:
  double FMin = 0.0;
  double FMax = 1e100;
};

}  // namespace penvo
