#include "platform/PathPrompt.h"

#include <algorithm>
#include <cstdlib>

#include "platform/FileDialogRunners.h"

namespace {

constexpr size_t kMaxPath = 255;  // paths are handled as at most 255 single-byte characters
constexpr int kPad = 12, kFieldInset = 4;
const TFontSpec kTitleFont{"Arial", 9, true};
const TFontSpec kTextFont{"Arial", 9, false};
constexpr TColor kBack = MakeColor(0xF2, 0xF2, 0xF2), kBorder = MakeColor(0x97, 0x97, 0x97),
                 kInk = MakeColor(0, 0, 0), kField = MakeColor(0xFF, 0xFF, 0xFF),
                 kButton = MakeColor(0xE1, 0xE1, 0xE1), kButtonBorder = MakeColor(0xAD, 0xAD, 0xAD),
                 kFocusBorder = MakeColor(0x00, 0x78, 0xD7);

// The prompt as a running dialog. The prompt is a child of the root and goes with it, so
// each side tells the other when it goes first.
class TPromptDialog : public TRunningDialog {
 public:
  TPromptDialog(TControl& root, const TFileDialogOptions& options)
      : watch(std::make_shared<TPathPrompt*>(new TPathPrompt(&root, options))) {
    (*watch)->Gone = watch;
  }
  ~TPromptDialog() override {
    if (*watch != nullptr) delete *watch;
  }
  TState Poll(std::string& path) override {
    TPathPrompt* p = *watch;
    if (p == nullptr) return TState::Cancelled;
    switch (p->State()) {
      case TPathPrompt::TState::Open: return TState::Open;
      case TPathPrompt::TState::Cancelled: return TState::Cancelled;
      case TPathPrompt::TState::Chosen: path = p->Text(); return TState::Chosen;
    }
    return TState::Cancelled;
  }

 private:
  std::shared_ptr<TPathPrompt*> watch;  // null once the prompt has gone
};

}  // namespace

std::unique_ptr<TRunningDialog> StartPathPrompt(TControl& root, const TFileDialogOptions& options) {
  return std::make_unique<TPromptDialog>(root, options);
}

TPathPrompt::TPathPrompt(TControl* root, const TFileDialogOptions& dialogOptions)
    : TControl(root), options(dialogOptions) {
  Name = "PathPrompt";
  for (const TFileFilter& f : ParseFileFilter(options.Filter)) {
    if (!hint.empty()) hint += ", ";
    hint += f.Description;
  }
  text = DialogStartPath(options).substr(0, kMaxPath);
  caret = text.size();

  SetBounds(0, 0, root->Width(), root->Height());
  const int w = std::min(480, Width() - 20), h = 118;
  const int left = (Width() - w) / 2, top = std::max(0, (Height() - h) / 2);
  panel = {left, top, left + w, top + h};
  field = {left + kPad, top + 50, left + w - kPad, top + 72};
  cancel = {left + w - kPad - 80, top + 84, left + w - kPad, top + 106};
  ok = {cancel.left - 88, cancel.top, cancel.left - 8, cancel.bottom};
  SetFocusable(true);
  BringToFront();
  SetFocus();
  CaretChanged();
}

TPathPrompt::~TPathPrompt() {
  if (Gone) *Gone = nullptr;
}

void TPathPrompt::Finish(TState how) {
  if (state != TState::Open) return;
  state = how;
  SetVisible(false);
}

void TPathPrompt::CaretChanged() {
  // Keep the caret inside the field.
  const int room = field.Width() - 2 * kFieldInset;
  const int at = FontFaceFor(kTextFont).TextWidth(std::string_view(text).substr(0, caret));
  if (at - scroll > room) scroll = at - room;
  if (at < scroll) scroll = at;
  Invalidate();
}

// ---- Painting.

void TPathPrompt::PaintButton(TCanvas& canvas, const TRect& r, const char* caption) const {
  canvas.Rectangle(r, kButtonBorder, kButton);
  canvas.SetFont(kTextFont);
  canvas.SetTextColor(kInk);
  canvas.DrawString(r.left + (r.Width() - canvas.TextWidth(caption)) / 2, r.top + (r.Height() - canvas.TextHeight("")) / 2,
                    caption);
}

void TPathPrompt::Paint(TCanvas& canvas) {
  canvas.Rectangle(panel, kBorder, kBack);
  canvas.SetTextColor(kInk);
  canvas.SetFont(kTitleFont);
  canvas.DrawString(panel.left + kPad, panel.top + 10, DialogTitle(options));
  canvas.SetFont(kTextFont);
  if (!hint.empty()) canvas.DrawString(panel.left + kPad, panel.top + 30, hint);

  canvas.Rectangle(field, kFocusBorder, kField);
  const TCanvas::TState saved = canvas.SaveState();
  canvas.SetClip({field.left + 1, field.top + 1, field.right - 1, field.bottom - 1});
  const int textTop = field.top + (field.Height() - canvas.TextHeight("")) / 2;
  const int textLeft = field.left + kFieldInset - scroll;
  canvas.DrawString(textLeft, textTop, text);
  const int caretX = textLeft + canvas.TextWidth(std::string_view(text).substr(0, caret));
  canvas.FillRect({caretX, field.top + 4, caretX + 1, field.bottom - 4}, kInk);
  canvas.RestoreState(saved);

  PaintButton(canvas, ok, "OK");
  PaintButton(canvas, cancel, "Cancel");
}

// ---- Input: the prompt takes all of it while it shows.

void TPathPrompt::MouseDown(TMouseButton button, TShiftState, int x, int y) {
  if (button != TMouseButton::Left) return;
  if (ok.Contains(x, y)) {
    KeyDown(TKey::Enter, 0);
  } else if (cancel.Contains(x, y)) {
    Finish(TState::Cancelled);
  } else if (field.Contains(x, y)) {
    // The caret goes to the character boundary nearest to the click.
    const TFontFace& face = FontFaceFor(kTextFont);
    const int target = x - (field.left + kFieldInset - scroll);
    size_t best = 0;
    for (size_t i = 1; i <= text.size(); ++i)
      if (std::abs(face.TextWidth(std::string_view(text).substr(0, i)) - target) <
          std::abs(face.TextWidth(std::string_view(text).substr(0, best)) - target))
        best = i;
    caret = best;
    CaretChanged();
  }
}

bool TPathPrompt::KeyDown(TKey key, TShiftState) {
  switch (key) {
    case TKey::Enter:
      // A folder is no file to open or save.
      if (!text.empty() && text.back() != '/' && text.back() != '\\') Finish(TState::Chosen);
      return true;
    case TKey::Escape: Finish(TState::Cancelled); return true;
    case TKey::Backspace:
      if (caret > 0) text.erase(--caret, 1);
      break;
    case TKey::Delete:
      if (caret < text.size()) text.erase(caret, 1);
      break;
    case TKey::Left: caret -= caret > 0 ? 1 : 0; break;
    case TKey::Right: caret += caret < text.size() ? 1 : 0; break;
    case TKey::Home: caret = 0; break;
    case TKey::End: caret = text.size(); break;
    default: return true;
  }
  CaretChanged();
  return true;
}

void TPathPrompt::KeyPress(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 32 || byte == 127 || text.size() >= kMaxPath) return;
  text.insert(caret++, 1, c);
  CaretChanged();
}
