// A text field and a check box that keep their values between runs and save every change.
#pragma once

#include <memory>
#include <string>

#include "platform/StdCtrls.h"
#include "settings/qIniSave.h"

namespace penvo {

// Stores its "Text"; every change of the text is written at once.
class TEditIni : public TEdit {
 public:
  explicit TEditIni(TComponent* AOwner);
  ~TEditIni() override;
  std::string ClassName() const override { return "TEditIni"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  TIniSave& Ini() const { return *FIni; }
  std::string GetAsString() const { return GetText(); }
  void SetAsString(const std::string& Value) { SetText(Value); }

  void Loaded() override;
  void Change() override;
  void Destroy() override;

 protected:
  void DestroyWnd() override;
  void CreateWnd() override;

 private:
  std::unique_ptr<TIniSave> FIni;
};

// Stores its state as "0", "1" or "2"; every change of state is written at once.
class TCheckBoxIni : public TCheckBox {
 public:
  explicit TCheckBoxIni(TComponent* AOwner);
  ~TCheckBoxIni() override;
  std::string ClassName() const override { return "TCheckBoxIni"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  TIniSave& Ini() const { return *FIni; }
  // The state as a number; a text that is no number unchecks, numbers are held to 0..2.
  virtual std::string GetAsString() const;
  virtual void SetAsString(const std::string& Value);

  void Loaded() override;
  void Click() override;
  void SetName(const std::string& NewName) override;
  void Destroy() override;

 private:
  std::unique_ptr<TIniSave> FIni;
};

}  // namespace penvo
