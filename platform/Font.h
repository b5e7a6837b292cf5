#pragma once
// Fonts by name, size and style, rasterised with anti-aliasing from the Liberation Sans faces
// embedded in the binaries. Every name maps to Liberation Sans, Arial's metric twin, so the
// editor's "Arial" texts measure as they would on Windows.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TFontSpec {
  std::string name = "Arial";
  int sizePt = 8;  // points at 96 dots per inch; brought into 1..200
  bool bold = false;

  bool operator==(const TFontSpec&) const = default;
};

// Pixel height of the em square for a point size at 96 dpi (8 pt -> 11 px).
int PointsToPixels(int sizePt);
// The same drawn `scale` times as large: the 96-dpi height times the scale, rounded, so that
// text at 200 % is rasterised at exactly twice the pixel height (8 pt -> 22 px).
int PointsToPixels(int sizePt, double scale);

struct TGlyph {
  int left = 0;  // bitmap offset from the pen position on the baseline
  int top = 0;   // negative: above the baseline
  int width = 0;
  int height = 0;
  int advance = 0;                // whole pixels, as the text is laid out
  std::vector<uint8_t> coverage;  // width * height values 0..255, row by row
};

// One style at one pixel size: metrics and the glyph of every single-byte character
// (Windows-1252), all built at construction so that lookups never change it.
class TFontFace {
 public:
  TFontFace(bool bold, int pixelSize);

  int Ascent() const { return ascent; }
  int Descent() const { return descent; }
  int Height() const { return ascent + descent; }
  const TGlyph& Glyph(unsigned char c) const { return glyphs[c]; }
  int TextWidth(std::string_view text) const;

 private:
  int ascent = 0;
  int descent = 0;
  std::array<TGlyph, 256> glyphs{};
};

// The face for a font description, built on first use and kept for the life of the process. Any thread.
const TFontFace& FontFaceFor(const TFontSpec& font);
// The face for a font drawn `scale` times as large: glyphs rasterised at that pixel height.
const TFontFace& FontFaceFor(const TFontSpec& font, double scale);
