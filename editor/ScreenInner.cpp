#include "editor/ScreenInner.h"

#include <algorithm>

#include "editor/Globals.h"
#include "editor/PaintHelpers.h"

namespace {

constexpr int kColumns = 16;
enum TStepType { kOff = 0, kNormal = 1, kRest = 2, kTie = 3 };

// Row labels spell out the short texts of the step boxes.
std::string LongLabel(const std::string& text) {
  if (text == "Rst") return "Rest";
  if (text == "Chr") return "Chord";
  if (text == "Nrm") return "Norm";
  if (text == "Fix") return "Fixed";
  return text;
}

}  // namespace

// ---- Steps and pages.

void TScreenInner::SetNumSteps(int n) {
  totalSteps = std::clamp(n, 1, TVeskControl::kMaxPages * kColumns);
  stepsPerPage = std::min(totalSteps, kColumns);
  const int last = (totalSteps - 1) / stepsPerPage;
  pageCount = last + 1;
  visibleSteps = shownPage < last ? stepsPerPage : totalSteps - last * stepsPerPage;
}

void TScreenInner::SetPage(int p) {
  shownPage = std::clamp(p, 0, TVeskControl::kMaxPages - 1);
  visibleSteps = shownPage < pageCount - 1 ? stepsPerPage : totalSteps - (pageCount - 1) * stepsPerPage;
}

void TScreenInner::SetRows(TDragBoxLine* stepType, TDragBoxLine* keySelect, TDragBoxLine* octave,
                           TDragBoxLine* semitone, TDragBoxLine* velocity) {
  stepTypeRow = stepType;
  keySelectRow = keySelect;
  octaveRow = octave;
  semitoneRow = semitone;
  velocityRow = velocity;
}

void TScreenInner::SetShownRow(TDragBoxLine* row) {
  if (row == shownRow) return;
  shownRow = row;
  drawing = false;
  Invalidate();
}

void TScreenInner::SetLeftOfs(int x) {
  leftOfs = x;
  Invalidate();
}

void TScreenInner::SetTopMargin(int y) {
  topMargin = y;
  Invalidate();
}

void TScreenInner::SetStepLabelH(int h) {
  stepLabelH = h;
  Invalidate();
}

// ---- Rows.

bool TScreenInner::FineVelocity() const {
  return shownRow != nullptr && shownRow == velocityRow && GuiSettings.fine_velocity_increments == 1;
}

TScreenInner::TRowLayout TScreenInner::Rows() const {
  if (shownRow == nullptr) return {};
  const TDragBox* first = shownRow->Box(0);
  TRowLayout rows{first->ValueSteps(), 0, 1};
  if (rows.count == 0) {
    rows.count = first->Max() - first->Min() + 1;
    if (FineVelocity()) rows = {9, 0, 16};
  }
  if (shownRow == semitoneRow) {
    switch (GuiSettings.matrix_semitone_range) {
      case 1: rows = {13, 12, 1}; break;  // 0..+12
      case 2: rows = {13, 0, 1}; break;   // -12..0
      case 3: rows = {15, 5, 1}; break;   // -7..+7
      default: break;                     // the full range
    }
  }
  rows.count = std::max(rows.count, 0);
  return rows;
}

std::string TScreenInner::RowLabel(int r) const {
  const TRowLayout rows = Rows();
  if (r < 0 || r >= rows.count || (rows.count >= 13 && r % 2 != 0)) return "";
  int position = r * rows.divisor;
  if (position == 128) position = 127;
  return LongLabel(shownRow->Box(0)->ItemText(position + rows.offset));
}

int TScreenInner::DefaultRow() const {
  const TRowLayout rows = Rows();
  if (rows.count == 0) return 0;
  return TruncToInt(static_cast<double>(shownRow->Box(0)->DefaultPosition()) / rows.divisor - rows.offset);
}

int TScreenInner::GridWidth() const { return kColumns * GuiSettings.StepPitch; }

// The default row is framed by two bright lines, and every third line above and below is bright.
bool TScreenInner::BrightRowLine(int line, int d) const {
  const int above = line - d;
  return line == d || line == d + 1 || (above > 1 && (above - 1) % 3 == 0) || (above < -1 && above % 3 == 0);
}

// ---- Painting.

void TScreenInner::Paint(TCanvas& canvas) {
  if (shownRow == nullptr) return;
  const TGuiSettings& s = GuiSettings;
  canvas.RoundRect(ClientRect(), s.CornerRadius, s.CornerRadius, s.panels_OutlineColor, s.scr_BackColor);
  const TRowLayout rows = Rows();
  PaintGrid(canvas, rows);
  PaintLabels(canvas, rows);
  PaintBricks(canvas, rows);
}

void TScreenInner::PaintGrid(TCanvas& canvas, const TRowLayout& rows) const {
  const TGuiSettings& s = GuiSettings;
  const int gl = leftOfs, gt = topMargin, gh = GridHeight(), pitch = s.StepPitch;
  canvas.FillRect({gl, gt, gl + GridWidth(), gt + gh}, s.scr_GridBackColor);
  for (int i = 0; i <= visibleSteps; ++i) {
    canvas.SetPen(i % 4 == 0 ? s.scr_LineColorBright : s.scr_LineColorDark);
    canvas.Line(gl + pitch * i, gt, gl + pitch * i, gt + gh + 1);
  }
  if (rows.count == 0) return;
  const int d = DefaultRow();
  for (int line = 0; line <= rows.count; ++line) {
    const int y = gt + RoundHalfEven(static_cast<double>(gh) * (rows.count - line) / rows.count);
    canvas.SetPen(BrightRowLine(line, d) ? s.scr_LineColorBright : s.scr_LineColorDark);
    canvas.Line(gl + 1, y, gl + pitch * visibleSteps, y);
  }
}

