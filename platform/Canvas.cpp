// Shapes, lines and text on the pixel buffer.
#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/Rounding.h"

namespace {

constexpr int kMaxSide = 16384;
constexpr double kMaxScale = 16;

// How far row i (0 = top) of a rounded rectangle of `rows` rows starts inside its left edge,
// for corner ellipses of width w and height h. The outline runs through pixel centres, as a
// 1-pixel pen draws the curve: semi-axes (w - 1) / 2 and (h - 1) / 2.
int RoundInset(int i, int rows, int w, int h) {
  const int fromEdge = std::min(i, rows - 1 - i);
  const double rx = (w - 1) / 2.0, ry = (h - 1) / 2.0;
  const double dy = ry - fromEdge;
  if (dy <= 0 || ry <= 0) return 0;
  const double dx = rx * std::sqrt(std::max(0.0, 1.0 - (dy / ry) * (dy / ry)));
  return std::max(0, static_cast<int>(std::floor(rx - dx + 0.5 + 1e-9)));
}

}  // namespace

int ScaleToDevice(int unit, double scale) {
  if (scale == 1) return unit;
  const double d = std::floor(unit * scale + 0.5);
  return static_cast<int>(std::clamp(d, -1e9, 1e9));
}

int DeviceToUnit(int device, double scale) {
  if (scale == 1) return device;
  int unit = static_cast<int>(std::floor(device / scale));
  // The closed form may be a unit off where the rounding of the edges moves them.
  while (ScaleToDevice(unit + 1, scale) <= device) ++unit;
  while (ScaleToDevice(unit, scale) > device) --unit;
  return unit;
}

TRect TRect::Intersect(const TRect& o) const {
  TRect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
  if (r.IsEmpty()) return {};
  return r;
}

TCanvas::TCanvas(int w, int h, TColor fill) { Resize(w, h, fill); }

void TCanvas::Resize(int w, int h, TColor fill) {
  width = std::clamp(w, 0, kMaxSide);
  height = std::clamp(h, 0, kMaxSide);
  pixels.assign(static_cast<size_t>(width) * height, fill);
  originX = originY = 0;
  clip = {0, 0, width, height};
}

void TCanvas::SetScale(double s) {
  scale = s > 1 ? std::min(s, kMaxScale) : 1.0;
  face = nullptr;
}

int TCanvas::LinePixels(int widthUnits) const {
  if (scale == 1) return std::max(1, widthUnits);
  return std::max(1, static_cast<int>(std::floor(std::max(1, widthUnits) * scale + 0.5)));
}

TRect TCanvas::DeviceRect(const TRect& r) const {
  return {Device(r.left + originX), Device(r.top + originY), Device(r.right + originX), Device(r.bottom + originY)};
}

void TCanvas::RestoreState(const TState& s) {
  originX = s.originX;
  originY = s.originY;
  clip = s.clip.Intersect({0, 0, width, height});
}

void TCanvas::SetArea(int x, int y, const TRect& clipArea) {
  originX = originY = 0;
  clip = DeviceRect(clipArea).Intersect({0, 0, width, height});
  originX = x;
  originY = y;
}

void TCanvas::EnterArea(const TRect& area) {
  clip = clip.Intersect(DeviceRect(area));
  originX += area.left;
  originY += area.top;
}

void TCanvas::SetClip(const TRect& r) { clip = DeviceRect(r).Intersect({0, 0, width, height}); }

TRect TCanvas::ClipRect() const {
  if (clip.IsEmpty()) return {};
  // The first unit with a pixel inside, and the first one past the last such unit.
  return {DeviceToUnit(clip.left, scale) - originX, DeviceToUnit(clip.top, scale) - originY,
          DeviceToUnit(clip.right - 1, scale) + 1 - originX, DeviceToUnit(clip.bottom - 1, scale) + 1 - originY};
}

TColor TCanvas::DevicePixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  return pixels[static_cast<size_t>(y) * width + x];
}

TColor TCanvas::Pixel(int x, int y) const { return DevicePixel(Device(x + originX), Device(y + originY)); }

void TCanvas::SetPixel(int x, int y, TColor c) {
  if (scale != 1) {
    FillRect({x, y, x + 1, y + 1}, c);
    return;
  }
  x += originX;
  y += originY;
  if (clip.Contains(x, y)) pixels[static_cast<size_t>(y) * width + x] = c;
}

