#include "editor/VeskButton.h"

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"

void TVeskButton::SetIcon1(TButtonIcon i) {
  if (i == icon) return;
  icon = i;
  if (!Loading()) Invalidate();
}

void TVeskButton::Paint(TCanvas& canvas) {
  const TGuiSettings& s = GuiSettings;
  canvas.FillRect(ClientRect(), Hovered() ? s.btn_FillColorActive : s.btn_FillColor);
  const int y = Height() / 2, middle = RoundHalfEven(Width() / 2.0);
  canvas.SetPen(s.btn_FontColor, 2);
  switch (icon) {
    case TButtonIcon::biNone:
      canvas.SetFont(s.BoxFont);
      canvas.SetTextColor(s.btn_FontColor);
      DrawTextCentred(canvas, ClientRect(), Caption());
      break;
    case TButtonIcon::biLeft:  // two chevrons, tips at b and b - 6
      ChevronLeft(canvas, middle, y);
      ChevronLeft(canvas, middle - 6, y);
      break;
    case TButtonIcon::biRight:  // tips at b + 3 and b - 3, with b one right of the middle
      ChevronRight(canvas, middle + 1 + 3, y);
      ChevronRight(canvas, middle + 1 - 3, y);
      break;
    case TButtonIcon::biDown:  // a chevron under a bar: "open the list"
      ChevronDown(canvas, middle, y + 2);
      canvas.SetPen(s.btn_FontColor, 1);
      canvas.Line(middle + 3, y - 2, middle - 4, y - 2);
      break;
  }
  canvas.FrameRect(ClientRect(), s.panels_OutlineColor);
}

void TVeskButton::MouseEnter() {
  SetScreenCursor(TCursor::Hand);
  SetHovered(true);
}

void TVeskButton::MouseLeave() {
  SetScreenCursor(TCursor::Default);
  SetHovered(false);
}

void TVeskButton::MouseDown(TMouseButton button, TShiftState, int, int) {
  if (button == TMouseButton::Left && OnClick1) OnClick1(this);
}
