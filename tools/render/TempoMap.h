#pragma once
// Exact conversion between MIDI ticks and sample positions through a file's tempo map.
// Times are kept as whole numbers of 1/(division * 1e6 * sampleRate) seconds, so an event
// that falls exactly on a block boundary lands in the same block on every machine.
#include <cstdint>
#include <vector>

#include "platform/MidiFile.h"

class TTempoMap {
 public:
  TTempoMap(int division, const std::vector<TTempoChange>& tempos, int sampleRate);

  int Division() const { return division; }
  int SampleRate() const { return sampleRate; }
  // The sample in which the tick falls (its exact time rounded down).
  int64_t SampleAtTick(int64_t tick) const;
  double SecondsAtTick(int64_t tick) const;
  // The song position at the start of a sample, in ticks, exactly and to the nearest tick
  // (halves to even).
  double TickAtSample(int64_t sample) const;
  int64_t NearestTickAtSample(int64_t sample) const;
  double TempoAtSample(int64_t sample) const;  // beats per minute
  double TempoAtTick(int64_t tick) const;

 private:
  using Wide = __int128;
  struct Segment {
    int64_t tick = 0;
    uint32_t micros = 500000;  // per quarter note
    Wide time = 0;             // sum of ticks * micros before this segment
  };
  const Segment& SegmentAtTick(int64_t tick) const;
  const Segment& SegmentAtSample(int64_t sample) const;
  // The position of a sample inside its segment as a fraction num/den of ticks.
  void TicksIntoSegment(const Segment& s, int64_t sample, Wide& num, Wide& den) const;

  int division;
  int sampleRate;
  std::vector<Segment> segments;
};
