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
  // Each device pixel by its centre: at a zoom the rings are as smooth as at 100 %.
  canvas.ShadePixels(ClientRect(), [&](double ux, double uy, TColor& pixel) {
    const float dx = static_cast<float>(ux) - a, dy = static_cast<float>(uy) - b;
    const float d = std::sqrt(dx * dx + dy * dy);
    if (d < r)
      pixel = BlendColor(outer, inner, std::sqrt(1 - d / r));
    else if (d <= r + 1)
      pixel = BlendColor(outer, back, std::fabs(d - r));
    else if (d <= r + 2)
      pixel = BlendColor(back, outline, std::fabs(d - r - 1));
    else if (d <= r + 3)
      pixel = BlendColor(outline, ground, std::fabs(d - r - 2));
  });
}

void TLED::MouseDown(TMouseButton button, TShiftState, int, int) {
  if (OnMouseDown) OnMouseDown(button);
}