void TCanvas::FillSpan(int y, int x0, int x1, TColor c) {
  if (y < clip.top || y >= clip.bottom) return;
  x0 = std::max(x0, clip.left);
  x1 = std::min(x1, clip.right);
  if (x0 >= x1) return;
  TColor* row = pixels.data() + static_cast<size_t>(y) * width;
  std::fill(row + x0, row + x1, c);
}

void TCanvas::FillRect(const TRect& r, TColor c) {
  const TRect b = DeviceRect(r).Intersect(clip);
  for (int y = b.top; y < b.bottom; ++y) FillSpan(y, b.left, b.right, c);
}

void TCanvas::FrameRect(const TRect& r, TColor c) { PaintRoundRect(r, 0, 0, RoundPart::frame, c, c); }

void TCanvas::Rectangle(const TRect& r, TColor pen, TColor brush) {
  PaintRoundRect(r, 0, 0, RoundPart::both, pen, brush);
}

void TCanvas::FillRoundRect(const TRect& r, int ew, int eh, TColor c) {
  PaintRoundRect(r, ew, eh, RoundPart::fill, c, c);
}

void TCanvas::FrameRoundRect(const TRect& r, int ew, int eh, TColor c) {
  PaintRoundRect(r, ew, eh, RoundPart::frame, c, c);
}

void TCanvas::RoundRect(const TRect& r, int ew, int eh, TColor pen, TColor brush) {
  PaintRoundRect(r, ew, eh, RoundPart::both, pen, brush);
}

// Row by row: the shape's span on a row, and of it the outline is what the rows above and
// below do not cover on both sides, plus the end pixels. Scaled, the outline is t = LinePixels(1)
// pixels thick: the t pixels at either end of a row, the t rows at the top and the bottom, and
// what any of the t rows above or below does not cover.
void TCanvas::PaintRoundRect(const TRect& r, int ew, int eh, RoundPart part, TColor pen, TColor brush) {
  if (r.IsEmpty()) return;
  const TRect b = DeviceRect(r);
  if (b.IsEmpty()) return;
  const int rows = b.Height(), cols = b.Width();
  if (scale != 1) {
    ew = static_cast<int>(std::lround(ew * scale));
    eh = static_cast<int>(std::lround(eh * scale));
  }
  ew = std::clamp(ew, 0, cols);
  eh = std::clamp(eh, 0, rows);
  const int t = LinePixels(1);
  const bool rounded = ew > 1 && eh > 1;
  // Every row keeps at least its middle pixel or two.
  const auto inset = [&](int i) { return rounded ? std::min(RoundInset(i, rows, ew, eh), (cols - 1) / 2) : 0; };
  const int yFrom = std::max(0, clip.top - b.top), yTo = std::min(rows, clip.bottom - b.top);
  for (int i = yFrom; i < yTo; ++i) {
    const int y = b.top + i;
    const int in = inset(i);
    const int s = b.left + in, e = b.right - in;
    if (part == RoundPart::fill) {
      FillSpan(y, s, e, brush);
      continue;
    }
    int innerS = s + t, innerE = e - t;
    if (i < t || i >= rows - t) {
      innerE = innerS;  // top and bottom rows are outline throughout
    } else {
      int neighbour = 0;
      for (int k = 1; k <= t; ++k) neighbour = std::max({neighbour, inset(i - k), inset(i + k)});
      innerS = std::max(innerS, b.left + neighbour);
      innerE = std::min(innerE, b.right - neighbour);
    }
    if (innerS >= innerE) {
      FillSpan(y, s, e, pen);
      continue;
    }
    FillSpan(y, s, innerS, pen);
    FillSpan(y, innerE, e, pen);
    if (part == RoundPart::both) FillSpan(y, innerS, innerE, brush);
  }
}

void TCanvas::SetPen(TColor c, int w) {
  penColor = c;
  penWidth = std::clamp(w, 1, 64);
}

