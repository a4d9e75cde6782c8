// Keeps a form's position and size between runs: read at the form's loaded step, pulled back
// onto the screen when it would be out of sight, written when the form goes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "platform/Graphics.h"
#include "settings/qIniSave.h"

namespace penvo {

class TForm;

// "left,top,width,height" of Form; empty without a form.
std::string FormPosText(const TForm* Form);
// Applies such a text to Form (fields that are missing or no integers leave that coordinate),
// then moves a form that lies entirely off the primary screen back to its edge. With several
// monitors (Monitors, the desktop's by default), a form whose title bar lies partly on one of
// them stays where it is.
void ApplyFormPos(TForm* Form, std::string Text, bool NoPos, bool NoSize);
void ApplyFormPos(TForm* Form, std::string Text, bool NoPos, bool NoSize,
                  const std::vector<TRect>& Monitors);

class TSavePos : public TComponent {
 public:
  explicit TSavePos(TComponent* AOwner);
  ~TSavePos() override;
  std::string ClassName() const override { return "TSavePos"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  TIniSave& Ini() const { return *FIni; }
  TForm* Form() const { return FForm; }
  bool NoPos = false, NoSize = false, Enabled = true;

  virtual std::string GetAsString() const;
  virtual void SetAsString(const std::string& Value);

  void Loaded() override;
  void Destroy() override;

 private:
  TForm* FForm = nullptr;
  std::unique_ptr<TIniSave> FIni;
};

}  // namespace penvo
