#include "editor/DragBoxBt.h"

#include "editor/Globals.h"

TDragBoxBt::TDragBoxBt(TControl* parent)
    : TVeskControl(parent),
      box(new TDragBox(this)),
      leftArrow(new TArrowBt(this, TArrowDirection::Left)),
      rightArrow(new TArrowBt(this, TArrowDirection::Right)) {
  box->OnChange = [this](TDragBox*) {
    if (OnControlChange) OnControlChange(box->GetParamTag(), box->GetParamNam(), box->GetValue());
  };
  leftArrow->OnClick = [this](TControl*) { ArrowPressed(-1); };
  rightArrow->OnClick = [this](TControl*) { ArrowPressed(+1); };
}

void TDragBoxBt::SetParamTag(int tag) {
  TVeskControl::SetParamTag(tag);
  box->SetParamTag(tag);
}

void TDragBoxBt::SetParamNam(std::string_view name) {
  TVeskControl::SetParamNam(name);
  box->SetParamNam(name);
}

void TDragBoxBt::SetMin(int value) {
  TVeskControl::SetMin(value);
  box->SetMin(value);
}

void TDragBoxBt::SetMax(int value) {
  TVeskControl::SetMax(value);
  box->SetMax(value);
}

void TDragBoxBt::SetValueDefault(int value) {
  TVeskControl::SetValueDefault(value);
  box->SetValueDefault(value);
}

void TDragBoxBt::SetValueSteps(int steps) {
  valueSteps = steps;
  box->SetValueSteps(steps);
}

void TDragBoxBt::SetValueList(const std::vector<std::string>& list) {
  valueList = list;
  box->SetValueList(list);
}

void TDragBoxBt::SetValueSuffix(std::string_view suffix) {
  valueSuffix = suffix;
  box->SetValueSuffix(suffix);
}

void TDragBoxBt::SetHasMenu(bool on) {
  if (on != hasMenu) {
    hasMenu = on;
    leftArrow->SetDirection(on ? TArrowDirection::Down : TArrowDirection::Left);
    rightArrow->SetDirection(on ? TArrowDirection::Down : TArrowDirection::Right);
  }
  box->SetMenuMode(on);
  leftArrow->SetHasMenu(on);
  rightArrow->SetHasMenu(on);
}

void TDragBoxBt::OpenMenu() {
  if (!OnControlMenuPopup) return;
  const TPoint at = ClientToScreen({box->Left(), Height()});
  OnControlMenuPopup(box->GetParamTag(), box->GetParamNam(), at.x, at.y, box->ValueList());
}

void TDragBoxBt::ArrowPressed(int step) {
  if (hasMenu)
    OpenMenu();
  else
    box->StepNotches(step);
}

// Arrows at either side below the caption, the box between them with a pixel to spare each side.
// A box not yet sized keeps its children where they are.
void TDragBoxBt::Layout() {
  if (Width() == 0 || Height() == 0) return;
  const int arrow = GuiSettings.ArrowWidth, caption = GuiSettings.CaptionHeight;
  const int h = Height() - caption;
  leftArrow->SetBounds(0, caption, arrow, h);
  rightArrow->SetBounds(Width() - arrow, caption, arrow, h);
  box->SetBounds(arrow + 1, caption, Width() - 2 * arrow - 2, h);
}

void TDragBoxBt::Paint(TCanvas& canvas) {
  canvas.SetFont(GuiSettings.LabelFont);
  canvas.SetTextColor(GuiSettings.box_LabelFontColor);
  canvas.DrawText({0, 0, Width(), GuiSettings.CaptionHeight}, Caption(), TTextAlign::Left, TTextVAlign::Bottom);
}
