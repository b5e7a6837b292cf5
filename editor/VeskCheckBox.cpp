#include "editor/VeskCheckBox.h"

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"

TVeskCheckBox::TVeskCheckBox(TControl* parent) : TVeskControl(parent) {
  SetMin(0);
  SetMax(1);
  TrackHover();
}

void TVeskCheckBox::SetChecked(bool on) {
  checked = on;
  if (Loading()) {
    SetValueDefault(on ? 1 : 0);
    return;
  }
  Invalidate();
  if (OnCheck) OnCheck(on);
  if (OnControlChange) OnControlChange(ParamTag(), ParamNam(), GetValue());
}

void TVeskCheckBox::SetPageValue(int, int value) {
  if ((value == 1) == checked) return;
  checked = value == 1;
  Invalidate();
}

void TVeskCheckBox::ResetToDefault() {
  if (GetValue() != ValueDefault()) SetValue(ValueDefault());
}

void TVeskCheckBox::Paint(TCanvas& canvas) {
  const TGuiSettings& s = GuiSettings;
  const int size = s.CheckBoxSize, h = Height();
  canvas.FrameRect({0, 0, size, h}, s.panels_OutlineColor);
  if (checked) canvas.FillRect({2, 2, size - 2, h - 2}, s.box_LabelFontColor);
  canvas.SetFont(s.BoxFont);
  canvas.SetTextColor(Hovered() || checked ? s.box_LabelFontColor : s.box_LabelFontColorInActive);
  canvas.DrawText({size + s.CheckBoxTextGap, 0, Width(), h}, Caption(), TTextAlign::Left, TTextVAlign::Centre);
}

void TVeskCheckBox::MouseDown(TMouseButton, TShiftState, int, int) { SetChecked(!checked); }
