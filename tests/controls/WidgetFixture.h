// The fixture of the controls' widget tests, on either toolkit: forms of the application, the
// store chain in a sandbox, the full stop as the decimal separator unless a test chooses the
// comma.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/qdouble.h"
#include "platform/Forms.h"
#include "tests/settings/ChainSandbox.h"
#include "tests/support/TestInput.h"

namespace penvo::test {

class WidgetTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings() = {'.', ","}; }
  void TearDown() override {
    Application()->DestroyForms();
    FormatSettings() = saved_;
  }

  // A hidden form named Name, owned by the application.
  TForm* NewForm(const std::string& Name = "FormOptions") {
    TForm* form = Application()->CreateForm<TForm>();
    form->SetName(Name);
    return form;
  }
  // A control of class T made by Form's description (loading until EndDescription), placed in
  // Parent (the form when none is given).
  template <class T>
  T* Describe(TForm* Form, const std::string& Name, TWinControl* Parent = nullptr) {
    T* c = Form->Make<T>();
    c->SetName(Name);
    c->SetParent(Parent ? Parent : Form);
    return c;
  }
  static constexpr const char* kSection = "FormOptions-Params";
  ChainSandbox chain_;

 private:
  TFormatSettings saved_ = FormatSettings();
};

}  // namespace penvo::test
