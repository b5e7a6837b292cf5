#pragma once
// The title panel across the top of the editor: the name "MOLTRIN" between two sets of rules,
// the subtitle and the version below it. Editor thread only.
#include "editor/VeskCustomControl.h"

class TTopVeskPanel : public TVeskCustomControl {
 public:
  explicit TTopVeskPanel(TControl* parent);

  TNotifyEvent OnClick;  // a left click on the panel itself (not on its controls)

  TColor PaintColor() const override;

 protected:
  void Paint(TCanvas& canvas) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
};
