#include "editor/VeskCustomControl.h"

#include "editor/PaintHelpers.h"

void TVeskCustomControl::SetCaption(std::string_view text) {
  const std::string next = ShortString(text);
  if (next == caption) return;
  caption = next;
  if (Loading()) return;
  CaptionChanged();
  Invalidate();
}

TColor BackgroundColorOf(const TControl* control) {
  if (control == nullptr) return 0;
  if (const auto* vesk = dynamic_cast<const TVeskCustomControl*>(control)) return vesk->PaintColor();
  return control->Color();
}
