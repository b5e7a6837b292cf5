// Glyph rasterising with stb_truetype, and the process-wide cache of faces.
#include "platform/Font.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "platform/FontData.h"

#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>

namespace {

// Windows-1252 characters 0x80..0x9F as Unicode; 0 where the code page has none.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int CodepointOf(unsigned char c) {
  if (c >= 0x80 && c < 0xA0) return kCp1252High[c - 0x80];
  return c;
}

const stbtt_fontinfo& FontInfo(bool bold) {
  // Parsed once; stb_truetype only reads the tables afterwards.
  static const auto load = [](const unsigned char* data) {
    auto info = std::make_unique<stbtt_fontinfo>();
    if (!stbtt_InitFont(info.get(), data, stbtt_GetFontOffsetForIndex(data, 0)))
      throw std::runtime_error("embedded font is damaged");
    return info;
  };
  static const std::unique_ptr<stbtt_fontinfo> regular = load(kLiberationSansRegular);
  static const std::unique_ptr<stbtt_fontinfo> boldFace = load(kLiberationSansBold);
  return bold ? *boldFace : *regular;
}

}  // namespace

int PointsToPixels(int sizePt) {
  sizePt = std::clamp(sizePt, 1, 200);
  return (sizePt * 96 + 36) / 72;  // rounded, as Windows scales a point size
}

TFontFace::TFontFace(bool bold, int pixelSize) {
  const stbtt_fontinfo& info = FontInfo(bold);
  const float scale = stbtt_ScaleForMappingEmToPixels(&info, static_cast<float>(pixelSize));
  int asc = 0, desc = 0, gap = 0;
  stbtt_GetFontVMetrics(&info, &asc, &desc, &gap);
  // Whole pixels, rounded up as Windows reports a font's cell.
  ascent = static_cast<int>(std::ceil(asc * scale - 0.01f));
  descent = static_cast<int>(std::ceil(-desc * scale - 0.01f));

  for (int c = 32; c < 256; ++c) {
    const int codepoint = CodepointOf(static_cast<unsigned char>(c));
    if (codepoint == 0) continue;
    int index = stbtt_FindGlyphIndex(&info, codepoint);
    if (index == 0) index = stbtt_FindGlyphIndex(&info, '?');
    TGlyph& g = glyphs[c];
    int adv = 0, lsb = 0;
    stbtt_GetGlyphHMetrics(&info, index, &adv, &lsb);
    g.advance = static_cast<int>(std::lround(adv * scale));
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetGlyphBitmapBox(&info, index, scale, scale, &x0, &y0, &x1, &y1);
    g.left = x0;
    g.top = y0;
    g.width = std::max(0, x1 - x0);
    g.height = std::max(0, y1 - y0);
    g.coverage.assign(static_cast<size_t>(g.width) * g.height, 0);
    if (g.width > 0 && g.height > 0)
      stbtt_MakeGlyphBitmap(&info, g.coverage.data(), g.width, g.height, g.width, scale, scale, index);
  }
}

int TFontFace::TextWidth(std::string_view text) const {
  int width = 0;
  for (unsigned char c : text) width += glyphs[c].advance;
  return width;
}

int PointsToPixels(int sizePt, double scale) {
  if (!(scale > 0) || scale == 1) return PointsToPixels(sizePt);
  return std::clamp(static_cast<int>(std::lround(PointsToPixels(sizePt) * std::min(scale, 16.0))), 1, 4000);
}

const TFontFace& FontFaceFor(const TFontSpec& font) { return FontFaceFor(font, 1.0); }

const TFontFace& FontFaceFor(const TFontSpec& font, double scale) {
  static std::mutex mutex;
  static std::map<std::pair<bool, int>, std::unique_ptr<TFontFace>> faces;
  const std::pair<bool, int> key{font.bold, PointsToPixels(font.sizePt, scale)};
  std::lock_guard<std::mutex> lock(mutex);
  auto& face = faces[key];
  if (!face) face = std::make_unique<TFontFace>(key.first, key.second);
  return *face;
}
