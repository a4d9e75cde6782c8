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
  // The border on each edge, in pixels (0 or 1 per edge).
  void SetEdgeBorders(bool Left, bool Top, bool Right, bool Bottom);

  void AlignControls() override;
  bool ArrangesAllChildren() const override { return true; }
  TRect ClientRect() const override;

 private:
  int FButtonHeight = 22;
  bool FAutoSize = false;
  TRect FEdges{0, 0, 0, 0};
};

}  // namespace penvo
