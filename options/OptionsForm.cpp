#include "options/OptionsForm.h"

#include <cstdio>
#include <initializer_list>

#include "app/PenvoForm.h"
#include "controls/qdouble.h"
#include "draw/DrawObject.h"
#include "util/qstring.h"

namespace penvo {

TFormOptions* FormOptions = nullptr;

std::string ColorPanelText(TColor Color) {
  // "$%06x": upper-case hexadecimal, right-aligned in six places with blanks, which become 0.
  char text[32];
  std::snprintf(text, sizeof text, "$%6X", static_cast<unsigned>(Color));
  return ReplaceAll(text, " ", "0");
}

TFormOptions::TFormOptions(TComponent* AOwner) : TForm(AOwner) {
  Describe();
  FitTexts();
}

namespace {

// The pieces of the description: a control of the tool bar with its name, width and hint.
template <class T>
T* Place(TFormOptions& form, TWinControl* parent, const char* name, int width, int height,
         const char* hint) {
  T* c = form.Make<T>();
  c->SetName(name);
  c->SetBounds(0, 0, width, height);
  if (*hint) c->SetHint(hint);
  c->SetParent(parent);
  return c;
}

TToolButton* Separator(TFormOptions& form, TToolBar* bar, const char* name, int width) {
  TToolButton* b = Place<TToolButton>(form, bar, name, width, 20, "");
  b->SetStyle(TToolButtonStyle::tbsSeparator);
  return b;
}

TPanel* Button(TFormOptions& form, TToolBar* bar, const char* name, int width, const char* caption,
               const char* hint, TNotifyEvent onClick, TColor color = clBtnFace, int tag = 0) {
  TPanel* p = Place<TPanel>(form, bar, name, width, 20, hint);
  p->SetCaption(caption);
  if (color != clBtnFace) p->SetColor(color);
  p->SetTag(tag);
  p->OnClick = std::move(onClick);
  return p;
}

}  // namespace

void TFormOptions::Describe() {
  SetName("FormOptions");
  SetText("Penvo Options");
  SetWindowClass("TFormOptions");
  SetSystemMenuOnly(true);
  SetFormStyle(TFormStyle::fsStayOnTop);
  SetBounds(122, 134, 852, 51);
  SetFontHeight(-11);
  const auto on = [this](void (TFormOptions::*handler)(TPersistent*)) {
    return [this, handler](TPersistent* sender) { (this->*handler)(sender); };
  };

  EditColor = Place<TEditIni>(*this, this, "EditColor", 41, 21, "");
  EditColor->SetText("$FF0000");
  // The tool bar covers it: the keyboard must never land in a field the user cannot see.
  EditColor->SetTabStop(false);
  EditColor->OnChange = on(&TFormOptions::EditColorChange);
  EditColor->Ini().AutoSave = true;
  EditColor->Ini().PropName = "Text";

  ToolBar1 = Place<TToolBar>(*this, this, "ToolBar1", 852, 20, "");
  ToolBar1->SetAlign(TAlign::alTop);
  ToolBar1->SetAutoSize(true);
  ToolBar1->SetButtonHeight(20);
  ToolBar1->SetEdgeBorders(true, true, true, true);
  ToolBar1->SetEdgeStyles(TEdgeStyle::esNone, TEdgeStyle::esNone);
  ToolBar1->SetShowHint(true);

  PanelColor = Place<TPanel>(*this, ToolBar1, "PanelColor", 25, 20, "Current color");
  PanelColor->SetCaption(" ");
  PanelColor->SetColor(clRed);
  ToolButton6 = Separator(*this, ToolBar1, "ToolButton6", 3);

  EditWidth = Place<TCtrlPanel>(*this, ToolBar1, "EditWidth", 48, 20, "Line width");
  EditWidth->SetCaption("&W");
  EditWidth->SetLabelWidth(20);
  EditWidth->Ini().AutoSave = true;
  EditWidthEditDouble = Place<TEditDouble>(*this, EditWidth, "EditWidthEditDouble", 28, 20, "");
  EditWidthEditDouble->SetText("20");
  auto& widthCheck = static_cast<TCheckLimit&>(EditWidthEditDouble->Check());
  widthCheck.WarningColor = clRed;
  widthCheck.ShowHint = true;
  widthCheck.SetMax(1e100);

  EditStyle = Place<TCtrlPanel>(*this, ToolBar1, "EditStyle", 48, 20, "");
  EditStyle->SetCaption("&S");
  EditStyle->SetLabelWidth(20);
  EditStyle->Ini().AutoSave = true;
  EditStyleEditDouble =
      Place<TEditDouble>(*this, EditStyle, "EditStyleEditDouble", 28, 20, "Line style");
  EditStyleEditDouble->SetText("12");
  auto& styleCheck = static_cast<TCheckLimit&>(EditStyleEditDouble->Check());
  styleCheck.WarningColor = clRed;
  styleCheck.ShowHint = true;
  styleCheck.SetMax(1e100);
  ToolButton1 = Separator(*this, ToolBar1, "ToolButton1", 8);

  EditType = Place<TCtrlPanel>(*this, ToolBar1, "EditType", 77, 21, "Object to draw");
  EditType->SetCaption("1");
  EditType->SetLabelWidth(0);
  EditType->Ini().AutoSave = true;
  EditType->Ini().PropName = "Text";
  EditTypeComboBox = Place<TComboBox>(*this, EditType, "EditTypeComboBox", 77, 21, "");
  EditTypeComboBox->SetText("FreeLine");
  EditTypeComboBox->OnChange = on(&TFormOptions::EditTypeComboBoxChange);
  ToolButton4 = Separator(*this, ToolBar1, "ToolButton4", 8);

  const auto colorClick = on(&TFormOptions::PanelYellowClick);
  PanelYellow = Button(*this, ToolBar1, "PanelYellow", 24, " ", "Yellow", colorClick, clYellow);
  PanelGreen = Button(*this, ToolBar1, "PanelGreen", 24, " ", "Green", colorClick, clLime);
  PanelAqua = Button(*this, ToolBar1, "PanelAqua", 24, " ", "Aqua", colorClick, clAqua);
  PanelFuchsia = Button(*this, ToolBar1, "PanelFuchsia", 24, " ", "Fuchsia", colorClick, clFuchsia);
  PanelRed = Button(*this, ToolBar1, "PanelRed", 24, " ", "Red", colorClick, clRed);
  ToolButton2 = Separator(*this, ToolBar1, "ToolButton2", 8);

  const auto widthClick = on(&TFormOptions::PanelW1Click);
  PanelW1 = Button(*this, ToolBar1, "PanelW1", 16, "1", "Line width 1", widthClick);
  PanelW3 = Button(*this, ToolBar1, "PanelW3", 16, "3", "Line width 3", widthClick);
  PanelW5 = Button(*this, ToolBar1, "PanelW5", 16, "5", "Line width 5", widthClick);
  PanelW10 = Button(*this, ToolBar1, "PanelW10", 16, "10", "Line width 10", widthClick);
  PanelW20 = Button(*this, ToolBar1, "PanelW20", 16, "20", "Line width 20", widthClick);
  ToolButton3 = Separator(*this, ToolBar1, "ToolButton3", 8);

  const auto modeClick = on(&TFormOptions::PanelSCopyClick);
  PanelSCopy = Button(*this, ToolBar1, "PanelSCopy", 48, "Opaque", "Opaque = not transparent",
                      modeClick, clBtnFace, 4);
  PanelSXOR =
      Button(*this, ToolBar1, "PanelSXOR", 37, "XOR", "XOR-drawing", modeClick, clBtnFace, 15);
  PanelSTransparent = Button(*this, ToolBar1, "PanelSTransparent", 48, "Transp", "Transparent line",
                             modeClick, clBtnFace, 12);
  ToolButton8 = Separator(*this, ToolBar1, "ToolButton8", 4);

  CBFilled = Place<TCheckBoxIni>(*this, ToolBar1, "CBFilled", 40, 20,
                                 "Is the drwaing object filled or not");
  CBFilled->SetCaption("&Filled");
  CBFilled->SetChecked(true);
  CBFilled->SetAlignment(TAlignment::taLeftJustify);
  ToolButton7 = Separator(*this, ToolBar1, "ToolButton7", 8);
  CBAutoHide =
      Place<TCheckBoxIni>(*this, ToolBar1, "CBAutoHide", 40, 20, "Autohide option form after use");
  CBAutoHide->SetCaption("&Hide");
  CBAutoHide->SetChecked(true);
  CBAutoHide->SetAlignment(TAlignment::taLeftJustify);
  ToolButton5 = Separator(*this, ToolBar1, "ToolButton5", 8);

  ButtonClear = Button(*this, ToolBar1, "ButtonClear", 32, "Clear", "Clear picture",
                       on(&TFormOptions::ButtonClearClick));
  ButtonHide = Button(*this, ToolBar1, "ButtonHide", 32, "Hide", "Hide penvo (Space)",
                      on(&TFormOptions::ButtonHideClick));

  SavePos1 = Make<TSavePos>();
  SavePos1->SetName("SavePos1");

  OnCreate = on(&TFormOptions::FormCreate);
  OnShow = on(&TFormOptions::FormShow);
  EndDescription();
}

void TFormOptions::FitTexts() {
  const auto grow = [](TControl* c, int by) {
    if (by > 0) c->SetWidth(c->Width() + by);
  };
  for (TControl* c : std::initializer_list<TControl*>{
           PanelW1, PanelW3, PanelW5, PanelW10, PanelW20, PanelSCopy, PanelSXOR,
           PanelSTransparent, CBFilled, CBAutoHide, ButtonClear, ButtonHide})
    grow(c, c->NaturalWidth() - c->Width());
  for (TCtrlPanel* p : {EditWidth, EditStyle}) {
    const int by = p->CaptionPanel()->NaturalWidth() - p->LabelWidth();
    if (by <= 0) continue;
    p->SetLabelWidth(p->LabelWidth() + by);
    grow(p, by);
  }
  // The combo box fills its panel.
  grow(EditType, EditTypeComboBox->NaturalWidth() - EditTypeComboBox->Width());
  const int beyond = ButtonHide->Left() + ButtonHide->Width() - ToolBar1->ClientRect().Right;
  grow(this, beyond);
}

void TFormOptions::AutoHide() {
  if (CBAutoHide->Checked()) Hide();
}

void TFormOptions::FormCreate(TPersistent*) {
  std::vector<std::string> names;
  ExampleObjects->GetNames(names);
  for (const std::string& name : names) EditTypeComboBox->AddItem(name);
}

void TFormOptions::FormShow(TPersistent*) {
  if (!CBAutoHide->Checked()) return;
  // Centred on the mouse, which is read afresh for each coordinate.
  SetTop(MousePos().Y - Height() / 2);
  SetLeft(MousePos().X - Width() / 2);
}

void TFormOptions::PanelYellowClick(TPersistent* Sender) {
  auto* panel = dynamic_cast<TPanel*>(Sender);
  if (!panel) return;
  EditColor->SetText(ColorPanelText(panel->Color()));
  AutoHide();
}

void TFormOptions::PanelW1Click(TPersistent* Sender) {
  auto* panel = dynamic_cast<TPanel*>(Sender);
  if (!panel) return;
  EditWidth->SetAsString(panel->Caption());
  AutoHide();
}

void TFormOptions::PanelSCopyClick(TPersistent* Sender) {
  auto* panel = dynamic_cast<TPanel*>(Sender);
  if (!panel) return;
  EditStyleEditDouble->SetValue(panel->Tag());
  AutoHide();
}

void TFormOptions::EditColorChange(TPersistent*) {
  PanelColor->SetColor(StrToIntDef(EditColor->Text(), 0));
}

void TFormOptions::EditTypeComboBoxChange(TPersistent*) {
  AutoHide();
}

void TFormOptions::ButtonClearClick(TPersistent*) {
  AutoHide();
  FormPenvo->ClearDrawing();
}

void TFormOptions::ButtonHideClick(TPersistent*) {
  Application()->Minimize();
}

void TFormOptions::KeyCommand(char Key) {
  if (Key >= '1' && Key <= '9') {
    EditWidth->SetAsString(std::string(1, Key));
    return;
  }
  switch (Key) {
    case '0':
      EditWidth->SetAsString("10");
      break;
    case '+':
      EditWidth->SetAsString("20");
      break;
    case 'x':
      EditStyle->SetAsString("15");
      break;
    case 't':
      EditStyle->SetAsString("12");
      break;
    case 'o':
      EditStyle->SetAsString("4");
      break;
    case 'r':
      EditColor->SetAsString("$0000ff");
      break;
    case 'g':
      EditColor->SetAsString("$00ff00");
      break;
    case 'y':
      EditColor->SetAsString("$00ffff");
      break;
    case 'v':
      EditColor->SetAsString("$ff00ff");
      break;
    case 'a':
      EditColor->SetAsString("$ffff00");
      break;
    case 's':
      EditType->SetAsString("Rectangle");
      break;
    case 'l':
      EditType->SetAsString("Line");
      break;
    case 'e':
      EditType->SetAsString("Ellipse");
      break;
    case 'z':
      EditType->SetAsString("FreeLine");
      break;
    case 'c':
      FormPenvo->ClearDrawing();
      break;
    case ' ':
      FormPenvo->RefreshScreen();
      break;
    case 'f':
      CBFilled->SetChecked(!CBFilled->Checked());
      break;
    case 8:
      FormPenvo->Undo();
      break;
    case 127:
      FormPenvo->Redo();
      break;
    case 13:
      FormPenvo->ApplyAndRefresh();
      break;
    default:
      Application()->Minimize();
      break;
  }
}

}  // namespace penvo
