#pragma once
// A line of 16 step boxes, one per step of a page: box i shows step Page * 16 + i of a block of
// per-step parameters (tag ParamTag1 + i on page 0), and each box keeps one value per page.
// Settings written to the line go to every box in use; reading them reads box 0. The chain
// program sequence is a line of 8 boxes on one page. Editor thread only.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "editor/DragBox.h"

class TDragBoxLine : public TVeskControl {
 public:
  static constexpr int kBoxes = 16;

  explicit TDragBoxLine(TControl* parent);

  TDragBox* Box(int i) const { return boxes[i]; }

  int NumSteps() const { return numSteps; }
  void SetNumSteps(int n) { numSteps = n; }  // kept for the owner
  int PageNumSteps() const { return pageNumSteps; }
  // The boxes in use (1..16); the others are hidden and bound to no parameter.
  void SetPageNumSteps(int n);

  int ParamTag1() const { return boxes[0]->ParamTag(); }
  // Box i gets tag v + i; 0 or less is ignored.
  void SetParamTag1(int v);
  const std::string& ParamNam1() const { return paramNam1; }
  void SetParamNam1(std::string_view name);
  void SetMin(int value) override;
  void SetMax(int value) override;
  int ValueSteps() const { return boxes[0]->ValueSteps(); }
  void SetValueSteps(int steps);
  int Sensity() const { return boxes[0]->Sensity(); }
  void SetSensity(int percent);
  int ValueDefault() const { return boxes[0]->ValueDefault(); }
  void SetValueDefault(int value) override;
  int ValueGrey() const { return boxes[0]->ValueGrey(); }
  void SetValueGrey(int value);
  const std::vector<std::string>& ValueList() const { return valueList; }
  void SetValueList(const std::vector<std::string>& list);
  void SetNumPages(int n) override;

  // Every box in use shows page p.
  void SetPage(int p) override;
  // Box i alone gets the highlighted outline; -1 highlights none.
  void Highlight(int i);
  int HighlightedBox() const { return highlighted; }

  std::function<void(TDragBox* box)> OnBoxChange;  // for an owning bar, before OnControlChange
  TOnControlChangeEvent OnControlChange;

  TColor PaintColor() const override;

 protected:
  void Paint(TCanvas& canvas) override;
  void BoundsChanged() override { Layout(); }

 private:
  void Layout();
  void BoxChanged(TDragBox* box);
  // The settings of box 0 given to a box newly taken into use.
  void CopySettingsTo(TDragBox* box, int index) const;
  template <typename F>
  void ForBoxesInUse(F f) {
    for (int i = 0; i < pageNumSteps; ++i) f(boxes[i], i);
  }

  std::array<TDragBox*, kBoxes> boxes{};
  int numSteps = kBoxes;
  int pageNumSteps = kBoxes;
  std::vector<std::string> valueList;
  std::string paramNam1;
  int highlighted = -1;
};
