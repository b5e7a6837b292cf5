// Renders the controls gallery: the whole window of controls in the built-in scheme and in every
// scheme of the shipped skins, each with a strip of controls in states a still picture would not
// show otherwise (hovered, being edited, cut names, LED colours).
//   controls_gallery OUTPUT.png [SKINS_FOLDER]
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "editor/Globals.h"
#include "platform/HeadlessWindow.h"
#include "platform/Png.h"
#include "tests/editor/showcase/Showcase.h"

namespace {

namespace fs = std::filesystem;

constexpr int kGap = 10, kTitle = 22, kCellGap = 8, kCellCaption = 14, kCellRows = 2, kCellHeight = 40;
constexpr int kStrip = kCellRows * (kCellHeight + kCellCaption);
constexpr TColor kPage = 0x202020, kInk = 0xE0E0E0;

// One control (or a few) in a window of its own, so each can show its own hover or focus.
struct TCell {
  const char* caption;
  int width, height;
  std::function<void(TControl* panel, TWindow& window)> build;
};

TDragBoxBt* SwingBox(TControl* panel) {
  auto* box = new TDragBoxBt(panel);
  box->SetBounds(8, 6, 80, 27);
  box->SetCaption("swing");
  box->SetMin(-50);
  box->SetMax(50);
  box->SetValueSuffix("%");
  box->SetPageValue(0, 10);
  return box;
}

std::vector<TCell> Cells() {
  const auto at = [](TControl* c, int x, int y) { return c->ClientToWindow({x, y}); };
  return {
      {"MENU hovered", 80, kCellHeight,
       [at](TControl* panel, TWindow& w) {
         auto* b = new TVeskButton(panel);
         b->SetBounds(8, 12, 62, 16);
         b->SetCaption("MENU");
         const TPoint p = at(b, 10, 5);
         w.MouseMove(0, p.x, p.y);
       }},
      {"box dragged", 96, kCellHeight,
       [at](TControl* panel, TWindow& w) {
         TDragBoxBt* box = SwingBox(panel);
         const TPoint p = at(box->Box(), 20, 7);
         w.MouseDown(TMouseButton::Left, 0, p.x, p.y);  // held: the active fill
         w.MouseMove(ssLeft, p.x, p.y - 6);
       }},
      {"arrow hovered", 96, kCellHeight,
       [at](TControl* panel, TWindow& w) {
         const TPoint p = at(SwingBox(panel)->RightArrow(), 6, 7);
         w.MouseMove(0, p.x, p.y);
       }},
      {"check box hovered", 104, kCellHeight,
       [at](TControl* panel, TWindow& w) {
         auto* box = new TVeskCheckBox(panel);
         box->SetBounds(8, 12, 89, 15);
         box->SetCaption("follow chord");
         const TPoint p = at(box, 30, 5);
         w.MouseMove(0, p.x, p.y);
       }},
      {"name being edited", 178, kCellHeight,
       [at](TControl* panel, TWindow& w) {
         auto* edit = new TVeskEdit(panel);
         edit->SetBounds(8, 10, 162, 19);
         edit->SetText("Rolling Bass");
         const TPoint p = at(edit, 40, 10);
         w.MouseDown(TMouseButton::Left, 0, p.x, p.y);
         w.MouseUp(TMouseButton::Left, 0, p.x, p.y);
         w.KeyDown(TKey::End, 0);
         w.KeyDown(TKey::Left, ssShift);
         w.KeyDown(TKey::Left, ssShift);
         w.KeyDown(TKey::Left, ssShift);
         w.KeyDown(TKey::Left, ssShift);
       }},
      {"a name too wide", 178, kCellHeight,
       [](TControl* panel, TWindow&) {
         auto* edit = new TVeskEdit(panel);
         edit->SetBounds(8, 10, 162, 19);
         edit->SetText("A Minor Pentatonic Riff, Octave Up");
       }},
      {"LEDs: green, red, outlined", 150, kCellHeight,
       [](TControl* panel, TWindow&) {
         for (int i = 0; i < 6; ++i) {
           auto* led = new TLED(panel);
           led->SetBounds(8 + 22 * i, 12, 13, 13);
           led->SetLedColor(i < 2 ? TLedColor::lcGreen : TLedColor::lcRed);
           led->SetOutLine(i >= 4);
           led->SetState(i % 2 == 0);
         }
       }},
  };
}

// A plain panel that fills a window: the ground the cells' controls stand on.
TCanvas RenderCell(const TCell& cell) {
  THeadlessWindow window(cell.width, cell.height);
  TVeskPanel panel(nullptr);
  panel.Name = "pMain";
  window.SetRoot(&panel);
  cell.build(&panel, window);
  window.ProcessEvents();
  TCanvas copy(cell.width, cell.height);
  copy.Draw(0, 0, window.BackBuffer());
  window.SetRoot(nullptr);
  return copy;
}

TCanvas RenderShowcase() {
  THeadlessWindow window(TShowcase::kWidth, TShowcase::kHeight);
  TShowcase showcase;
  window.SetRoot(&showcase);
  // A step box held down and dragged: the active fill.
  TDragBox* box = showcase.bars[4]->Line()->Box(9);
  const TPoint p = box->ClientToWindow({10, 7});
  window.MouseDown(TMouseButton::Left, 0, p.x, p.y);
  window.MouseMove(ssLeft, p.x, p.y - 20);
  window.ProcessEvents();
  TCanvas copy(TShowcase::kWidth, TShowcase::kHeight);
  copy.Draw(0, 0, window.BackBuffer());
  window.SetRoot(nullptr);
  return copy;
}

void DrawScheme(TCanvas& page, int x, int y, const std::string& name) {
  page.SetFont({"Arial", 10, true});
  page.SetTextColor(kInk);
  page.DrawString(x, y + 3, name);
  page.Draw(x, y + kTitle, RenderShowcase());
  int cx = x, cy = y + kTitle + TShowcase::kHeight + kCellGap;
  page.SetFont({"Arial", 7, false});
  for (const TCell& cell : Cells()) {
    if (cx + cell.width > x + TShowcase::kWidth) {  // on to the next row of cells
      cx = x;
      cy += kCellHeight + kCellCaption;
    }
    page.Draw(cx, cy, RenderCell(cell));
    page.DrawString(cx, cy + cell.height + 3, cell.caption);
    cx += cell.width + kCellGap;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png [SKINS_FOLDER]\n", argv[0]);
    return 2;
  }
  const fs::path skins = argc > 2 ? fs::path(argv[2]) : fs::path(MOLTRIN_SOURCE_DIR) / "data" / "skins";
  // Choosing a scheme writes the settings file beside the skins: let it write into a copy.
  const fs::path work = fs::temp_directory_path() / ("moltrin-gallery-" + std::to_string(::getpid()));
  std::error_code ec;
  fs::remove_all(work, ec);
  fs::create_directories(work / "skins");
  for (const auto& entry : fs::directory_iterator(skins, ec))
    if (entry.is_regular_file()) fs::copy_file(entry.path(), work / "skins" / entry.path().filename());
  TSkinCatalog catalog((work / "").string());

  std::vector<std::string> names = {"Built-in"};
  for (const std::string& n : catalog.SchemeNames()) names.push_back(n);
  const int columns = 2, rows = (static_cast<int>(names.size()) + 1) / 2;
  const int blockW = TShowcase::kWidth, blockH = kTitle + TShowcase::kHeight + kCellGap + kStrip;
  TCanvas page(columns * blockW + (columns + 1) * kGap, rows * blockH + (rows + 1) * kGap, kPage);
  for (int n = 0; n < static_cast<int>(names.size()); ++n) {
    GuiSettings.gui_scheme = n;
    catalog.ApplyScheme(n, GuiSettings);
    DrawScheme(page, kGap + (n % columns) * (blockW + kGap), kGap + (n / columns) * (blockH + kGap), names[n]);
  }
  fs::remove_all(work, ec);
  if (!WritePng(page, argv[1])) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %zu schemes\n", argv[1], names.size());
  return 0;
}
