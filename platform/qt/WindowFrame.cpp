#include "platform/WindowFrame.h"

#include "platform/Forms.h"
#include "platform/qt/Bridge.h"
#include "platform/qt/WindowSystem.h"

namespace penvo {

void OfferOnlyCloseBox(TForm& Form) {
  qt::OfferOnlyClose(qt::WidgetOf(&Form));
}

}  // namespace penvo
