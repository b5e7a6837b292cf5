#pragma once
// The drag-to-change value box: a number of notches (positions 0..NotchCount - 1) mapped onto
// Min..Max, one position and value per page of the pattern (a value between two coarse notches
// is kept and shown as it is), a display text from a value list or the number, and the mouse:
// drag up or down (finer with Shift), right click for the default.
// A box never talks to the engine: it raises OnChange, and the form pushes engine values in
// with SetPageValue. Editor thread only.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/VeskControl.h"

class TDragBox : public TVeskControl {
 public:
  using TBoxEvent = std::function<void(TDragBox* sender)>;

  explicit TDragBox(TControl* parent);

  // ---- Settings. Those that change the mapping recalculate outside loading.
  int ValueSteps() const { return valueSteps; }
  // 0: one notch per whole value of Min..Max; otherwise this many notches.
  void SetValueSteps(int steps);
  void SetValueDefault(int value) override;
  int Sensity() const { return sensity; }
  void SetSensity(int percent) { sensity = percent; }
  const std::vector<std::string>& ValueList() const { return valueList; }
  void SetValueList(const std::vector<std::string>& list);  // copied
  int ValueGrey() const { return valueGrey; }
  void SetValueGrey(int value);
  const std::string& ValueSuffix() const { return valueSuffix; }
  void SetValueSuffix(std::string_view suffix);
  int StepIndex() const { return stepIndex; }
  void SetStepIndex(int index) { stepIndex = index; }
  bool MenuMode() const { return menuMode; }
  void SetMenuMode(bool on) { menuMode = on; }
  bool Highlighted() const { return highlighted; }
  void SetHighlighted(bool on);

  TBoxEvent OnChange;    // the value changed by user input or SetValue
  TBoxEvent OnBoxClick;  // a press while MenuMode is on, in place of dragging

  // ---- Positions and values.
  int NotchCount() const { return notchCount; }
  int MaxPosition() const { return maxPosition; }
  int DefaultPosition() const { return defaultPosition; }
  int Position() const { return positions[Page()]; }
  int PagePosition(int page) const;
  int PositionOf(int value) const;
  int ValueOf(int position) const;
  // The value-list entry of a position, or its number when the list has no text for it.
  std::string ItemText(int position) const;
  // The text the box shows for a position: ItemText, the suffix, and "+" before positive
  // values of a signed range without a list.
  std::string DisplayText(int position) const;
  // The value a page holds: the one pushed or chosen last, also where it lies between two
  // notches (a velocity of 100 among notches of 16), else the value of the page's position.
  int PageValue(int page) const;
  // The text the box shows now: the current page's value as DisplayText writes it.
  std::string ShownText() const;
  // Notch count, maximum and default positions and every page's position from the settings.
  void Recalculate();
  // Moves the current page to a position (limited to 0..MaxPosition) and its value, and
  // notifies when the value moved.
  void StepBy(int position);
  // Moves the current page by whole notches, as the arrows and dragging do: from a value
  // between two notches the first notch down is the one just below it.
  void StepNotches(int notches);
  bool Dragging() const { return dragging; }
  bool Active() const { return active; }

  // ---- TVeskControl.
  int GetValue() const override { return PageValue(Page()); }
  void SetValue(int value) override;
  std::string GetParamNam() const override { return GetPageParamNam(Page()); }
  int GetParamTag() const override;
  void SetPageValue(int page, int value) override;
  std::string GetPageParamNam(int page) const override;
  void ResetToDefault() override;

 protected:
  void RangeChanged() override { Recalculate(); }
  void Loaded() override { Recalculate(); }
  void Paint(TCanvas& canvas) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  void RaiseChange();
  // The position a move of `notches` from a value at position `from` reaches, within the range.
  int NotchTarget(int from, int value, int notches) const;
  // Puts the current page at a position with a value (that of the position when none is
  // given); true when what the box shows changed.
  bool MoveTo(int position, std::optional<int> value = std::nullopt);
  std::string ItemTextOf(int position, int value) const;
  std::string TextOf(int position, int value) const;

  std::array<int, kMaxPages> positions{};
  std::array<int, kMaxPages> values{};
  int defaultPosition = 0;
  int maxPosition = 0;
  int dragStartX = 0, dragStartY = 0;
  int dragStartPosition = 0;
  int dragStartValue = 0;
  bool dragging = false;
  int stepIndex = 0;
  bool active = false;
  bool menuMode = false;
  bool highlighted = false;
  int sensity = 20;
  int valueGrey = -999;
  int valueSteps = 0;
  int notchCount = 2;
  std::vector<std::string> valueList;
  std::string valueSuffix;
};
