#include "draw/DrawObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace penvo {
namespace {

using Log = std::vector<std::string>;

std::string PenText(const TPen& p) {
  return "c" + std::to_string(p.Color) + " w" + std::to_string(p.Width) + " m" +
         std::to_string(p.Mode);
}

// A canvas that records each call with the pen (and brush) it is made with, and draws too.
class RecordingCanvas : public TCanvas {
 public:
  explicit RecordingCanvas(int w = 64, int h = 64, std::uint32_t rgb = 0xFFFFFF)
      : bits(static_cast<std::size_t>(w * h), 0xFF000000u | rgb) {
    SetPixels({bits.data(), w, h, w});
  }
  void SetPen(const TPen& p) override {
    log.push_back("pen " + PenText(p));
    TCanvas::SetPen(p);
  }
  void MoveTo(std::int32_t x, std::int32_t y) override {
    log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    TCanvas::MoveTo(x, y);
  }
  void LineTo(std::int32_t x, std::int32_t y) override {
    log.push_back("line " + std::to_string(x) + "," + std::to_string(y) + " " + PenText(Pen()));
    TCanvas::LineTo(x, y);
  }
  void Rectangle(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) override {
    log.push_back("rect " + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) +
                  "," + std::to_string(d) + " m" + std::to_string(Pen().Mode) +
                  (Brush().Style == TBrushStyle::bsSolid ? " filled" : " hollow"));
    TCanvas::Rectangle(a, b, c, d);
  }
  void Ellipse(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) override {
    log.push_back("ellipse");
    TCanvas::Ellipse(a, b, c, d);
  }
  // Fills the buffer with a pattern of many colours.
  void Pattern() {
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = 0xFF000000u | ((i * 2654435761u) & 0xFFFFFF);
  }

  Log log;
  std::vector<std::uint32_t> bits;
};

class Examples : public ::testing::Test {
 protected:
  void SetUp() override { CreateExampleObjects(); }
  void TearDown() override { DestroyExampleObjects(); }
};

TEST(FreeLine, DrawsEachMoveWithThePenItStartedWith) {
  RecordingCanvas canvas;
  TFreeLine line;
  line.Pen = {clRed, 3, TPenStyle::psSolid, pmMask};
  line.StartDraw(canvas, 1, 2);
  line.MoveDraw(canvas, 5, 6);
  line.Pen.Color = clBlue;  // changed during the gesture
  line.MoveDraw(canvas, 9, 9);
  line.EndDraw(canvas, 20, 20);  // the release point is not added
  EXPECT_EQ(canvas.log, (Log{"pen c255 w3 m12", "move 1,2", "line 5,6 c255 w3 m12",
                             "line 9,9 c255 w3 m12"}));
  canvas.log.clear();
  line.Draw(canvas);  // the next repaint shows it all in the new pen
  EXPECT_EQ(canvas.log, (Log{"pen c16711680 w3 m12", "move 1,2", "line 5,6 c16711680 w3 m12",
                             "line 9,9 c16711680 w3 m12"}));
  line.StartDraw(canvas, 3, 3);  // started again: begins afresh
  EXPECT_EQ(line.Points().size(), 1u);
}

TEST(FreeLine, AnEmptyLineDrawsNothingAndAPointSetsThePenOnly) {
  RecordingCanvas canvas;
  TFreeLine line;
  line.Draw(canvas);
  EXPECT_TRUE(canvas.log.empty());
  line.StartDraw(canvas, 4, 4);
  line.EndDraw(canvas, 4, 4);
  canvas.log.clear();
  const auto before = canvas.bits;
  line.Draw(canvas);
  EXPECT_EQ(canvas.log, (Log{"pen c0 w1 m4", "move 4,4"}));
  EXPECT_EQ(canvas.bits, before);
}

TEST(FreeLine, ALongStrokeCostsLittleMoreThanEightBytesAPoint) {
  TCanvas canvas;  // no pixels: only the points matter
  TFreeLine line;
  line.StartDraw(canvas, 0, 0);
  for (int i = 1; i < 100000; ++i) line.MoveDraw(canvas, i % 1000, i / 1000);
  line.EndDraw(canvas, 0, 0);
  ASSERT_EQ(line.Points().size(), 100000u);
  EXPECT_EQ(sizeof(TPointObj), 8u);
  EXPECT_LE(line.Points().capacity(), 100000u + 100u);
}

