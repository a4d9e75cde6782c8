// A stand-in for the program's error box: records every question and gives a set answer.
#pragma once

#include <string>
#include <vector>

#include "settings/WriteErrorPrompt.h"

namespace penvo::test {

class WriteErrorRecorder : public TWriteErrorPrompt {
 public:
  bool AskStopShowingErrors(const std::string& Text) override {
    Texts.push_back(Text);
    return YesToAll;
  }

  std::vector<std::string> Texts;
  bool YesToAll = false;  // the answer: "Yes to &All", or Cancel
};

}  // namespace penvo::test
