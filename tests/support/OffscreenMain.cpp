// The main function of the widget tests: the application on Qt's offscreen platform, so no
// display is needed, for all the tests of the program.
#include <gtest/gtest.h>

#include <QByteArray>

#include "platform/Forms.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  penvo::TApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
