// Chord detection, as a key-down runs it on the audio thread: a close triad, and seven keys of
// a seventh chord spread over three octaves with doublings.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/Chords.h"

namespace {

void BM_DetectChord(benchmark::State& state, std::vector<int> notes) {
  TKeyPool pool;
  for (int note : notes) pool.AddKeySorted(MakeKey(note, 100));
  TDetectedChord chord;
  for (auto _ : state) {
    chord = DetectChord(pool, chord);
    benchmark::DoNotOptimize(chord);
  }
}

BENCHMARK_CAPTURE(BM_DetectChord, close_triad, std::vector<int>{60, 64, 67});
BENCHMARK_CAPTURE(BM_DetectChord, seven_keys_spread, std::vector<int>{43, 55, 62, 65, 71, 74, 79});
BENCHMARK_CAPTURE(BM_DetectChord, seven_keys_no_chord, std::vector<int>{60, 61, 62, 63, 64, 65, 66});

}  // namespace
