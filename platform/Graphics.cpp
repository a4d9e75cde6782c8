#include "platform/Graphics.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace penvo {

std::uint32_t ColorToRGB(TColor Color) {
  const auto c = static_cast<std::uint32_t>(Color);
  if ((c & 0xFF000000u) == 0x80000000u) {
    switch (c & 0xFF) {
      case 0x05:
        return 0xFFFFFF;  // window background
      case 0x08:
        return 0x000000;  // window text
      default:
        return 0xF0F0F0;  // button face and the rest of the system colours
    }
  }
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

TRect TRect::United(const TRect& Other) const {
  if (Other.IsEmpty()) return *this;
  if (IsEmpty()) return Other;
  return {std::min(Left, Other.Left), std::min(Top, Other.Top), std::max(Right, Other.Right),
          std::max(Bottom, Other.Bottom)};
}

namespace {

constexpr std::uint32_t kRGB = 0x00FFFFFF;
constexpr std::uint32_t kOpaque = 0xFF000000;

template <int M>
inline std::uint32_t Combine(std::uint32_t P, std::uint32_t D) {
  switch (M) {
    case pmBlack:
      return 0;
    case pmWhite:
      return kRGB;
    case pmNop:
      return D;
    case pmNot:
      return ~D;
    case pmCopy:
      return P;
    case pmNotCopy:
      return ~P;
    case pmMergePenNot:
      return P | ~D;
    case pmMaskPenNot:
      return P & ~D;
    case pmMergeNotPen:
      return ~P | D;
    case pmMaskNotPen:
      return ~P & D;
    case pmMerge:
      return P | D;
    case pmNotMerge:
      return ~(P | D);
    case pmMask:
      return P & D;
    case pmNotMask:
      return ~(P & D);
    case pmXor:
      return P ^ D;
    default:
      return ~(P ^ D);
  }
}

// Combines a run of n pixels with the pen pixel P.
template <int M>
void CombineRun(std::uint32_t* p, int n, std::uint32_t P) {
  for (int i = 0; i < n; ++i) p[i] = (Combine<M>(P, p[i]) & kRGB) | kOpaque;
}

using RunFn = void (*)(std::uint32_t*, int, std::uint32_t);

template <int... M>
constexpr auto MakeRunTable(std::integer_sequence<int, M...>) {
  return std::array<RunFn, sizeof...(M)>{&CombineRun<M>...};
}

const auto kRuns = MakeRunTable(std::make_integer_sequence<int, 16>{});

}  // namespace

std::uint32_t CombinePixel(int Mode, std::uint32_t P, std::uint32_t D) {
  std::uint32_t d = D | kOpaque;
  kRuns[static_cast<std::size_t>(Mode & 15)](&d, 1, P);
  return d & kRGB;
}

// Writes horizontal runs of one figure into the buffer and keeps the rectangle it changed.
class TCanvas::Painter {
 public:
  Painter(const TPixels& Pixels, TRasterLayers* Layers, int Mode)
      : FPixels(Pixels),
        FLayers(Layers),
        FMode(Mode),
        FRun(kRuns[static_cast<std::size_t>(Mode & 15)]) {}

  // Pixels x0..x1 (inclusive) of row y, clipped to the buffer.
  void Run(int y, long x0, long x1, TColor Color) {
    if (FMode == pmNop || y < 0 || y >= FPixels.Height) return;
    x0 = std::max(x0, 0L);
    x1 = std::min(x1, static_cast<long>(FPixels.Width) - 1);
    if (x0 > x1) return;
    if (Color != FColor) {
      FColor = Color;
      FRgb = ColorToRGB(Color);
    }
    const int n = static_cast<int>(x1 - x0 + 1);
    if (FLayers)
      FLayers->Compose(FMode, FRgb, static_cast<int>(x0), y, n);
    else
      FRun(FPixels.Row(y) + x0, n, FRgb);
    FLeft = std::min(FLeft, x0);
    FRight = std::max(FRight, x1 + 1);
    FTop = std::min(FTop, y);
    FBottom = std::max(FBottom, y + 1);
  }

  TRect Changed() const {
    if (FLeft >= FRight) return {};
    return {static_cast<int>(FLeft), FTop, static_cast<int>(FRight), FBottom};
  }

 private:
  const TPixels& FPixels;
  TRasterLayers* FLayers;
  int FMode;
  RunFn FRun;
  TColor FColor = -1;
  std::uint32_t FRgb = 0;
  long FLeft = LONG_MAX, FRight = LONG_MIN;
  int FTop = INT_MAX, FBottom = INT_MIN;
};

void TRasterLayers::Reset(int Width, int Height) {
  FWidth = std::max(Width, 0);
  FHeight = std::max(Height, 0);
  FColumns = (FWidth + kTile - 1) / kTile;
  const int rows = (FHeight + kTile - 1) / kTile;
  FTiles.assign(static_cast<std::size_t>(FColumns) * static_cast<std::size_t>(rows), nullptr);
}

int TRasterLayers::TileCount() const {
  return static_cast<int>(std::count_if(FTiles.begin(), FTiles.end(),
                                        [](const auto& t) { return t != nullptr; }));
}

TRasterLayers::Tile& TRasterLayers::Writable(int tx, int ty) {
  std::shared_ptr<Tile>& tile = FTiles[static_cast<std::size_t>(ty) * FColumns + tx];
  if (!tile) {
    tile = std::make_shared<Tile>();
    std::fill(std::begin(tile->A), std::end(tile->A), kRGB);
    std::fill(std::begin(tile->B), std::end(tile->B), 0u);
  } else if (tile.use_count() > 1) {
    tile = std::make_shared<Tile>(*tile);  // shared with a copy of the layers: ours alone now
  }
  return *tile;
}

void TRasterLayers::ApplyTo(const TPixels& Target) const {
  const int w = std::min(FWidth, Target.Width), h = std::min(FHeight, Target.Height);
  for (int ty = 0; ty * kTile < h; ++ty)
    for (int tx = 0; tx * kTile < w; ++tx) {
      const Tile* tile = FTiles[static_cast<std::size_t>(ty) * FColumns + tx].get();
      if (!tile) continue;
      const int x0 = tx * kTile, y0 = ty * kTile;
      const int cols = std::min(kTile, w - x0), rows = std::min(kTile, h - y0);
      for (int r = 0; r < rows; ++r) {
        std::uint32_t* p = Target.Row(y0 + r) + x0;
        const std::uint32_t* a = tile->A + r * kTile;
        const std::uint32_t* b = tile->B + r * kTile;
        for (int x = 0; x < cols; ++x) p[x] = ((p[x] & a[x]) ^ b[x]) | kOpaque;
      }
    }
}

void TRasterLayers::Compose(int Mode, std::uint32_t P, int x, int y, int n) {
  // The operation as a function of the pixel beneath: g(D) = (D AND Ag) XOR Bg.
  const std::uint32_t g0 = CombinePixel(Mode, P, 0), g1 = CombinePixel(Mode, P, kRGB);
  const std::uint32_t ag = g0 ^ g1, bg = g0;
  // Nothing changes where the operation leaves every pixel as it is (pmNop).
  if ((ag == kRGB && bg == 0) || y < 0 || y >= FHeight) return;
  if (x < 0) n += x, x = 0;
  n = std::min(n, FWidth - x);
  const int ty = y / kTile, r = y % kTile;
  while (n > 0) {
    const int tx = x / kTile, c = x % kTile, run = std::min(n, kTile - c);
    Tile& tile = Writable(tx, ty);
    std::uint32_t* a = tile.A + r * kTile + c;
    std::uint32_t* b = tile.B + r * kTile + c;
    for (int i = 0; i < run; ++i) {
      a[i] &= ag;
      b[i] = (b[i] & ag) ^ bg;
    }
    x += run;
    n -= run;
  }
}

void TCanvas::SetLayers(TRasterLayers* Layers) {
  FLayers = Layers;
  // The layers' own size is the area drawn; Row() is never used for them.
  FPixels =
      Layers ? TPixels{nullptr, Layers->Width(), Layers->Height(), Layers->Width()} : TPixels{};
}

namespace {

// The row range [first, last] of pixel rows, clipped to 0..height-1.
struct Rows {
  long first, last;
};

Rows ClipRows(long first, long last, int height) {
  return {std::max(first, 0L), std::min(last, static_cast<long>(height) - 1)};
}

// Pixels whose doubled centre 2p+1 lies in [lo, hi] (doubled coordinates).
// floor and ceil without a library call (the baseline x86-64 has no rounding instruction).
inline long Floor(double x) {
  const long i = static_cast<long>(x);
  return i - (x < static_cast<double>(i));
}
inline long Ceil(double x) {
  const long i = static_cast<long>(x);
  return i + (x > static_cast<double>(i));
}
inline long FirstPixel(double lo) {
  return Ceil((lo - 1) * 0.5 - 1e-9);
}
inline long LastPixel(double hi) {
  return Floor((hi - 1) * 0.5 + 1e-9);
}

// A wide pen's segment: the points within distance R of segment A-B, in doubled coordinates
// (pixel p has its centre at 2p+1), row by row. Everything that does not depend on the row is
// worked out once, so a row costs a few multiplications and no square root.
class Capsule {
 public:
  Capsule(long ax, long ay, long bx, long by, long R)
      : ax_(ax), ay_(ay), bx_(bx), by_(by), R_(R), half_(DiscTable(R)) {
    const double dx = double(bx - ax), dy = double(by - ay);
    len2_ = dx * dx + dy * dy;
    band_ = len2_ > 0;
    if (!band_) return;
    dx_ = dx;
    dy_ = dy;
    reach_ = double(R) * std::sqrt(len2_);
    inv1_ = dx != 0 ? 1 / dx : 0;
    inv2_ = dy != 0 ? -1 / dy : 0;
  }

  long FirstRow() const { return (std::min(ay_, by_) - R_ - 1 + 1) / 2 - 1; }
  long LastRow() const { return (std::max(ay_, by_) + R_ - 1) / 2 + 1; }

  // The pixel columns [first, last] of pixel row py; false when the row misses the capsule.
  bool Row(long py, long& first, long& last) const {
    const long Y = 2 * py + 1;
    double lo = INFINITY, hi = -INFINITY;
    Disc(ax_, Y - ay_, lo, hi);
    Disc(bx_, Y - by_, lo, hi);
    if (band_) Band(Y, lo, hi);
    if (lo > hi) return false;
    first = FirstPixel(lo);
    last = LastPixel(hi);
    return first <= last;
  }

 private:
  // sqrt(R^2 - d^2) for d = 0..R, kept for the last few widths used.
  static const std::vector<double>& DiscTable(long R) {
    static thread_local std::vector<std::pair<long, std::vector<double>>> cache;
    for (const auto& [r, table] : cache)
      if (r == R) return table;
    if (cache.size() >= 8) cache.erase(cache.begin());
    std::vector<double> table(static_cast<std::size_t>(R) + 1);
    for (long d = 0; d <= R; ++d)
      table[static_cast<std::size_t>(d)] = std::sqrt(double(R * R - d * d));
    cache.emplace_back(R, std::move(table));
    return cache.back().second;
  }

  void Disc(long cx, long dy, double& lo, double& hi) const {
    const long d = dy < 0 ? -dy : dy;
    if (d > R_) return;
    const double h = half_[static_cast<std::size_t>(d)];
    lo = std::min(lo, cx - h);
    hi = std::max(hi, cx + h);
  }

  // The band between the end discs: 0 <= (P-A).d <= |d|^2 and |d x (P-A)| <= R|d|, both
  // linear in X for a given row.
  void Band(long Y, double& lo, double& hi) const {
    double bl = -INFINITY, bh = INFINITY;
    const double y = double(Y - ay_);
    if (!Between(dx_, inv1_, y * dy_, 0, len2_, bl, bh)) return;
    if (!Between(-dy_, inv2_, dx_ * y, -reach_, reach_, bl, bh)) return;
    if (bl > bh) return;
    lo = std::min(lo, bl);
    hi = std::max(hi, bh);
  }

  // Narrows [bl, bh] to the X with from <= k*(X-ax) + c <= to (inv is 1/k); false when none.
  bool Between(double k, double inv, double c, double from, double to, double& bl,
               double& bh) const {
    if (k == 0) return c >= from && c <= to;
    double x0 = (from - c) * inv, x1 = (to - c) * inv;
    if (x0 > x1) std::swap(x0, x1);
    bl = std::max(bl, x0 + double(ax_));
    bh = std::min(bh, x1 + double(ax_));
    return true;
  }

  long ax_, ay_, bx_, by_, R_;
  const std::vector<double>& half_;
  double dx_ = 0, dy_ = 0, len2_ = 0, reach_ = 0, inv1_ = 0, inv2_ = 0;
  bool band_ = false;
};

}  // namespace

void TCanvas::LineTo(std::int32_t X, std::int32_t Y) {
  const TPoint from = FPenPos;
  FPenPos = {X, Y};
  if (FPen.Style == TPenStyle::psClear || (!FPixels.Bits && !FLayers)) return;
  Painter painter(FPixels, FLayers, FPen.Mode);
  const std::int32_t width = std::clamp(FPen.Width, 1, kMaxPenWidth);
  if (width <= 1) {
    // Bresenham, the end pixel left out so that joined segments touch each pixel once.
    long x = from.X, y = from.Y;
    const long dx = std::labs(static_cast<long>(X) - x), dy = -std::labs(static_cast<long>(Y) - y);
    const long sx = x < X ? 1 : -1, sy = y < Y ? 1 : -1;
    long err = dx + dy;
    while (x != X || y != Y) {
      painter.Run(static_cast<int>(y), x, x, FPen.Color);
      const long e2 = 2 * err;
      if (e2 >= dy) err += dy, x += sx;
      if (e2 <= dx) err += dx, y += sy;
    }
  } else {
    // A wide pen is a capsule: the segment with round ends, width pixels across. In doubled
    // coordinates pixel p has its centre at 2p+1; an odd width centres the line on a pixel.
    const long odd = width & 1;
    const Capsule capsule(2L * from.X + odd, 2L * from.Y + odd, 2L * X + odd, 2L * Y + odd, width);
    const Rows rows = ClipRows(capsule.FirstRow(), capsule.LastRow(), FPixels.Height);
    long first, last;
    for (long py = rows.first; py <= rows.last; ++py)
      if (capsule.Row(py, first, last)) painter.Run(static_cast<int>(py), first, last, FPen.Color);
  }
  if (OnChange && !painter.Changed().IsEmpty()) OnChange(painter.Changed());
}

namespace {

void Normalize(std::int32_t& a, std::int32_t& b) {
  if (a > b) std::swap(a, b);
}

}  // namespace

void TCanvas::Rectangle(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2) {
  Normalize(X1, X2);
  Normalize(Y1, Y2);
  if (X1 == X2 || Y1 == Y2 || (!FPixels.Bits && !FLayers)) return;
  Painter painter(FPixels, FLayers, FPen.Mode);
  const bool outline = FPen.Style != TPenStyle::psClear;
  const long w = outline ? std::clamp(FPen.Width, 1, kMaxPenWidth) : 0;
  // The pen runs along the pixels X1..X2-1, Y1..Y2-1, w pixels thick, centred on them.
  const long ol = X1 - (w - 1) / 2, orr = X2 - 1 + w / 2;
  const long ot = Y1 - (w - 1) / 2, ob = Y2 - 1 + w / 2;
  const long il = outline ? ol + w : X1, ir = outline ? orr - w : X2 - 1;
  const long it = outline ? ot + w : Y1, ib = outline ? ob - w : Y2 - 1;
  const bool fill = FBrush.Style == TBrushStyle::bsSolid && il <= ir && it <= ib;
  const Rows rows = ClipRows(std::min(ot, it), std::max(ob, ib), FPixels.Height);
  for (long y = rows.first; y <= rows.last; ++y) {
    const bool inner = y >= it && y <= ib && il <= ir;
    if (outline) {
      if (inner) {
        painter.Run(static_cast<int>(y), ol, il - 1, FPen.Color);
        painter.Run(static_cast<int>(y), ir + 1, orr, FPen.Color);
      } else {
        painter.Run(static_cast<int>(y), ol, orr, FPen.Color);
      }
    }
    if (fill && inner) painter.Run(static_cast<int>(y), il, ir, FBrush.Color);
  }
  if (OnChange && !painter.Changed().IsEmpty()) OnChange(painter.Changed());
}

void TCanvas::Ellipse(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2) {
  Normalize(X1, X2);
  Normalize(Y1, Y2);
  if (X1 == X2 || Y1 == Y2 || (!FPixels.Bits && !FLayers)) return;
  Painter painter(FPixels, FLayers, FPen.Mode);
  const bool outline = FPen.Style != TPenStyle::psClear;
  const double w = outline ? std::clamp(FPen.Width, 1, kMaxPenWidth) : 0;
  // Doubled coordinates: the curve runs through the centres of the box's edge pixels; the
  // pen is a ring w pixels thick around it, the brush fills what the ring encloses.
  const double cx = double(X1) + X2 - 1 + 1, cy = double(Y1) + Y2 - 1 + 1;
  const double a = double(X2) - 1 - X1, b = double(Y2) - 1 - Y1;
  const double ao = a + w, bo = b + w, ai = a - w, bi = b - w;
  const bool hasInner = ai > 0 && bi > 0;
  const bool fill = FBrush.Style == TBrushStyle::bsSolid;
  const auto span = [](double c, double A, double B, double dy, double& lo, double& hi) {
    if (A <= 0 || B <= 0 || std::fabs(dy) > B) return false;
    const double half = A * std::sqrt(1 - (dy / B) * (dy / B));
    lo = c - half;
    hi = c + half;
    return true;
  };
  const Rows rows = ClipRows(FirstPixel(cy - bo), LastPixel(cy + bo), FPixels.Height);
  for (long py = rows.first; py <= rows.last; ++py) {
    const double dy = 2.0 * py + 1 - cy;
    double olo, ohi, ilo, ihi;
    if (!span(cx, ao, bo, dy, olo, ohi)) continue;
    const bool inner =
        hasInner && span(cx, ai, bi, dy, ilo, ihi) && FirstPixel(ilo) <= LastPixel(ihi);
    const int y = static_cast<int>(py);
    if (!inner) {
      // Without the brush and without an outline the row stays as it is.
      if (outline)
        painter.Run(y, FirstPixel(olo), LastPixel(ohi), FPen.Color);
      else if (fill)
        painter.Run(y, FirstPixel(olo), LastPixel(ohi), FBrush.Color);
      continue;
    }
    const long il = FirstPixel(ilo), ir = LastPixel(ihi);
    if (outline) {
      painter.Run(y, FirstPixel(olo), il - 1, FPen.Color);
      painter.Run(y, ir + 1, LastPixel(ohi), FPen.Color);
    }
    if (fill) painter.Run(y, il, ir, FBrush.Color);
  }
  if (OnChange && !painter.Changed().IsEmpty()) OnChange(painter.Changed());
}

void TCanvas::FillRect(const TRect& Rect, TColor Color) {
  if ((!FPixels.Bits && !FLayers)) return;
  Painter painter(FPixels, FLayers, pmCopy);
  for (int y = std::max(Rect.Top, 0); y < std::min(Rect.Bottom, FPixels.Height); ++y)
    painter.Run(y, Rect.Left, static_cast<long>(Rect.Right) - 1, Color);
  if (OnChange && !painter.Changed().IsEmpty()) OnChange(painter.Changed());
}

}  // namespace penvo

