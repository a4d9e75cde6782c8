// A logout or Ctrl+C ends the program the orderly way: the message loop ends as when the main
// window is closed, so that everything saved at the end is saved.
#pragma once

namespace penvo {

// From now on, SIGTERM and SIGINT (Windows: console close and Ctrl+C) end the message loop.
void EndOnTerminationSignals();

}  // namespace penvo
