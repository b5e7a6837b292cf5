#include "editor/BlockLabel.h"

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"

void TBlockLabel::SetCaption1(std::string_view text) {
  caption1 = ShortString(text);
  if (!Loading()) Invalidate();
}

void TBlockLabel::SetTextMargin(int margin) {
  textMargin = margin;
  if (!Loading()) Invalidate();
}

void TBlockLabel::Paint(TCanvas& canvas) {
  const TGuiSettings& s = GuiSettings;
  canvas.SetFont({s.LabelFont.name, 7, s.LabelFont.bold});
  canvas.SetTextColor(s.panels_BlockLabelColor);
  DrawTextCentred(canvas, ClientRect(), caption1);
  const int w = Width(), y = RoundHalfEven(Height() / 2.0);
  const int f = RoundHalfEven((w - canvas.TextWidth(caption1) - 2 * textMargin) / 2.0);
  canvas.SetPen(s.panels_BlockLabelColor, 1);
  canvas.Line(0, y, f, y);
  canvas.Line(w - f, y, w, y);
}
