#pragma once
// A text shown whole over the editor window, near the control it belongs to: a status text
// too long for its label, while the mouse is on the label. It lies above the control (below
// when there is no room above), never over it, broken into lines as wide as the window allows,
// in the status panel's colours. Editor thread only.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/VeskCustomControl.h"

class TTextHint : public TVeskCustomControl {
 public:
  // Placed on `root` (the control filling the window), over its other children, beside
  // `anchor` (window coordinates).
  TTextHint(TControl* root, std::string_view text, const TRect& anchor);
  ~TTextHint() override;

  const std::vector<std::string>& Lines() const { return lines; }
  std::function<void()> OnGone;  // the hint is being destroyed (with its root, say)

 protected:
  void Paint(TCanvas& canvas) override;

 private:
  std::vector<std::string> lines;
  int lineHeight = 0;  // units
};
