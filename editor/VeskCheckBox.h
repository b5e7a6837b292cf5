#pragma once
// A check box bound to an on/off parameter: a square, filled when checked, and a caption that
// lights up when checked or hovered. Any mouse button toggles it, and every setting of Checked
// outside loading reports the value, even an unchanged one. Editor thread only.
#include "editor/VeskControl.h"

class TVeskCheckBox : public TVeskControl {
 public:
  explicit TVeskCheckBox(TControl* parent);

  bool Checked() const { return checked; }
  // While loading: stores, and makes the state the default. Otherwise: stores, repaints and
  // raises OnCheck, then OnControlChange.
  void SetChecked(bool on);

  TOnCheckEvent OnCheck;
  TOnControlChangeEvent OnControlChange;

  // ---- TVeskControl: 1 when checked, else 0, for every page.
  int GetValue() const override { return checked ? 1 : 0; }
  void SetValue(int value) override { SetChecked(value == 1); }
  void SetPageValue(int page, int value) override;
  void ResetToDefault() override;

 protected:
  void Paint(TCanvas& canvas) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  bool checked = false;
};
