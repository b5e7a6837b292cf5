#include "editor/VeskEdit.h"

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"

namespace {
constexpr int kFieldTop = 3;
constexpr size_t kMaxText = 255;
}  // namespace

TVeskEdit::TVeskEdit(TControl* parent) : TVeskCustomControl(parent), field(new TEditField(this)) {
  field->SetVisible(false);
  field->SetMaxLength(kMaxText);
  field->OnEnter = [this] { CommitEdit(); };
  field->OnExit = [this] { CommitEdit(); };
  field->OnEscape = [this] { CancelEdit(); };
  ReapplySkin();
}

void TVeskEdit::SetText(std::string_view value) {
  text = ShortString(value);
  field->SetText(text);
  Invalidate();
}

TFontSpec TVeskEdit::Font() const { return {GuiSettings.LabelFont.name, GuiSettings.LabelFont.sizePt, false}; }

void TVeskEdit::ReapplySkin() {
  SetColor(GuiSettings.bar_FillColor);
  field->SetColor(GuiSettings.bar_FillColor);
  field->SetTextColor(GuiSettings.box_LabelFontColor);
  field->SetFont(Font());
}

void TVeskEdit::BoundsChanged() { field->SetBounds(0, kFieldTop, Width(), Height() - kFieldTop); }

void TVeskEdit::StartEdit() {
  if (Editing()) return;
  ReapplySkin();
  field->SetText(text);
  field->SelectAll();
  field->SetVisible(true);
  field->SetFocus();
  Invalidate();
}

// Hiding the field takes the focus from it, which asks to commit again: the field is closed by
// then, so that second call does nothing.
void TVeskEdit::CloseField() {
  field->SetVisible(false);
  Invalidate();
}

void TVeskEdit::CommitEdit() {
  if (!Editing()) return;
  CloseField();
  text = field->Text();
  if (OnEditExit) OnEditExit(this);
}

void TVeskEdit::CancelEdit() {
  if (!Editing()) return;
  CloseField();
  field->SetText(text);
}

bool TVeskEdit::Fits(const TCanvas& measure) const { return FitsWidth(measure, text, Width() - 2); }

std::string TVeskEdit::ShownText(const TCanvas& measure) const {
  if (Fits(measure)) return text;
  return CutToWidth(measure, text, Width() - 10) + "...";
}

void TVeskEdit::Paint(TCanvas& canvas) {
  if (Editing()) return;
  const TGuiSettings& s = GuiSettings;
  canvas.SetFont(Font());
  canvas.SetTextColor(s.box_LabelFontColor);
  const std::string shown = ShownText(canvas);
  if (Fits(canvas))
    canvas.DrawText({0, 2, Width(), 2}, shown, TTextAlign::Centre, TTextVAlign::Top);
  else
    canvas.DrawString(1, 2, shown);
  const int y = canvas.TextHeight(shown) + 2;
  canvas.SetPen(s.box_LabelFontColorInActive, 1);
  canvas.Line(0, y, Width(), y);
}

void TVeskEdit::MouseDown(TMouseButton, TShiftState, int, int) { StartEdit(); }
