#include "platform/Graphics.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <utility>

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
  Painter(const TPixels& Pixels, int Mode) : FPixels(Pixels), FMode(Mode) {}

  // Pixels x0..x1 (inclusive) of row y, clipped to the buffer.
  void Run(int y, long x0, long x1, TColor Color) {
    if (FMode == pmNop || y < 0 || y >= FPixels.Height) return;
    x0 = std::max(x0, 0L);
    x1 = std::min(x1, static_cast<long>(FPixels.Width) - 1);
    if (x0 > x1) return;
    kRuns[static_cast<std::size_t>(FMode & 15)](FPixels.Row(y) + x0, static_cast<int>(x1 - x0 + 1),
                                                ColorToRGB(Color));
    FChanged = FChanged.United({static_cast<int>(x0), y, static_cast<int>(x1) + 1, y + 1});
  }

  const TRect& Changed() const { return FChanged; }
  int Height() const { return FPixels.Height; }

 private:
  const TPixels& FPixels;
  int FMode;
  TRect FChanged;
};

namespace {

// The row range [first, last] of pixel rows, clipped to 0..height-1.
struct Rows {
  long first, last;
};

Rows ClipRows(long first, long last, int height) {
  return {std::max(first, 0L), std::min(last, static_cast<long>(height) - 1)};
}

// Pixels whose doubled centre 2p+1 lies in [lo, hi] (doubled coordinates).
inline long FirstPixel(double lo) {
  return static_cast<long>(std::ceil((lo - 1) / 2 - 1e-9));
}
inline long LastPixel(double hi) {
  return static_cast<long>(std::floor((hi - 1) / 2 + 1e-9));
}

// The x interval of a row within distance R of segment A-B (all in doubled coordinates);
// false when the row misses it.
bool CapsuleRow(double ax, double ay, double bx, double by, double R, double Y, double& lo,
                double& hi) {
  lo = INFINITY;
  hi = -INFINITY;
  const auto disc = [&](double cx, double cy) {
    const double dy = Y - cy;
    if (std::fabs(dy) > R) return;
    const double half = std::sqrt(R * R - dy * dy);
    lo = std::min(lo, cx - half);
    hi = std::max(hi, cx + half);
  };
  disc(ax, ay);
  disc(bx, by);
  const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
  if (len2 > 0) {
    // The band between the two end discs: 0 <= (P-A).d <= |d|^2 and |d x (P-A)| <= R|d|,
    // both linear in X for this row.
    double bl = -INFINITY, bh = INFINITY;
    const auto between = [&](double k, double c, double from, double to) {
      // from <= k*X + c <= to
      if (k == 0) {
        if (c < from || c > to) bh = -INFINITY;
        return;
      }
      double x0 = (from - c) / k, x1 = (to - c) / k;
      if (x0 > x1) std::swap(x0, x1);
      bl = std::max(bl, x0);
      bh = std::min(bh, x1);
    };
    between(dx, -ax * dx + (Y - ay) * dy, 0, len2);
    const double reach = R * std::sqrt(len2);
    between(-dy, dx * (Y - ay) + dy * ax, -reach, reach);
    if (bl <= bh) {
      lo = std::min(lo, bl);
      hi = std::max(hi, bh);
    }
  }
  return lo <= hi;
}

}  // namespace

void TCanvas::LineTo(std::int32_t X, std::int32_t Y) {
  const TPoint from = FPenPos;
  FPenPos = {X, Y};
  if (FPen.Style == TPenStyle::psClear || !FPixels.Bits) return;
  Painter painter(FPixels, FPen.Mode);
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
    const int odd = width & 1;
    const double ax = 2.0 * from.X + odd, ay = 2.0 * from.Y + odd;
    const double bx = 2.0 * X + odd, by = 2.0 * Y + odd, R = width;
    const Rows rows =
        ClipRows(FirstPixel(std::min(ay, by) - R), LastPixel(std::max(ay, by) + R), FPixels.Height);
    for (long py = rows.first; py <= rows.last; ++py) {
      double lo, hi;
      if (CapsuleRow(ax, ay, bx, by, R, 2.0 * py + 1, lo, hi))
        painter.Run(static_cast<int>(py), FirstPixel(lo), LastPixel(hi), FPen.Color);
    }
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
  if (X1 == X2 || Y1 == Y2 || !FPixels.Bits) return;
  Painter painter(FPixels, FPen.Mode);
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
  if (X1 == X2 || Y1 == Y2 || !FPixels.Bits) return;
  Painter painter(FPixels, FPen.Mode);
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
  if (!FPixels.Bits) return;
  Painter painter(FPixels, pmCopy);
  for (int y = std::max(Rect.Top, 0); y < std::min(Rect.Bottom, FPixels.Height); ++y)
    painter.Run(y, Rect.Left, static_cast<long>(Rect.Right) - 1, Color);
  if (OnChange && !painter.Changed().IsEmpty()) OnChange(painter.Changed());
}

}  // namespace penvo
