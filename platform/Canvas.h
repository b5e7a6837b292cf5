#pragma once
// A software canvas: a 32-bit pixel buffer with the drawing operations the editor's
// controls and the piano roll use. Which pixels a shape covers follows the Windows GDI
// conventions: rectangles exclude their right and bottom edge, a 1-pixel line excludes its
// end point, rounded corners are quarter ellipses of the given width and height.
// Coordinates are relative to the origin; every write is clipped to the clip rectangle.
//
// Scale: drawing coordinates are units, each `Scale()` device pixels wide (1 by default: a
// unit is a pixel). An edge at unit u lands on device pixel ScaleToDevice(u, scale) counted
// from the buffer's unit origin, so shapes that share an edge in units share it on the screen
// and every edge is a whole device pixel. A 1-unit line or outline is LinePixels(1) device
// pixels thick whatever its place; text is rasterised at the scaled pixel height, not
// stretched. At scale 1 every operation gives exactly the pixels it gives unscaled.
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

// The device pixel on which an edge at `unit` lands at `scale`: unit * scale rounded, halves up.
int ScaleToDevice(int unit, double scale);
// The unit whose device pixels hold device pixel `device` at `scale` (scale >= 1).
int DeviceToUnit(int device, double scale);

// Text placement in a box, measured in device pixels so that a text keeps its place as the scale
// changes: Left and Top put it at the box's left or top edge, Right and Bottom end it at the
// right or bottom edge, Centre puts round((box - text) / 2) on either side (an empty box centres
// the text on its edge).
enum class TTextAlign { Left, Centre, Right };
enum class TTextVAlign { Top, Centre, Bottom };

class TCanvas {
 public:
  TCanvas() = default;
  TCanvas(int width, int height, TColor fill = 0);

  // Reallocates and fills the whole buffer (device pixels); sizes are brought into 0..16384.
  // Resets origin and clip.
  void Resize(int width, int height, TColor fill = 0);
  int Width() const { return width; }
  int Height() const { return height; }
  const TColor* Pixels() const { return pixels.data(); }  // row by row, no padding

  // ---- Scale: device pixels per unit, brought into 1..16.
  void SetScale(double scale);
  double Scale() const { return scale; }
  // Device pixels of a line `widthUnits` units wide: at least 1, the same everywhere.
  int LinePixels(int widthUnits) const;
  // A rectangle of current coordinates in buffer pixels (not clipped).
  TRect DeviceRect(const TRect& r) const;

  // ---- Drawing state.
  struct TState {
    int originX = 0, originY = 0;  // units
    TRect clip;                    // in buffer pixels
  };
  TState SaveState() const { return {originX, originY, clip}; }
  void RestoreState(const TState& s);
  // Origin at (x, y) units of the buffer and the clip to `clipArea` (units of the buffer, no
  // origin), within the buffer: where the window paints a control.
  void SetArea(int x, int y, const TRect& clipArea);
  // Moves the origin to (x, y) of the current coordinates and narrows the clip to `area`
  // (current coordinates): how a child control is painted in its own coordinates.
  void EnterArea(const TRect& area);
  void SetClip(const TRect& r);  // current coordinates, intersected with the buffer
  // The clip in current coordinates: every unit that has a device pixel inside it.
  TRect ClipRect() const;

  // ---- Pixels of current coordinates. Reads outside the buffer answer 0; at a scale above 1
  // a unit's pixel is all its device pixels (read at its top-left one).
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor c);
  // A pixel of the buffer itself, whatever the origin and the scale; 0 outside.
  TColor DevicePixel(int x, int y) const;
  // Per-pixel painting at the device's resolution: for every device pixel of `area` (current
  // coordinates) inside the clip, `shade(ux, uy, colour)` gets the pixel's centre in current
  // coordinates ((x + 0.5, y + 0.5) at scale 1) and its colour, which it may change.
  template <typename TShade>
  void ShadePixels(const TRect& area, TShade&& shade);

  // ---- Shapes.
  void FillRect(const TRect& r, TColor c);
  void FrameRect(const TRect& r, TColor c);                    // 1-pixel outline inside r
  void Rectangle(const TRect& r, TColor pen, TColor brush);    // outline and filled inside
  void FillRoundRect(const TRect& r, int ellipseW, int ellipseH, TColor c);
  void FrameRoundRect(const TRect& r, int ellipseW, int ellipseH, TColor c);
  void RoundRect(const TRect& r, int ellipseW, int ellipseH, TColor pen, TColor brush);

  // ---- Lines with the pen: width 1 leaves out the end point; wider pens are squares
  // centred on each point, the end point included. Scaled, a line along an axis covers the
  // device pixels of its units (LinePixels thick), others are walked in device pixels with a
  // square pen of the scaled width.
  void SetPen(TColor c, int penWidth = 1);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Line(int x0, int y0, int x1, int y1) { MoveTo(x0, y0); LineTo(x1, y1); }

  // ---- Text, single-byte (Windows-1252), top-left at (x, y), background left as it is.
  // The glyphs are those of the font at the scaled size; widths and heights are in units,
  // rounded (the device pixels divided by the scale).
  void SetFont(const TFontSpec& font);
  const TFontSpec& Font() const { return fontSpec; }
  const TFontFace& Face() const;  // the face drawn with: the font at the canvas's scale
  void SetTextColor(TColor c) { textColor = c; }
  int TextWidth(std::string_view text) const;
  int TextHeight(std::string_view text) const;  // the font's cell height, text or not
  void DrawString(int x, int y, std::string_view text);
  // The text placed in `box` (current coordinates) as the alignments say.
  void DrawText(const TRect& box, std::string_view text, TTextAlign align, TTextVAlign vAlign);

  // Copies another canvas's pixels with their top-left at (x, y): the step of double buffering.
  void Draw(int x, int y, const TCanvas& source);

 private:
  enum class RoundPart { fill, frame, both };
  void PaintRoundRect(const TRect& r, int ellipseW, int ellipseH, RoundPart part, TColor pen, TColor brush);
  void FillSpan(int y, int x0, int x1, TColor c);  // buffer coordinates, clipped here
  void PlotPen(int x, int y);                      // current coordinates
  void BlendPixel(int bx, int by, TColor c, int alpha);
  void ScaledLineTo(int x0, int y0, int x1, int y1);
  void DrawGlyphs(int bx, int by, std::string_view text);  // top-left in buffer pixels
  int Device(int unit) const { return scale == 1 ? unit : ScaleToDevice(unit, scale); }

  int width = 0, height = 0;
  std::vector<TColor> pixels;
  double scale = 1;
  int originX = 0, originY = 0;
  TRect clip;
  TColor penColor = 0;
  int penWidth = 1;
  int penX = 0, penY = 0;
  TFontSpec fontSpec;
  const TFontFace* face = nullptr;  // resolved lazily from fontSpec
  TColor textColor = 0;
};

template <typename TShade>
void TCanvas::ShadePixels(const TRect& area, TShade&& shade) {
  const TRect b = DeviceRect(area).Intersect(clip);
  for (int by = b.top; by < b.bottom; ++by) {
    const double uy = (by + 0.5) / scale - originY;
    TColor* row = pixels.data() + static_cast<size_t>(by) * width;
    for (int bx = b.left; bx < b.right; ++bx) shade((bx + 0.5) / scale - originX, uy, row[bx]);
  }
}
