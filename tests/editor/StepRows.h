#pragma once
// The five step rows as the editor configures them, for tests, the gallery and benchmarks.
#include <string>
#include <vector>

#include "editor/DragBoxBar.h"

struct TStepRowSpec {
  const char* caption;
  int top;  // in the main panel
  int barNum;
  int paramTag1;
  const char* paramNam1;
  int min, max, valueDefault, valueGrey, valueSteps;
  std::vector<std::string> valueList;
};

// In BarNum order: semitone, octave, key select, step type, velocity.
inline const std::vector<TStepRowSpec>& StepRowSpecs() {
  static const std::vector<TStepRowSpec> specs = {
      {"SEMITONE:", 346, 0, 256, "Semitone", -12, 12, 0, 0, 0, {}},
      {"OCTAVE:", 326, 1, 320, "Octave", -2, 2, 0, 0, 0, {}},
      {"KEY SELECT:", 280, 2, 448, "Key_select", 0, 6, 1, 1, 0, {"Fix", "k1", "k2", "k3", "k4", "k5", "Chr"}},
      {"STEP TYPE:", 300, 3, 384, "Step_mode", 0, 3, 1, 0, 0, {"Off", "Nrm", "Rst", "Tie"}},
      {"VELOCITY:", 10, 4, 512, "Velocity", 0, 127, 96, 96, 9, {}},
  };
  return specs;
}

// A bar of 600 x 21 at (8, top) with the row's settings, configured while loading.
inline TDragBoxBar* MakeStepBar(TControl* parent, const TStepRowSpec& spec) {
  auto* bar = new TDragBoxBar(parent);
  bar->BeginLoading();
  bar->SetBounds(8, spec.top, 600, 21);
  bar->SetBoxLnLeftOfs(110);
  bar->SetCaption(spec.caption);
  bar->SetBarNum(spec.barNum);
  bar->SetNumSteps(16);
  bar->SetPageNumSteps(16);
  bar->SetNumPages(4);
  bar->SetSensity(20);
  bar->SetParamTag1(spec.paramTag1);
  bar->SetParamNam1(spec.paramNam1);
  bar->SetMin(spec.min);
  bar->SetMax(spec.max);
  bar->SetValueDefault(spec.valueDefault);
  bar->SetValueGrey(spec.valueGrey);
  bar->SetValueSteps(spec.valueSteps);
  bar->SetValueList(spec.valueList);
  bar->EndLoading();
  return bar;
}
