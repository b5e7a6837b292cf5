#include "editor/DragBox_ArrowBt.h"

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"

void TArrowBt::SetDirection(TArrowDirection d) {
  if (d == direction) return;
  direction = d;
  if (!Loading()) Invalidate();
}

void TArrowBt::Paint(TCanvas& canvas) {
  const TGuiSettings& skin = GuiSettings;
  canvas.Rectangle(ClientRect(), skin.box_LineColor, Hovered() ? skin.btn_FillColorActive : skin.btn_FillColor);
  canvas.SetPen(skin.btn_FontColor, 2);
  const int w = Width(), y = Height() / 2;
  switch (direction) {
    case TArrowDirection::Left: ChevronLeft(canvas, RoundHalfEven(w / 3.0), y); break;
    case TArrowDirection::Right: ChevronRight(canvas, w - RoundHalfEven(w / 3.0) - 1, y); break;
    case TArrowDirection::Down: ChevronDown(canvas, RoundHalfEven(w / 2.0), y + 2); break;
  }
}

void TArrowBt::MouseDown(TMouseButton button, TShiftState, int, int) {
  if (button == TMouseButton::Left && OnClick) OnClick(this);
}
