// Bar:beat:tick positions through time signatures.
#include <gtest/gtest.h>

#include "tools/render/MeterMap.h"

namespace {

TEST(MeterMap, FormatsPositions) {
  const TMeterMap common(480, {});
  // 3/4 from bar 2 (tick 1920), 6/8 from tick 1920 + 2 * 1440 (bar 4).
  const TMeterMap changing(480, {{1920, 3, 4}, {4800, 6, 8}});
  // A change in the middle of a bar starts a new bar there.
  const TMeterMap midBar(480, {{960, 3, 4}});
  const struct {
    const TMeterMap* map;
    int64_t tick;
    const char* text;
  } cases[] = {
      {&common, 0, "1:1:000"},        {&common, 479, "1:1:479"},      {&common, 480, "1:2:000"},
      {&common, 1920, "2:1:000"},     {&changing, 1919, "1:4:479"},   {&changing, 1920, "2:1:000"},
      {&changing, 3360, "3:1:000"},   {&changing, 4800, "4:1:000"},   {&changing, 4800 + 240, "4:2:000"},
      {&changing, 4800 + 1440, "5:1:000"}, {&midBar, 960, "2:1:000"}, {&midBar, 960 + 1440, "3:1:000"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.map->Format(c.tick), c.text) << "tick " << c.tick;
}

TEST(MeterMap, WalksBeatsAndBars) {
  const TMeterMap map(480, {{1920, 3, 4}});
  std::vector<std::pair<int64_t, int64_t>> bars;
  int beats = 0;
  map.ForEachBeat(0, 1920 + 1440 + 1, [&](int64_t tick, bool barStart, int64_t bar) {
    ++beats;
    if (barStart) bars.push_back({tick, bar});
  });
  EXPECT_EQ(beats, 4 + 3 + 1);
  const std::vector<std::pair<int64_t, int64_t>> expected{{0, 1}, {1920, 2}, {3360, 3}};
  EXPECT_EQ(bars, expected);

  const TMeterMap::TSignature s = map.SignatureAt(1920 + 1440 + 100);
  EXPECT_EQ(s.numerator, 3);
  EXPECT_EQ(s.denominator, 4);
  EXPECT_EQ(s.barStart, 3360);
}

}  // namespace
