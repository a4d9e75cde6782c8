// Colours, pens, brushes and the canvas: lines, rectangles and ellipses drawn without
// anti-aliasing, each pixel combined with the one beneath by the pen's raster mode.
// Plain C++ over a 32-bit pixel buffer, so the drawing can be tested without a display.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace penvo {

// A colour 0x00BBGGRR: red in the low byte. Values with the top byte 0x80 name system colours.
using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBtnFace = static_cast<TColor>(0x8000000F);
constexpr TColor clWindow = static_cast<TColor>(0x80000005);
constexpr TColor clWindowText = static_cast<TColor>(0x80000008);

// The 0x00RRGGBB value of a colour; system colours resolve to fixed light-theme values.
std::uint32_t ColorToRGB(TColor Color);

// The sixteen binary raster operations, as numbered in the pen mode table.
enum TPenMode : int {
  pmBlack = 0,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};

// Combines a pen pixel P with the pixel D beneath it (both 0x00RRGGBB) by Mode.
std::uint32_t CombinePixel(int Mode, std::uint32_t P, std::uint32_t D);

enum class TPenStyle { psSolid, psClear };
enum class TBrushStyle { bsSolid, bsClear };

struct TPen {
  TColor Color = clBlack;
  std::int32_t Width = 1;
  TPenStyle Style = TPenStyle::psSolid;
  int Mode = pmCopy;
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = TBrushStyle::bsSolid;
};

struct TPoint {
  std::int32_t X = 0, Y = 0;
  bool operator==(const TPoint&) const = default;
};

// A rectangle of pixels: Left and Top included, Right and Bottom excluded.
struct TRect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  std::int32_t Width() const { return Right - Left; }
  std::int32_t Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
  // The smallest rectangle holding both (an empty one adds nothing).
  TRect United(const TRect& Other) const;
};

// A 32-bit pixel buffer (0xffRRGGBB per pixel) that a canvas draws into; not owned.
struct TPixels {
  std::uint32_t* Bits = nullptr;
  int Width = 0, Height = 0;
  int Stride = 0;  // pixels from one row to the next
  std::uint32_t* Row(int Y) const { return Bits + static_cast<std::ptrdiff_t>(Y) * Stride; }
};

// A picture of 32-bit pixels (0xffRRGGBB) that shares its memory: copies are cheap, and the
// memory lives as long as one copy does (Keep holds whatever owns it).
struct TImage {
  TPixels Pixels;
  std::shared_ptr<void> Keep;
  bool IsNull() const { return Pixels.Bits == nullptr; }
  int Width() const { return Pixels.Width; }
  int Height() const { return Pixels.Height; }
  // A new picture of its own memory, every pixel Fill.
  static TImage Make(int Width, int Height, std::uint32_t Fill = 0xFF000000u);
};

// Copies the pixels of Source whose top-left lies at Origin (in Target's coordinates) into
// Target, opaque, where both have pixels; the rest of Target stays.
void CopyPixels(const TPixels& Source, TPoint Origin, const TPixels& Target);
// A 64-bit digest of a picture's size and pixels: two pictures that differ have different ones
// but by a chance too small to matter.
std::uint64_t PixelsFingerprint(const TPixels& Pixels);

// What a series of drawings does to each pixel, whatever lies beneath it. Every raster mode
// acts on each bit of a pixel as one of 0, 1, the bit itself or its inverse, and so does any
// series of them: the whole series comes to (D AND A) XOR B per pixel, with two layers A and B.
// Drawing into the layers costs what drawing into pixels costs; laying them over a new picture
// of the screen is one pass, however much was drawn.
//
// The layers are kept in tiles, made where something is drawn: where nothing is, they cost no
// memory and no time. A copy shares the tiles, and a tile is copied only when it is drawn
// into again, so that keeping the layers as they were before the last object costs that
// object's tiles.
class TRasterLayers {
 public:
  static constexpr int kTile = 64;  // pixels per tile edge

  // Layers of this size that change nothing (A all ones, B zero).
  void Reset(int Width, int Height);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Target := (Target AND A) XOR B, for the pixels both have.
  void ApplyTo(const TPixels& Target) const;
  // Adds the raster operation Mode with pen pixel P (0x00RRGGBB) at n pixels from (x, y).
  void Compose(int Mode, std::uint32_t P, int x, int y, int n);
  // How many tiles hold something (for memory accounting).
  int TileCount() const;

 private:
  struct Tile {
    std::uint32_t A[kTile * kTile], B[kTile * kTile];
  };
  Tile& Writable(int tx, int ty);

  int FWidth = 0, FHeight = 0, FColumns = 0;
  std::vector<std::shared_ptr<Tile>> FTiles;  // row by row; empty where nothing is drawn
};

// Draws on a pixel buffer with its own pen and brush. Every figure combines each of its pixels
// with the buffer once: the fill and the outline never overlap.
class TCanvas {
 public:
  virtual ~TCanvas() = default;
  // The widest pen drawn: wider than any screen the program runs on, so no user meets it, but
  // a settings file may ask for 1E9 pixels, and a pen much wider than any screen only costs
  // time. Wider pens draw this wide.
  static constexpr std::int32_t kMaxPenWidth = 16384;

  TPen& Pen() { return FPen; }
  TBrush& Brush() { return FBrush; }
  // Copies colour, width, style and mode; later changes of Source do not reach the canvas.
  virtual void SetPen(const TPen& Source) { FPen = Source; }
  TPoint PenPos() const { return FPenPos; }

  void SetPixels(const TPixels& Pixels) {
    FPixels = Pixels;
    FLayers = nullptr;
  }
  // Draws into Layers (not owned) instead of pixels, over an area of their size.
  void SetLayers(TRasterLayers* Layers);
  const TPixels& Pixels() const { return FPixels; }
  // Called with the rectangle each drawing changed (clipped to the buffer).
  std::function<void(const TRect&)> OnChange;

  // Moves the current position without drawing.
  virtual void MoveTo(std::int32_t X, std::int32_t Y) { FPenPos = {X, Y}; }
  // A line from the current position to (X, Y), the end pixel excluded for thin pens; (X, Y)
  // becomes the current position.
  virtual void LineTo(std::int32_t X, std::int32_t Y);
  // Outline with the pen, interior with the brush; corners in any order, the right and bottom
  // edges excluded.
  virtual void Rectangle(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2);
  // The same for the ellipse inscribed in that rectangle.
  virtual void Ellipse(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2);
  // Fills the rectangle with Color, replacing what was there.
  void FillRect(const TRect& Rect, TColor Color);

 private:
  class Painter;

  TPixels FPixels;
  TRasterLayers* FLayers = nullptr;
  TPen FPen;
  TBrush FBrush;
  TPoint FPenPos;
};

}  // namespace penvo
