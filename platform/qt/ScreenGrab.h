// Internal to platform/: pictures of the screen, and waiting without taking user input.
#pragma once

#include <QImage>
#include <QRect>
#include <functional>

namespace penvo::qt {

// The primary screen's picture, 32-bit RGB.
QImage GrabScreen();
// The primary screen's geometry in global coordinates.
QRect PrimaryScreenRect();

// The screen once it has settled: grabs until two grabs a short while apart agree, or the
// deadline passes (windows beneath repaint themselves after the program's windows left).
QImage GrabSettledScreen(int deadlineMs = 400);

// Handles events (but no user input) until done() is true or deadlineMs passed; returns done().
bool WaitUntil(const std::function<bool()>& done, int deadlineMs);

}  // namespace penvo::qt
