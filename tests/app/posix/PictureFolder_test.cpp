// Ctrl+S into a Pictures folder that takes no files, as a user who is not root meets it.
#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/app/OverlayFixture.h"
#include "tests/support/TestScreen.h"

namespace penvo {
namespace {

using test::OverlayPicture;

// While it lives, this thread meets file permissions as a user who is not root (root may
// write anywhere): the file-system identity changes, and with it root's file capabilities go.
class NotRoot {
 public:
  NotRoot() : root_(::geteuid() == 0) {
    if (root_) ::setfsuid(65534);
  }
  ~NotRoot() {
    if (root_) ::setfsuid(0);
  }

 private:
  bool root_;
};

TEST_F(OverlayPicture, ASaveIntoAFolderThatTakesNoFilesSaysSoAndLeavesNoFile) {
  std::filesystem::create_directories(Pictures());
  // Reachable for everyone, writable for no one.
  for (auto dir = Pictures(); dir != sandbox_.Dir().Path().parent_path(); dir = dir.parent_path())
    ::chmod(dir.c_str(), 0755);
  ::chmod(Pictures().c_str(), 0555);
  {
    NotRoot notRoot;
    CtrlKey('s');
  }
  ::chmod(Pictures().c_str(), 0755);
  ExpectNoKeyCommand();
  EXPECT_TRUE(Files().empty());
  const std::string note = test::NoteText();
  EXPECT_EQ(note.rfind("The picture was not saved in " + Pictures().string() + "/: ", 0), 0u)
      << note;
  EXPECT_NE(note.find("ermission denied"), std::string::npos) << note;
}

}  // namespace
}  // namespace penvo
