// Tool bars and their separators.
#pragma once

#include <string>

#include "platform/Controls.h"

namespace penvo {

enum class TToolButtonStyle { tbsButton, tbsSeparator };

// A tool bar button; Penvo uses it as a separator: an empty gap of its width.
class TToolButton : public TControl {
 public:
  explicit TToolButton(TComponent* AOwner);
  std::string ClassName() const override { return "TToolButton"; }
  TToolButtonStyle Style() const { return FStyle; }
  void SetStyle(TToolButtonStyle Value) { FStyle = Value; }

 private:
  TToolButtonStyle FStyle = TToolButtonStyle::tbsButton;
};

// How a line of a border looks; esNone draws and takes nothing.
enum class TEdgeStyle { esNone, esRaised, esLowered };

// Lays its controls out left to right in the order they were placed, each with its own width;
// buttons take ButtonHeight. With AutoSize its height follows the tallest control.
class TToolBar : public TWinControl {
 public:
  explicit TToolBar(TComponent* AOwner);
  std::string ClassName() const override { return "TToolBar"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  int ButtonHeight() const { return FButtonHeight; }
  void SetButtonHeight(int Value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  // The edges that have a border; each takes a pixel for each of its inner and outer lines
  // whose style is not esNone.
  void SetEdgeBorders(bool Left, bool Top, bool Right, bool Bottom);
  void SetEdgeStyles(TEdgeStyle Inner, TEdgeStyle Outer);

  void AlignControls() override;
  bool ArrangesAllChildren() const override { return true; }
  TRect ClientRect() const override;

 private:
  int FButtonHeight = 22;
  bool FAutoSize = false;
  int EdgeSize() const;
  TRect FEdges{0, 0, 0, 0};  // 1 for an edge with a border
  TEdgeStyle FEdgeInner = TEdgeStyle::esRaised, FEdgeOuter = TEdgeStyle::esLowered;
};

}  // namespace penvo