void TScreenInner::PaintLabels(TCanvas& canvas, const TRowLayout& rows) const {
  const TGuiSettings& s = GuiSettings;
  const int gl = leftOfs, gt = topMargin, gh = GridHeight(), pitch = s.StepPitch;
  canvas.SetFont({s.BoxFont.name, 7, false});
  canvas.SetTextColor(s.scr_LabelColorBright);
  for (int r = 0; r < rows.count; ++r) {
    const std::string text = RowLabel(r);
    if (text.empty()) continue;
    const int centre = gt + RoundHalfEven(gh * (rows.count - r - 0.5) / rows.count);
    canvas.DrawText({gl - 5, centre, gl - 5, centre}, text, TTextAlign::Right, TTextVAlign::Centre);
  }
  for (int j = 0; j < visibleSteps; ++j) {
    const int n = shownPage * stepsPerPage + j + 1;
    const std::string text = std::to_string(n);
    canvas.SetTextColor((n - 1) % 4 == 0 ? s.scr_LabelColorBright : s.scr_LabelColorDark);
    const int centre = gl + RoundHalfEven((j + 0.5) * pitch);
    canvas.DrawText({centre, gt + gh + 2, centre, gt + gh + 2}, text, TTextAlign::Centre, TTextVAlign::Top);
  }
}

// Right to left, counting rest steps: the step before a run of rests reaches over them, as the
// engine holds its note through them. Columns whose value is not among the rows count for nothing.
void TScreenInner::PaintBricks(TCanvas& canvas, const TRowLayout& rows) const {
  if (rows.count == 0) return;
  const TGuiSettings& s = GuiSettings;
  const int gl = leftOfs, gt = topMargin, gh = GridHeight(), pitch = s.StepPitch;
  const bool velocityBands = shownRow == velocityRow && rows.count == 9;
  canvas.SetFont({s.BoxFont.name, s.BoxFont.sizePt, false});
  canvas.SetTextColor(s.scr_BackColor);
  int rests = 0;
  for (int j = visibleSteps - 1; j >= 0; --j) {
    const int x = gl + pitch * j + 2;
    int w = pitch - 3;
    // Velocities, fine or in coarse notches, sit at their own value's height in bands of 16
    // (127 at the top, as 128); other rows at their position.
    const TDragBox* box = shownRow->Box(j);
    const int value = box->GetValue();
    const double v = velocityBands ? (value == 127 ? 128 : value) / 16.0
                                   : static_cast<double>(box->Position()) / rows.divisor;
    if (v < rows.offset || v >= rows.count + rows.offset) continue;
    const int y1 = gt + 2 + RoundHalfEven(gh * (rows.count + rows.offset - v - 1) / rows.count);
    const int y2 = gt - 1 + RoundHalfEven(gh * (rows.count + rows.offset - v) / rows.count);
    const int type = stepTypeRow != nullptr ? stepTypeRow->Box(j)->Position() : kNormal;
    if (type == kRest) {
      ++rests;
    } else if (rests > 0) {
      w += pitch * rests;
      rests = 0;
    }
    canvas.FillRect({x, y1, x + w, y2}, type == kOff || type == kRest ? s.scr_BrickColorOff : s.scr_BrickColorOn);
    if (rows.count < 10 && keySelectRow != nullptr) {
      const TDragBox* key = keySelectRow->Box(j);
      const std::string text = key->DisplayText(key->Position());
      DrawTextCentred(canvas, {x, y1, x + w, y2}, text);
    }
  }
}

// ---- Mouse.

int TScreenInner::ColumnAt(int x, int y) const {
  const int bx = x - leftOfs, dy = y - topMargin, width = GridWidth();
  if (bx < 0 || bx >= width || dy < 0 || dy >= GridHeight()) return -1;
  return TruncToInt(static_cast<double>(bx) / width * kColumns);
}

// Only columns drawn on the shown page take values: on the last page of a pattern the grid runs
// on past its last step, and a press there must not change a step the pattern does not play.
void TScreenInner::PaintStep(int x, int y) {
  const TRowLayout rows = Rows();
  const int c = ColumnAt(x, y);
  if (rows.count == 0 || c < 0 || c >= visibleSteps) return;
  const int dy = y - topMargin, gh = GridHeight();
  int target;
  if (FineVelocity()) {
    const float rh = static_cast<float>(gh) / static_cast<float>(rows.count);
    target = RoundHalfEven(127.0f - (static_cast<float>(dy) - rh / 2) / (static_cast<float>(gh) - rh) * 128.0f);
  } else {
    target = rows.count + rows.offset - TruncToInt(static_cast<double>(dy) / gh * rows.count) - 1;
  }
  shownRow->Box(c)->StepBy(target);
  Invalidate();
}

void TScreenInner::MouseDown(TMouseButton button, TShiftState, int x, int y) {
  if (button != TMouseButton::Left || shownRow == nullptr) return;
  const int c = ColumnAt(x, y);
  if (c < 0) return;
  PaintStep(x, y);
  drawing = true;
  lastColumn = c;
}

// Values are painted across columns by dragging; moving inside one column changes nothing.
void TScreenInner::MouseMove(TShiftState, int x, int y) {
  if (!drawing) return;
  const int c = ColumnAt(x, y);
  if (c < 0) return;
  if (c != lastColumn) PaintStep(x, y);
  lastColumn = c;
}

void TScreenInner::MouseUp(TMouseButton, TShiftState, int, int) { drawing = false; }
