#include "app/PenvoForm.h"

#include <cmath>
#include <ctime>
#include <limits>
#include <optional>

#include "app/HelpFile.h"
#include "app/PictureFile.h"
#include "options/OptionsForm.h"
#include "platform/OsFiles.h"
#include "platform/OsFolders.h"
#include "platform/Picture.h"
#include "platform/Shell.h"

namespace penvo {

TFormPenvo* FormPenvo = nullptr;

TFormPenvo::TFormPenvo(TComponent* AOwner) : TForm(AOwner) {
  Describe();
}

void TFormPenvo::Describe() {
  SetName("FormPenvo");
  SetText("FormPenvo");
  SetWindowClass("TFormPenvo");
  SetBounds(192, 107, 497, 389);
  SetWindowState(TWindowState::wsMaximized);
  SetCursor(TCursor::crHandPoint);
  SetFontHeight(-11);
  CaptureBeneath = true;

  ApplicationEvents1 = Make<TApplicationEvents>();
  ApplicationEvents1->SetName("ApplicationEvents1");
  ApplicationEvents1->OnActivate = [this](TPersistent* s) { ApplicationEvents1Activate(s); };
  ApplicationEvents1->OnDeactivate = [this](TPersistent* s) { ApplicationEvents1Deactivate(s); };
  Timer1 = Make<TTimer>();
  Timer1->SetName("Timer1");
  Timer1->OnTimer = [this](TPersistent* s) { Timer1Timer(s); };
  ActionList1 = Make<TActionList>();
  ActionList1->SetName("ActionList1");
  ActionHelpContents = Make<TAction>();
  ActionHelpContents->SetName("ActionHelpContents");
  ActionHelpContents->ActionList = ActionList1;
  ActionHelpContents->Category = "Help";
  ActionHelpContents->Caption = "&Help";
  ActionHelpContents->SetShortCut(vkF1, this);
  ActionHelpContents->OnExecute = [this](TPersistent* s) { ActionHelpContentsExecute(s); };
  // Ctrl with a letter is taken before it becomes a character, so these two never reach the
  // key commands, where every other Ctrl+letter's control character minimizes.
  ActionSavePicture = Make<TAction>();
  ActionSavePicture->SetName("ActionSavePicture");
  ActionSavePicture->ActionList = ActionList1;
  ActionSavePicture->Category = "File";
  ActionSavePicture->Caption = "&Save picture";
  ActionSavePicture->SetShortCut(scCtrl + 'S', this);
  ActionSavePicture->OnExecute = [this](TPersistent* s) { ActionSavePictureExecute(s); };
  ActionCopyPicture = Make<TAction>();
  ActionCopyPicture->SetName("ActionCopyPicture");
  ActionCopyPicture->ActionList = ActionList1;
  ActionCopyPicture->Category = "Edit";
  ActionCopyPicture->Caption = "&Copy picture";
  ActionCopyPicture->SetShortCut(scCtrl + 'C', this);
  ActionCopyPicture->OnExecute = [this](TPersistent* s) { ActionCopyPictureExecute(s); };

  OnCreate = [this](TPersistent* s) { FormCreate(s); };
  OnDestroy = [this](TPersistent* s) { FormDestroy(s); };
  OnKeyPress = [this](TPersistent* s, char& key) { FormKeyPress(s, key); };
  OnMouseDown = [this](TPersistent* s, TMouseButton b, TShiftState sh, int x, int y) {
    FormMouseDown(s, b, sh, x, y);
  };
  OnMouseUp = [this](TPersistent* s, TMouseButton b, TShiftState sh, int x, int y) {
    FormMouseUp(s, b, sh, x, y);
  };
  OnContextPopup = [this](TPersistent* s, TPoint p, bool& handled) {
    FormContextPopup(s, p, handled);
  };
  EndDescription();
}

void TFormPenvo::FormCreate(TPersistent*) {
  DrawnObjects = std::make_unique<TDrawingObjects>();
  UndoneObjects = std::make_unique<TDrawingObjects>();
  // Windows marks the overlay transparent so that windows beneath paint first; here the
  // platform lays the captured screen beneath the surface instead.
}

void TFormPenvo::FormDestroy(TPersistent*) {
  FGestureObject.reset();  // nothing more is shown: no outline to wipe
  OnMouseMove = nullptr;
  CurrentObject = nullptr;
  DrawnObjects.reset();
  UndoneObjects.reset();
}

void TFormPenvo::Paint() {
  if (DrawnObjects) FDrawing.Draw(*DrawnObjects, Canvas());
  // A picture laid down afresh during a gesture (a refresh key, a switch to another program)
  // shows the object being drawn as the gesture left it, so that its next move goes on from
  // there: a drag's outline is back to be wiped, a free-hand line keeps its start.
  if (InGesture() && CurrentObject) CurrentObject->Draw(Canvas());
}

// Activation: switching to another program gets the overlay out of the way, coming back
// restores it; the flags, cleared every second, keep the two reactions from feeding each other.

void TFormPenvo::ApplicationEvents1Activate(TPersistent*) {
  SkipMinimize = true;
  if (!SkipRestore) Application()->Restore();
}

void TFormPenvo::ApplicationEvents1Deactivate(TPersistent*) {
  if (SkipMinimize) return;
  SkipRestore = true;
  Application()->Minimize();
}

void TFormPenvo::Timer1Timer(TPersistent*) {
  SkipMinimize = false;
  SkipRestore = false;
}

void TFormPenvo::ActionHelpContentsExecute(TPersistent*) {
  ShellOpen(HelpFilePath(Application()->ExeName()));
}

void TFormPenvo::ActionSavePictureExecute(TPersistent*) {
  const std::string dir = os::UserPicturesDir();
  if (dir.empty()) {
    ShowNote("The picture was not saved: there is no Pictures folder to save it in");
    return;
  }
  const std::time_t now = std::time(nullptr);
  const std::string path = FreePicturePath(dir, PictureFileStem(*std::localtime(&now)),
                                           [](const std::string& p) {
                                             return os::GetFileInfo(p).exists;
                                           });
  std::string error;
  if (SavePng(Surface(), path, error))
    ShowNote("Picture saved as " + path);
  else
    ShowNote("The picture was not saved in " + dir + ": " + error);
}

void TFormPenvo::ActionCopyPictureExecute(TPersistent*) {
  CopyToClipboard(Surface());
  ShowNote("Picture copied to the clipboard");
}

// Gestures

void TFormPenvo::FormMouseDown(TPersistent*, TMouseButton, TShiftState Shift, int X, int Y) {
  if (Shift.Right) return;
  // A press during a gesture drops the unfinished object: it is never drawn again.
  if (InGesture() && FGestureObject) FGestureObject->CancelDraw(Canvas());
  FGestureObject = ExampleObjects->NewObject(FormOptions->EditType->GetAsString());
  CurrentObject = FGestureObject.get();
  if (!CurrentObject) return;
  if (!Shift.Ctrl) StartPoint = {X, Y};
  if (Shift.Shift) StartPoint = LastUpPoint;
  ApplyOptions();
  CurrentObject->StartDraw(Canvas(), StartPoint.X, StartPoint.Y);
  OnMouseMove = [this](TPersistent* s, TShiftState sh, int x, int y) {
    FormMouseMove(s, sh, x, y);
  };
}

void TFormPenvo::FormMouseMove(TPersistent*, TShiftState, int X, int Y) {
  if (CurrentObject) CurrentObject->MoveDraw(Canvas(), X, Y);
}

void TFormPenvo::FormMouseUp(TPersistent*, TMouseButton, TShiftState, int X, int Y) {
  if (!CurrentObject || !InGesture()) return;
  CurrentObject->EndDraw(Canvas(), X, Y);
  DrawnObjects->Add(std::move(FGestureObject));
  LastUpPoint = {X, Y};
  OnMouseMove = nullptr;
}

void TFormPenvo::CancelGesture() {
  if (InGesture() && FGestureObject) FGestureObject->CancelDraw(Canvas());
  FGestureObject.reset();
  if (InGesture()) CurrentObject = nullptr;
  OnMouseMove = nullptr;
}

namespace {

// The option's value rounded to the nearest integer, ties to the even one; nullopt when it
// is not a number.
std::optional<double> Rounded(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  return std::nearbyint(value);  // the default rounding mode rounds ties to even
}

}  // namespace

void TFormPenvo::ApplyOptions() {
  if (!CurrentObject) return;
  TFormOptions& options = *FormOptions;
  CurrentObject->Filled = options.CBFilled->Checked();
  // A colour text may hold more than 24 bits; only the colour's own bytes count.
  CurrentObject->Pen.Color = options.PanelColor->Color() & 0x00FFFFFF;
  // A mode that names no raster operation is ignored, like a negative width.
  if (const auto mode = Rounded(options.EditStyleEditDouble->Value());
      mode && *mode >= 0 && *mode <= 15)
    CurrentObject->Pen.Mode = static_cast<int>(*mode);
  if (const auto width = Rounded(options.EditWidthEditDouble->Value()); width && *width >= 0)
    CurrentObject->Pen.Width =
        static_cast<std::int32_t>(std::min<double>(*width, TCanvas::kMaxPenWidth));
  CurrentObject->Restyle(Canvas());
}

// History

void TFormPenvo::RefreshScreen() {
  SkipMinimize = true;
  SkipRestore = true;
  const bool optionsShown = FormOptions->IsVisible();
  Application()->Minimize();
  Application()->Restore();
  if (optionsShown) FormOptions->Show();
  Show();
}

void TFormPenvo::ClearDrawing() {
  while (auto obj = DrawnObjects->PopLast()) UndoneObjects->Add(std::move(obj));
  RefreshScreen();
}

void TFormPenvo::Undo() {
  // Undo during a gesture first ends it; its unfinished object is dropped, so no object can
  // reach a list twice.
  CancelGesture();
  UndoneObjects->Add(DrawnObjects->PopLast());
  RefreshScreen();
  CurrentObject = DrawnObjects->Last();
}

void TFormPenvo::Redo() {
  CancelGesture();
  DrawnObjects->Add(UndoneObjects->PopLast());
  FDrawing.Draw(*DrawnObjects, Canvas());  // every drawn object again, over what is shown
  CurrentObject = DrawnObjects->Last();
}

void TFormPenvo::ApplyAndRefresh() {
  ApplyOptions();
  RefreshScreen();
}

void TFormPenvo::FormKeyPress(TPersistent*, char& Key) {
  const bool inGesture = InGesture();
  FormOptions->KeyCommand(Key);
  if (inGesture && InGesture()) ApplyOptions();
}

void TFormPenvo::FormContextPopup(TPersistent*, TPoint, bool&) {
  FormOptions->Show();
}

}  // namespace penvo
