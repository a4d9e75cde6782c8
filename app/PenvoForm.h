// The overlay: a maximized window that keeps the screen beneath it and shows the drawing over
// it; mouse gestures make drawing objects; the history of drawn and undone objects.
#pragma once

#include <memory>
#include <string>

#include "draw/DrawObject.h"
#include "platform/ActnList.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"

namespace penvo {

class TFormPenvo : public TForm {
 public:
  explicit TFormPenvo(TComponent* AOwner);
  std::string ClassName() const override { return "TFormPenvo"; }

  TApplicationEvents* ApplicationEvents1;
  TTimer* Timer1;
  TActionList* ActionList1;
  TAction* ActionHelpContents;
  TAction* ActionSavePicture;
  TAction* ActionCopyPicture;

  std::unique_ptr<TDrawingObjects> DrawnObjects;  // oldest first
  TPoint StartPoint;
  TPoint LastUpPoint;
  std::unique_ptr<TDrawingObjects> UndoneObjects;  // the last one comes back first
  // The gesture's object, the one just finished, or after undo and redo the last drawn one.
  TDrawingObject* CurrentObject = nullptr;
  bool SkipMinimize = false;
  bool SkipRestore = false;

  // Whether a gesture is in progress (mouse moves reach FormMouseMove).
  bool InGesture() const { return static_cast<bool>(OnMouseMove); }

  void FormCreate(TPersistent* Sender);
  void FormDestroy(TPersistent* Sender);
  void FormMouseDown(TPersistent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void FormMouseMove(TPersistent* Sender, TShiftState Shift, int X, int Y);
  void FormMouseUp(TPersistent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void FormKeyPress(TPersistent* Sender, char& Key);
  void FormContextPopup(TPersistent* Sender, TPoint MousePos, bool& Handled);
  void ApplicationEvents1Activate(TPersistent* Sender);
  void ApplicationEvents1Deactivate(TPersistent* Sender);
  void Timer1Timer(TPersistent* Sender);
  void ActionHelpContentsExecute(TPersistent* Sender);
  // Ctrl+S: what the overlay shows, as a new PNG file in the user's pictures folder; a note at
  // the mouse tells where it went, or why it could not be saved.
  void ActionSavePictureExecute(TPersistent* Sender);
  // Ctrl+C: what the overlay shows, on the clipboard.
  void ActionCopyPictureExecute(TPersistent* Sender);

  // Gives the current object the drawing options (filled, colour, mode, width).
  void ApplyOptions();
  // Shows the desktop as it now is, with exactly the drawn objects over it.
  void RefreshScreen();
  // Moves every drawn object to the undone list, newest first, and refreshes.
  void ClearDrawing();
  void Undo();
  void Redo();
  void ApplyAndRefresh();

  void Paint() override;
  // The background is never painted: the screen beneath stays.
  void EraseBackground() override {}

 private:
  void Describe();
  // Ends a gesture in progress without finishing its object (which is dropped).
  void CancelGesture();

  // The object of the gesture in progress: owned here until the release hands it to
  // DrawnObjects, or dropped by a new press.
  std::unique_ptr<TDrawingObject> FGestureObject;
  // Draws DrawnObjects (a repaint, a redo) in one pass however many there are.
  TDrawingCache FDrawing;
};

// The overlay window of the program (owned by the application).
extern TFormPenvo* FormPenvo;

}  // namespace penvo
