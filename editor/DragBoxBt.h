#pragma once
// A labelled value box with an arrow button on either side: the control for most single
// settings. The caption sits above; the arrows step the box one notch, or, with HasMenu, ask
// for the value list to pop up. Its tag, name, range and value are those of the inner box.
// Editor thread only.
#include <string>
#include <vector>

#include "editor/DragBox.h"
#include "editor/DragBox_ArrowBt.h"

class TDragBoxBt : public TVeskControl {
 public:
  explicit TDragBoxBt(TControl* parent);

  TDragBox* Box() const { return box; }
  TArrowBt* LeftArrow() const { return leftArrow; }
  TArrowBt* RightArrow() const { return rightArrow; }

  TOnControlChangeEvent OnControlChange;        // a user change of the inner box
  TOnControlMenuPopupEvent OnControlMenuPopup;  // an arrow asks for the value list (HasMenu)

  // ---- Settings, forwarded to the inner box.
  void SetParamTag(int tag) override;
  void SetParamNam(std::string_view name) override;
  void SetMin(int value) override;
  void SetMax(int value) override;
  void SetValueDefault(int value) override;
  int ValueSteps() const { return valueSteps; }
  void SetValueSteps(int steps);
  void SetSensity(int percent) { box->SetSensity(percent); }
  const std::vector<std::string>& ValueList() const { return valueList; }
  void SetValueList(const std::vector<std::string>& list);  // copied here and into the box
  void SetValueGrey(int value) { box->SetValueGrey(value); }
  const std::string& ValueSuffix() const { return valueSuffix; }
  void SetValueSuffix(std::string_view suffix);
  bool HasMenu() const { return hasMenu; }
  // On: both arrows point down and open the list; off: they step left and right.
  void SetHasMenu(bool on);

  // Raises OnControlMenuPopup below the box, as the arrows do with HasMenu.
  void OpenMenu();

  // ---- TVeskControl: the inner box's.
  int GetValue() const override { return box->GetValue(); }
  void SetValue(int value) override { box->SetValue(value); }
  std::string GetParamNam() const override { return box->GetParamNam(); }
  int GetParamTag() const override { return box->GetParamTag(); }
  void SetPageValue(int page, int value) override { box->SetPageValue(page, value); }
  std::string GetPageParamNam(int page) const override { return box->GetPageParamNam(page); }
  void ResetToDefault() override { box->ResetToDefault(); }

 protected:
  void Paint(TCanvas& canvas) override;
  void BoundsChanged() override { Layout(); }
  void Loaded() override { Layout(); }

 private:
  void Layout();
  void ArrowPressed(int step);

  TDragBox* box;
  TArrowBt* leftArrow;
  TArrowBt* rightArrow;
  std::string valueSuffix;
  int valueSteps = 0;
  bool hasMenu = false;
  std::vector<std::string> valueList;
};