// A line along an axis with a thin pen covers its units' device pixels, LinePixels(1) thick; any
// other line is Bresenham's walk between the device centres of its end points with a square pen
// of the scaled width (a thin pen leaving out the last pen width, as it leaves out the end point).
void TCanvas::ScaledLineTo(int x0, int y0, int x1, int y1) {
  const int t = LinePixels(penWidth);
  if (penWidth == 1 && (x0 == x1 || y0 == y1)) {
    if (x0 == x1 && y0 == y1) return;
    // The units covered, GDI's way: from the start up to, not including, the end.
    const int left = std::min(x0, x1 + (x1 < x0 ? 1 : 0)), right = std::max(x0 + 1, x1 + (x1 < x0 ? 1 : 0));
    const int top = std::min(y0, y1 + (y1 < y0 ? 1 : 0)), bottom = std::max(y0 + 1, y1 + (y1 < y0 ? 1 : 0));
    TRect d = DeviceRect(y0 == y1 ? TRect{left, y0, right, y0 + 1} : TRect{x0, top, x0 + 1, bottom});
    if (y0 == y1)
      d.bottom = d.top + t;
    else
      d.right = d.left + t;
    const TRect b = d.Intersect(clip);
    for (int y = b.top; y < b.bottom; ++y) FillSpan(y, b.left, b.right, penColor);
    return;
  }
  // The pen's square is centred where the unscaled pen's is: on a pixel's centre for odd widths,
  // on its corner for even ones.
  const double half = penWidth % 2 == 1 ? 0.5 : 0.0;
  const auto corner = [&](int unit, int origin) {
    return static_cast<int64_t>(std::floor((unit + origin + half) * scale - t / 2.0 + 0.5));
  };
  const int64_t ax = corner(x0, originX), ay = corner(y0, originY), bx = corner(x1, originX), by = corner(y1, originY);
  const int64_t adx = std::llabs(bx - ax), ady = std::llabs(by - ay);
  const int64_t sx = bx < ax ? -1 : 1, sy = by < ay ? -1 : 1;
  const bool xMajor = adx >= ady;
  const int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
  const int64_t steps = penWidth > 1 ? major + 1 : std::max<int64_t>(1, major - t + 1);
  for (int64_t k = 0; k < steps; ++k) {
    const int64_t m = major == 0 ? 0 : (2 * k * minor + major) / (2 * major);
    const int64_t x = xMajor ? ax + sx * k : ax + sx * m;
    const int64_t y = xMajor ? ay + sy * m : ay + sy * k;
    if (x + t <= clip.left || x >= clip.right || y + t <= clip.top || y >= clip.bottom) continue;
    const TRect b = TRect{static_cast<int>(x), static_cast<int>(y), static_cast<int>(x) + t, static_cast<int>(y) + t}.Intersect(clip);
    for (int row = b.top; row < b.bottom; ++row) FillSpan(row, b.left, b.right, penColor);
  }
}

void TCanvas::MoveTo(int x, int y) {
  penX = x;
  penY = y;
}

void TCanvas::PlotPen(int x, int y) {
  if (penWidth == 1) {
    SetPixel(x, y, penColor);
    return;
  }
  const int lo = -(penWidth / 2);
  FillRect({x + lo, y + lo, x + lo + penWidth, y + lo + penWidth}, penColor);
}

// The pixels of a line are those of Bresenham's walk, found in closed form along the major
// axis, so that only the part inside the clip is visited however long the line is.
void TCanvas::LineTo(int x1, int y1) {
  if (scale != 1) {
    const int x0 = penX, y0 = penY;
    penX = x1;
    penY = y1;
    ScaledLineTo(x0, y0, x1, y1);
    return;
  }
  const int64_t x0 = penX, y0 = penY;
  penX = x1;
  penY = y1;
  const int64_t adx = std::llabs(x1 - x0), ady = std::llabs(y1 - y0);
  const int64_t sx = x1 < x0 ? -1 : 1, sy = y1 < y0 ? -1 : 1;
  const bool xMajor = adx >= ady;
  const int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
  const int64_t steps = penWidth > 1 ? major + 1 : major;  // a thin pen leaves out the end point
  if (steps == 0) return;
  // Steps whose major coordinate can touch the clip, widened by the pen.
  const int64_t start = xMajor ? x0 + originX : y0 + originY;
  const int64_t dir = xMajor ? sx : sy;
  const int64_t lo = (xMajor ? clip.left : clip.top) - penWidth, hi = (xMajor ? clip.right : clip.bottom) + penWidth;
  int64_t kFrom = 0, kTo = steps;
  if (dir > 0) {
    kFrom = std::max<int64_t>(kFrom, lo - start);
    kTo = std::min<int64_t>(kTo, hi - start);
  } else {
    kFrom = std::max<int64_t>(kFrom, start - hi);
    kTo = std::min<int64_t>(kTo, start - lo);
  }
  for (int64_t k = kFrom; k < kTo; ++k) {
    const int64_t m = major == 0 ? 0 : (2 * k * minor + major) / (2 * major);
    const int64_t x = xMajor ? x0 + sx * k : x0 + sx * m;
    const int64_t y = xMajor ? y0 + sy * m : y0 + sy * k;
    if (x < INT32_MIN / 2 || x > INT32_MAX / 2 || y < INT32_MIN / 2 || y > INT32_MAX / 2) continue;
    PlotPen(static_cast<int>(x), static_cast<int>(y));
  }
}

