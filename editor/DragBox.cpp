#include "editor/DragBox.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"

namespace {
constexpr int kStepsPerPage = 16;
}

TDragBox::TDragBox(TControl* parent) : TVeskControl(parent) { Recalculate(); }

void TDragBox::SetValueSteps(int steps) {
  valueSteps = std::max(0, steps);
  if (!Loading()) Recalculate();
}

void TDragBox::SetValueDefault(int value) {
  TVeskControl::SetValueDefault(value);
  if (!Loading()) Recalculate();
}

void TDragBox::SetValueList(const std::vector<std::string>& list) {
  if (list == valueList) return;
  valueList.clear();
  for (const std::string& item : list) valueList.push_back(ShortString(item));
  if (!Loading()) Invalidate();
}

void TDragBox::SetValueGrey(int value) {
  if (value == valueGrey) return;
  valueGrey = value;
  if (!Loading()) Invalidate();
}

void TDragBox::SetValueSuffix(std::string_view suffix) {
  const std::string next = ShortString(suffix);
  if (next == valueSuffix) return;
  valueSuffix = next;
  if (!Loading()) Invalidate();
}

void TDragBox::SetHighlighted(bool on) {
  if (on == highlighted) return;
  highlighted = on;
  if (!Loading()) Invalidate();
}

// ---- Positions and values.

int TDragBox::PagePosition(int page) const { return positions[std::clamp(page, 0, kMaxPages - 1)]; }

// Multiplying before dividing keeps whole results whole: (v - Min) / (Max - Min) * (notches - 1)
// in double precision gives 27.999.. for a gate of 28 % (1..100), which would show as 27 %.
int TDragBox::PositionOf(int value) const {
  const double span = static_cast<double>(Max()) - Min();
  if (span <= 0 || notchCount < 2) return 0;
  const double p = (static_cast<double>(value) - Min()) * (notchCount - 1) / span;
  return std::max(0, TruncToInt(p));
}

int TDragBox::ValueOf(int position) const {
  if (notchCount < 2) return Min();
  const double v = std::ceil(static_cast<double>(position) * (static_cast<double>(Max()) - Min()) / (notchCount - 1));
  return TruncToInt(v + Min());
}

std::string TDragBox::ItemText(int position) const { return ItemTextOf(position, ValueOf(position)); }

std::string TDragBox::ItemTextOf(int position, int value) const {
  if (position >= 0 && static_cast<size_t>(position) < valueList.size() && !valueList[position].empty())
    return valueList[position];
  return std::to_string(value);
}

std::string TDragBox::DisplayText(int position) const { return TextOf(position, ValueOf(position)); }

std::string TDragBox::TextOf(int position, int value) const {
  const bool plus = valueList.empty() && Min() < 0 && value > 0;
  std::string text(plus ? 1 : 0, '+');
  text.append(ItemTextOf(position, value));
  text.append(valueSuffix);
  return text;
}

// A value pushed from outside the range shows as the value of the position it is put at.
int TDragBox::PageValue(int page) const {
  page = std::clamp(page, 0, kMaxPages - 1);
  const int value = values[page];
  const bool held = value >= Min() && value <= Max() && PositionOf(value) == positions[page];
  return held ? value : ValueOf(positions[page]);
}

std::string TDragBox::ShownText() const { return TextOf(Position(), GetValue()); }

void TDragBox::Recalculate() {
  const int64_t span = static_cast<int64_t>(Max()) - Min() + 1;
  notchCount = valueSteps != 0 ? valueSteps : static_cast<int>(std::clamp<int64_t>(span, INT32_MIN, INT32_MAX));
  maxPosition = PositionOf(Max());
  defaultPosition = PositionOf(ValueDefault());
  for (int page = 0; page < kMaxPages; ++page) positions[page] = PositionOf(values[page]);
}

bool TDragBox::MoveTo(int position, std::optional<int> value) {
  position = std::clamp(position, 0, maxPosition);
  const int next = value.value_or(ValueOf(position));
  if (position == Position() && next == GetValue()) return false;
  positions[Page()] = position;
  values[Page()] = next;
  return true;
}

void TDragBox::StepBy(int position) {
  if (!MoveTo(position)) return;
  RaiseChange();
  Invalidate();
}

