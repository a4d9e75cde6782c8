// Actions with keyboard shortcuts.
#pragma once

#include <memory>
#include <string>

#include "platform/Controls.h"


namespace penvo {

class TNativeShortcut;

// Virtual-key codes of the keys Penvo binds (the key numbers a shortcut is stored by); a
// letter's code is its upper-case character ('S').
constexpr int vkF1 = 112;
// A shortcut is a virtual-key code plus the modifier keys held with it: scCtrl + 'S' is Ctrl+S.
constexpr int scShift = 0x2000;
constexpr int scCtrl = 0x4000;
constexpr int scAlt = 0x8000;

class TActionList : public TComponent {
 public:
  explicit TActionList(TComponent* AOwner) : TComponent(AOwner) {}
  std::string ClassName() const override { return "TActionList"; }
};

// A command with a caption, a category and a keyboard shortcut that runs OnExecute while the
// form it is bound to has the keyboard.
class TAction : public TComponent {
 public:
  explicit TAction(TComponent* AOwner);
  ~TAction() override;
  std::string ClassName() const override { return "TAction"; }

  std::string Caption, Category;
  TActionList* ActionList = nullptr;
  TNotifyEvent OnExecute;

  int ShortCut() const { return FShortCut; }
  // Binds the shortcut (a virtual-key code such as vkF1, with modifiers such as scCtrl + 'S')
  // on the window of Form.
  void SetShortCut(int Key, TWinControl* Form);
  // Runs OnExecute; false when there is none.
  bool Execute();

 private:
  int FShortCut = 0;
  std::unique_ptr<TNativeShortcut> FShortcut;
};

}  // namespace penvo
