#include "editor/TextHint.h"

#include <algorithm>

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"

namespace {
constexpr int kPad = 3;     // between the frame and the text
constexpr int kMargin = 2;  // between the hint and the window's edge or its control
}  // namespace

TTextHint::TTextHint(TControl* root, std::string_view text, const TRect& anchor) : TVeskCustomControl(root) {
  Name = "TextHint";
  const TFontFace& face = FontFaceFor(GuiSettings.InfoFont);
  lines = WrapToWidth(face, text, root->Width() - 2 * (kMargin + kPad));
  int textWidth = 0;
  for (const std::string& line : lines) textWidth = std::max(textWidth, face.TextWidth(line));
  const int width = textWidth + 2 * kPad, height = static_cast<int>(lines.size()) * face.Height() + 2 * kPad;
  const int left = std::clamp(anchor.left - kPad, kMargin, std::max(kMargin, root->Width() - kMargin - width));
  const int above = anchor.top - kMargin - height;
  SetBounds(left, above >= 0 ? above : anchor.bottom + kMargin, width, height);
}

TTextHint::~TTextHint() {
  if (OnGone) OnGone();
}

void TTextHint::Paint(TCanvas& canvas) {
  const TGuiSettings& s = GuiSettings;
  canvas.Rectangle(ClientRect(), s.panels_OutlineColor, s.panels_InfoPanelColor);
  canvas.SetFont(s.InfoFont);
  canvas.SetTextColor(s.info_panel_LabelFontColor);
  const int lineHeight = canvas.TextHeight("");
  for (size_t i = 0; i < lines.size(); ++i) canvas.DrawString(kPad, kPad + static_cast<int>(i) * lineHeight, lines[i]);
}
