// Layout: a bar ruler on top, then one panel per note list, each with its own pitch range.
#include "tools/render/PianoRoll.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/KeyUtils.h"

namespace {

constexpr int kLeft = 44;       // room for note names
constexpr int kRight = 12;
constexpr int kRuler = 20;
constexpr int kCaption = 18;
constexpr int kGap = 10;
constexpr int kMaxWidth = 8000;

constexpr TColor kBack = MakeColor(24, 24, 28);
constexpr TColor kRowWhite = MakeColor(36, 36, 42);
constexpr TColor kRowBlack = MakeColor(29, 29, 34);
constexpr TColor kBeatLine = MakeColor(48, 48, 56);
constexpr TColor kBarLine = MakeColor(96, 96, 110);
constexpr TColor kOctaveLine = MakeColor(58, 58, 66);
constexpr TColor kText = MakeColor(200, 200, 210);
constexpr TColor kDimText = MakeColor(140, 140, 150);
constexpr TColor kInputColor = MakeColor(80, 150, 255);
constexpr TColor kOutputColor = MakeColor(255, 150, 40);

bool IsBlackKey(int key) {
  const int pc = key % 12;
  return pc == 1 || pc == 3 || pc == 6 || pc == 8 || pc == 10;
}

// Velocity as shade: quiet notes lean towards the background.
TColor Shade(TColor base, int velocity) {
  const double f = 0.3 + 0.7 * std::clamp(velocity, 1, 127) / 127.0;
  const auto mix = [f](int c, int back) { return static_cast<uint8_t>(std::lround(back + (c - back) * f)); };
  return MakeColor(mix(RedOf(base), RedOf(kRowWhite)), mix(GreenOf(base), GreenOf(kRowWhite)),
                   mix(BlueOf(base), BlueOf(kRowWhite)));
}

struct TPanel {
  const std::vector<TNote>* notes = nullptr;
  const char* caption = "";
  TColor color = 0;
  int low = 48, high = 72;  // keys shown, inclusive
  int rowHeight = 8;
  int top = 0;              // of the caption
  int Rows() const { return high - low + 1; }
  int GridTop() const { return top + kCaption; }
  int Height() const { return kCaption + Rows() * rowHeight; }
  int RowTop(int key) const { return GridTop() + (high - key) * rowHeight; }
};

void FitPitchRange(TPanel& p) {
  if (!p.notes->empty()) {
    p.low = 127;
    p.high = 0;
    for (const TNote& n : *p.notes) {
      p.low = std::min(p.low, n.key);
      p.high = std::max(p.high, n.key);
    }
    p.low = std::max(0, p.low - 1);
    p.high = std::min(127, p.high + 1);
  }
  while (p.Rows() < 13) {  // at least an octave, so the labels have a C
    if (p.low > 0) --p.low;
    if (p.Rows() < 13 && p.high < 127) ++p.high;
  }
  p.rowHeight = std::clamp(360 / p.Rows(), 4, 14);
}

class TRollPainter {
 public:
  TRollPainter(const TPianoRollInput& r, const TMeterMap& m) : roll(r), meters(m) {
    const double quarters = std::max(1.0, static_cast<double>(roll.endTick) / roll.division);
    double pxPerQuarter = std::clamp(2400.0 / quarters, 2.0, 48.0);
    pxPerQuarter = std::max(pxPerQuarter, 480.0 / quarters);
    pxPerQuarter = std::min(pxPerQuarter, (kMaxWidth - kLeft - kRight) / quarters);
    pxPerTick = pxPerQuarter / roll.division;
    plotWidth = static_cast<int>(std::ceil(quarters * pxPerQuarter));
  }

  TCanvas Paint() {
    TPanel panels[2];
    panels[0] = {&roll.input, "Input", kInputColor};
    panels[1] = {&roll.output, "Output", kOutputColor};
    int y = kRuler;
    for (TPanel& p : panels) {
      FitPitchRange(p);
      p.top = y;
      y += p.Height() + kGap;
    }
    canvas.Resize(kLeft + plotWidth + kRight, y, kBack);
    DrawRuler();
    for (const TPanel& p : panels) DrawPanel(p);
    return std::move(canvas);
  }

