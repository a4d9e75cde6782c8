// A small program on the toolkit for the end-to-end tests of the toolkit itself: a maximized
// form that keeps the screen beneath it and draws red lines (mode 4, 5 pixels) with the mouse.
#include "platform/Forms.h"

namespace {

using namespace penvo;

class TDemoForm : public TForm {
 public:
  explicit TDemoForm(TComponent* AOwner) : TForm(AOwner) {
    SetText("Demo");
    SetWindowClass("TDemoForm");
    SetWindowState(TWindowState::wsMaximized);
    CaptureBeneath = true;
    OnMouseDown = [this](TPersistent*, TMouseButton, TShiftState, int x, int y) {
      Canvas().SetPen({clRed, 5, TPenStyle::psSolid, pmCopy});
      Canvas().MoveTo(x, y);
      OnMouseMove = [this](TPersistent*, TShiftState, int mx, int my) { Canvas().LineTo(mx, my); };
    };
    OnMouseUp = [this](TPersistent*, TMouseButton, TShiftState, int, int) {
      OnMouseMove = nullptr;
    };
  }
  // The screen beneath stays under the drawing.
  void EraseBackground() override {}
};

}  // namespace

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  app.CreateForm<TDemoForm>();
  app.Run();
  app.DestroyForms();
  return 0;
}
