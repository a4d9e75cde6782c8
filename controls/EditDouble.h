// A one-line field that holds a floating-point value: only number characters get in, the value
// follows the text while the user types, and a range check marks values out of range.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "controls/qCheck.h"
#include "platform/StdCtrls.h"

namespace penvo {

// The character to let in when C is typed at position P (from 1) of text T; nullopt swallows it.
std::optional<char> FilterNumberChar(char C, const std::string& T, std::size_t P);

class TEditDouble : public TEdit {
 public:
  explicit TEditDouble(TComponent* AOwner);
  std::string ClassName() const override { return "TEditDouble"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  double Value() const { return FValue; }
  // Writes the number as text (unless it is within 1e-5 of the value) and stores it exactly.
  virtual void SetValue(double X);
  // The check; made by AfterConstruction, so a field is made by NewComponent or Make.
  TCheckLegal& Check() const { return *FCheck; }

  // Value := X, then the check.
  virtual void StoreValue(double X);
  // Stores the number S stands for (the value stays for a text that is no number, or one
  // beyond the range of double).
  virtual void ValueFromText(const std::string& S);
  // The value the check judges: Value, or infinity while the text stands for a number beyond
  // the range of double, which is out of every range.
  virtual double ReadValue() const;

  void KeyPress(char& Key) override;
  void Change() override;
  // Makes the check (CreateCheck) and shows the value 0.
  void AfterConstruction() override;

 protected:
  // Makes the check object (a range check of the value, red and in the hint when illegal).
  virtual std::unique_ptr<TCheckLegal> CreateCheck();

 private:
  double FValue = 0.0;
  bool FTextOutOfRange = false;  // the text is a number beyond the range of double
  std::unique_ptr<TCheckLegal> FCheck;
};

}  // namespace penvo
