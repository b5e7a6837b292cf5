// Tempo segments: each starts at a tempo change and lasts at its tempo until the next.
#include "tools/render/TempoMap.h"

#include <algorithm>

TTempoMap::TTempoMap(int division, const std::vector<TTempoChange>& tempos, int sampleRate)
    : division(std::max(division, 1)), sampleRate(std::max(sampleRate, 1)) {
  segments.push_back({});
  for (const TTempoChange& c : tempos) {
    Segment& last = segments.back();
    const int64_t tick = std::max<int64_t>(c.tick, last.tick);
    const uint32_t micros = std::max<uint32_t>(c.microsPerQuarter, 1);
    if (tick == last.tick) {
      last.micros = micros;  // the last change at a tick wins
      continue;
    }
    segments.push_back({tick, micros, last.time + static_cast<Wide>(tick - last.tick) * last.micros});
  }
}

const TTempoMap::Segment& TTempoMap::SegmentAtTick(int64_t tick) const {
  auto it = std::upper_bound(segments.begin(), segments.end(), tick,
                             [](int64_t t, const Segment& s) { return t < s.tick; });
  return *(it == segments.begin() ? it : it - 1);
}

// Sample s starts at s / sampleRate seconds = s * division * 1e6 / sampleRate time units.
const TTempoMap::Segment& TTempoMap::SegmentAtSample(int64_t sample) const {
  const Wide target = static_cast<Wide>(sample) * division * 1000000;
  auto it = std::upper_bound(segments.begin(), segments.end(), target,
                             [this](Wide t, const Segment& s) { return t < s.time * sampleRate; });
  return *(it == segments.begin() ? it : it - 1);
}

int64_t TTempoMap::SampleAtTick(int64_t tick) const {
  const Segment& s = SegmentAtTick(tick);
  const Wide time = s.time + static_cast<Wide>(tick - s.tick) * s.micros;
  return static_cast<int64_t>(time * sampleRate / (static_cast<Wide>(division) * 1000000));
}

double TTempoMap::SecondsAtTick(int64_t tick) const {
  const Segment& s = SegmentAtTick(tick);
  const Wide time = s.time + static_cast<Wide>(tick - s.tick) * s.micros;
  return static_cast<double>(time) / (static_cast<double>(division) * 1e6);
}

void TTempoMap::TicksIntoSegment(const Segment& s, int64_t sample, Wide& num, Wide& den) const {
  num = static_cast<Wide>(sample) * division * 1000000 - s.time * sampleRate;
  den = static_cast<Wide>(s.micros) * sampleRate;
}

double TTempoMap::TickAtSample(int64_t sample) const {
  const Segment& s = SegmentAtSample(sample);
  Wide num, den;
  TicksIntoSegment(s, sample, num, den);
  return static_cast<double>(s.tick + static_cast<int64_t>(num / den)) +
         static_cast<double>(num % den) / static_cast<double>(den);
}

int64_t TTempoMap::NearestTickAtSample(int64_t sample) const {
  const Segment& s = SegmentAtSample(sample);
  Wide num, den;
  TicksIntoSegment(s, sample, num, den);
  Wide whole = num / den;
  const Wide twice = 2 * (num % den);
  if (twice > den || (twice == den && (whole & 1) != 0)) ++whole;
  return s.tick + static_cast<int64_t>(whole);
}

double TTempoMap::TempoAtSample(int64_t sample) const { return 60e6 / SegmentAtSample(sample).micros; }

double TTempoMap::TempoAtTick(int64_t tick) const { return 60e6 / SegmentAtTick(tick).micros; }
