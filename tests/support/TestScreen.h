// What the widget tests read back of what the program hands to the desktop: the note shown at
// the mouse, the picture on the clipboard, a PNG file. One implementation per toolkit
// (support/qt/, support/win32/), each through the window system's own means.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace penvo {
class TControl;
}

namespace penvo::test {

// Pixels of the screen per pixel of Control's geometry: the desktop's scale where it shows.
double DeviceScale(const TControl* Control);

// A picture as rows of 0xAARRGGBB pixels (0xff: opaque), top row first.
struct TTestImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;
};

// The text of the note (ShowNote) on the screen now; empty when none shows.
std::string NoteText();

// The picture on the clipboard; empty when the clipboard holds none.
TTestImage ClipboardImage();

// The picture in the PNG file at Path (UTF-8); empty when it cannot be read.
TTestImage ReadPng(const std::string& Path);

}  // namespace penvo::test
