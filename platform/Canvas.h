#pragma once
// A software canvas: a 32-bit pixel buffer with the drawing operations the editor's
// controls and the piano roll use. Which pixels a shape covers follows the Windows GDI
// conventions: rectangles exclude their right and bottom edge, a 1-pixel line excludes its
// end point, rounded corners are quarter ellipses of the given width and height.
// Coordinates are relative to the origin; every write is clipped to the clip rectangle.
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/Font.h"

using TColor = uint32_t;  // 0x00BBGGRR: red in the low byte, as Windows keeps colours

constexpr TColor MakeColor(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr uint8_t RedOf(TColor c) { return static_cast<uint8_t>(c); }
constexpr uint8_t GreenOf(TColor c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t BlueOf(TColor c) { return static_cast<uint8_t>(c >> 16); }

struct TRect {
  int left = 0, top = 0, right = 0, bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  TRect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  TRect Intersect(const TRect& o) const;
  bool operator==(const TRect&) const = default;
};

class TCanvas {
 public:
  TCanvas() = default;
  TCanvas(int width, int height, TColor fill = 0);

  // Reallocates and fills the whole buffer; sizes are brought into 0..16384. Resets origin
  // and clip.
  void Resize(int width, int height, TColor fill = 0);
  int Width() const { return width; }
  int Height() const { return height; }
  const TColor* Pixels() const { return pixels.data(); }  // row by row, no padding

  // ---- Drawing state.
  struct TState {
    int originX = 0, originY = 0;
    TRect clip;  // in buffer coordinates
  };
  TState SaveState() const { return {originX, originY, clip}; }
  void RestoreState(const TState& s);
  // Moves the origin to (x, y) of the current coordinates and narrows the clip to `area`
  // (current coordinates): how a child control is painted in its own coordinates.
  void EnterArea(const TRect& area);
  void SetClip(const TRect& r);  // current coordinates, intersected with the buffer
  TRect ClipRect() const { return clip.Offset(-originX, -originY); }

  // ---- Pixels. Reads outside the buffer answer 0.
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor c);

  // ---- Shapes.
  void FillRect(const TRect& r, TColor c);
  void FrameRect(const TRect& r, TColor c);                    // 1-pixel outline inside r
  void Rectangle(const TRect& r, TColor pen, TColor brush);    // outline and filled inside
  void FillRoundRect(const TRect& r, int ellipseW, int ellipseH, TColor c);
  void FrameRoundRect(const TRect& r, int ellipseW, int ellipseH, TColor c);
  void RoundRect(const TRect& r, int ellipseW, int ellipseH, TColor pen, TColor brush);

  // ---- Lines with the pen: width 1 leaves out the end point; wider pens are squares
  // centred on each point, the end point included.
  void SetPen(TColor c, int penWidth = 1);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Line(int x0, int y0, int x1, int y1) { MoveTo(x0, y0); LineTo(x1, y1); }

  // ---- Text, single-byte (Windows-1252), top-left at (x, y), background left as it is.
  void SetFont(const TFontSpec& font);
  const TFontSpec& Font() const { return fontSpec; }
  void SetTextColor(TColor c) { textColor = c; }
  int TextWidth(std::string_view text) const;
  int TextHeight(std::string_view text) const;  // the font's cell height, text or not
  void DrawString(int x, int y, std::string_view text);

  // Copies another canvas with its top-left at (x, y): the step of double buffering.
  void Draw(int x, int y, const TCanvas& source);

 private:
  enum class RoundPart { fill, frame, both };
  void PaintRoundRect(const TRect& r, int ellipseW, int ellipseH, RoundPart part, TColor pen, TColor brush);
  void FillSpan(int y, int x0, int x1, TColor c);  // buffer coordinates, clipped here
  void PlotPen(int x, int y);                      // current coordinates
  void BlendPixel(int bx, int by, TColor c, int alpha);

  int width = 0, height = 0;
  std::vector<TColor> pixels;
  int originX = 0, originY = 0;
  TRect clip;
  TColor penColor = 0;
  int penWidth = 1;
  int penX = 0, penY = 0;
  TFontSpec fontSpec;
  const TFontFace* face = nullptr;  // resolved lazily from fontSpec
  TColor textColor = 0;
};
