// Meter segments: each starts at a time signature with a whole bar.
#include "tools/render/MeterMap.h"

#include <algorithm>
#include <cstdio>

TMeterMap::TMeterMap(int division, const std::vector<TTimeSignature>& meters) {
  division = std::max(division, 1);
  const auto beatTicksOf = [division](int denominator) {
    return std::max<int64_t>(1, int64_t{division} * 4 / std::clamp(denominator, 1, 64));
  };
  segments.push_back({0, 1, 4, 4, beatTicksOf(4)});
  for (const TTimeSignature& m : meters) {
    Segment& last = segments.back();
    const int64_t tick = std::max<int64_t>(m.tick, last.tick);
    const int beats = std::clamp(m.numerator, 1, 255);
    if (tick == last.tick) {
      last.beats = beats;
      last.denominator = m.denominator;
      last.beatTicks = beatTicksOf(m.denominator);
      continue;
    }
    const int64_t barTicks = last.beats * last.beatTicks;
    const int64_t bar = last.bar + (tick - last.tick + barTicks - 1) / barTicks;
    segments.push_back({tick, bar, beats, m.denominator, beatTicksOf(m.denominator)});
  }
  int64_t longest = 1;
  for (const Segment& s : segments) longest = std::max(longest, s.beatTicks);
  tickDigits = static_cast<int>(std::to_string(longest - 1).size());
}

const TMeterMap::Segment& TMeterMap::SegmentAt(int64_t tick) const {
  auto it = std::upper_bound(segments.begin(), segments.end(), tick,
                             [](int64_t t, const Segment& s) { return t < s.tick; });
  return *(it == segments.begin() ? it : it - 1);
}

TBeatPosition TMeterMap::At(int64_t tick) const {
  const Segment& s = SegmentAt(tick);
  const int64_t into = std::max<int64_t>(tick - s.tick, 0);
  const int64_t barTicks = s.beats * s.beatTicks;
  const int64_t inBar = into % barTicks;
  return {s.bar + into / barTicks, static_cast<int>(inBar / s.beatTicks) + 1, inBar % s.beatTicks};
}

TMeterMap::TSignature TMeterMap::SignatureAt(int64_t tick) const {
  const Segment& s = SegmentAt(tick);
  const int64_t into = std::max<int64_t>(tick - s.tick, 0);
  const int64_t barTicks = s.beats * s.beatTicks;
  return {s.beats, s.denominator, s.tick + into / barTicks * barTicks};
}

double TMeterMap::Bars(int64_t tick) const {
  const Segment& s = SegmentAt(tick);
  const int64_t into = std::max<int64_t>(tick - s.tick, 0);
  const int64_t barTicks = s.beats * s.beatTicks;
  return static_cast<double>(s.bar - 1 + into / barTicks) + static_cast<double>(into % barTicks) / barTicks;
}

std::string TMeterMap::Format(int64_t tick) const {
  const TBeatPosition p = At(tick);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%lld:%d:%0*lld", static_cast<long long>(p.bar), p.beat, tickDigits,
                static_cast<long long>(p.tick));
  return buf;
}
