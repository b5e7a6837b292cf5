// What drawing the editor costs: a full repaint of the window filled with every control, and the
// repaint after one value box changed, which redraws only that box's rectangle.
#include <benchmark/benchmark.h>

#include <vector>

#include "editor/Globals.h"
#include "platform/HeadlessWindow.h"
#include "tests/editor/showcase/Showcase.h"

namespace {

void BM_EditorFullRepaint(benchmark::State& state) {
  GuiSettings = TGuiSettings{};
  THeadlessWindow window(TShowcase::kWidth, TShowcase::kHeight);
  TShowcase showcase;
  window.SetRoot(&showcase);
  window.Update();
  for (auto _ : state) {
    window.InvalidateWindowRect({0, 0, TShowcase::kWidth, TShowcase::kHeight});
    window.Update();
    benchmark::DoNotOptimize(window.Pixel(400, 300));
  }
  window.SetRoot(nullptr);
}
BENCHMARK(BM_EditorFullRepaint)->Unit(benchmark::kMillisecond);

// The gate box shows a new value from the engine: only its 52 x 15 pixels are painted again.
void BM_EditorRepaintOneValueBox(benchmark::State& state) {
  GuiSettings = TGuiSettings{};
  THeadlessWindow window(TShowcase::kWidth, TShowcase::kHeight);
  TShowcase showcase;
  window.SetRoot(&showcase);
  window.Update();
  TDragBoxBt* gate = showcase.Box("Gate");
  int value = 1;
  for (auto _ : state) {
    value = value % 100 + 1;
    gate->SetPageValue(0, value);
    window.Update();
    benchmark::DoNotOptimize(window.Pixel(50, 250));
  }
  const TPoint at = gate->Box()->ClientToWindow({0, 0});
  const TRect box = gate->Box()->ClientRect().Offset(at.x, at.y);
  if (window.LastPresented() != std::vector<TRect>{box}) state.SkipWithError("more than the box was repainted");
  window.SetRoot(nullptr);
}
BENCHMARK(BM_EditorRepaintOneValueBox)->Unit(benchmark::kMicrosecond);

}  // namespace
