#pragma once
// A step row under the pattern screen: a caption and a selection LED at the left, then a line
// of 16 step boxes. Pressing the caption or the LED selects the row; the settings of the step
// boxes are written through the bar to its line. Editor thread only.
#include <string>
#include <vector>

#include "editor/BarLabel.h"
#include "editor/DragBoxLine.h"
#include "editor/LED.h"

class TDragBoxBar : public TVeskControl {
 public:
  explicit TDragBoxBar(TControl* parent);

  TDragBoxLine* Line() const { return line; }
  TBarLabel* Label() const { return label; }
  TLED* Led() const { return led; }

  TOnControlChangeEvent OnControlChange;  // a user change of one of its boxes
  TOnBarSelectEvent OnBarSelect;          // its caption or LED was pressed

  int BarNum() const { return barNum; }
  void SetBarNum(int n) { barNum = n; }
  int BoxLnLeftOfs() const { return boxLnLeftOfs; }
  void SetBoxLnLeftOfs(int x);
  bool Selected() const { return selected; }
  // Selected when n is this bar's number: the LED and the caption follow.
  void ShowSelection(int n);
  int ShownPage() const { return shownPage; }
  void SetPage(int p) override;

  // ---- Step box settings, written to the line.
  int NumSteps() const { return numSteps; }
  void SetNumSteps(int n);
  int PageNumSteps() const { return pageNumSteps; }
  void SetPageNumSteps(int n);
  void SetParamTag1(int v) { line->SetParamTag1(v); }
  const std::string& ParamNam1() const { return paramNam1; }
  void SetParamNam1(std::string_view name);
  void SetMin(int value) override;
  void SetMax(int value) override;
  void SetValueSteps(int steps) { line->SetValueSteps(steps); }
  void SetSensity(int percent) { line->SetSensity(percent); }
  void SetValueDefault(int value) override;
  void SetValueGrey(int value) { line->SetValueGrey(value); }
  const std::vector<std::string>& ValueList() const { return valueList; }
  void SetValueList(const std::vector<std::string>& list);
  void SetNumPages(int n) override;

  // After a skin change: the bar, its caption and its line take the skin's bar colour.
  void ReapplySkin();

  TColor PaintColor() const override;

 protected:
  void Paint(TCanvas& canvas) override;
  void BoundsChanged() override { Layout(); }
  void Loaded() override;
  void CaptionChanged() override { label->SetCaption(Caption()); }

 private:
  void Layout();
  void PartPressed(TMouseButton button);

  TDragBoxLine* line;
  TBarLabel* label;
  TLED* led;
  bool selected = false;
  int barNum = 0;
  int boxLnLeftOfs = 100;
  int shownPage = 0;
  std::string paramNam1;
  int numSteps = 16;
  int pageNumSteps = 16;
  std::vector<std::string> valueList;
};
