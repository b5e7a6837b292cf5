// What drawing the editor costs at a zoom: a full repaint of the editor's form and of the window
// filled with every control at 100 %, 200 % and 300 % (four and nine times the pixels), and the
// repaint of one value box at 200 %, which redraws only that box's device pixels.
#include <benchmark/benchmark.h>

#include <vector>

#include "editor/Globals.h"
#include "editor/PlugEditorForm.h"
#include "platform/HeadlessWindow.h"
#include "tests/editor/showcase/Showcase.h"

namespace {

// Every control of the editor in a headless window shown at `percent`.
struct TZoomedShowcase {
  explicit TZoomedShowcase(int percent) : window(TShowcase::kWidth, TShowcase::kHeight) {
    GuiSettings = TGuiSettings{};
    window.SetRoot(&showcase);
    window.SetScale(percent / 100.0);
    window.Update();  // the faces of the zoomed fonts are built here, outside the timing
  }
  ~TZoomedShowcase() { window.SetRoot(nullptr); }

  THeadlessWindow window;
  TShowcase showcase;
};

void BM_EditorFullRepaintAtZoom(benchmark::State& state) {
  TZoomedShowcase z(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    z.window.InvalidateWindowRect({0, 0, TShowcase::kWidth, TShowcase::kHeight});
    z.window.Update();
    benchmark::DoNotOptimize(z.window.Pixel(400, 300));
  }
  state.counters["device_pixels"] = static_cast<double>(z.window.Width()) * z.window.Height();
}
BENCHMARK(BM_EditorFullRepaintAtZoom)->Arg(100)->Arg(200)->Arg(300)->Unit(benchmark::kMillisecond);

// The editor's form (not bound to an engine: every control at its default) at a scale told the
// way a host tells one, which writes no setting.
void BM_FormFullRepaintAtZoom(benchmark::State& state) {
  GuiSettings = TGuiSettings{};
  TPlugForm form(nullptr, std::make_unique<THeadlessWindow>(gFormWidth, gFormHeight));
  form.SetHostScale(static_cast<double>(state.range(0)) / 100.0);
  auto& window = static_cast<THeadlessWindow&>(form.Window());
  window.Update();
  for (auto _ : state) {
    window.InvalidateWindowRect({0, 0, gFormWidth, gFormHeight});
    window.Update();
    benchmark::DoNotOptimize(window.Pixel(400, 300));
  }
  state.counters["device_pixels"] = static_cast<double>(window.Width()) * window.Height();
}
BENCHMARK(BM_FormFullRepaintAtZoom)->Arg(100)->Arg(200)->Arg(300)->Unit(benchmark::kMillisecond);

// The gate box shows a new value from the engine: only its rectangle, in device pixels, is painted.
void BM_EditorRepaintOneValueBoxAtZoom(benchmark::State& state) {
  TZoomedShowcase z(static_cast<int>(state.range(0)));
  TDragBoxBt* gate = z.showcase.Box("Gate");
  int value = 1;
  for (auto _ : state) {
    value = value % 100 + 1;
    gate->SetPageValue(0, value);
    z.window.Update();
    benchmark::DoNotOptimize(z.window.Pixel(100, 500));
  }
  const TPoint at = gate->Box()->ClientToWindow({0, 0});
  const TRect box = z.window.ToDevice(gate->Box()->ClientRect().Offset(at.x, at.y));
  if (z.window.LastPresented() != std::vector<TRect>{box}) state.SkipWithError("more than the box was repainted");
}
BENCHMARK(BM_EditorRepaintOneValueBoxAtZoom)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace
