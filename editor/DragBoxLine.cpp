#include "editor/DragBoxLine.h"

#include <algorithm>

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"

TDragBoxLine::TDragBoxLine(TControl* parent) : TVeskControl(parent) {
  for (int i = 0; i < kBoxes; ++i) {
    TDragBox* box = new TDragBox(this);
    box->SetStepIndex(i);
    box->SetPageAddressed(true);
    box->OnChange = [this](TDragBox* b) { BoxChanged(b); };
    boxes[i] = box;
  }
}

// Boxes taken into use get box 0's settings, boxes left out go back to no parameter, so the
// line is the same whichever order its settings arrive in.
void TDragBoxLine::SetPageNumSteps(int n) {
  n = std::clamp(n, 1, kBoxes);
  if (n == pageNumSteps) return;
  const int before = pageNumSteps;
  pageNumSteps = n;
  for (int i = 0; i < kBoxes; ++i) {
    if (i >= n) {
      boxes[i]->SetParamTag(0);
      boxes[i]->SetHighlighted(false);
    } else if (i >= before) {
      CopySettingsTo(boxes[i], i);
    }
    boxes[i]->SetVisible(i < n);
  }
  if (highlighted >= n) highlighted = -1;
}

void TDragBoxLine::CopySettingsTo(TDragBox* box, int index) const {
  const TDragBox* first = boxes[0];
  box->SetParamTag(first->ParamTag() > 0 ? first->ParamTag() + index : 0);
  box->SetParamNam(paramNam1);
  box->SetMin(first->Min());
  box->SetMax(first->Max());
  box->SetValueSteps(first->ValueSteps());
  box->SetSensity(first->Sensity());
  box->SetValueDefault(first->ValueDefault());
  box->SetValueGrey(first->ValueGrey());
  box->SetValueList(valueList);
  box->SetNumPages(NumPages());
  box->SetPage(first->Page());
}

void TDragBoxLine::SetParamTag1(int v) {
  if (v <= 0) return;
  ForBoxesInUse([v](TDragBox* box, int i) { box->SetParamTag(v + i); });
}

void TDragBoxLine::SetParamNam1(std::string_view name) {
  paramNam1 = ShortString(name);
  ForBoxesInUse([this](TDragBox* box, int) { box->SetParamNam(paramNam1); });
}

void TDragBoxLine::SetMin(int value) {
  TVeskControl::SetMin(value);
  ForBoxesInUse([value](TDragBox* box, int) { box->SetMin(value); });
}

void TDragBoxLine::SetMax(int value) {
  TVeskControl::SetMax(value);
  ForBoxesInUse([value](TDragBox* box, int) { box->SetMax(value); });
}

void TDragBoxLine::SetValueSteps(int steps) {
  ForBoxesInUse([steps](TDragBox* box, int) { box->SetValueSteps(steps); });
}

void TDragBoxLine::SetSensity(int percent) {
  ForBoxesInUse([percent](TDragBox* box, int) { box->SetSensity(percent); });
}

void TDragBoxLine::SetValueDefault(int value) {
  TVeskControl::SetValueDefault(value);
  ForBoxesInUse([value](TDragBox* box, int) { box->SetValueDefault(value); });
}

void TDragBoxLine::SetValueGrey(int value) {
  ForBoxesInUse([value](TDragBox* box, int) { box->SetValueGrey(value); });
}

void TDragBoxLine::SetValueList(const std::vector<std::string>& list) {
  valueList = list;
  ForBoxesInUse([this](TDragBox* box, int) { box->SetValueList(valueList); });
}

void TDragBoxLine::SetNumPages(int n) {
  if (n == NumPages()) return;
  TVeskControl::SetNumPages(n);
  ForBoxesInUse([n](TDragBox* box, int) { box->SetNumPages(n); });
}

void TDragBoxLine::SetPage(int p) {
  TVeskControl::SetPage(p);
  ForBoxesInUse([p](TDragBox* box, int) { box->SetPage(p); });
}

void TDragBoxLine::Highlight(int i) {
  if (i == highlighted) return;
  highlighted = i >= 0 && i < pageNumSteps ? i : -1;
  ForBoxesInUse([this](TDragBox* box, int index) { box->SetHighlighted(index == highlighted); });
}

void TDragBoxLine::BoxChanged(TDragBox* box) {
  if (OnBoxChange) OnBoxChange(box);
  if (OnControlChange) OnControlChange(box->GetParamTag(), box->GetParamNam(), box->GetValue());
}

// The gaps between the boxes show what lies behind the line, in the skin in force: a step
// bar's fill, or the panel the chain program line sits on.
TColor TDragBoxLine::PaintColor() const { return Parent() != nullptr ? BackgroundColorOf(Parent()) : Color(); }

void TDragBoxLine::Paint(TCanvas& canvas) { canvas.FillRect(ClientRect(), PaintColor()); }

void TDragBoxLine::Layout() {
  const int pitch = GuiSettings.StepPitch, margin = GuiSettings.BoxMargin;
  for (int i = 0; i < kBoxes; ++i) boxes[i]->SetBounds(pitch * i + margin, 0, pitch - 2 * margin, Height());
}