 private:
  int X(int64_t tick) const { return kLeft + static_cast<int>(std::lround(tick * pxPerTick)); }

  void DrawRuler() {
    canvas.SetFont({"Arial", 7, false});
    canvas.SetTextColor(kDimText);
    int lastLabelEnd = -1000;
    meters.ForEachBeat(0, roll.endTick + 1, [&](int64_t tick, bool barStart, int64_t bar) {
      if (!barStart) return;
      const std::string label = std::to_string(bar);
      const int x = X(tick);
      if (x - 2 < lastLabelEnd + 6 || x + 2 + canvas.TextWidth(label) > canvas.Width()) return;
      canvas.DrawString(x + 2, 3, label);
      canvas.SetPen(kBarLine);
      canvas.Line(x, kRuler - 6, x, kRuler);
      lastLabelEnd = x + 2 + canvas.TextWidth(label);
    });
  }

  void DrawPanel(const TPanel& p) {
    const int gridBottom = p.GridTop() + p.Rows() * p.rowHeight;
    canvas.SetFont({"Arial", 8, true});
    canvas.SetTextColor(kText);
    const std::string caption = std::string(p.caption) + "  (" + std::to_string(p.notes->size()) + " notes)";
    canvas.DrawString(kLeft, p.top + 2, caption);

    // Rows, octave separators and note names.
    canvas.SetFont({"Arial", 7, false});
    const int labelHeight = canvas.TextHeight("C");
    for (int key = p.low; key <= p.high; ++key) {
      const int top = p.RowTop(key);
      canvas.FillRect({kLeft, top, kLeft + plotWidth, top + p.rowHeight}, IsBlackKey(key) ? kRowBlack : kRowWhite);
      const bool isC = key % 12 == 0;
      if (isC) {
        canvas.SetPen(kOctaveLine);
        canvas.Line(kLeft, top + p.rowHeight - 1, kLeft + plotWidth, top + p.rowHeight - 1);
      }
      if (isC || p.rowHeight >= labelHeight) {
        canvas.SetTextColor(isC ? kText : kDimText);
        const std::string name = NoteName(key).Str();
        canvas.DrawString(kLeft - 4 - canvas.TextWidth(name), top + (p.rowHeight - labelHeight) / 2, name);
      }
    }

    // Beats and bars, thinned out when they would crowd each other.
    const double beatPx = pxPerTick * roll.division;
    const int barEvery = beatPx < 1.5 ? static_cast<int>(std::ceil(6.0 / (beatPx * 4))) : 1;
    meters.ForEachBeat(0, roll.endTick + 1, [&](int64_t tick, bool barStart, int64_t bar) {
      if (!barStart && beatPx < 6) return;
      if (barStart && (bar - 1) % barEvery != 0) return;
      canvas.SetPen(barStart ? kBarLine : kBeatLine);
      canvas.Line(X(tick), p.GridTop(), X(tick), gridBottom);
    });

    for (const TNote& n : *p.notes) {
      if (n.key < p.low || n.key > p.high) continue;
      const int x0 = X(n.start), x1 = std::max(X(n.end), x0 + 2);
      const int top = p.RowTop(n.key) + (p.rowHeight >= 6 ? 1 : 0);
      const int bottom = p.RowTop(n.key) + p.rowHeight;
      const TColor c = Shade(p.color, n.velocity);
      if (x1 - x0 >= 4 && bottom - top >= 4)
        canvas.Rectangle({x0, top, x1, bottom}, Shade(p.color, 127), c);
      else
        canvas.FillRect({x0, top, x1, bottom}, c);
    }
  }

  const TPianoRollInput& roll;
  const TMeterMap& meters;
  double pxPerTick = 0;
  int plotWidth = 0;
  TCanvas canvas;
};

}  // namespace

TCanvas DrawPianoRoll(const TPianoRollInput& roll, const TMeterMap& meters) {
  return TRollPainter(roll, meters).Paint();
}
