#pragma once
// A section heading: a small caption centred between two rules. Editor thread only.
#include <string>
#include <string_view>

#include "editor/VeskCustomControl.h"

class TBlockLabel : public TVeskCustomControl {
 public:
  explicit TBlockLabel(TControl* parent) : TVeskCustomControl(parent) {}

  const std::string& Caption1() const { return caption1; }
  void SetCaption1(std::string_view text);
  int TextMargin() const { return textMargin; }
  void SetTextMargin(int margin);  // the gap between the caption and each rule

 protected:
  void Paint(TCanvas& canvas) override;

 private:
  std::string caption1;
  int textMargin = 3;
};
