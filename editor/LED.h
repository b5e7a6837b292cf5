#pragma once
// A round light drawn pixel by pixel: a lit or dark core blending from its inner to its outer
// colour, a black rim, an optional outline ring, and a soft edge into the parent's colour.
// Green LEDs take the skin's colours, red ones fixed colours. Editor thread only.
#include "editor/VeskCustomControl.h"

enum class TLedColor { lcGreen, lcRed };

class TLED : public TVeskCustomControl {
 public:
  explicit TLED(TControl* parent) : TVeskCustomControl(parent) {}

  bool State() const { return state; }
  void SetState(bool on);  // repaints unless loading
  bool OutLine() const { return outLine; }
  void SetOutLine(bool on);
  TLedColor LedColor() const { return ledColor; }
  void SetLedColor(TLedColor color);

  // The four colours of the light now: read from the skin (green) or fixed (red) at every
  // paint, so a skin change shows at the next repaint.
  struct TLedColors {
    TColor onOuter, onInner, offOuter, offInner;
  };
  TLedColors Colors() const;

  TMouseDownEvent OnMouseDown;  // for an owner that selects on a press

 protected:
  void Paint(TCanvas& canvas) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  bool state = false;
  bool outLine = false;
  TLedColor ledColor = TLedColor::lcGreen;
};
