// The options window: an always-on-top tool bar with every drawing option, quick buttons for
// colours, widths and pen modes, Clear and Hide; and the one-key commands of the overlay.
#pragma once

#include <string>

#include "controls/EditDouble.h"
#include "controls/qEditPnl.h"
#include "controls/qinicomp.h"
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"
#include "settings/savepos.h"

namespace penvo {

class TFormOptions : public TForm {
 public:
  explicit TFormOptions(TComponent* AOwner);
  std::string ClassName() const override { return "TFormOptions"; }

  TEditIni* EditColor;
  TToolBar* ToolBar1;
  TPanel* PanelColor;
  TToolButton* ToolButton6;
  TCtrlPanel* EditWidth;
  TEditDouble* EditWidthEditDouble;
  TCtrlPanel* EditStyle;
  TEditDouble* EditStyleEditDouble;
  TToolButton* ToolButton1;
  TCtrlPanel* EditType;
  TComboBox* EditTypeComboBox;
  TToolButton* ToolButton4;
  TPanel *PanelYellow, *PanelGreen, *PanelAqua, *PanelFuchsia, *PanelRed;
  TToolButton* ToolButton2;
  TPanel *PanelW1, *PanelW3, *PanelW5, *PanelW10, *PanelW20;
  TToolButton* ToolButton3;
  TPanel *PanelSCopy, *PanelSXOR, *PanelSTransparent;
  TToolButton* ToolButton8;
  TCheckBoxIni* CBFilled;
  TToolButton* ToolButton7;
  TCheckBoxIni* CBAutoHide;
  TToolButton* ToolButton5;
  TPanel* ButtonClear;
  TPanel* ButtonHide;
  TSavePos* SavePos1;

  // Hides the window when hide-after-use is on.
  void AutoHide();
  // The one-key command for Key, typed on the overlay (letters in lower case only); every
  // character that is no command minimizes the program.
  void KeyCommand(char Key);

  void FormCreate(TPersistent* Sender);
  void FormShow(TPersistent* Sender);
  void PanelYellowClick(TPersistent* Sender);
  void PanelW1Click(TPersistent* Sender);
  void PanelSCopyClick(TPersistent* Sender);
  void EditColorChange(TPersistent* Sender);
  void EditTypeComboBoxChange(TPersistent* Sender);
  void ButtonClearClick(TPersistent* Sender);
  void ButtonHideClick(TPersistent* Sender);

 private:
  void Describe();
  // Widens, just enough, each control whose caption or items the desktop's font draws wider
  // than the design's width (made for a narrower font); the others keep theirs, and the order
  // stays. The window grows with the tool bar where it must.
  void FitTexts();
};

// The options window of the program (owned by the application).
extern TFormOptions* FormOptions;

// The colour text a colour panel writes: "$" and six upper-case hexadecimal digits.
std::string ColorPanelText(TColor Color);

}  // namespace penvo
