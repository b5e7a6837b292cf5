#include "editor/LED.h"

#include <algorithm>
#include <cmath>

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"

void TLED::SetState(bool on) {
  if (on == state) return;
  state = on;
  if (!Loading()) Invalidate();
}

void TLED::SetOutLine(bool on) {
  if (on == outLine) return;
  outLine = on;
  if (!Loading()) Invalidate();
}

void TLED::SetLedColor(TLedColor color) {
  if (color == ledColor) return;
  ledColor = color;
  if (!Loading()) Invalidate();
}

TLED::TLedColors TLED::Colors() const {
  if (ledColor == TLedColor::lcRed) return {0xD1C50A, 0xFFFFFF, 0x002F00, 0x408000};
  const TGuiSettings& s = GuiSettings;
  return {s.led_OnColorOuter, s.led_OnColorInner, s.led_OffColorOuter, s.led_OffColorInner};
}

// Single precision, pixel centres at half coordinates; pixels beyond the outermost ring keep
// what the parent painted.
void TLED::Paint(TCanvas& canvas) {
  const TLedColors colors = Colors();
  const TColor back = GuiSettings.led_BackColor;
  const TColor ground = BackgroundColorOf(Parent());
  const TColor outline = outLine ? GuiSettings.panels_OutlineColor : ground;
  const TColor outer = state ? colors.onOuter : colors.offOuter;
  const TColor inner = state ? colors.onInner : colors.offInner;
  const float a = static_cast<float>(Width()) / 2, b = static_cast<float>(Height()) / 2;
  const float r = std::min(a, b) - 3;
  const TRect clip = canvas.ClipRect().Intersect(ClientRect());
  for (int y = clip.top; y < clip.bottom; ++y)
    for (int x = clip.left; x < clip.right; ++x) {
      const float dx = static_cast<float>(x) - a + 0.5f, dy = static_cast<float>(y) - b + 0.5f;
      const float d = std::sqrt(dx * dx + dy * dy);
      if (d < r)
        canvas.SetPixel(x, y, BlendColor(outer, inner, std::sqrt(1 - d / r)));
      else if (d <= r + 1)
        canvas.SetPixel(x, y, BlendColor(outer, back, std::fabs(d - r)));
      else if (d <= r + 2)
        canvas.SetPixel(x, y, BlendColor(back, outline, std::fabs(d - r - 1)));
      else if (d <= r + 3)
        canvas.SetPixel(x, y, BlendColor(outline, ground, std::fabs(d - r - 2)));
    }
}

void TLED::MouseDown(TMouseButton button, TShiftState, int, int) {
  if (OnMouseDown) OnMouseDown(button);
}
