#include "platform/ExtCtrls.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "platform/qt/Bridge.h"

namespace penvo {

namespace qt {
namespace {

class PanelWidget : public QFrame, public ControlLink {
 public:
  explicit PanelWidget(TPanel* control) : ControlLink(control) { setAutoFillBackground(true); }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QFrame::paintEvent(event);
    auto* panel = static_cast<TPanel*>(Control());
    if (!panel) return;
    QPainter painter(this);
    int flags = Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextDontClip;
    switch (panel->Alignment()) {
      case TAlignment::taLeftJustify:
        flags |= Qt::AlignLeft;
        break;
      case TAlignment::taRightJustify:
        flags |= Qt::AlignRight;
        break;
      case TAlignment::taCenter:
        flags |= Qt::AlignHCenter;
        break;
    }
    painter.drawText(contentsRect().adjusted(1, 0, -1, 0), flags, ToQ(panel->GetText()));
  }

  void mousePressEvent(QMouseEvent* event) override {
    pressed_ = event->button() == Qt::LeftButton;
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    // A click is a left press and release over the panel.
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->pos());
    pressed_ = false;
    if (click && Control()) Control()->Click();
  }

 private:
  bool pressed_ = false;
};

}  // namespace
}  // namespace qt

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) {
  SetWidget(std::make_unique<qt::PanelWidget>(this));
  SetColor(clBtnFace);
  SetBounds(0, 0, 185, 41);
}

const TPropTable& TPanel::ClassProperties() {
  static const TPropTable table(
      &TWinControl::ClassProperties(),
      {TextProp("Caption", &TPanel::GetText, &TPanel::SetText), OtherProp("BevelOuter"),
       OtherProp("BevelInner"), OtherProp("Alignment"), OtherProp("OnClick")});
  return table;
}

void TPanel::SetText(const std::string& Value) {
  TWinControl::SetText(Value);
  Widget()->update();
}

void TPanel::SetBevelOuter(TBevelCut Value) {
  FBevelOuter = Value;
  UpdateWidget();
}

void TPanel::SetBevelInner(TBevelCut Value) {
  FBevelInner = Value;
  UpdateWidget();
}

void TPanel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Widget()->update();
}

void TPanel::UpdateWidget() {
  TWinControl::UpdateWidget();
  auto* frame = static_cast<QFrame*>(Widget());
  const TBevelCut bevel = FBevelOuter != TBevelCut::bvNone ? FBevelOuter : FBevelInner;
  frame->setFrameStyle(bevel == TBevelCut::bvNone     ? QFrame::NoFrame
                       : bevel == TBevelCut::bvRaised ? (QFrame::Panel | QFrame::Raised)
                                                      : (QFrame::Panel | QFrame::Sunken));
  qt::SetPaletteColor(frame, QPalette::Window, Color());
  frame->update();
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FTimer(std::make_unique<QTimer>()) {
  QObject::connect(FTimer.get(), &QTimer::timeout, [this] {
    if (OnTimer) OnTimer(this);
  });
  Update();
}

TTimer::~TTimer() = default;

void TTimer::SetInterval(int Value) {
  FInterval = Value;
  Update();
}

void TTimer::SetEnabled(bool Value) {
  FEnabled = Value;
  Update();
}

void TTimer::Update() {
  if (FEnabled && FInterval > 0)
    FTimer->start(FInterval);
  else
    FTimer->stop();
}

}  // namespace penvo
