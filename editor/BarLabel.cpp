#include "editor/BarLabel.h"

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"

TBarLabel::TBarLabel(TControl* parent) : TVeskCustomControl(parent) { SetColor(GuiSettings.bar_FillColor); }

void TBarLabel::SetSelected(bool on) {
  if (on == selected) return;
  selected = on;
  if (!Loading()) Invalidate();
}

void TBarLabel::Paint(TCanvas& canvas) {
  const TGuiSettings& s = GuiSettings;
  canvas.SetFont(s.BoxFont);
  canvas.SetTextColor(selected || Hovered() ? s.bar_LabelFontColorHighlight : s.box_LabelFontColorInActive);
  canvas.DrawText({0, 0, Width() - s.BarLabelMargin, Height()}, Caption(), TTextAlign::Right, TTextVAlign::Centre);
}

// The selected caption is bright already: entering it changes nothing on the screen.
void TBarLabel::MouseEnter() {
  if (selected)
    SetHovered(false, false);
  else
    SetHovered(true);
}

void TBarLabel::MouseLeave() { SetHovered(false); }

void TBarLabel::MouseDown(TMouseButton button, TShiftState, int, int) {
  if (OnMouseDown) OnMouseDown(button);
}
