#pragma once
// Bars and beats through a file's time signatures: "bar:beat:tick" positions and the beat
// grid of the piano roll. A time signature starts a new bar where it stands.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/MidiFile.h"

struct TBeatPosition {
  int64_t bar = 1;   // from 1
  int beat = 1;      // from 1
  int64_t tick = 0;  // ticks into the beat
};

class TMeterMap {
 public:
  TMeterMap(int division, const std::vector<TTimeSignature>& meters);

  TBeatPosition At(int64_t tick) const;
  struct TSignature {
    int numerator = 4;
    int denominator = 4;
    int64_t barStart = 0;  // tick where the bar holding the tick began
  };
  TSignature SignatureAt(int64_t tick) const;
  // Bars from the song start to the tick, the last one in part: 4 bars of 4/4 and a beat is 4.25.
  double Bars(int64_t tick) const;
  // "bar:beat:tick", the tick part padded to the width of the longest beat.
  std::string Format(int64_t tick) const;
  // Every beat from `from` up to `to`, with whether it starts a bar and the bar's number.
  template <typename F> void ForEachBeat(int64_t from, int64_t to, F&& visit) const;

 private:
  struct Segment {
    int64_t tick = 0;
    int64_t bar = 1;
    int beats = 4;
    int denominator = 4;
    int64_t beatTicks = 480;
  };
  const Segment& SegmentAt(int64_t tick) const;

  std::vector<Segment> segments;
  int tickDigits = 3;
};

template <typename F> void TMeterMap::ForEachBeat(int64_t from, int64_t to, F&& visit) const {
  for (size_t i = 0; i < segments.size(); ++i) {
    const Segment& s = segments[i];
    const int64_t end = i + 1 < segments.size() ? segments[i + 1].tick : to;
    const int64_t firstBeat = from > s.tick ? (from - s.tick + s.beatTicks - 1) / s.beatTicks : 0;
    for (int64_t n = firstBeat; s.tick + n * s.beatTicks < std::min(end, to); ++n) {
      const int64_t tick = s.tick + n * s.beatTicks;
      if (tick < from) continue;
      visit(tick, n % s.beats == 0, s.bar + n / s.beats);
    }
    if (end >= to) break;
  }
}
