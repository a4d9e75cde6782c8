// Internal to platform/qt/: what every Qt peer does the same way.
#pragma once

#include <QFont>
#include <QPalette>
#include <QWidget>

#include "platform/Native.h"
#include "platform/qt/Bridge.h"

namespace penvo::qt {

// Tool tip, cursor, enabled state and (for a child) visibility.
void ApplyLook(QWidget* w, const TControlLook& Look);
// Whether Tab and a window's first focus may reach the widget.
void SetTabFocus(QWidget* w, bool Value);

inline void SetBackground(QWidget* w, QPalette::ColorRole Role, std::uint32_t Rgb) {
  QPalette palette = w->palette();
  palette.setColor(Role, QColor::fromRgb(Rgb));
  w->setPalette(palette);
}

// A Qt widget W as the peer I of a control.
template <class W, class I>
class Peer : public W, public I, public ControlLink {
 public:
  explicit Peer(TControl* control) : ControlLink(control) {}

  void Unlink() override {
    ControlLink::Unlink();
    this->blockSignals(true);
  }
  void SetParent(TNativeControl* Parent) override {
    if (Parent)
      this->setParent(dynamic_cast<QWidget*>(Parent));
    else if (this->parentWidget())
      this->setParent(nullptr);  // hides it; it no longer goes with the parent's widget
  }
  bool HasParent() const override { return this->parentWidget() != nullptr; }
  void SetGeometry(int Left, int Top, int Width, int Height) override {
    if (this->parentWidget())
      this->setGeometry(Left, Top, Width, Height);
    else
      this->resize(Width, Height);
  }
  void SetLook(const TControlLook& Look) override {
    ApplyLook(this, Look);
    ApplyColor(Look.Rgb);
  }
  void SetFontHeight(int Pixels) override {
    QFont font = this->font();
    font.setPixelSize(Pixels);
    this->setFont(font);
  }
  void SetFocus() override { this->setFocus(Qt::OtherFocusReason); }
  bool HasFocus() const override { return this->hasFocus(); }
  void SetTabStop(bool Value) override { SetTabFocus(this, Value); }
  void Repaint() override { this->update(); }

 protected:
  // Paints the background in the control's colour, where the widget has one.
  virtual void ApplyColor(std::uint32_t) {}
};

}  // namespace penvo::qt
