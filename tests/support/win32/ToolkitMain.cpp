// The main function of the Win32 widget tests: the application over the Win32 API. Under Wine
// the windows need an X display (scripts/wine-run.sh gives PENVO_WINE_DISPLAY to Wine).
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/Forms.h"
#include "platform/win32/Win32Toolkit.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Without a display Wine makes no windows at all; say so, rather than fail every test.
  HWND probe = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 ::GetModuleHandleA(nullptr), nullptr);
  if (!probe) {
    std::fprintf(stderr, "No window can be made: under Wine, set PENVO_WINE_DISPLAY to an X "
                         "display (an Xvfb) before the Wine prefix is made.\n");
    return 1;
  }
  ::DestroyWindow(probe);
  penvo::TApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
