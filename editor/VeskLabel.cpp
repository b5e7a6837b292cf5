#include "editor/VeskLabel.h"

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"
#include "platform/Window.h"
#include "editor/TextHint.h"

TVeskLabel::~TVeskLabel() { HideHint(); }

void TVeskLabel::Changed() {
  if (!Loading()) Invalidate();
}

void TVeskLabel::SetCaption1(std::string_view text) {
  const std::string next = ShortString(text);
  if (next == caption1) return;
  caption1 = next;
  Changed();
  if (hint != nullptr || mouseOver) ShowHint();  // the hint follows the caption
}

void TVeskLabel::SetAlignment(TAlignment a) {
  alignment = a;
  Changed();
}

void TVeskLabel::SetLabelType(TLabelType type) {
  labelType = type;
  typeChosen = true;
  Changed();
}

void TVeskLabel::SetActive(bool on) {
  if (on == active) return;
  active = on;
  Changed();
}

void TVeskLabel::SetUnderline(bool on) {
  underline = on;
  Changed();
}

void TVeskLabel::SetTextVisible(bool on) {
  if (on == textVisible) return;
  textVisible = on;
  Changed();
}

TFontSpec TVeskLabel::Font() const {
  const TGuiSettings& s = GuiSettings;
  if (!typeChosen) return s.InfoFont;
  switch (labelType) {
    case TLabelType::ltParam: return s.LabelFont;
    case TLabelType::ltStatus: return s.InfoFont;
    case TLabelType::ltABCD: return {s.BoxFont.name, 7, s.BoxFont.bold};
  }
  return s.InfoFont;
}

void TVeskLabel::Paint(TCanvas& canvas) {
  if (!textVisible) return;
  const TGuiSettings& s = GuiSettings;
  TColor color = s.box_LabelFontColor;
  if (labelType == TLabelType::ltStatus)
    color = s.info_panel_LabelFontColor;
  else if (labelType == TLabelType::ltABCD && !active)
    color = s.box_LabelFontColorInActive;
  canvas.SetFont(Font());
  canvas.SetTextColor(color);
  const std::string shown =
      wholeTextOnHover && !FitsWidth(canvas, caption1, Width())
          ? CutToWidth(canvas.Face(), caption1,
                       canvas.DeviceRect(ClientRect()).Width() - canvas.Face().TextWidth("...")) + "..."
          : caption1;
  const TTextAlign align = alignment == TAlignment::taRightJustify ? TTextAlign::Right
                           : alignment == TAlignment::taCenter     ? TTextAlign::Centre
                                                                   : TTextAlign::Left;
  canvas.DrawText({0, 0, Width(), 0}, shown, align, TTextVAlign::Top);
  if (underline) {
    canvas.SetPen(s.box_LabelFontColorInActive, 1);
    canvas.Line(0, Height() - 1, Width() - 1, Height() - 1);
  }
}

// As the window draws it: a caption that fits at one zoom may need a pixel more at another.
bool TVeskLabel::CaptionFits() const {
  const double scale = Window() != nullptr ? Window()->Scale() : 1.0;
  return FontFaceFor(Font(), scale).TextWidth(caption1) <= ScaleToDevice(Width(), scale);
}

void TVeskLabel::MouseEnter() {
  TVeskCustomControl::MouseEnter();
  mouseOver = true;
  ShowHint();
}

void TVeskLabel::MouseLeave() {
  TVeskCustomControl::MouseLeave();
  mouseOver = false;
  HideHint();
}

void TVeskLabel::ShowHint() {
  HideHint();
  if (!wholeTextOnHover || !mouseOver || !textVisible || CaptionFits() || Window() == nullptr) return;
  TControl* root = this;
  while (root->Parent() != nullptr) root = root->Parent();
  const TPoint at = ClientToWindow({0, 0});
  hint = new TTextHint(root, caption1, {at.x, at.y, at.x + Width(), at.y + Height()});
  hint->OnGone = [this] { hint = nullptr; };
}

void TVeskLabel::HideHint() {
  if (hint == nullptr) return;
  TTextHint* going = hint;
  hint = nullptr;
  going->OnGone = nullptr;
  delete going;
}
