// The real-time path through the LV2 bundle, as a host's audio thread runs it, under the same
// load as BM_ProcessBlock of tests/bench/BlockBench.cpp measures through VST 2.x: one block of 64
// or 4096 frames at 48 kHz with eight keys held, "1/48" and a 64-step pattern of chord steps, the
// transport playing at 120 quarter notes a minute or with a step in every 64 frames; with input,
// a modulation wheel and a pitch bend moving inside every block. The host tells the position
// once; the plug-in moves it on itself. With a position told inside every block, the block is
// split there.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "tests/lv2/Lv2Session.h"

namespace {

constexpr double kRate = 48000;

void BM_Lv2ProcessBlock(benchmark::State& state) {
  const auto tempo = static_cast<double>(state.range(0));
  const int frames = static_cast<int>(state.range(1));
  const bool input = state.range(2) == 1, retell = state.range(2) == 2;
  lv2host::Host host;
  if (!host.Start(kRate, 4096)) {
    state.SkipWithError(host.LastError().c_str());
    return;
  }
  host.RestoreProperties({lv2test::BankProperty([](TPlugin& p) {
    lv2test::Set(p, tagSync, 0);
    lv2test::Set(p, tagSteps, 64);
    for (int step = 0; step < kMaxSteps; ++step) lv2test::Set(p, tagKey_select + step, 6);
  })});
  host.SendPosition(0, lv2test::PositionAt(0, kRate, tempo, true));
  for (int key : {48, 52, 55, 59, 62, 65, 69, 72}) host.SendMidi(0, {0x90, static_cast<uint8_t>(key), 100});
  for (int i = 0; i < 64000 / frames; ++i) host.RunBlockUncounted(static_cast<uint32_t>(frames));
  // Told again inside every block: the tempo and speed alone, which leave the song position as
  // it is (built once, so that the host's own work stays out of the figure).
  lv2host::Position again;
  again.bpm = tempo;
  again.speed = 1;
  const std::vector<uint8_t> retold = host.PositionBody(again);
  const LV2_URID object = host.Map(LV2_ATOM__Object);
  const std::vector<uint8_t> wheel = {0xB0, 1, 64}, bend = {0xE0, 0, 70}, wheelAgain = {0xB0, 1, 65};
  const long before = host.EventsOutCounted();
  for (auto _ : state) {
    if (input) {
      host.SendMidi(frames / 9, wheel);
      host.SendMidi(frames / 2, bend);
      host.SendMidi(frames * 4 / 5, wheelAgain);
    }
    if (retell) host.SendAtom(frames / 2, object, retold);
    host.RunBlockUncounted(static_cast<uint32_t>(frames));
  }
  state.counters["events_out_per_block"] =
      benchmark::Counter(static_cast<double>(host.EventsOutCounted() - before), benchmark::Counter::kAvgIterations);
  state.SetLabel(std::to_string(frames) + " frames, " + (tempo == 120 ? "120 bpm" : "a step in every 64 frames") +
                 (input ? ", 3 messages inside" : "") + (retell ? ", a position inside" : ""));
}
BENCHMARK(BM_Lv2ProcessBlock)
    ->Args({120, 64, 0})
    ->Args({3750, 64, 0})
    ->Args({120, 4096, 0})
    ->Args({120, 64, 1})
    ->Args({3750, 64, 1})
    ->Args({120, 64, 2})
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

}  // namespace
