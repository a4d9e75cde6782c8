// Pictures leaving the program and the natural widths of captions, on both toolkits.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ActnList.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Picture.h"
#include "platform/StdCtrls.h"
#include "tests/support/TestFiles.h"

namespace penvo {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const fs::path& Dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(Dir)) names.push_back(e.path().filename().string());
  return names;
}

std::uint32_t BigEndian(const std::string& Bytes, std::size_t At) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(Bytes[At + i]);
  return v;
}

// Three by two pixels, each of its own colour; the stride is wider than the rows.
struct Picture {
  std::vector<std::uint32_t> Bits = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0,
                                     0xFF123456, 0xFFFFFFFF, 0xFF000000, 0};
  TPixels Pixels{Bits.data(), 3, 2, 4};
};

TEST(Picture, SavePngWritesAWholePngAndLeavesNothingElse) {
  test::TempDir dir;
  Picture p;
  std::string error;
  const std::string path = dir.File("shot.png");
  ASSERT_TRUE(SavePng(p.Pixels, path, error)) << error;
  const std::string png = test::ReadFile(path);
  ASSERT_GE(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(BigEndian(png, 16), 3u);
  EXPECT_EQ(BigEndian(png, 20), 2u);
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"shot.png"});
}

TEST(Picture, SavePngNeverReplacesAFileAndTellsWhyItFailed) {
  test::TempDir dir;
  Picture p;
  const std::string taken = dir.File("taken.png");
  test::WriteFile(taken, "mine");
  const std::string missing = (dir.Path() / "no such folder" / "shot.png").string();
  for (const std::string& path : {taken, missing}) {
    std::string error;
    EXPECT_FALSE(SavePng(p.Pixels, path, error)) << path;
    EXPECT_FALSE(error.empty()) << path;
  }
  EXPECT_EQ(test::ReadFile(taken), "mine");
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"taken.png"});
}

class NaturalWidth : public ::testing::Test {
 protected:
  void TearDown() override { Application()->DestroyForms(); }
  template <class T>
  T* Add() {
    if (!form_) form_ = Application()->CreateForm<TForm>();
    T* c = NewComponent<T>(*form_);
    c->SetParent(form_);
    return c;
  }
  // The caption's own width, as a label measures it in the same font.
  int TextWidth(const std::string& Caption) {
    auto* label = Add<TLabel>();
    label->SetCaption(Caption);
    return label->Width();
  }
  TForm* form_ = nullptr;
};

TEST_F(NaturalWidth, ACheckBoxOrPanelNeedsItsCaptionWithoutTheAmpersandAndAFixedRoomAroundIt) {
  auto* box = Add<TCheckBox>();
  auto* panel = Add<TPanel>();
  struct Case {
    TControl* Control;
    int MinRoom, MaxRoom;  // beyond the caption: the box and its gap, or the bevel
  };
  for (const Case& c : {Case{box, 12, 30}, Case{panel, 2, 8}}) {
    int room = -1;
    for (const std::string caption : {"&Save", "Save the picture as a file"}) {
      c.Control->SetCaption(caption);
      const int extra = c.Control->NaturalWidth() - TextWidth(caption.substr(caption[0] == '&'));
      EXPECT_GE(extra, c.MinRoom) << c.Control->ClassName() << " " << caption;
      EXPECT_LE(extra, c.MaxRoom) << c.Control->ClassName() << " " << caption;
      if (room >= 0) {
        EXPECT_EQ(extra, room) << c.Control->ClassName() << " " << caption;
      }
      room = extra;
    }
  }
}

TEST_F(NaturalWidth, AComboBoxFitsItsWidestItemOrTextWithTheButton) {
  auto* combo = Add<TComboBox>();
  combo->AddItem("1");
  combo->AddItem("a much longer item");
  combo->AddItem("22");
  combo->SetText("3");
  const int items = combo->NaturalWidth();
  EXPECT_GE(items, TextWidth("a much longer item") + 16);  // and the drop-down button
  combo->SetText("a text longer than any of the items");
  EXPECT_GE(combo->NaturalWidth(), TextWidth("a text longer than any of the items") + 16);
  // Widths are whole logical pixels, each rounded up from the screen's: 1 apart at most.
  EXPECT_NEAR(combo->NaturalWidth() - items,
              TextWidth("a text longer than any of the items") - TextWidth("a much longer item"),
              1);
}

}  // namespace
}  // namespace penvo
