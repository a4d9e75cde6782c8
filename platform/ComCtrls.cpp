#include "platform/ComCtrls.h"

#include <algorithm>

namespace penvo {

TToolButton::TToolButton(TComponent* AOwner) : TControl(AOwner) {
  SetBounds(0, 0, 23, 22);
}

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 150, 29);
}

const TPropTable& TToolBar::ClassProperties() {
  static const TPropTable table(
      &TWinControl::ClassProperties(),
      {OtherProp("ButtonHeight"), OtherProp("AutoSize"), OtherProp("EdgeBorders"),
       OtherProp("EdgeInner"), OtherProp("EdgeOuter"), OtherProp("ShowHint")});
  return table;
}

void TToolBar::SetButtonHeight(int Value) {
  FButtonHeight = Value;
  AlignControls();
}

void TToolBar::SetAutoSize(bool Value) {
  FAutoSize = Value;
  AlignControls();
}

void TToolBar::SetEdgeBorders(bool Left, bool Top, bool Right, bool Bottom) {
  FEdges = {Left ? 1 : 0, Top ? 1 : 0, Right ? 1 : 0, Bottom ? 1 : 0};
  AlignControls();
}

void TToolBar::SetEdgeStyles(TEdgeStyle Inner, TEdgeStyle Outer) {
  FEdgeInner = Inner;
  FEdgeOuter = Outer;
  AlignControls();
}

int TToolBar::EdgeSize() const {
  return (FEdgeInner != TEdgeStyle::esNone ? 1 : 0) + (FEdgeOuter != TEdgeStyle::esNone ? 1 : 0);
}

TRect TToolBar::ClientRect() const {
  const int e = EdgeSize();
  return {FEdges.Left * e, FEdges.Top * e, Width() - FEdges.Right * e,
          Height() - FEdges.Bottom * e};
}

void TToolBar::AlignControls() {
  static thread_local bool busy = false;
  if (busy) return;
  busy = true;
  const TRect room = ClientRect();
  int x = room.Left, tallest = 0;
  for (TControl* c : PlacementOrder()) {
    if (!c->Visible()) continue;
    const int h = dynamic_cast<TToolButton*>(c) ? FButtonHeight : c->Height();
    c->SetBounds(x, room.Top, c->Width(), h);
    x += c->Width();
    tallest = std::max(tallest, h);
  }
  busy = false;
  if (FAutoSize && tallest > 0) {
    const int height = (FEdges.Top + FEdges.Bottom) * EdgeSize() + tallest;
    if (height != Height()) SetHeight(height);
  }
}

}  // namespace penvo
