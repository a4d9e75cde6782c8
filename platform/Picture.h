// Pictures leaving the program: a PNG file, the clipboard, and a short note to the user.
#pragma once

#include <string>

#include "platform/Graphics.h"

namespace penvo {

// Writes Pixels (0xffRRGGBB, alpha ignored) as a PNG file at Path (UTF-8), which must not exist:
// a file there is never replaced. The file appears whole or not at all. False, with the reason
// in Error (a short text for the user), when it could not be written.
bool SavePng(const TPixels& Pixels, const std::string& Path, std::string& Error);

// Puts a copy of Pixels on the clipboard as an image; the program keeps it there while it runs.
void CopyToClipboard(const TPixels& Pixels);

// Shows Text for a few seconds in a tool tip at the mouse, above every window; it draws
// nothing on any form and goes at the next key or click.
void ShowNote(const std::string& Text);

}  // namespace penvo
