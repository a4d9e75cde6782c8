#include "platform/Graphics.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

namespace penvo {
namespace {

// A canvas over a pixel buffer of its own, filled with one colour (0x00RRGGBB).
class Surface {
 public:
  Surface(int w, int h, std::uint32_t rgb = 0xFFFFFF)
      : w_(w), h_(h), bits_(w * h, rgb | 0xFF000000u) {
    canvas.SetPixels({bits_.data(), w, h, w});
    canvas.OnChange = [this](const TRect& r) { changed = changed.United(r); };
  }
  std::uint32_t At(int x, int y) const { return bits_[y * w_ + x] & 0xFFFFFF; }
  std::vector<std::uint32_t> Bits() const { return bits_; }
  int Count(std::uint32_t rgb) const {
    int n = 0;
    for (std::uint32_t p : bits_) n += (p & 0xFFFFFF) == rgb;
    return n;
  }
  // A pattern of many colours, so that every raster operation shows.
  void Pattern() {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x)
        bits_[y * w_ + x] = 0xFF000000u | ((x * 2654435761u + y * 40503u) & 0xFFFFFF);
  }

  TCanvas canvas;
  TRect changed;

 private:
  int w_, h_;
  std::vector<std::uint32_t> bits_;
};

TEST(PenModes, EachModeCombinesPenAndScreenAsItsTableSays) {
  // Colours are 0x00BBGGRR; the buffer holds 0x00RRGGBB. Pen 0x00336699 is RGB 0x996633.
  const std::uint32_t P = 0x996633, D = 0x5A3CF0;
  const std::uint32_t expected[16] = {0x000000,
                                      0xFFFFFF,
                                      D,
                                      ~D & 0xFFFFFF,
                                      P,
                                      ~P & 0xFFFFFF,
                                      (P | ~D) & 0xFFFFFF,
                                      P & ~D & 0xFFFFFF,
                                      (~P | D) & 0xFFFFFF,
                                      ~P & D & 0xFFFFFF,
                                      P | D,
                                      ~(P | D) & 0xFFFFFF,
                                      P & D,
                                      ~(P & D) & 0xFFFFFF,
                                      P ^ D,
                                      ~(P ^ D) & 0xFFFFFF};
  for (int mode = 0; mode < 16; ++mode) {
    Surface s(8, 8, D);
    s.canvas.Pen().Color = 0x336699;
    s.canvas.Pen().Mode = mode;
    s.canvas.MoveTo(1, 3);
    s.canvas.LineTo(6, 3);
    EXPECT_EQ(s.At(2, 3), expected[mode]) << "mode " << mode;
    EXPECT_EQ(s.At(2, 4), D) << "mode " << mode;
    EXPECT_EQ(CombinePixel(mode, P, D), expected[mode]) << "mode " << mode;
  }
}

TEST(Lines, AThinLineLeavesItsEndPixelOutAndAWideOneIsWidthPixelsAcross) {
  Surface s(40, 40, 0xFFFFFF);
  s.canvas.Pen().Color = clBlack;
  s.canvas.MoveTo(5, 5);
  s.canvas.LineTo(10, 5);
  EXPECT_EQ(s.At(5, 5), 0u);
  EXPECT_EQ(s.At(9, 5), 0u);
  EXPECT_EQ(s.At(10, 5), 0xFFFFFFu);  // the end pixel
  EXPECT_EQ(s.Count(0), 5);
  EXPECT_EQ(s.canvas.PenPos(), (TPoint{10, 5}));
  EXPECT_EQ(s.changed, (TRect{5, 5, 10, 6}));

  for (int width : {2, 5, 20}) {
    Surface w(60, 60, 0xFFFFFF);
    w.canvas.Pen().Color = clBlack;
    w.canvas.Pen().Width = width;
    w.canvas.MoveTo(10, 30);
    w.canvas.LineTo(50, 30);
    int across = 0;
    for (int y = 0; y < 60; ++y) across += w.At(30, y) == 0;
    EXPECT_EQ(across, width) << "width " << width;
    EXPECT_EQ(w.At(50, 30), 0u) << "a wide line reaches its end, with a round cap";
  }
}

// Wider than a screen is tall, up to the widest pen; a wider one (a settings file's 1E9) is
// drawn with the widest.
TEST(Lines, APenWiderThanAnyScreenIsDrawnAsWideAsAsked) {
  constexpr int kHeight = 16384 + 100;  // taller than any screen the program runs on
  struct Row {
    std::int32_t width, across;
  };
  for (const Row& r :
       std::vector<Row>{{1500, 1500}, {16384, 16384}, {1000000000, TCanvas::kMaxPenWidth}}) {
    Surface s(8, kHeight, 0xFFFFFF);
    s.canvas.Pen().Color = clBlack;
    s.canvas.Pen().Width = r.width;
    s.canvas.MoveTo(-100000, kHeight / 2);
    s.canvas.LineTo(100000, kHeight / 2);
    int across = 0;
    for (int y = 0; y < kHeight; ++y) across += s.At(4, y) == 0;
    EXPECT_EQ(across, r.across) << "width " << r.width;
  }
  EXPECT_GE(TCanvas::kMaxPenWidth, 16384);
}

TEST(Lines, AHugeWidthIsDrawnWithTheWidestPenAndStaysQuick) {
  Surface s(50, 50, 0xFFFFFF);
  s.canvas.Pen().Color = clBlack;
  s.canvas.Pen().Width = 1000000000;
  s.canvas.MoveTo(25, 25);
  s.canvas.LineTo(26, 25);
  EXPECT_EQ(s.Count(0), 50 * 50);
}

TEST(Shapes, FillAndOutlineNeverOverlap) {
  // In XOR mode a pixel combined twice would come back; each must change exactly once.
  for (bool ellipse : {false, true})
    for (int width : {1, 5, 20}) {
      Surface s(80, 80, 0x000000);
      s.canvas.Pen() = {clWhite, width, TPenStyle::psSolid, pmXor};
      s.canvas.Brush() = {clWhite, TBrushStyle::bsSolid};
      if (ellipse)
        s.canvas.Ellipse(20, 15, 60, 65);
      else
        s.canvas.Rectangle(20, 15, 60, 65);
      Surface once(80, 80, 0x000000);
      once.canvas.Pen() = {clWhite, width, TPenStyle::psSolid, pmCopy};
      once.canvas.Brush() = {clWhite, TBrushStyle::bsSolid};
      if (ellipse)
        once.canvas.Ellipse(20, 15, 60, 65);
      else
        once.canvas.Rectangle(20, 15, 60, 65);
      EXPECT_EQ(s.Bits(), once.Bits()) << (ellipse ? "ellipse" : "rectangle") << " " << width;
      EXPECT_GT(s.Count(0xFFFFFF), 0);
    }
}

TEST(Shapes, ARectangleLeavesItsRightAndBottomEdgesOutAndTakesCornersInAnyOrder) {
  Surface a(30, 30), b(30, 30);
  a.canvas.Pen().Color = b.canvas.Pen().Color = clBlack;
  a.canvas.Brush().Style = b.canvas.Brush().Style = TBrushStyle::bsClear;
  a.canvas.Rectangle(5, 5, 15, 10);
  b.canvas.Rectangle(15, 10, 5, 5);
  EXPECT_EQ(a.Bits(), b.Bits());
  EXPECT_EQ(a.At(5, 5), 0u);
  EXPECT_EQ(a.At(14, 9), 0u);
  EXPECT_EQ(a.At(15, 9), 0xFFFFFFu);
  EXPECT_EQ(a.At(14, 10), 0xFFFFFFu);
  EXPECT_EQ(a.At(10, 7), 0xFFFFFFu) << "hollow";
  EXPECT_EQ(a.Count(0), 2 * 10 + 2 * 3);
}

TEST(Shapes, HollowShapesLeaveTheirInsideAlone) {
  Surface s(60, 60, 0x123456);
  s.canvas.Pen() = {clBlack, 3, TPenStyle::psSolid, pmCopy};
  s.canvas.Brush().Style = TBrushStyle::bsClear;
  s.canvas.Ellipse(10, 10, 50, 50);
  EXPECT_EQ(s.At(30, 30), 0x123456u);
  EXPECT_EQ(s.At(30, 10), 0u);
  EXPECT_EQ(s.At(10, 30), 0u);
}

using Figure = std::function<void(TCanvas&)>;

TEST(NotXor, TheSameFigureTwiceRestoresTheScreen) {
  const std::vector<std::pair<const char*, Figure>> figures = {
      {"line",
       [](TCanvas& c) {
         c.MoveTo(7, 9);
         c.LineTo(53, 41);
       }},
      {"polyline",
       [](TCanvas& c) {
         c.MoveTo(7, 9);
         c.LineTo(30, 41);
         c.LineTo(50, 12);
       }},
      {"rectangle",
       [](TCanvas& c) {
         c.Brush().Style = TBrushStyle::bsClear;
         c.Rectangle(50, 40, 8, 6);
       }},
      {"filled rectangle",
       [](TCanvas& c) {
         c.Brush().Style = TBrushStyle::bsSolid;
         c.Rectangle(8, 6, 50, 40);
       }},
      {"ellipse",
       [](TCanvas& c) {
         c.Brush().Style = TBrushStyle::bsClear;
         c.Ellipse(8, 6, 50, 40);
       }},
      {"filled ellipse",
       [](TCanvas& c) {
         c.Brush().Style = TBrushStyle::bsSolid;
         c.Ellipse(50, 40, 8, 6);
       }},
  };
  for (const auto& [name, draw] : figures)
    for (int width : {1, 5, 20}) {
      Surface s(64, 56);
      s.Pattern();
      const auto before = s.Bits();
      s.canvas.Pen() = {0x3366CC, width, TPenStyle::psSolid, pmNotXor};
      s.canvas.Brush().Color = 0x3366CC;
      draw(s.canvas);
      EXPECT_NE(s.Bits(), before) << name << " " << width;
      draw(s.canvas);
      EXPECT_EQ(s.Bits(), before) << name << " " << width;
    }
}

TEST(Canvas, NopAndAnEmptyShapeChangeNothingAndDrawingOutsideIsClipped) {
  Surface s(20, 20);
  s.Pattern();
  const auto before = s.Bits();
  s.canvas.Pen().Mode = pmNop;
  s.canvas.Pen().Width = 9;
  s.canvas.MoveTo(0, 0);
  s.canvas.LineTo(19, 19);
  s.canvas.Pen().Mode = pmCopy;
  s.canvas.Rectangle(5, 5, 5, 9);
  s.canvas.Ellipse(3, 3, 9, 3);
  EXPECT_EQ(s.Bits(), before);
  EXPECT_TRUE(s.changed.IsEmpty());
  s.canvas.MoveTo(-100, -50);
  s.canvas.LineTo(200, 300);
  s.canvas.Rectangle(-10, -10, 100, 100);
  EXPECT_EQ(s.changed, (TRect{0, 0, 20, 20}));
}

}  // namespace
}  // namespace penvo

