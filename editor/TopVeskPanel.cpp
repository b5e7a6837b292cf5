#include "editor/TopVeskPanel.h"

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"
#include "editor/VeskPanel.h"

namespace {
constexpr const char* kTitle = "MOLTRIN";
constexpr const char* kSubtitle = "arpeggiator / step sequencer";
constexpr const char* kVersion = "v1.15b01";
// The title block sits this far right of the panel's centre, clear of the controls at the left.
constexpr int kTitleShift = 45;
}  // namespace

TTopVeskPanel::TTopVeskPanel(TControl* parent) : TVeskCustomControl(parent) { SetColor(GuiSettings.panels_BackColor); }

TColor TTopVeskPanel::PaintColor() const {
  return GuiSettings.panels_TopPanelColor != 0 ? GuiSettings.panels_TopPanelColor : Color();
}

void TTopVeskPanel::Paint(TCanvas& canvas) {
  const TGuiSettings& s = GuiSettings;
  const int w = Width();
  PaintPanelShape(canvas, ClientRect(), PaintColor());

  canvas.SetFont({"Arial", 19, true});
  canvas.SetTextColor(s.box_LabelFontColor);
  const int titleWidth = canvas.TextWidth(kTitle);
  const int c = RoundHalfEven((w - titleWidth) / 2.0) + kTitleShift;
  canvas.DrawText({kTitleShift, 4, w + kTitleShift, 4}, kTitle, TTextAlign::Centre, TTextVAlign::Top);

  // Three rules either side, the middle one longer.
  const int e = c + titleWidth;
  canvas.SetPen(s.box_LabelFontColor, 1);
  canvas.Line(c - 10, 18, c - 90, 18);
  canvas.Line(c - 10, 11, c - 80, 11);
  canvas.Line(c - 10, 25, c - 80, 25);
  canvas.Line(e + 10, 18, e + 90, 18);
  canvas.Line(e + 10, 11, e + 80, 11);
  canvas.Line(e + 10, 25, e + 80, 25);

  canvas.SetFont({"Arial", 8, false});
  canvas.DrawText({kTitleShift, 30, w + kTitleShift, 30}, kSubtitle, TTextAlign::Centre, TTextVAlign::Top);
  canvas.SetTextColor(s.box_LabelFontColorInActive);
  canvas.DrawText({e + 80, 30, e + 80, 30}, kVersion, TTextAlign::Right, TTextVAlign::Top);
}

void TTopVeskPanel::MouseUp(TMouseButton button, TShiftState, int x, int y) {
  ClickOnRelease(this, OnClick, button, x, y);
}
