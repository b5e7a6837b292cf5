#include "editor/PaintHelpers.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

uint8_t BlendChannel(uint8_t p, uint8_t q, float t) {
  const float delta = static_cast<float>(static_cast<int>(q) - static_cast<int>(p)) * t;
  return static_cast<uint8_t>(std::clamp(p + RoundHalfEven(delta), 0, 255));
}

}  // namespace

void DrawTextCentred(TCanvas& canvas, const TRect& r, std::string_view text) {
  canvas.DrawText(r, text, TTextAlign::Centre, TTextVAlign::Centre);
}

void ChevronLeft(TCanvas& canvas, int x, int y) {
  canvas.Line(x + 3, y - 3, x, y);
  canvas.Line(x + 3, y + 3, x, y);
}

void ChevronRight(TCanvas& canvas, int x, int y) {
  canvas.Line(x - 3, y - 3, x, y);
  canvas.Line(x - 3, y + 3, x, y);
}

void ChevronDown(TCanvas& canvas, int x, int y) {
  canvas.Line(x, y, x - 3, y - 3);
  canvas.Line(x, y, x + 3, y - 3);
}

TColor BlendColor(TColor p, TColor q, float t) {
  return MakeColor(BlendChannel(RedOf(p), RedOf(q), t), BlendChannel(GreenOf(p), GreenOf(q), t),
                   BlendChannel(BlueOf(p), BlueOf(q), t));
}

std::string ShortString(std::string_view text) { return std::string(text.substr(0, 255)); }

std::string CutToWidth(const TFontFace& face, std::string_view text, int room) {
  while (!text.empty() && face.TextWidth(text) > room) text.remove_suffix(1);
  return std::string(text);
}

std::string CutToWidth(const TCanvas& canvas, std::string_view text, int room) {
  return CutToWidth(canvas.Face(), text, ScaleToDevice(room, canvas.Scale()));
}

bool FitsWidth(const TCanvas& canvas, std::string_view text, int room) {
  return canvas.Face().TextWidth(text) <= ScaleToDevice(room, canvas.Scale());
}

std::vector<std::string> WrapToWidth(const TFontFace& face, std::string_view text, int room) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    std::string_view line = text.substr(0, std::max<size_t>(1, CutToWidth(face, text, room).size()));
    // A break inside a word moves back to the blank before it, if the line has one.
    if (line.size() < text.size() && text[line.size()] != ' ') {
      const size_t blank = line.rfind(' ');
      if (blank != std::string_view::npos && blank > 0) line = line.substr(0, blank);
    }
    lines.emplace_back(line);
    text.remove_prefix(line.size());
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  }
  return lines;
}
