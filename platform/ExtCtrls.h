// Panels and timers.
#pragma once

#include <memory>
#include <string>

#include "platform/Controls.h"


namespace penvo {

class TNativeTimer;

enum class TBevelCut { bvNone, bvLowered, bvRaised };

// A rectangle with a caption, a colour, bevels and a click notification; it can hold children.
class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* AOwner);
  std::string ClassName() const override { return "TPanel"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  void SetText(const std::string& Value) override;
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut Value);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut Value);
  // Where the caption stands within the panel.
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  int NaturalWidth() const override;

 protected:
  void UpdateWidget() override;

 private:
  TBevelCut FBevelOuter = TBevelCut::bvRaised;
  TBevelCut FBevelInner = TBevelCut::bvNone;
  TAlignment FAlignment = TAlignment::taCenter;
};

// A repeating timer on the user-interface thread: every Interval ms while Enabled, from its
// creation on.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  std::string ClassName() const override { return "TTimer"; }

  int Interval() const { return FInterval; }
  void SetInterval(int Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  TNotifyEvent OnTimer;

 private:
  void Update();
  int FInterval = 1000;
  bool FEnabled = true;
  std::unique_ptr<TNativeTimer> FTimer;
};

}  // namespace penvo
