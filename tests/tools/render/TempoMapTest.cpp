// Tick and sample positions through tempo maps, exact at block boundaries.
#include <gtest/gtest.h>

#include "tools/render/TempoMap.h"

namespace {

struct TickCase {
  const char* name;
  int division;
  std::vector<TTempoChange> tempos;
  int sampleRate;
  int64_t tick;
  int64_t sample;
};

TEST(TempoMap, TicksToSamplesRoundDown) {
  const TickCase cases[] = {
      {"default tempo is 120 bpm", 480, {}, 44100, 480, 22050},
      {"a tick inside a sample rounds down", 480, {}, 44100, 1, 45},
      {"exact sample on a boundary stays", 96, {{0, 500000}}, 48000, 3, 750},
      {"after a slower tempo", 480, {{960, 1000000}}, 44100, 1440, 88200},
      {"the last change at a tick wins", 480, {{0, 250000}, {0, 1000000}}, 44100, 480, 44100},
  };
  for (const TickCase& c : cases) {
    const TTempoMap map(c.division, c.tempos, c.sampleRate);
    EXPECT_EQ(map.SampleAtTick(c.tick), c.sample) << c.name;
    // Going back from a sample that starts exactly on the tick gives the tick.
    if (map.TickAtSample(c.sample) == static_cast<double>(c.tick)) {
      EXPECT_EQ(map.NearestTickAtSample(c.sample), c.tick) << c.name;
    }
  }
}

TEST(TempoMap, SamplesToTicksAcrossTempoChanges) {
  // 120 bpm for two quarters (1 s), then 60 bpm.
  const TTempoMap map(480, {{960, 1000000}}, 8000);
  EXPECT_DOUBLE_EQ(map.TickAtSample(0), 0.0);
  EXPECT_DOUBLE_EQ(map.TickAtSample(4000), 480.0);
  EXPECT_DOUBLE_EQ(map.TickAtSample(8000), 960.0);   // the change itself
  EXPECT_DOUBLE_EQ(map.TickAtSample(12000), 1200.0);  // half a second at 60 bpm
  EXPECT_DOUBLE_EQ(map.TempoAtSample(7999), 120.0);
  EXPECT_DOUBLE_EQ(map.TempoAtSample(8000), 60.0);
  EXPECT_DOUBLE_EQ(map.TempoAtTick(959), 120.0);
  EXPECT_DOUBLE_EQ(map.SecondsAtTick(1440), 2.0);
}

TEST(TempoMap, NearestTickRoundsHalvesToEven) {
  // One tick per second at 8000 Hz: sample 4000 is half a tick.
  const TTempoMap map(1, {{0, 1000000}}, 8000);
  const std::pair<int64_t, int64_t> cases[] = {{3999, 0}, {4000, 0}, {4001, 1}, {12000, 2}, {20000, 2}, {20001, 3}};
  for (auto [sample, tick] : cases) EXPECT_EQ(map.NearestTickAtSample(sample), tick) << "sample " << sample;
}

TEST(TempoMap, LongSongsStayExact) {
  // Ten hours at 44.1 kHz in 96 ticks per quarter at 100 bpm: no drift at the end.
  const TTempoMap map(96, {{0, 600000}}, 44100);
  const int64_t tick = 96LL * 100 * 60 * 10;  // 60000 quarters
  EXPECT_EQ(map.SampleAtTick(tick), 44100LL * 3600 * 10);
  EXPECT_EQ(map.NearestTickAtSample(44100LL * 3600 * 10), tick);
}

}  // namespace
