// Input for the widget tests of both toolkits, delivered the way the window system delivers
// it: typed characters, clicks and Alt with a letter reach the controls' own window-system
// handling (Qt's events, Win32's messages), so that a test sees what a user's input does,
// through nothing but the toolkit's API. One implementation per toolkit (support/qt/,
// support/win32/).
#pragma once

#include <string>

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

// A user's click on a check box (the mouse, or the space bar).
void ClickCheckBox(TCheckBox* Box);

// The left mouse button pressed or released at X, Y of Control's client area.
void LeftPress(TControl* Control, int X, int Y);
void LeftRelease(TControl* Control, int X, int Y);

// Alt with Letter, pressed while Form is the active window (the keyboard goes to the control
// that has it, else to the form).
void PressAlt(TForm* Form, char Letter);

}  // namespace penvo::test
