#pragma once
// Arithmetic and drawing pieces the controls share; the roundings are the platform's
// (RoundHalfEven, TruncToInt).
#include <string>
#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Font.h"
#include "platform/Rounding.h"

// Draws `text` centred in `r`: x = round((width - text width) / 2), y likewise, in device pixels.
void DrawTextCentred(TCanvas& canvas, const TRect& r, std::string_view text);

// Chevrons of arrow buttons, drawn with the canvas's pen; (x, y) is the tip.
void ChevronLeft(TCanvas& canvas, int x, int y);   // arms 3 pixels to the right
void ChevronRight(TCanvas& canvas, int x, int y);  // arms 3 pixels to the left
void ChevronDown(TCanvas& canvas, int x, int y);   // arms 3 up and 3 to either side

// Per colour channel p + round((q - p) * t), in single precision as the LEDs blend.
TColor BlendColor(TColor p, TColor q, float t);

// Texts the editor keeps as short strings hold at most 255 characters.
std::string ShortString(std::string_view text);

// The longest start of `text` at most `room` pixels wide.
std::string CutToWidth(const TFontFace& face, std::string_view text, int room);
// The same in the canvas's font as it draws it, for `room` units (measured in device pixels, so
// that a text cut at one scale is cut alike at another).
std::string CutToWidth(const TCanvas& canvas, std::string_view text, int room);
// Whether the text in the canvas's font as it draws it is at most `room` units wide.
bool FitsWidth(const TCanvas& canvas, std::string_view text, int room);
// `text` in lines at most `room` pixels wide, broken at blanks, and inside a word only when the
// word alone is wider. Every line holds at least one character.
std::vector<std::string> WrapToWidth(const TFontFace& face, std::string_view text, int room);
