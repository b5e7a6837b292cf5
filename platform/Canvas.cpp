// Shapes, lines and text on the pixel buffer.
#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kMaxSide = 16384;

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

void TCanvas::RestoreState(const TState& s) {
  originX = s.originX;
  originY = s.originY;
  clip = s.clip.Intersect({0, 0, width, height});
}

void TCanvas::EnterArea(const TRect& area) {
  clip = clip.Intersect(area.Offset(originX, originY));
  originX += area.left;
  originY += area.top;
}

void TCanvas::SetClip(const TRect& r) { clip = r.Offset(originX, originY).Intersect({0, 0, width, height}); }

TColor TCanvas::Pixel(int x, int y) const {
  x += originX;
  y += originY;
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  return pixels[static_cast<size_t>(y) * width + x];
}

void TCanvas::SetPixel(int x, int y, TColor c) {
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
  const TRect b = r.Offset(originX, originY).Intersect(clip);
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
// below do not cover on both sides, plus the two end pixels.
void TCanvas::PaintRoundRect(const TRect& r, int ew, int eh, RoundPart part, TColor pen, TColor brush) {
  if (r.IsEmpty()) return;
  const TRect b = r.Offset(originX, originY);
  const int rows = b.Height(), cols = b.Width();
  ew = std::clamp(ew, 0, cols);
  eh = std::clamp(eh, 0, rows);
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
    int innerS = s + 1, innerE = e - 1;
    if (i == 0 || i == rows - 1) {
      innerE = innerS;  // top and bottom rows are outline throughout
    } else {
      const int neighbour = std::max(inset(i - 1), inset(i + 1));
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

int TCanvas::TextWidth(std::string_view text) const { return FontFaceFor(fontSpec).TextWidth(text); }

int TCanvas::TextHeight(std::string_view) const { return FontFaceFor(fontSpec).Height(); }

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
  if (face == nullptr) face = &FontFaceFor(fontSpec);
  int penPos = x + originX;
  const int baseline = y + originY + face->Ascent();
  for (unsigned char ch : text) {
    const TGlyph& g = face->Glyph(ch);
    const int gx = penPos + g.left, gy = baseline + g.top;
    if (gx < clip.right && gx + g.width > clip.left && gy < clip.bottom && gy + g.height > clip.top) {
      for (int row = 0; row < g.height; ++row)
        for (int col = 0; col < g.width; ++col)
          BlendPixel(gx + col, gy + row, textColor, g.coverage[static_cast<size_t>(row) * g.width + col]);
    }
    penPos += g.advance;
    if (penPos > clip.right + 1024) break;  // the rest cannot show
  }
}

void TCanvas::Draw(int x, int y, const TCanvas& source) {
  const TRect target = TRect{x, y, x + source.width, y + source.height}.Offset(originX, originY).Intersect(clip);
  const int sx = target.left - (x + originX), sy0 = target.top - (y + originY);
  for (int row = 0; row < target.Height(); ++row) {
    const TColor* from = source.pixels.data() + static_cast<size_t>(sy0 + row) * source.width + sx;
    std::copy(from, from + target.Width(), pixels.data() + static_cast<size_t>(target.top + row) * width + target.left);
  }
}