void TCanvas::SetFont(const TFontSpec& font) {
  fontSpec = font;
  face = nullptr;
}

const TFontFace& TCanvas::Face() const { return face != nullptr ? *face : FontFaceFor(fontSpec, scale); }

int TCanvas::TextWidth(std::string_view text) const {
  const int pixels = Face().TextWidth(text);
  return scale == 1 ? pixels : static_cast<int>(std::lround(pixels / scale));
}

int TCanvas::TextHeight(std::string_view) const {
  const int pixels = Face().Height();
  return scale == 1 ? pixels : static_cast<int>(std::lround(pixels / scale));
}

void TCanvas::BlendPixel(int bx, int by, TColor c, int alpha) {
  if (!clip.Contains(bx, by) || alpha <= 0) return;
  TColor& d = pixels[static_cast<size_t>(by) * width + bx];
  if (alpha >= 255) {
    d = c;
    return;
  }
  const auto mix = [alpha](int src, int dst) { return (src * alpha + dst * (255 - alpha) + 127) / 255; };
  d = MakeColor(static_cast<uint8_t>(mix(RedOf(c), RedOf(d))), static_cast<uint8_t>(mix(GreenOf(c), GreenOf(d))),
                static_cast<uint8_t>(mix(BlueOf(c), BlueOf(d))));
}

void TCanvas::DrawString(int x, int y, std::string_view text) {
  DrawGlyphs(Device(x + originX), Device(y + originY), text);
}

void TCanvas::DrawText(const TRect& box, std::string_view text, TTextAlign align, TTextVAlign vAlign) {
  const TFontFace& f = Face();
  const TRect b = DeviceRect(box);
  int x = b.left, y = b.top;
  if (align == TTextAlign::Right) x = b.right - f.TextWidth(text);
  if (align == TTextAlign::Centre) x = b.left + RoundHalfEven((b.Width() - f.TextWidth(text)) / 2.0);
  if (vAlign == TTextVAlign::Bottom) y = b.bottom - f.Height();
  if (vAlign == TTextVAlign::Centre) y = b.top + RoundHalfEven((b.Height() - f.Height()) / 2.0);
  DrawGlyphs(x, y, text);
}

void TCanvas::DrawGlyphs(int bx, int by, std::string_view text) {
  if (face == nullptr) face = &FontFaceFor(fontSpec, scale);
  int penPos = bx;
  const int baseline = by + face->Ascent();
  for (unsigned char ch : text) {
    const TGlyph& g = face->Glyph(ch);
    const int gx = penPos + g.left, gy = baseline + g.top;
    // The glyph's part inside the clip, row by row: large text at a zoom has many pixels.
    const int colFrom = std::max(0, clip.left - gx), colTo = std::min(g.width, clip.right - gx);
    const int rowFrom = std::max(0, clip.top - gy), rowTo = std::min(g.height, clip.bottom - gy);
    for (int row = rowFrom; row < rowTo; ++row) {
      const uint8_t* coverage = g.coverage.data() + static_cast<size_t>(row) * g.width;
      for (int col = colFrom; col < colTo; ++col)
        if (coverage[col] != 0) BlendPixel(gx + col, gy + row, textColor, coverage[col]);
    }
    penPos += g.advance;
    if (penPos > clip.right + 1024) break;  // the rest cannot show
  }
}

void TCanvas::Draw(int x, int y, const TCanvas& source) {
  const int dx = Device(x + originX), dy = Device(y + originY);
  const TRect target = TRect{dx, dy, dx + source.width, dy + source.height}.Intersect(clip);
  const int sx = target.left - dx, sy0 = target.top - dy;
  for (int row = 0; row < target.Height(); ++row) {
    const TColor* from = source.pixels.data() + static_cast<size_t>(sy0 + row) * source.width + sx;
    std::copy(from, from + target.Width(), pixels.data() + static_cast<size_t>(target.top + row) * width + target.left);
  }
}
