#include "app/CommandLine.h"

namespace penvo {

std::string VersionText() {
  return std::string("penvo ") + PENVO_VERSION +
         "\nCopyright 2026 the Penvo developers. MIT licence: free to use, change and share, "
         "without warranty.\n";
}

std::string UsageText(const std::string& HelpPage) {
  return "Usage: penvo [--help | --version]\n"
         "\n"
         "Penvo lets you draw on the screen. It covers the screen with a still picture of the\n"
         "desktop, and you draw over it with the mouse: drag with the left or middle button\n"
         "(with Shift to start where the last drawing ended, with Ctrl where it started).\n"
         "The right button shows the options bar. Close the window to end Penvo; starting it\n"
         "again brings the running one to the front. Everything you set is kept.\n"
         "\n"
         "Keys:\n"
         "  1 ... 9, 0, +    line width 1 to 9, 10, 20\n"
         "  r g y v a        red, green, yellow, fuchsia, aqua\n"
         "  o t x            opaque, transparent, XOR pen\n"
         "  z l s e          free-hand, line, rectangle, ellipse\n"
         "  f                filled shapes on or off\n"
         "  Backspace        undo\n"
         "  Ctrl+Backspace   redo\n"
         "  c                clear (redo brings it back)\n"
         "  Space            refresh the picture of the desktop beneath\n"
         "  Enter            give the last drawing the current options\n"
         "  Ctrl+S           save the annotated screen as a PNG in your Pictures folder\n"
         "  Ctrl+C           copy it to the clipboard\n"
         "  F1               the help page\n"
         "  any other key    minimize Penvo\n"
         "\n"
         "Settings are read from the first of these that holds them, and written to the first:\n"
         "  ${XDG_CONFIG_HOME:-~/.config}/registry/HKEY_CURRENT_USER/software/Ruvi/penvo/\n"
         "  penvo.ini in the current directory, when it exists\n"
         "  /etc/registry/HKEY_LOCAL_MACHINE/software/Ruvi/penvo/\n"
         "  penvo.ini beside the program\n"
         "A qini.ini (in the current directory, else beside the program) can change this.\n"
         "\n"
         "Help page: " +
         HelpPage + "\n";
}

std::optional<std::string> CommandLineReply(const std::vector<std::string>& Args,
                                            const std::string& HelpPage) {
  for (const std::string& arg : Args) {
    if (arg == "--help") return UsageText(HelpPage);
    if (arg == "--version") return VersionText();
  }
  return std::nullopt;
}

}  // namespace penvo
