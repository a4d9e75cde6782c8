// The fixture of the controls' widget tests: forms on Qt's offscreen platform, the store chain
// in a sandbox, the full stop as the decimal separator unless a test chooses the comma.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <string>
#include <vector>

#include "platform/qt/Bridge.h"
#include "controls/qdouble.h"
#include "platform/Forms.h"
#include "tests/settings/ChainSandbox.h"

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
  // Shows the form and makes it the active window, so that keys reach its controls.
  static void Activate(TForm* Form) {
    Form->Show();
    QApplication::setActiveWindow(qt::WidgetOf(Form));
  }
  // While it lives, closes every message box as soon as it shows and keeps its text.
  class BoxCloser {
   public:
    BoxCloser() {
      QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          Texts.push_back(box->text().toStdString());
          box->close();
        }
      });
      timer_.start(0);
    }
    std::vector<std::string> Texts;

   private:
    QTimer timer_;
  };

  static constexpr const char* kSection = "FormOptions-Params";
  ChainSandbox chain_;

 private:
  TFormatSettings saved_ = FormatSettings();
};

}  // namespace penvo::test
