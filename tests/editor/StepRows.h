#pragma once
// The five step rows as the editor configures them, for tests, the gallery and benchmarks.
#include <string>
#include <vector>

#include "editor/DragBoxBar.h"

struct TStepRowSetup {
  const char* caption;
  int top;  // in the main panel
  int barNum;
  int paramTag1;
  const char* paramNam1;
  int min, max, valueDefault, valueGrey, valueSteps;
  std::vector<std::string> valueList;
};

// In BarNum order: semitone, octave, key select, step type, velocity.
inline const std::vector<TStepRowSetup>& StepRowSetups() {
  static const std::vector<TStepRowSetup> setups = {
      {"SEMITONE:", 346, 0, 256, "Semitone", -12, 12, 0, 0, 0, {}},
      {"OCTAVE:", 326, 1, 320, "Octave", -2, 2, 0, 0, 0, {}},
      {"KEY SELECT:", 280, 2, 448, "Key_select", 0, 6, 1, 1, 0, {"Fix", "k1", "k2", "k3", "k4", "k5", "Chr"}},
      {"STEP TYPE:", 300, 3, 384, "Step_mode", 0, 3, 1, 0, 0, {"Off", "Nrm", "Rst", "Tie"}},
      {"VELOCITY:", 10, 4, 512, "Velocity", 0, 127, 96, 96, 9, {}},
  };
  return setups;
}

// A bar of 600 x 21 at (8, top) with the row's settings, configured while loading.
inline TDragBoxBar* MakeStepBar(TControl* parent, const TStepRowSetup& row) {
  auto* bar = new TDragBoxBar(parent);
  bar->BeginLoading();
  bar->SetBounds(8, row.top, 600, 21);
  bar->SetBoxLnLeftOfs(110);
  bar->SetCaption(row.caption);
  bar->SetBarNum(row.barNum);
  bar->SetNumSteps(16);
  bar->SetPageNumSteps(16);
  bar->SetNumPages(4);
  bar->SetSensity(20);
  bar->SetParamTag1(row.paramTag1);
  bar->SetParamNam1(row.paramNam1);
  bar->SetMin(row.min);
  bar->SetMax(row.max);
  bar->SetValueDefault(row.valueDefault);
  bar->SetValueGrey(row.valueGrey);
  bar->SetValueSteps(row.valueSteps);
  bar->SetValueList(row.valueList);
  bar->EndLoading();
  return bar;
}
