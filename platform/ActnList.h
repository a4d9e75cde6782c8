// Actions with keyboard shortcuts.
#pragma once

#include <memory>
#include <string>

#include "platform/Controls.h"


namespace penvo {

class TNativeShortcut;

// Virtual-key codes of the keys Penvo binds (the key numbers a shortcut is stored by).
constexpr int vkF1 = 112;

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
  // Binds the shortcut (a virtual-key code such as vkF1) on the window of Form.
  void SetShortCut(int Key, TWinControl* Form);
  // Runs OnExecute; false when there is none.
  bool Execute();

 private:
  int FShortCut = 0;
  std::unique_ptr<TNativeShortcut> FShortcut;
};

}  // namespace penvo