TEST(DrawingObjects, OwnsItsObjectsAndHandsTheLastOneOver) {
  TDrawingObjects list;
  list.Add(nullptr);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Last(), nullptr);
  EXPECT_EQ(list.PopLast(), nullptr);
  auto first = std::make_unique<TFreeLine>();
  TDrawingObject* raw = first.get();
  list.Add(std::move(first));
  list.Add(std::make_unique<TRectangle>());
  std::unique_ptr<TDrawingObject> taken = list.PopLast();
  EXPECT_EQ(taken->ClassName(), "TRectangle");
  EXPECT_EQ(list.Last(), raw);
  EXPECT_FALSE(list.Holds(taken.get()));
  RecordingCanvas canvas;
  TDrawingObjects empty;
  empty.Draw(canvas);
  EXPECT_TRUE(canvas.log.empty());
}

TEST_F(Examples, MakeObjectsByKindNameInAnyLetterCase) {
  struct Row {
    const char* name;
    const char* cls;
  };
  for (const Row& r : std::vector<Row>{{"FreeLine", "TFreeLine"},
                                       {"fReElInE", "TFreeLine"},
                                       {"LINE", "TLine"},
                                       {"rectangle", "TRectangle"},
                                       {"Ellipse", "TEllipse"},
                                       {"Free Line", ""},
                                       {"FreeLine ", ""},
                                       {"", ""},
                                       {"Circle", ""}}) {
    auto obj = ExampleObjects->NewObject(r.name);
    EXPECT_EQ(obj ? obj->ClassName() : "", r.cls) << "'" << r.name << "'";
  }
}

TEST_F(Examples, EachNewObjectIsFreshAndSharesNothing) {
  auto a = ExampleObjects->NewObject("Rectangle");
  auto b = ExampleObjects->NewObject("Rectangle");
  ASSERT_TRUE(a && b);
  EXPECT_NE(a.get(), b.get());
  a->Pen.Color = clRed;
  a->Filled = true;
  EXPECT_EQ(b->Pen.Color, clBlack);
  EXPECT_EQ(b->Pen.Width, 1);
  EXPECT_EQ(b->Pen.Mode, pmCopy);
  EXPECT_FALSE(b->Filled);
  EXPECT_EQ(ExampleObjects->Items(2)->Pen.Color, clBlack);
  auto* shape = static_cast<TDragObject*>(b.get());
  EXPECT_EQ(shape->X2, 0);
  EXPECT_FALSE(shape->Dragging);
}

TEST_F(Examples, NamesInRegistryOrder) {
  std::vector<std::string> names{"already"};
  ExampleObjects->GetNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"already", "FreeLine", "Line", "Rectangle", "Ellipse"}));
  EXPECT_EQ(ExampleObjects->NameOf(-1), "");
  EXPECT_EQ(ExampleObjects->NameOf(4), "");
  EXPECT_EQ(ExampleObjects->Count(), 4);
}

TEST(RubberBand, TheOutlineIsModeFifteenUntilTheReleaseDrawsTheShapeForGood) {
  RecordingCanvas canvas;
  TRectangle rect;
  rect.Pen = {clRed, 1, TPenStyle::psSolid, pmCopy};
  rect.Filled = true;
  rect.StartDraw(canvas, 10, 10);
  rect.MoveDraw(canvas, 20, 30);
  rect.EndDraw(canvas, 25, 35);
  EXPECT_EQ(canvas.log, (Log{"pen c255 w1 m4", "rect 10,10,10,10 m15 filled",
                             "rect 10,10,10,10 m15 filled", "rect 10,10,20,30 m15 filled",
                             "rect 10,10,20,30 m15 filled", "pen c255 w1 m4",
                             "rect 10,10,25,35 m4 filled"}));
  EXPECT_EQ(canvas.Brush().Color, clRed);  // a filled shape is filled with its pen colour
  EXPECT_FALSE(rect.Dragging);
}

