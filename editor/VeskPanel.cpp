#include "editor/VeskPanel.h"

#include "editor/Globals.h"

TVeskPanel::TVeskPanel(TControl* parent) : TVeskCustomControl(parent) { SetColor(GuiSettings.panels_BackColor); }

TColor TVeskPanel::PaintColor() const {
  const TGuiSettings& s = GuiSettings;
  if (s.panels_SettingsPanelColor == 0) return Color();
  if (Name == "pInfo") return s.panels_InfoPanelColor;
  if (Name == "pBottom") return s.panels_BackColor;
  return s.panels_SettingsPanelColor;
}

void TVeskPanel::Paint(TCanvas& canvas) { PaintPanelShape(canvas, ClientRect(), PaintColor()); }

void TVeskPanel::MouseUp(TMouseButton button, TShiftState, int x, int y) { ClickOnRelease(this, OnClick, button, x, y); }

void PaintPanelShape(TCanvas& canvas, const TRect& r, TColor fill) {
  const int corner = 2 * GuiSettings.CornerRadius;
  canvas.RoundRect(r, corner, corner, GuiSettings.panels_OutlineColor, fill);
}

void ClickOnRelease(TControl* panel, const TNotifyEvent& onClick, TMouseButton button, int x, int y) {
  if (button == TMouseButton::Left && panel->ClientRect().Contains(x, y) && onClick) onClick(panel);
}
