#pragma once
// A row of LEDs on a fixed pitch (the playing step, the shown and the playing page), at most one
// lit, with an optional rounded border and short dashes between neighbours. Editor thread only.
#include <array>

#include "editor/LED.h"

class TLEDBar : public TVeskCustomControl {
 public:
  static constexpr int kMaxLeds = 16;

  explicit TLEDBar(TControl* parent);

  int NumLeds() const { return numLeds; }
  void SetNumLeds(int n);  // 0..16; only the first n LEDs are laid out and shown
  int IndexOn() const { return indexOn; }
  // Lights LED v alone; -1 (or an index past NumLeds, which reads back as -1) lights none.
  void SetIndexOn(int v);
  TLED* Led(int i) const { return leds[i]; }

  int BoxLnLeftOfs() const { return boxLnLeftOfs; }
  void SetBoxLnLeftOfs(int x);
  int BoxWidth() const { return boxWidth; }
  void SetBoxWidth(int pitch);
  int LedSize() const { return ledSize; }
  void SetLedSize(int size);
  bool DrawBorder() const { return drawBorder; }
  void SetDrawBorder(bool on);
  bool DrawLines() const { return drawLines; }
  void SetDrawLines(bool on);
  int LineSize() const { return lineSize; }
  void SetLineSize(int halfLength);
  bool LedOutline() const { return ledOutline; }
  void SetLedOutline(bool on);  // passed to every LED
  TLedColor LedColor() const { return ledColor; }
  void SetLedColor(TLedColor color);  // passed to every LED

  // With a border the bar shows the screen's background; without one, its parent's.
  TColor PaintColor() const override;

 protected:
  void Paint(TCanvas& canvas) override;
  void BoundsChanged() override { Layout(); }
  void Loaded() override { Layout(); }

 private:
  void Layout();
  void Relayout();  // after a setting changed, unless loading

  int numLeds = kMaxLeds;
  int indexOn = -1;
  std::array<TLED*, kMaxLeds> leds{};
  int boxLnLeftOfs = 40;
  int boxWidth;
  bool drawBorder = true;
  bool ledOutline = false;
  int ledSize;
  bool drawLines = false;
  int lineSize = 2;
  TLedColor ledColor = TLedColor::lcGreen;
};