// Moving a shape around and back leaves exactly what the final shape draws.
TEST(RubberBand, OutlinesLeaveNoTraceWhereverTheMouseWent) {
  for (bool filled : {false, true}) {
    RecordingCanvas dragged, once;
    dragged.Pattern();
    once.Pattern();
    for (auto* make : {+[]() -> std::unique_ptr<TDragObject> { return std::make_unique<TEllipse>(); },
                       +[]() -> std::unique_ptr<TDragObject> { return std::make_unique<TRectangle>(); },
                       +[]() -> std::unique_ptr<TDragObject> { return std::make_unique<TLine>(); }}) {
      auto shape = make();
      shape->Pen = {0x00CC66, 5, TPenStyle::psSolid, pmMask};
      shape->Filled = filled;
      shape->StartDraw(dragged, 5, 5);
      for (auto [x, y] : std::vector<std::pair<int, int>>{{40, 50}, {60, 20}, {12, 60}, {40, 50}})
        shape->MoveDraw(dragged, x, y);
      shape->EndDraw(dragged, 40, 50);
      auto still = make();
      still->Pen = shape->Pen;
      still->Filled = filled;
      still->X1 = still->Y1 = 5;
      still->X2 = 40;
      still->Y2 = 50;
      still->Draw(once);
    }
    EXPECT_EQ(dragged.bits, once.bits) << (filled ? "filled" : "hollow");
  }
}

TEST(RubberBand, AChangedPenRecoloursTheOutlineAtOnce) {
  RecordingCanvas canvas, expected;
  canvas.Pattern();
  expected.Pattern();
  TEllipse shape;
  shape.Pen = {clRed, 3, TPenStyle::psSolid, pmCopy};
  shape.StartDraw(canvas, 8, 8);
  shape.MoveDraw(canvas, 50, 40);
  shape.Pen.Color = clYellow;
  shape.Restyle(canvas);
  // What shows is the new outline alone.
  TEllipse outline;
  outline.Pen = {clYellow, 3, TPenStyle::psSolid, pmNotXor};
  outline.X1 = outline.Y1 = 8;
  outline.X2 = 50;
  outline.Y2 = 40;
  outline.Draw(expected);
  EXPECT_EQ(canvas.bits, expected.bits);
}

}  // namespace
}  // namespace penvo

namespace penvo {
namespace {

// Drawing through the cache gives exactly the pixels the list's own Draw gives, in every mode,
// as objects are added, changed and taken away.
TEST(DrawingCache, GivesTheSamePixelsAsDrawingTheListItself) {
  TDrawingObjects list;
  TDrawingCache cache;
  const auto check = [&](const char* step) {
    RecordingCanvas direct, cached;
    direct.Pattern();
    cached.Pattern();
    list.Draw(direct);
    cache.Draw(list, cached);
    EXPECT_EQ(direct.bits, cached.bits) << step;
  };
  check("empty");
  for (int mode = 0; mode < 16; ++mode) {
    auto line = std::make_unique<TFreeLine>();
    TCanvas nowhere;
    line->StartDraw(nowhere, 4 * mode, 3);
    line->MoveDraw(nowhere, 60 - 2 * mode, 50);
    line->MoveDraw(nowhere, 10, 60 - mode);  // crosses itself and the others
    line->Pen = {0x3399CC + mode * 0x10101, 1 + (mode % 3) * 4, TPenStyle::psSolid, mode};
    list.Add(std::move(line));
    auto shape = std::make_unique<TEllipse>();
    shape->Pen = {0xC0FFEE ^ mode, 3, TPenStyle::psSolid, 15 - mode};
    shape->Filled = mode % 2;
    shape->X1 = mode;
    shape->Y1 = 2 * mode;
    shape->X2 = 63 - mode;
    shape->Y2 = 40;
    list.Add(std::move(shape));
    check("added");
  }
  list.Last()->Pen.Color = clBlue;  // new options for the last object
  check("changed last");
  list.PopLast();
  check("undone");
  list.PopLast();
  check("undone twice");
  list.Items(3)->Pen.Mode = pmXor;
  check("changed inside");
  list.FreeAll();
  check("cleared");
}

}  // namespace
}  // namespace penvo
