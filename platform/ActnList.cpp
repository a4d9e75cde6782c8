#include "platform/ActnList.h"

#include "platform/Native.h"

namespace penvo {

TAction::TAction(TComponent* AOwner) : TComponent(AOwner) {}

TAction::~TAction() = default;

void TAction::SetShortCut(int Key, TWinControl* Form) {
  FShortCut = Key;
  FShortcut.reset();
  auto* window = Form ? dynamic_cast<TNativeForm*>(Form->Native()) : nullptr;
  if (!window || Key == 0) return;
  FShortcut = NewNativeShortcut(Key, window, [this] { Execute(); });
}

bool TAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

}  // namespace penvo
