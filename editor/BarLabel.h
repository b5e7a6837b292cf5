#pragma once
// The caption at the left of a step bar: right-aligned, bright while its bar is selected or the
// mouse is over it. Editor thread only.
#include "editor/VeskCustomControl.h"

class TBarLabel : public TVeskCustomControl {
 public:
  explicit TBarLabel(TControl* parent);

  bool Selected() const { return selected; }
  void SetSelected(bool on);

  TMouseDownEvent OnMouseDown;  // for the bar, which selects on a press

 protected:
  void Paint(TCanvas& canvas) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  bool selected = false;
};
