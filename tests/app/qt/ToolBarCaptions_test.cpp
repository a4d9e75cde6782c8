// The options bar's captions in the desktop's font, measured with Qt's own metrics.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QStyle>
#include <string>
#include <vector>

#include "platform/qt/Bridge.h"
#include "tests/app/OverlayFixture.h"

namespace penvo {
namespace {

using test::Overlay;

// The width a caption's text takes in the widget's own font ("&" marks the accelerator).
int TextWidth(const QWidget* w, QString text) {
  text.remove('&');
  return w->fontMetrics().horizontalAdvance(text);
}

TEST_F(Overlay, EveryCaptionOfTheToolBarShowsWholeInTheDesktopsFontAndTheOrderStays) {
  O().Show();
  for (TCheckBoxIni* box : {O().CBFilled, O().CBAutoHide}) {
    const auto* w = static_cast<const QCheckBox*>(qt::WidgetOf(box));
    const int needed = TextWidth(w, w->text()) +
                       w->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                       w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
    EXPECT_LE(needed, w->width()) << box->Caption();
  }
  for (TPanel* panel : {O().EditWidth->CaptionPanel(), O().EditStyle->CaptionPanel(), O().PanelW1,
                        O().PanelW10, O().PanelW20, O().PanelSCopy, O().PanelSXOR,
                        O().PanelSTransparent, O().ButtonClear, O().ButtonHide}) {
    const auto* w = static_cast<const QFrame*>(qt::WidgetOf(panel));
    EXPECT_LE(TextWidth(w, QString::fromStdString(panel->Caption())) + 2 * w->frameWidth(),
              w->width())
        << panel->Caption();
  }
  const auto* combo = static_cast<const QComboBox*>(qt::WidgetOf(O().EditTypeComboBox));
  for (int i = 0; i < combo->count(); ++i)
    EXPECT_LE(TextWidth(combo, combo->itemText(i)), combo->lineEdit()->width())
        << combo->itemText(i).toStdString();
  // Controls whose texts fit keep the design's widths, in the design's order, all on the bar.
  EXPECT_EQ(O().PanelColor->Width(), 25);
  EXPECT_EQ(O().PanelYellow->Width(), 24);
  EXPECT_EQ(O().ToolButton8->Width(), 4);
  EXPECT_EQ(O().EditWidthEditDouble->Width(), 28);
  const std::vector<TControl*> order{
      O().PanelColor, O().EditWidth,  O().EditStyle,  O().EditType,   O().PanelYellow,
      O().PanelRed,   O().PanelW1,    O().PanelW20,   O().PanelSCopy, O().PanelSTransparent,
      O().CBFilled,   O().CBAutoHide, O().ButtonClear, O().ButtonHide};
  for (std::size_t i = 1; i < order.size(); ++i)
    EXPECT_GE(order[i]->Left(), order[i - 1]->Left() + order[i - 1]->Width()) << i;
  EXPECT_LE(O().ButtonHide->Left() + O().ButtonHide->Width(), O().ToolBar1->ClientRect().Right);
}

}  // namespace
}  // namespace penvo
