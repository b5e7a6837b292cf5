#pragma once
// A flat button: a caption or a chevron icon, the hover fill with the hand cursor, and a click
// raised on the press. Editor thread only.
#include "editor/VeskCustomControl.h"

enum class TButtonIcon { biNone, biLeft, biRight, biDown };

class TVeskButton : public TVeskCustomControl {
 public:
  explicit TVeskButton(TControl* parent) : TVeskCustomControl(parent) {}

  TNotifyEvent OnClick1;  // on the left-button press
  TButtonIcon Icon1() const { return icon; }
  void SetIcon1(TButtonIcon i);

 protected:
  void Paint(TCanvas& canvas) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  TButtonIcon icon = TButtonIcon::biNone;
};
