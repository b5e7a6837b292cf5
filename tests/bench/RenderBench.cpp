// moltrin-render's speed: a ten-minute song at 44.1 kHz in blocks of 64 frames, played
// through the real module and written as a MIDI file. Held chords change every bar, so the
// arpeggiator plays throughout.
#include <benchmark/benchmark.h>

#ifdef MOLTRIN_RENDER_BENCH
#include "platform/MidiFile.h"
#include "tools/common/ToolError.h"
#include "tools/render/Options.h"
#include "tools/render/PluginSetup.h"
#include "tools/render/Renderer.h"

namespace {

TMidiSong TenMinuteSong() {
  TMidiSong song;
  song.division = 480;
  song.tempos = {{0, 500000}};  // 120 bpm: 300 bars of 4/4
  const uint8_t chords[4][4] = {{48, 60, 64, 67}, {45, 57, 60, 64}, {41, 53, 57, 60}, {43, 55, 59, 62}};
  for (int bar = 0; bar < 300; ++bar) {
    const int64_t start = int64_t{bar} * 1920;
    for (uint8_t key : chords[bar % 4]) song.events.push_back({start, {0x90, key, 100}, 3});
    for (uint8_t key : chords[bar % 4]) song.events.push_back({start + 1900, {0x80, key, 0}, 3});
  }
  song.endTick = 300 * 1920;
  return song;
}

void BM_RenderTenMinutes(benchmark::State& state) {
  const TMidiSong song = TenMinuteSong();
  TRenderSettings settings;
  settings.sampleRate = 44100;
  settings.blockSize = 64;
  settings.tailSeconds = 2;
  try {
    const TPluginModule module(MOLTRIN_MODULE_PATH);
    size_t events = 0;
    for (auto _ : state) {
      THostedPlugin plugin(module, settings.sampleRate, settings.blockSize);
      SetUpPlugin(plugin, TRenderOptions{});
      const TRenderResult result = RenderSong(song, plugin, settings);
      const std::vector<uint8_t> file = BuildMidiFile(song.division, song.tempos, song.meters, {{"Moltrin", result.output}});
      benchmark::DoNotOptimize(file.data());
      events = result.sent.size();
    }
    state.counters["events_sent"] = static_cast<double>(events);
    state.counters["blocks"] = static_cast<double>(600 * 44100 / 64);
  } catch (const TToolError& e) {
    state.SkipWithError(e.what());
  }
}
BENCHMARK(BM_RenderTenMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
#endif