namespace penvo {
namespace {

// Draws a figure across several tiles (the size is no multiple of a tile).
void Figures(TCanvas& c, int mode) {
  c.Pen() = {0x3399CC, 7, TPenStyle::psSolid, mode};
  c.MoveTo(-10, 5);
  c.LineTo(190, 140);
  c.Brush() = {0xC0FFEE, TBrushStyle::bsSolid};
  c.Ellipse(60, 20, 170, 120);
}

// The layers laid over a picture give the pixels that drawing into the picture gives, in every
// mode and across tile edges; where nothing is drawn they hold nothing.
TEST(RasterLayers, GiveTheDrawnPixelsAndHoldTilesOnlyWhereSomethingIsDrawn) {
  for (int mode = 0; mode < 16; ++mode) {
    SCOPED_TRACE(mode);
    Surface direct(200, 150), layered(200, 150);
    direct.Pattern();
    layered.Pattern();
    Figures(direct.canvas, mode);
    TRasterLayers layers;
    layers.Reset(200, 150);
    TCanvas onLayers;
    onLayers.SetLayers(&layers);
    Figures(onLayers, mode);
    std::vector<std::uint32_t> bits = layered.Bits();
    layers.ApplyTo({bits.data(), 200, 150, 200});
    EXPECT_EQ(bits, direct.Bits());
  }
  TRasterLayers screen;
  screen.Reset(3840, 2160);
  EXPECT_EQ(screen.TileCount(), 0);
  TCanvas c;
  c.SetLayers(&screen);
  c.Pen() = {0xFF0000, 1, TPenStyle::psSolid, pmCopy};
  c.MoveTo(10, 10);
  c.LineTo(100, 10);
  EXPECT_EQ(screen.TileCount(), 2);
}

// A copy shares the tiles; drawing into either changes only that one.
TEST(RasterLayers, ACopyKeepsWhatWasDrawnBeforeItWhateverIsDrawnAfter) {
  TRasterLayers before;
  before.Reset(130, 70);
  TCanvas c;
  c.SetLayers(&before);
  c.Pen() = {0x00FF00, 3, TPenStyle::psSolid, pmCopy};
  c.MoveTo(0, 10);
  c.LineTo(129, 10);
  TRasterLayers after = before;
  c.SetLayers(&after);
  c.Pen() = {clBlue, 3, TPenStyle::psSolid, pmXor};
  c.MoveTo(0, 10);
  c.LineTo(129, 10);
  c.MoveTo(0, 60);
  c.LineTo(129, 60);
  std::vector<std::uint32_t> a(130 * 70, 0xFF000000u), b = a;
  before.ApplyTo({a.data(), 130, 70, 130});
  after.ApplyTo({b.data(), 130, 70, 130});
  for (int x : {5, 70, 128}) {  // each tile of the row
    EXPECT_EQ(a[10 * 130 + x] & 0xFFFFFF, 0x00FF00u) << x;  // the first line alone
    EXPECT_EQ(b[10 * 130 + x] & 0xFFFFFF, 0x00FFFFu) << x;  // blue XORed over it
    EXPECT_EQ(a[60 * 130 + x] & 0xFFFFFF, 0u) << x;
    EXPECT_EQ(b[60 * 130 + x] & 0xFFFFFF, 0x0000FFu) << x;
  }
}

}  // namespace
}  // namespace penvo
