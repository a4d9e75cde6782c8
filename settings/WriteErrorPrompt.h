// The question the store chain asks when a settings store refuses a value. The program plugs
// in the toolkit's message box; without one the chain asks nobody (as if Cancel was chosen).
#pragma once

#include <string>

namespace penvo {

class TWriteErrorPrompt {
 public:
  virtual ~TWriteErrorPrompt() = default;

  // Shows Text (the failure's message, CR LF, "Stop showing errors?") in a modal error box
  // titled "Error" with the buttons "Cancel" and "Yes to &All", neither of them the default;
  // Escape and closing the box answer Cancel. True when the user chose "Yes to &All".
  virtual bool AskStopShowingErrors(const std::string& Text) = 0;
};

}  // namespace penvo
