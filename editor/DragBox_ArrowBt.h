#pragma once
// The small arrow button beside a value box: a chevron pointing left, right or down (the box
// opens a list), the hover fill, and a click raised on the press. Editor thread only.
#include "editor/VeskCustomControl.h"

enum class TArrowDirection { Left, Right, Down };

class TArrowBt : public TVeskCustomControl {
 public:
  explicit TArrowBt(TControl* parent, TArrowDirection direction = TArrowDirection::Left)
      : TVeskCustomControl(parent), direction(direction) {
    TrackHover();
  }

  TNotifyEvent OnClick;  // on the left-button press
  bool HasMenu() const { return hasMenu; }
  void SetHasMenu(bool on) { hasMenu = on; }  // kept for the owner; drawing follows Direction
  TArrowDirection Direction() const { return direction; }
  void SetDirection(TArrowDirection d);

 protected:
  void Paint(TCanvas& canvas) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  bool hasMenu = false;
  TArrowDirection direction;
};
