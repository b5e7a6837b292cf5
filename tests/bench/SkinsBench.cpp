// What a skin file with many sections adds to the editor's first opening: the settings and
// skins read beside the module (LoadSettingsFrom), the form built in a headless window and
// bound to an engine, which fills the skins menu. The scheme chosen is the file's last, so
// every lookup goes to the end of the file. Compare with /0 (no skin file) for the cost the
// file adds. /-1 is the largest file the reader admits (1 MiB) filled with sections, /-2 the
// same size as one section of keys.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "editor/Globals.h"
#include "editor/PlugEditorForm.h"
#include "engine/PlugCore.h"
#include "platform/HeadlessWindow.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr size_t kLargestSkinFile = (1 << 20) - 1;
constexpr int kFillTheLimit = -1, kOneFullSection = -2;

// A skin file of `sections` schemes named "[s1]", "[s2]", .. (kFillTheLimit: as many as fit in
// the largest file admitted; kOneFullSection: one scheme of that size), the last with every
// colour key at its end; the settings choose the last.
void WriteSkinFolder(const TTempFolder& folder, int sections) {
  std::string text;
  int count = 0;
  const auto add = [&] { text.append("[s").append(std::to_string(++count)).append("]\n"); };
  if (sections == kFillTheLimit) {
    while (text.size() + 2048 < kLargestSkinFile) add();
  } else if (sections == kOneFullSection) {
    add();
    for (int key = 0; text.size() + 2048 < kLargestSkinFile; ++key) text.append("k").append(std::to_string(key)).append("=1\n");
  } else {
    while (count < sections) add();
  }
  for (const TSkinKey& key : kSkinKeys) text += std::string(key.name) + "=$123456\n";
  if (count > 0) folder.Write("skins/many.ini", text);
  folder.Write("moltrin.ini", "[SETTINGS]\ngui_scheme=" + std::to_string(count) + "\n");
}

void BM_EditorOpeningWithSkinSections(benchmark::State& state) {
  TTempFolder folder;
  WriteSkinFolder(folder, static_cast<int>(state.range(0)));
  TPlugCore core;
  TPlugCore* engine = &core;
  size_t schemes = 0;
  for (auto _ : state) {
    LoadSettingsFrom(folder.Folder());
    auto form = std::make_unique<TPlugForm>(nullptr, std::make_unique<THeadlessWindow>(gFormWidth, gFormHeight));
    form->Window().Post(kBindEngineMessage, reinterpret_cast<intptr_t>(&engine), 0);
    form->Window().DispatchEvents();
    schemes = SchemeNames().size();
    benchmark::DoNotOptimize(form.get());
  }
  state.counters["schemes"] = static_cast<double>(schemes);
}
BENCHMARK(BM_EditorOpeningWithSkinSections)
    ->Arg(0)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(kFillTheLimit)
    ->Arg(kOneFullSection)
    ->Unit(benchmark::kMillisecond);

}  // namespace
