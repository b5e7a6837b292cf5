#pragma once
// A window's worth of every Moltrin control, laid out as the editor lays them out, holding a
// moment of a playing pattern: what the gallery picture shows and the repaint benchmarks draw.
#include <string>
#include <vector>

#include "editor/DragBoxBar.h"
#include "editor/DragBoxBt.h"
#include "editor/LEDBar.h"
#include "editor/ScreenInner.h"
#include "editor/TopVeskPanel.h"
#include "editor/VeskButton.h"
#include "editor/VeskCheckBox.h"
#include "editor/VeskEdit.h"
#include "editor/VeskLabel.h"
#include "editor/VeskPanel.h"

class TShowcase : public TControl {
 public:
  static constexpr int kWidth = 809, kHeight = 536;

  TShowcase();

  // The value box with this parameter name, or null.
  TDragBoxBt* Box(const std::string& paramNam) const;

  TTopVeskPanel* top = nullptr;
  TVeskPanel* left = nullptr;
  TVeskPanel* main = nullptr;
  TVeskPanel* chains = nullptr;
  TVeskPanel* info = nullptr;
  TVeskPanel* bottom = nullptr;
  std::vector<TDragBoxBt*> boxes;
  std::vector<TVeskCheckBox*> checkBoxes;
  std::vector<TDragBoxBar*> bars;  // BarNum order: semitone, octave, key select, step type, velocity
  TDragBoxLine* chainLine = nullptr;
  TScreenInner* screen = nullptr;
  TLEDBar* stepLeds = nullptr;
  TLEDBar* shownPageLeds = nullptr;
  TLEDBar* playPageLeds = nullptr;
  TVeskButton* menuButton = nullptr;
  TVeskEdit* programName = nullptr;

 protected:
  void Paint(TCanvas& canvas) override;

 private:
  void BuildPanels();
  void BuildValueBoxes();
  void BuildCheckBoxes();
  void BuildPatternArea();
  void BuildChains();
  void BuildLabelsAndButtons();
  void BuildStatus();
  void ShowAMomentOfPlaying();
};
