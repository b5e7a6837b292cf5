#include "platform/EditField.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/Window.h"

namespace {

constexpr int kMargin = 1;  // between the field's edges and its text

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

TEditField::TEditField(TControl* parent) : TControl(parent) { SetFocusable(true); }

void TEditField::SetText(std::string_view value) {
  text.assign(value.substr(0, maxLength == 0 ? value.size() : maxLength));
  caret = anchor = Length();
  ScrollToCaret();
  Invalidate();
}

void TEditField::SetMaxLength(size_t n) {
  maxLength = n;
  if (maxLength != 0 && text.size() > maxLength) SetText(text);
}

void TEditField::SetFont(const TFontSpec& f) {
  font = f;
  ScrollToCaret();
  Invalidate();
}

void TEditField::SetTextColor(TColor c) {
  textColor = c;
  Invalidate();
}

int TEditField::SelStart() const { return std::min(caret, anchor); }
int TEditField::SelLength() const { return std::abs(caret - anchor); }
std::string TEditField::SelText() const { return text.substr(SelStart(), SelLength()); }

void TEditField::Select(int start, int length) {
  anchor = std::clamp(start, 0, Length());
  caret = std::clamp(anchor + std::max(0, length), 0, Length());
  ScrollToCaret();
  Invalidate();
}

// ---- Geometry.

// Measured as the window draws the text, in units.
int TEditField::TextX(int boundary) const {
  const double scale = Window() != nullptr ? Window()->Scale() : 1.0;
  const int pixels =
      FontFaceFor(font, scale).TextWidth(std::string_view(text).substr(0, std::clamp(boundary, 0, Length())));
  return scale == 1 ? pixels : static_cast<int>(std::lround(pixels / scale));
}

int TEditField::TextLeft() const { return kMargin - scroll; }

int TEditField::BoundaryAt(int x) const {
  const int at = x - TextLeft();
  for (int i = 0; i < Length(); ++i)
    if (at < (TextX(i) + TextX(i + 1) + 1) / 2) return i;
  return Length();
}

// The caret stays inside the field; a text that fits is never scrolled.
void TEditField::ScrollToCaret() {
  const int room = std::max(0, Width() - 2 * kMargin - 1);
  const int x = TextX(caret), all = TextX(Length());
  if (all <= room) {
    scroll = 0;
    return;
  }
  if (x - scroll > room) scroll = x - room;
  if (x < scroll) scroll = x;
  scroll = std::clamp(scroll, 0, all - room);
}

// ---- Painting.

void TEditField::Paint(TCanvas& canvas) {
  canvas.FillRect(ClientRect(), Color());
  canvas.SetFont(font);
  const int height = canvas.TextHeight(text);
  const int y = (Height() - height) / 2, left = TextLeft();
  canvas.SetTextColor(textColor);
  canvas.DrawString(left, y, text);
  if (SelLength() > 0) {
    // The selected part again, inverted, clipped to its own rectangle.
    const TRect selection{left + TextX(SelStart()), y, left + TextX(SelStart() + SelLength()), y + height};
    canvas.FillRect(selection, textColor);
    const TCanvas::TState state = canvas.SaveState();
    canvas.SetClip(selection.Intersect(canvas.ClipRect()));
    canvas.SetTextColor(Color());
    canvas.DrawString(left, y, text);
    canvas.RestoreState(state);
  }
  if (Focused()) {
    const int x = left + TextX(caret);
    canvas.FillRect({x, y, x + 1, y + height}, textColor);
  }
}

// ---- Mouse.

void TEditField::MouseDown(TMouseButton button, TShiftState shift, int x, int) {
  if (button != TMouseButton::Left || (shift & ssDouble) != 0) return;
  MoveCaret(BoundaryAt(x), (shift & ssShift) != 0);
  selecting = true;
}

void TEditField::MouseMove(TShiftState, int x, int) {
  if (selecting) MoveCaret(BoundaryAt(x), true);
}

void TEditField::MouseUp(TMouseButton button, TShiftState, int, int) {
  if (button == TMouseButton::Left) selecting = false;
}

// The word under the point, or the run of blanks between two words.
void TEditField::DoubleClick(int x, int) {
  if (text.empty()) return;
  const int at = std::min(BoundaryAt(x), Length() - 1);
  const bool blank = IsBlank(text[at]);
  int from = at, to = at + 1;
  while (from > 0 && IsBlank(text[from - 1]) == blank) --from;
  while (to < Length() && IsBlank(text[to]) == blank) ++to;
  Select(from, to - from);
  selecting = false;
}

// ---- Keyboard.

void TEditField::MoveCaret(int to, bool extend) {
  caret = std::clamp(to, 0, Length());
  if (!extend) anchor = caret;
  ScrollToCaret();
  Invalidate();
}

void TEditField::ReplaceSelection(std::string_view with) {
  const int start = SelStart();
  if (maxLength != 0) {
    const size_t kept = text.size() - SelLength();
    with = with.substr(0, maxLength > kept ? maxLength - kept : 0);
  }
  if (with.empty() && SelLength() == 0) return;  // a full field: nothing changes
  text.erase(start, SelLength());
  text.insert(start, with);
  caret = anchor = start + static_cast<int>(with.size());
  ScrollToCaret();
  Invalidate();
  if (OnChange) OnChange();
}

bool TEditField::KeyDown(TKey key, TShiftState shift) {
  const bool extend = (shift & ssShift) != 0;
  switch (key) {
    case TKey::Left:
      MoveCaret(SelLength() > 0 && !extend ? SelStart() : caret - 1, extend);
      return true;
    case TKey::Right:
      MoveCaret(SelLength() > 0 && !extend ? SelStart() + SelLength() : caret + 1, extend);
      return true;
    case TKey::Home: MoveCaret(0, extend); return true;
    case TKey::End: MoveCaret(Length(), extend); return true;
    case TKey::Backspace:
      if (SelLength() == 0 && caret > 0) anchor = caret - 1;
      if (SelLength() > 0) ReplaceSelection("");
      return true;
    case TKey::Delete:
      if (SelLength() == 0 && caret < Length()) anchor = caret + 1;
      if (SelLength() > 0) ReplaceSelection("");
      return true;
    case TKey::Enter:
      if (OnEnter) OnEnter();
      return true;
    case TKey::Escape:
      if (OnEscape) OnEscape();
      return true;
    case TKey::Up:
    case TKey::Down:
    case TKey::Tab:
    case TKey::Other: return false;
  }
  return false;
}

void TEditField::KeyPress(char c) {
  const auto code = static_cast<unsigned char>(c);
  if (code < 0x20 || code == 0x7F) return;  // control characters come as keys, if at all
  ReplaceSelection(std::string_view(&c, 1));
}

void TEditField::FocusLost() {
  selecting = false;
  Invalidate();
  if (OnExit) OnExit();
}
