// Input for the widget tests of both toolkits, delivered the way the window system delivers
// it: typed characters, clicks, keys and answers to message boxes reach the controls' own
// window-system handling (Qt's events, Win32's messages), so that a test sees what a user's
// input does, through nothing but the toolkit's API. One implementation per toolkit
// (support/qt/, support/win32/).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace penvo {
class TControl;
class TWinControl;
class TCheckBox;
class TForm;
}  // namespace penvo

namespace penvo::test {

// Types one character into an edit, or into the edit part of a combo box, as a key press on
// it would (the control need not have the keyboard).
void TypeChar(TWinControl* Control, char Key);
void TypeText(TWinControl* Control, const std::string& Text);

// Puts Text on the clipboard and pastes it into an edit, as Ctrl+V would.
void PasteText(TWinControl* Control, const std::string& Text);

// A user's click on a check box with the mouse.
void ClickCheckBox(TCheckBox* Box);
// The space bar pressed and released on a control (a check box toggles).
void PressSpace(TWinControl* Control);

// The left mouse button pressed or released at X, Y of Control's client area.
void LeftPress(TControl* Control, int X, int Y);
void LeftRelease(TControl* Control, int X, int Y);

// Shows Form and makes it the active window, so that keys reach its controls.
void ActivateForm(TForm* Form);

// Alt with Letter, pressed while Form is the active window (the keyboard goes to the control
// that has it, else to the form).
void PressAlt(TForm* Form, char Letter);
// Ctrl with the letter Letter ('a'..'z'), pressed while Form is the active window.
void PressCtrl(TForm* Form, char Letter);
// Tab, pressed while Form is the active window.
void PressTab(TForm* Form);

// What a message box showed.
struct TBoxSeen {
  std::string Title;
  std::string Text;
  bool ErrorIcon = false;
  bool HasDefault = false;           // a button that Enter would press
  std::vector<std::string> Buttons;  // captions, in their order on the box
  bool TextsFit = false;  // each caption and the text show whole in their controls' fonts
};

// How a test answers a message box: Escape, or a click on the button with this caption.
struct TBoxAnswer {
  std::string ButtonCaption;  // empty: Escape
};

// While it lives, answers every message box as soon as it shows and keeps what each showed.
class BoxWatcher {
 public:
  explicit BoxWatcher(TBoxAnswer Answer = {});
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;
  const std::vector<TBoxSeen>& Seen() const;
  // The texts of the boxes seen so far.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const TBoxSeen& seen : Seen()) texts.push_back(seen.Text);
    return texts;
  }

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace penvo::test
