// Penvo: draw on the screen. The program starts as a single instance, covers the screen with
// the overlay and ends when the overlay is closed (or at logout, or on Ctrl+C).
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/HelpFile.h"
#include "app/PenvoForm.h"
#include "controls/qdouble.h"
#include "draw/DrawObject.h"
#include "options/OptionsForm.h"
#include "platform/Forms.h"
#include "platform/OsFiles.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "settings/IniReadOrder.h"

namespace {

using namespace penvo;

// The store chain asks the user through the toolkit's error box.
class WriteErrorBox : public TWriteErrorPrompt {
 public:
  bool AskStopShowingErrors(const std::string& Text) override {
    return Application()->ShowWriteError(Text) == TErrorAnswer::YesToAll;
  }
};

int RunProgram(int argc, char** argv) {
  TApplication app(argc, argv);
  TSingleInstance instance("TFormPenvo");
  // Claimed before the forms are made: a start from now on finds this one. When another one
  // runs, it comes to the front and this start ends.
  if (!instance.Claim([] { Application()->BringToFront(); })) return 0;

  LoadFormatSettingsFromLocale();
  WriteErrorBox errorBox;
  GlobalReadOrder->ErrorPrompt = &errorBox;
  FormPenvo = app.CreateForm<TFormPenvo>();
  FormOptions = app.CreateForm<TFormOptions>();
  EndOnTerminationSignals();
  app.Run();
  // A start from now on waits until this one has saved its settings and ended, and reads them.
  instance.Withdraw();
  // The forms go newest first, saving what is unsaved, while the store chain still exists.
  app.DestroyForms();
  FormOptions = nullptr;
  FormPenvo = nullptr;
  GlobalReadOrder->ErrorPrompt = nullptr;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version answer before anything else: no display, no settings, no instance.
  if (const std::optional<std::string> reply =
          CommandLineReply(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc),
                           HelpFilePath(os::ExePath()))) {
    std::fputs(reply->c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  // The units' globals, in this order; they go in the reverse order at the end.
  CreateExampleObjects();
  CreateGlobalReadOrder();
  const int status = RunProgram(argc, argv);
  DestroyGlobalReadOrder();
  DestroyExampleObjects();
  return status;
}
