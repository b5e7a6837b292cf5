#pragma once
// A panel of the editor: a rounded rectangle in a colour the skin gives by the panel's name
// ("pInfo", "pBottom", any other), or its own colour when the skin leaves the panels' colour
// out. Editor thread only.
#include "editor/VeskCustomControl.h"

class TVeskPanel : public TVeskCustomControl {
 public:
  explicit TVeskPanel(TControl* parent);

  TNotifyEvent OnClick;  // a left click: press and release on the panel itself

  TColor PaintColor() const override;

 protected:
  void Paint(TCanvas& canvas) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
};

// Paints a panel's rounded rectangle: outline in the skin's colour, filled with `fill`.
void PaintPanelShape(TCanvas& canvas, const TRect& r, TColor fill);
// Raises a panel's OnClick for a left release inside it.
void ClickOnRelease(TControl* panel, const TNotifyEvent& onClick, TMouseButton button, int x, int y);
