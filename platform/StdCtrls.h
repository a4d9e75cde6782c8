// Standard controls: label, one-line edit, combo box, check box.
#pragma once

#include <string>
#include <vector>

#include "platform/Controls.h"

namespace penvo {

// A caption without a window of its own; "&" marks the accelerator letter, and Alt with that
// letter focuses FocusControl.
class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* AOwner);
  std::string ClassName() const override { return "TLabel"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  void SetText(const std::string& Value) override;
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  void SetAutoSize(bool Value);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TWinControl* FFocusControl = nullptr;
  bool FAutoSize = true;
};

// A one-line text field. Every change of its text (typed or set by the program) runs Change;
// every typed character runs KeyPress first, which may replace or swallow it.
class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* AOwner);
  std::string ClassName() const override { return "TEdit"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  std::string GetText() const override;
  void SetText(const std::string& Value) override;
  std::string Text() const { return GetText(); }

  // Caret position (from 0) and selection length.
  int SelStart() const;
  void SetSelStart(int Value);
  int SelLength() const;
  void SetSelLength(int Value);

  TNotifyEvent OnChange;
  TKeyPressEvent OnKeyPress;

  // The change notification: raises OnChange. Subclasses act before or after it.
  virtual void Change();
  // The key-press notification: raises OnKeyPress; Key 0 swallows the character.
  virtual void KeyPress(char& Key);
};

// An editable drop-down list. OnChange runs for each typed change and each choice from the
// list, never when the program sets the text.
class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent* AOwner);
  std::string ClassName() const override { return "TComboBox"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  std::string GetText() const override;
  void SetText(const std::string& Value) override;
  std::string Text() const { return GetText(); }

  std::vector<std::string> Items() const;
  int NaturalWidth() const override;
  void AddItem(const std::string& Item);
  void ClearItems();

  TNotifyEvent OnChange;
  // Raises OnChange.
  virtual void Change();
};

enum class TCheckBoxState { cbUnchecked = 0, cbChecked = 1, cbGrayed = 2 };

// A check box with three states. Every change of state, the program's included, runs Click.
class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* AOwner);
  std::string ClassName() const override { return "TCheckBox"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  std::string GetText() const override;
  void SetText(const std::string& Value) override;

  TCheckBoxState State() const;
  void SetState(TCheckBoxState Value);
  bool Checked() const { return State() == TCheckBoxState::cbChecked; }
  void SetChecked(bool Value) {
    SetState(Value ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked);
  }
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value);
  // taLeftJustify puts the box to the right of the caption.
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  int NaturalWidth() const override;

  // While set, state changes do not run Click.
  bool ClicksDisabled = false;
  // The state changed (the user's click or the program's SetState): runs Click.
  void StateChanged();

 private:
  bool FAllowGrayed = false;
  TAlignment FAlignment = TAlignment::taRightJustify;
};

}  // namespace penvo