// Positions hold the notch at or below their value, so a value above its notch lies half way
// to the next: up reaches the next notch, down the notch itself.
int TDragBox::NotchTarget(int from, int value, int notches) const {
  const bool between = value != ValueOf(from);
  const int64_t target = int64_t{from} + notches + (between && notches < 0 ? 1 : 0);
  return static_cast<int>(std::clamp<int64_t>(target, 0, maxPosition));
}

void TDragBox::StepNotches(int notches) {
  if (notches != 0) StepBy(NotchTarget(Position(), GetValue(), notches));
}

void TDragBox::RaiseChange() {
  if (OnChange) OnChange(this);
}

// ---- Values pushed in and names.

void TDragBox::SetValue(int value) {
  const int shown = GetValue();
  values[Page()] = value;
  positions[Page()] = PositionOf(value);
  if (GetValue() == shown) return;
  Invalidate();
  RaiseChange();
}

void TDragBox::SetPageValue(int page, int value) {
  page = std::clamp(page, 0, kMaxPages - 1);
  const int shown = PageValue(page);
  values[page] = value;
  positions[page] = PositionOf(value);
  if (page == Page() && PageValue(page) != shown) Invalidate();
}

int TDragBox::GetParamTag() const { return PageAddressed() ? Page() * kStepsPerPage + ParamTag() : ParamTag(); }

std::string TDragBox::GetPageParamNam(int page) const {
  if (!PageAddressed()) return ParamNam();
  return ParamNam() + "_" + std::to_string(page * kStepsPerPage + stepIndex + 1);
}

// Each page in turn becomes current while it reports, so the receiver sees the four page tags.
void TDragBox::ResetToDefault() {
  const int previousPage = Page();
  const int previousPosition = Position();
  for (int page = 0; page < kMaxPages; ++page) {
    values[page] = ValueDefault();
    positions[page] = defaultPosition;
    TVeskControl::SetPage(page);
    RaiseChange();
  }
  TVeskControl::SetPage(previousPage);
  if (Position() != previousPosition) Invalidate();
}

// ---- Painting.

void TDragBox::Paint(TCanvas& canvas) {
  const TGuiSettings& skin = GuiSettings;
  canvas.FillRect(ClientRect(), active ? skin.box_FillColorActive : skin.box_FillColor);
  canvas.SetFont(skin.BoxFont);
  canvas.SetTextColor(GetValue() == valueGrey ? skin.box_FontColor : skin.box_FontColorActive);
  DrawTextCentred(canvas, ClientRect(), ShownText());
  canvas.FrameRect(ClientRect(), highlighted ? skin.box_FontColorActive : skin.box_LineColor);
}

// ---- Mouse.

void TDragBox::MouseDown(TMouseButton button, TShiftState, int x, int y) {
  if (menuMode && OnBoxClick) {
    OnBoxClick(this);
    return;
  }
  if (button == TMouseButton::Left) {
    dragStartX = x;
    dragStartY = y;
    dragStartPosition = Position();
    dragStartValue = GetValue();
    dragging = active = true;
    SetScreenCursor(TCursor::SizeNS);
    Invalidate();
  } else if (button == TMouseButton::Right) {
    positions[Page()] = defaultPosition;  // reported even when it was there already
    values[Page()] = ValueDefault();
    Invalidate();
    RaiseChange();
  }
}

// Only the vertical movement counts; the square root of the notch count makes boxes with many
// notches move faster per pixel. Single precision, as the drag was designed.
void TDragBox::MouseMove(TShiftState shift, int, int y) {
  if (!dragging) return;
  const float fineness = (shift & ssShift) != 0 ? 0.02f : 0.1f;
  const float delta = static_cast<float>(dragStartY - y) * static_cast<float>(sensity) / 100.0f * fineness *
                      std::sqrt(static_cast<float>(std::max(notchCount, 0)));
  // Back where it started, the box shows the value it started with, also between two notches.
  const int notches = RoundHalfEven(delta);
  const bool moved = notches == 0 ? MoveTo(dragStartPosition, dragStartValue)
                                  : MoveTo(NotchTarget(dragStartPosition, dragStartValue, notches));
  if (!moved) return;
  Invalidate();
  RaiseChange();
}

void TDragBox::MouseUp(TMouseButton button, TShiftState, int, int) {
  if (button != TMouseButton::Left) return;
  dragging = active = false;
  SetScreenCursor(TCursor::Default);
  Invalidate();
}