namespace penvo {

TImage TImage::Make(int Width, int Height, std::uint32_t Fill) {
  Width = std::max(Width, 0);
  Height = std::max(Height, 0);
  auto memory = std::make_shared<std::vector<std::uint32_t>>(
      static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), Fill);
  TImage image;
  image.Pixels = {memory->data(), Width, Height, Width};
  image.Keep = std::move(memory);
  return image;
}

void CopyPixels(const TPixels& Source, TPoint Origin, const TPixels& Target) {
  const int left = std::max(0, Origin.X), top = std::max(0, Origin.Y);
  const int right = std::min(Target.Width, Origin.X + Source.Width);
  const int bottom = std::min(Target.Height, Origin.Y + Source.Height);
  if (right <= left || bottom <= top) return;
  // Opaque, whatever the source's fourth byte holds (an X server's 24-bit picture has 0 there).
  for (int y = top; y < bottom; ++y) {
    const std::uint32_t* from = Source.Row(y - Origin.Y) + (left - Origin.X);
    std::uint32_t* to = Target.Row(y) + left;
    for (int x = 0; x < right - left; ++x) to[x] = from[x] | kOpaque;
  }
}

std::uint64_t PixelsFingerprint(const TPixels& Pixels) {
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ (static_cast<std::uint64_t>(Pixels.Width) << 32 |
                                              static_cast<std::uint32_t>(Pixels.Height));
  for (int y = 0; y < Pixels.Height; ++y) {
    const std::uint32_t* row = Pixels.Row(y);
    std::uint64_t lane = 0;
    for (int x = 0; x < Pixels.Width; ++x) lane = (lane ^ row[x]) * 0x100000001B3ull;
    h = (h ^ lane) * 0xFF51AFD7ED558CCDull;
  }
  return h;
}

}  // namespace penvo
