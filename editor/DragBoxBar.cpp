#include "editor/DragBoxBar.h"

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"

TDragBoxBar::TDragBoxBar(TControl* parent)
    : TVeskControl(parent), line(new TDragBoxLine(this)), label(new TBarLabel(this)), led(new TLED(this)) {
  line->OnControlChange = [this](int tag, const std::string& name, int value) {
    if (OnControlChange) OnControlChange(tag, name, value);
  };
  label->OnMouseDown = [this](TMouseButton b) { PartPressed(b); };
  led->OnMouseDown = [this](TMouseButton b) { PartPressed(b); };
  ReapplySkin();
}

void TDragBoxBar::SetBoxLnLeftOfs(int x) {
  boxLnLeftOfs = x;
  if (!Loading()) Layout();
}

void TDragBoxBar::ShowSelection(int n) {
  selected = n == barNum;
  led->SetState(selected);
  label->SetSelected(selected);
}

void TDragBoxBar::SetPage(int p) {
  shownPage = p;
  line->SetPage(p);
}

void TDragBoxBar::SetNumSteps(int n) {
  numSteps = n;
  line->SetNumSteps(n);
}

void TDragBoxBar::SetPageNumSteps(int n) {
  pageNumSteps = n;
  line->SetPageNumSteps(n);
}

void TDragBoxBar::SetParamNam1(std::string_view name) {
  paramNam1 = ShortString(name);
  line->SetParamNam1(name);
}

void TDragBoxBar::SetMin(int value) {
  TVeskControl::SetMin(value);
  line->SetMin(value);
}

void TDragBoxBar::SetMax(int value) {
  TVeskControl::SetMax(value);
  line->SetMax(value);
}

void TDragBoxBar::SetValueDefault(int value) {
  TVeskControl::SetValueDefault(value);
  line->SetValueDefault(value);
}

void TDragBoxBar::SetValueList(const std::vector<std::string>& list) {
  valueList = list;
  line->SetValueList(list);
}

void TDragBoxBar::SetNumPages(int n) {
  TVeskControl::SetNumPages(n);
  line->SetNumPages(n);
}

void TDragBoxBar::ReapplySkin() {
  const TColor fill = GuiSettings.bar_FillColor;
  SetColor(fill);
  label->SetColor(fill);
  line->SetColor(fill);
}

TColor TDragBoxBar::PaintColor() const { return GuiSettings.bar_FillColor; }

void TDragBoxBar::Loaded() {
  label->SetCaption(Caption());
  Layout();
}

void TDragBoxBar::PartPressed(TMouseButton button) {
  if (button != TMouseButton::Left) return;
  ShowSelection(barNum);
  if (OnBarSelect) OnBarSelect(barNum);
}

// Caption and line take their heights from the skin's bar metrics, the LED is centred in the
// square at the left. A bar not yet sized keeps its parts where they are.
void TDragBoxBar::Layout() {
  if (Width() == 0 || Height() == 0) return;
  const TGuiSettings& s = GuiSettings;
  const int h = Height(), inner = s.BarHeight - 2 * s.BarTopMargin;
  label->SetBounds(h, s.BarTopMargin, boxLnLeftOfs - h, inner);
  const int c = RoundHalfEven((h - s.LedSize) / 2.0);
  led->SetBounds(c, c, s.LedSize, h - 2 * c);
  line->SetBounds(boxLnLeftOfs, s.BarTopMargin, TDragBoxLine::kBoxes * s.StepPitch, inner);
}

void TDragBoxBar::Paint(TCanvas& canvas) {
  const TGuiSettings& s = GuiSettings;
  canvas.RoundRect(ClientRect(), s.CornerRadius, s.CornerRadius, s.panels_OutlineColor, PaintColor());
}
