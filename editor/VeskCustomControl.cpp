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

void TVeskCustomControl::SetHovered(bool on, bool repaint) {
  if (on == hover) return;
  hover = on;
  if (repaint) Invalidate();
}

void TVeskCustomControl::MouseEnter() {
  if (tracksHover) SetHovered(true);
}

void TVeskCustomControl::MouseLeave() {
  if (tracksHover) SetHovered(false);
}

TColor BackgroundColorOf(const TControl* control) {
  if (control == nullptr) return 0;
  if (const auto* vesk = dynamic_cast<const TVeskCustomControl*>(control)) return vesk->PaintColor();
  return control->Color();
}
