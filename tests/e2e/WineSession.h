// End-to-end sessions for the Windows program under Wine: a Session (Xvfb, openbox, xdotool)
// whose programs run in a Wine prefix of their own, with its own wineserver. A fresh prefix
// takes Wine tens of seconds to make, so the test program makes one template prefix for the
// whole run (WineTemplate, a GoogleTest environment) and each session copies it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/Harness.h"

namespace penvo::e2e {

// The prefix every WineSession copies. Besides what `wineboot --init` makes, it opens .html
// files with the browser "opener" beside it, which writes each address it is given as a line
// of $HOME/opened.txt (HOME being the session's home), so that tests see what the shell opened.
class WineTemplate : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;
  static const std::filesystem::path& Path();
};

class WineSession : public Session {
 public:
  explicit WineSession(int width = 1024, int height = 768);
  ~WineSession();

  const std::filesystem::path& Prefix() const { return prefix_; }
  // Makes the screen a row of monitors that Wine sees too; call before any Windows program
  // starts. Wine 8 takes monitors from RandR's outputs, and Xvfb has one, whatever monitors
  // RandR lists: the prefix is told to leave RandR alone, and Wine then reads the Xinerama
  // screens, which the X server makes from RandR's monitors.
  void SetMonitors(const std::vector<Rect>& monitors);
  // Sets the desktop's DPI that Windows programs see (96 is 100 %, 192 is 200 %), as a user
  // sets the scale; call before any Windows program starts.
  void SetWindowsDpi(int dpi);
  // Starts a Windows program in this session's prefix; returns the pid of its Wine process,
  // which ends with the program's exit code.
  pid_t StartWindows(const std::string& exe, const std::vector<std::string>& args = {});
  // Starts a Windows program as a command typed in a terminal (Wine gives it the terminal as
  // its console); returns the pid of the process that ends with the program's exit code.
  pid_t StartWindowsInTerminal(const std::string& exe);
  // Types Text in that terminal ("\x03": Ctrl+C); false when it could not.
  bool TypeInTerminal(const std::string& text);
  // Ends every Wine program of the prefix and its wineserver, which writes the registry
  // (user.reg) on the way out; false when the server did not end.
  bool EndWine();
  // The string values under a key of HKEY_CURRENT_USER (say "Software\\Ruvi\\penvo\\Pos") as
  // the prefix's user.reg holds them; read it after EndWine. The key's case does not matter.
  std::map<std::string, std::string> UserRegistryValues(const std::string& key) const;
  // What the prefix's browser was asked to open, one address a line.
  std::string Opened() const;

 private:
  // Writes a value below HKEY_CURRENT_USER of the prefix and ends its server, which saves it.
  void AddUserValue(const std::string& key, const std::string& name, const std::string& type,
                    const std::string& data);

  std::filesystem::path prefix_;
  int terminal_ = -1;  // what is typed in the terminal of StartWindowsInTerminal
};

// The Windows program under test: $PENVO_WINDOWS_PROGRAM when it is set, else
// PENVO_WINDOWS_PROGRAM of the CMake cache.
std::string WindowsProgramPath();

}  // namespace penvo::e2e
