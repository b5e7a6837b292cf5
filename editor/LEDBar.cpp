#include "editor/LEDBar.h"

#include <algorithm>

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"

TLEDBar::TLEDBar(TControl* parent)
    : TVeskCustomControl(parent), boxWidth(GuiSettings.StepPitch), ledSize(GuiSettings.LedSize) {
  for (TLED*& led : leds) {
    led = new TLED(this);
    led->SetOutLine(ledOutline);
  }
}

void TLEDBar::SetNumLeds(int n) {
  n = std::clamp(n, 0, kMaxLeds);
  if (n == numLeds) return;
  numLeds = n;
  if (indexOn >= numLeds) SetIndexOn(-1);
  Relayout();
}

void TLEDBar::SetIndexOn(int v) {
  if (v == indexOn) return;
  if (indexOn >= 0 && indexOn < kMaxLeds) leds[indexOn]->SetState(false);
  if (v >= numLeds) v = -1;
  if (v >= 0) leds[v]->SetState(true);
  indexOn = v < 0 ? -1 : v;
}

void TLEDBar::SetBoxLnLeftOfs(int x) {
  boxLnLeftOfs = x;
  Relayout();
}

void TLEDBar::SetBoxWidth(int pitch) {
  boxWidth = pitch;
  Relayout();
}

void TLEDBar::SetLedSize(int size) {
  ledSize = std::max(0, size);
  Relayout();
}

void TLEDBar::SetDrawBorder(bool on) {
  drawBorder = on;
  if (!Loading()) Invalidate();
}

void TLEDBar::SetDrawLines(bool on) {
  drawLines = on;
  if (!Loading()) Invalidate();
}

void TLEDBar::SetLineSize(int halfLength) {
  lineSize = halfLength;
  if (!Loading()) Invalidate();
}

void TLEDBar::SetLedOutline(bool on) {
  ledOutline = on;
  for (TLED* led : leds) led->SetOutLine(on);
}

void TLEDBar::SetLedColor(TLedColor color) {
  ledColor = color;
  for (TLED* led : leds) led->SetLedColor(color);
}

TColor TLEDBar::PaintColor() const { return drawBorder ? GuiSettings.scr_BackColor : BackgroundColorOf(Parent()); }

void TLEDBar::Relayout() {
  if (Loading()) return;
  Layout();
  Invalidate();
}

// LED i centred in the i-th box of the pitch, vertically centred. A bar not yet sized keeps
// its LEDs where they are.
void TLEDBar::Layout() {
  if (Width() == 0 || Height() == 0) return;
  const int x0 = boxLnLeftOfs + RoundHalfEven((boxWidth - ledSize) / 2.0);
  const int y = RoundHalfEven((Height() - ledSize) / 2.0);
  for (int i = 0; i < kMaxLeds; ++i) {
    leds[i]->SetVisible(i < numLeds);
    if (i < numLeds) leds[i]->SetBounds(x0 + i * boxWidth, y, ledSize, ledSize);
  }
}

void TLEDBar::Paint(TCanvas& canvas) {
  const TGuiSettings& s = GuiSettings;
  if (drawBorder) canvas.RoundRect(ClientRect(), s.CornerRadius, s.CornerRadius, s.panels_OutlineColor, PaintColor());
  if (drawLines) {
    canvas.SetPen(s.panels_OutlineColor, 1);
    const int y = Height() / 2;
    for (int i = 0; i + 1 < numLeds; ++i) {
      const int d = boxLnLeftOfs + boxWidth * (i + 1);
      canvas.Line(d - lineSize, y, d + lineSize, y);
    }
  }
}
