#include "platform/ActnList.h"

#include <QShortcut>
#include <QWidget>

namespace penvo {

TAction::TAction(TComponent* AOwner) : TComponent(AOwner) {}

TAction::~TAction() = default;

void TAction::SetShortCut(int Key, TWinControl* Form) {
  FShortCut = Key;
  FQtShortcut.reset();
  if (!Form || Key == 0) return;
  // Function keys F1..F24 are the virtual keys 112..135.
  const int qtKey = Key >= vkF1 && Key < vkF1 + 24 ? Qt::Key_F1 + (Key - vkF1) : Key;
  FQtShortcut = std::make_unique<QShortcut>(QKeySequence(qtKey), Form->Widget());
  FQtShortcut->setContext(Qt::WindowShortcut);
  QObject::connect(FQtShortcut.get(), &QShortcut::activated, [this] { Execute(); });
}

bool TAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

}  // namespace penvo
