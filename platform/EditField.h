#pragma once
// A single-line text field, the toolkit's edit control: typed characters, a caret, a selection
// (Shift with the arrow keys or Home and End, dragging, a double click selects a word),
// Backspace and Delete. Enter, Escape and losing the focus are handed to the owner. The text is
// single-byte (Windows-1252); the field draws it in its font and colours on its own colour,
// scrolled so that the caret stays in view. Editor (user-interface) thread only.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Control.h"
#include "platform/Font.h"

class TEditField : public TControl {
 public:
  explicit TEditField(TControl* parent);

  const std::string& Text() const { return text; }
  // Replaces the text (cut to MaxLength); the caret goes to the end, nothing is selected.
  void SetText(std::string_view value);
  size_t MaxLength() const { return maxLength; }
  void SetMaxLength(size_t n);  // 0: no limit

  const TFontSpec& Font() const { return font; }
  void SetFont(const TFontSpec& f);
  TColor TextColor() const { return textColor; }
  void SetTextColor(TColor c);  // the selection shows inverted: text colour behind, colour on it

  // Caret and selection, as character boundaries 0..Text().size().
  int CaretPos() const { return caret; }
  int SelStart() const;
  int SelLength() const;
  std::string SelText() const;
  // Selects `length` characters from `start`, the caret at the end of the selection.
  void Select(int start, int length);
  void SelectAll() { Select(0, static_cast<int>(text.size())); }

  std::function<void()> OnEnter;   // Enter pressed
  std::function<void()> OnEscape;  // Escape pressed
  std::function<void()> OnExit;    // the field lost the focus
  std::function<void()> OnChange;  // the text was edited

 protected:
  void Paint(TCanvas& canvas) override;
  void BoundsChanged() override { ScrollToCaret(); }
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void DoubleClick(int x, int y) override;
  bool KeyDown(TKey key, TShiftState shift) override;
  void KeyPress(char c) override;
  void FocusGained() override { Invalidate(); }
  void FocusLost() override;

 private:
  int Length() const { return static_cast<int>(text.size()); }
  int TextX(int boundary) const;   // width of the text before a boundary
  int BoundaryAt(int x) const;     // the boundary nearest to x (own coordinates)
  int TextLeft() const;            // where the text starts, scrolled
  void MoveCaret(int to, bool extend);
  void ReplaceSelection(std::string_view with);
  void ScrollToCaret();

  std::string text;
  size_t maxLength = 0;
  TFontSpec font;
  TColor textColor = 0;
  int caret = 0;
  int anchor = 0;  // the other end of the selection
  int scroll = 0;  // pixels of text hidden at the left
  bool selecting = false;
};
