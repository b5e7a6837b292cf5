#include "editor/TextHint.h"

#include <algorithm>
#include <cmath>

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"
#include "platform/Window.h"

namespace {
constexpr int kPad = 3;     // between the frame and the text
constexpr int kMargin = 2;  // between the hint and the window's edge or its control
}  // namespace

TTextHint::TTextHint(TControl* root, std::string_view text, const TRect& anchor) : TVeskCustomControl(root) {
  Name = "TextHint";
  // Measured as the window draws it, and brought back to units (rounded up: the text must fit).
  const double scale = root->Window() != nullptr ? root->Window()->Scale() : 1.0;
  const TFontFace& face = FontFaceFor(GuiSettings.InfoFont, scale);
  const auto units = [scale](int pixels) { return static_cast<int>(std::ceil(pixels / scale)); };
  lines = WrapToWidth(face, text, static_cast<int>((root->Width() - 2 * (kMargin + kPad)) * scale));
  int textWidth = 0;
  for (const std::string& line : lines) textWidth = std::max(textWidth, units(face.TextWidth(line)));
  lineHeight = units(face.Height());
  const int width = textWidth + 2 * kPad, height = static_cast<int>(lines.size()) * lineHeight + 2 * kPad;
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
  for (size_t i = 0; i < lines.size(); ++i) canvas.DrawString(kPad, kPad + static_cast<int>(i) * lineHeight, lines[i]);
}
