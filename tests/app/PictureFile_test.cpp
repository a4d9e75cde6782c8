// What Ctrl+S calls the picture it saves.
#include "app/PictureFile.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace penvo {
namespace {

TEST(PictureFile, TheStemIsTheLocalMomentWithLeadingZeros) {
  std::tm t{};
  t.tm_year = 2024 - 1900;
  t.tm_mon = 0;  // January
  t.tm_mday = 5;
  t.tm_hour = 9;
  t.tm_min = 3;
  t.tm_sec = 7;
  EXPECT_EQ(PictureFileStem(t), "Penvo 2024-01-05 09-03-07");
  t.tm_mon = 11;
  t.tm_mday = 31;
  t.tm_hour = 23;
  t.tm_min = 59;
  t.tm_sec = 60;  // a leap second is written as it comes
  EXPECT_EQ(PictureFileStem(t), "Penvo 2024-12-31 23-59-60");
}

TEST(PictureFile, ATakenNameGetsTheFirstFreeNumber) {
  const std::string dir = "/p/", stem = "Penvo 2024-01-05 09-03-07";
  const struct {
    std::set<std::string> taken;
    std::string path;
  } cases[] = {
      {{}, "/p/Penvo 2024-01-05 09-03-07.png"},
      {{"/p/Penvo 2024-01-05 09-03-07.png"}, "/p/Penvo 2024-01-05 09-03-07 (2).png"},
      {{"/p/Penvo 2024-01-05 09-03-07.png", "/p/Penvo 2024-01-05 09-03-07 (2).png"},
       "/p/Penvo 2024-01-05 09-03-07 (3).png"},
      // A gap is filled: the numbers are tried in order.
      {{"/p/Penvo 2024-01-05 09-03-07.png", "/p/Penvo 2024-01-05 09-03-07 (3).png"},
       "/p/Penvo 2024-01-05 09-03-07 (2).png"},
      // Only the name itself counts, not the same stem with another extension.
      {{"/p/Penvo 2024-01-05 09-03-07.jpg"}, "/p/Penvo 2024-01-05 09-03-07.png"},
  };
  for (const auto& c : cases) {
    std::set<std::string> asked;
    const std::string path = FreePicturePath(dir, stem, [&](const std::string& p) {
      asked.insert(p);
      return c.taken.count(p) > 0;
    });
    EXPECT_EQ(path, c.path);
    EXPECT_TRUE(asked.count(path)) << "the chosen name was checked";
  }
}

}  // namespace
}  // namespace penvo
