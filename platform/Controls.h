// Controls: visual components with a parent, bounds, alignment, colour, hint and cursor. The
// rules live here, once; a native peer (platform/Native.h) shows each control in the window
// system, over Qt or over Win32.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "platform/Graphics.h"

namespace penvo {

class TWinControl;
class TNativeControl;

using TNotifyEvent = std::function<void(TPersistent* Sender)>;
using TKeyPressEvent = std::function<void(TPersistent* Sender, char& Key)>;

enum class TAlign { alNone = 0, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum class TAlignment { taLeftJustify = 0, taRightJustify, taCenter };
enum class TCursor { crDefault, crArrow, crHandPoint, crIBeam, crCross };

// Modifier keys and mouse buttons held at an event, the pressed button included.
struct TShiftState {
  bool Shift = false, Alt = false, Ctrl = false;
  bool Left = false, Right = false, Middle = false;
  bool Double = false;
  bool operator==(const TShiftState&) const = default;
};
enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// A visual component placed in a parent. The parent is not the owner: a control owned by a
// form may sit in a tool bar.
class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  std::string ClassName() const override { return "TControl"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  // Windowed controls can take the focus; a parent lists its other children first.
  virtual bool IsWindowed() const { return false; }

  TWinControl* Parent() const { return FParent; }
  // Places the control in Parent (nullptr takes it out).
  virtual void SetParent(TWinControl* AParent);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);

  TColor Color() const { return FColor; }
  // Setting a colour ends following the parent's colour.
  void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);

  std::string Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  bool ShowHint() const { return FShowHint; }
  // Setting it ends following the parent's setting.
  void SetShowHint(bool Value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value);
  // The tool tip as shown: the hint when the effective show-hint flag is on, else nothing.
  std::string EffectiveToolTip() const;

  // The font's height in pixels (a negative height, as form descriptions give it, means the
  // same); children without a font of their own take it.
  void SetFontHeight(int Height);

  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);

  // The control's caption or text (the window text of a windowed control).
  virtual std::string GetText() const { return FText; }
  virtual void SetText(const std::string& Value);
  std::string Caption() const { return GetText(); }
  void SetCaption(const std::string& Value) { SetText(Value); }
  // The width that shows the control's caption or items whole in its font, as the window
  // system draws them; 0 when it has none to show.
  virtual int NaturalWidth() const { return 0; }

  TNotifyEvent OnClick;
  // Raises OnClick.
  virtual void Click();

  // Renames; a caption that equalled the old name follows the new one.
  void SetName(const std::string& NewName) override;

  // The peer that shows the control (platform/ only).
  TNativeControl* Native() const { return FNative.get(); }

  void Destroy() override;

 protected:
  // Records bounds that the widget already has (the window system moved it).
  void StoreBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    FLeft = ALeft, FTop = ATop, FWidth = AWidth, FHeight = AHeight;
  }
  // Takes over the peer that shows the control (done once, by the subclass's constructor).
  void SetNative(std::unique_ptr<TNativeControl> Native);
  // Applies colour, hint, cursor and visibility to the peer again.
  virtual void UpdateWidget();
  // The colour actually shown, following the parent where asked.
  TColor EffectiveColor() const;
  bool EffectiveShowHint() const;
  // Called when a parent's colour or hint flag changed; passes it on to children.
  virtual void ParentChanged();

 private:
  friend class TWinControl;
  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = TAlign::alNone;
  bool FVisible = true, FEnabled = true;
  TColor FColor = clBtnFace;
  bool FParentColor = true;
  std::string FHint;
  bool FShowHint = false, FParentShowHint = true;
  TCursor FCursor = TCursor::crDefault;
  std::string FText;
  std::unique_ptr<TNativeControl> FNative;
};

// A control that has a window of its own: it can hold children and take the focus.
class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  std::string ClassName() const override { return "TWinControl"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();
  bool IsWindowed() const override { return true; }

  // The children: the non-windowed ones first, then the windowed ones, each group in the order
  // the children were placed here.
  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int Index) const;

  // Lays the aligned children out: top, bottom, left and right edges, then the client room.
  virtual void AlignControls();
  // Whether every child is placed by AlignControls (a tool bar), not only the aligned ones.
  virtual bool ArrangesAllChildren() const { return false; }
  // The room that alignment shares out (the whole client area by default).
  virtual TRect ClientRect() const;

  void SetFocus();
  bool Focused() const;
  // Whether Tab (and a window coming up) may give this control the keyboard; a click still may.
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value);

  // The window is going away (its peer stays, but the program ends or the window is made
  // again): children first, then this control.
  void DestroyHandle();
  // The window exists again: this control, then its children.
  void CreateHandle();
  bool HandleAllocated() const { return FHandleAllocated; }

  void Destroy() override;

 protected:
  // Told when the control's window is destroyed or created (the handle steps above).
  virtual void DestroyWnd() {}
  virtual void CreateWnd() {}
  // Where children's peers go (the control's own peer by default).
  virtual TNativeControl* ClientNative() const;
  // The children in the order they were placed here.
  const std::vector<TControl*>& PlacementOrder() const { return FControls; }
  void ParentChanged() override;

 private:
  friend class TControl;
  void InsertControl(TControl* Control);
  void RemoveControl(TControl* Control);

  std::vector<TControl*> FControls;  // in the order of placement; not owned
  bool FHandleAllocated = true;
  bool FTabStop = true;
};

}  // namespace penvo
