// The block loop, played against the echo plug-in: which block an event reaches, the time
// the host reports, and the order in which the set-up reaches the plug-in.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "engine/ParamNames.h"
#include "tests/tools/render/RenderTestSupport.h"
#include "tools/render/PluginSetup.h"
#include "tools/render/Renderer.h"

namespace {

class RenderWithEcho : public ::testing::Test {
 protected:
  TRenderResult Render(const TMidiSong& song, TRenderSettings settings) {
    THostedPlugin plugin(module, settings.sampleRate, settings.blockSize);
    return RenderSong(song, plugin, settings);
  }
  // The events the plug-in echoed back (channels 1..15), with their samples.
  static std::vector<TSentEvent> Echoes(const TRenderResult& r) {
    std::vector<TSentEvent> out;
    for (const TSentEvent& s : r.sent)
      if ((s.data[0] & 0x0F) != 0x0F) out.push_back(s);
    return out;
  }
  static std::vector<TSentEvent> OfStatus(const TRenderResult& r, uint8_t status) {
    std::vector<TSentEvent> out;
    for (const TSentEvent& s : r.sent)
      if (s.data[0] == status) out.push_back(s);
    return out;
  }

  TPluginModule module{EchoPluginPath()};
};

TEST_F(RenderWithEcho, EventsReachThePluginOnTheirFramesInsideTheirBlocks) {
  // 120 bpm, 480 ticks per quarter, 44100 Hz: a quarter is 22050 samples.
  TRenderSettings settings;
  settings.blockSize = 256;
  const TMidiSong song = Song(480, {Msg(0, 0x90, 60, 100), Msg(480, 0x80, 60), Msg(481, 0x91, 62, 90),
                                    Msg(15360, 0x90, 64, 1)});  // tick 15360 = sample 705600 = block 2756.25
  const TRenderResult r = Render(song, settings);
  const std::vector<TSentEvent> echoes = Echoes(r);
  ASSERT_EQ(echoes.size(), 6u);
  const int64_t expected[] = {0, 22050, 22095, 705600};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(echoes[i].sample, expected[i]) << i;
    EXPECT_EQ(echoes[i].data[0], song.events[i].data[0]) << i;
  }
  // The two keys never released are let go where the song ends, at its last event.
  EXPECT_EQ(echoes[4].sample, 705600);
  EXPECT_EQ(echoes[5].sample, 705600);
  EXPECT_EQ(std::vector<int>({echoes[4].data[0], echoes[4].data[1], echoes[5].data[0], echoes[5].data[1]}),
            std::vector<int>({0x80, 64, 0x81, 62}));
}

TEST_F(RenderWithEcho, TheSongLastsUntilItsEndOfTrackWhereKeysStillDownAreLetGo) {
  // A chord pressed at the start, never released, and the end of track two bars on: the
  // keys go up at that end, on its frame, and the tail plays after it.
  TRenderSettings settings;
  settings.blockSize = 100;
  settings.tailSeconds = 0.5;
  TMidiSong song = Song(480, {Msg(0, 0x90, 57, 100), Msg(0, 0x90, 60, 100), Msg(0, 0x90, 64, 100)});
  song.endTick = 8 * 480;  // 4 s
  const TTempoMap map(480, song.tempos, settings.sampleRate);
  EXPECT_EQ(SongEndTick(song), 8 * 480);
  EXPECT_EQ(RenderLength(song, map, settings), 4 * 44100 + 22050);
  const TRenderResult r = Render(song, settings);
  std::vector<int64_t> offs;
  for (const TSentEvent& e : Echoes(r))
    if ((e.data[0] & 0xF0) == 0x80) offs.push_back(e.sample);
  EXPECT_EQ(offs, std::vector<int64_t>(3, 4 * 44100));
  EXPECT_EQ(r.endSample, 4 * 44100 + 22050);

  // An end of track before the last event is no end: the song lasts to that event.
  song.events.push_back(Msg(12 * 480, 0x80, 57));
  EXPECT_EQ(SongEndTick(song), 12 * 480);
}

TEST_F(RenderWithEcho, AnEventOnABlockBoundaryStartsThatBlock) {
  // 96 ticks per quarter at 48 kHz and 120 bpm: a tick is exactly 250 samples.
  TRenderSettings settings;
  settings.sampleRate = 48000;
  settings.blockSize = 250;
  const std::vector<TSentEvent> echoes = Echoes(Render(Song(96, {Msg(7, 0x90, 60, 1), Msg(8, 0x80, 60)}), settings));
  ASSERT_EQ(echoes.size(), 2u);
  EXPECT_EQ(echoes[0].sample, 1750);
}

TEST_F(RenderWithEcho, HandsOverMoreEventsThanOneListHolds) {
  std::vector<TMidiFileEvent> events;
  for (int i = 0; i < 5000; ++i) events.push_back(Msg(0, 0xB0, static_cast<uint8_t>(i % 120), static_cast<uint8_t>(i % 128)));
  const std::vector<TSentEvent> echoes = Echoes(Render(Song(480, events), {}));
  ASSERT_EQ(echoes.size(), 5000u);
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(echoes[static_cast<size_t>(i)].data[2], i % 128) << i;
}

TEST_F(RenderWithEcho, ReportsThePlayingSongPositionAndTempo) {
  // Two quarters at 120 bpm, then 150 bpm: the echo marks the first block of each quarter.
  TRenderSettings settings;
  settings.tailSeconds = 2.0;
  const TMidiSong song = Song(480, {Msg(0, 0x90, 60, 1)}, {{960, 400000}});
  const TTempoMap map(480, song.tempos, settings.sampleRate);
  const TRenderResult r = Render(song, settings);
  const std::vector<TSentEvent> marks = OfStatus(r, 0xAF);
  ASSERT_GE(marks.size(), 4u);
  for (size_t q = 0; q < marks.size(); ++q) {
    EXPECT_EQ(marks[q].data[1], q) << q;
    const int64_t block = marks[q].sample;
    EXPECT_GE(map.TickAtSample(block), 480.0 * q) << q;
    if (block > 0) {
      EXPECT_LT(map.TickAtSample(block - 256), 480.0 * q) << q;
    }
    EXPECT_EQ(marks[q].data[2], q < 2 ? 60 : 75) << q;
  }
  const std::vector<TSentEvent> flags = OfStatus(r, 0xBF);
  ASSERT_GE(flags.size(), 2u);
  EXPECT_EQ(flags[0].data[1], 115);
  EXPECT_EQ(flags[0].data[2], kHostVersion / 100);
  EXPECT_EQ(flags[1].data[1], 114);
  EXPECT_EQ(flags[1].data[2], 7);  // playing, position and tempo valid
}

TEST_F(RenderWithEcho, FreeRunKeepsTheTransportStopped) {
  TRenderSettings settings;
  settings.freeRun = true;
  settings.tailSeconds = 2.0;
  const TRenderResult r = Render(Song(480, {Msg(0, 0x90, 60, 1)}), settings);
  EXPECT_TRUE(OfStatus(r, 0xAF).empty());
  const std::vector<TSentEvent> flags = OfStatus(r, 0xBF);
  ASSERT_GE(flags.size(), 2u);
  EXPECT_EQ(flags[1].data[2], 6);
}

TEST_F(RenderWithEcho, PlaysTheTailAfterTheLastEventAndStopsThere) {
  TRenderSettings settings;
  settings.blockSize = 100;
  settings.tailSeconds = 0.5;
  const TMidiSong song = Song(480, {Msg(900, 0x90, 60, 1), Msg(960, 0x80, 60)});  // ends at 1 s
  const TTempoMap map(480, song.tempos, settings.sampleRate);
  EXPECT_EQ(RenderLength(song, map, settings), 44100 + 22050);
  const TRenderResult r = Render(song, settings);
  EXPECT_EQ(r.endSample, 66150);  // where the tail ends, inside the last block
  EXPECT_EQ(r.endTick, map.NearestTickAtSample(66150));

  TRenderSettings noTail = settings;
  noTail.tailSeconds = 0;
  EXPECT_EQ(RenderLength(song, map, noTail), 44101);  // the block holding the event still plays

  const TMidiSong endless = Song(1, {Msg(int64_t{1} << 40, 0x90, 60, 1)}, {{0, 0xFFFFFF}});
  EXPECT_EQ(RenderLength(endless, TTempoMap(1, endless.tempos, 44100), settings), -1);
}

TEST_F(RenderWithEcho, WritesAtTheDivisionAskedFor) {
  // One tick per quarter: a note from quarter 1 to quarter 2 lands on ticks 960 and 1920 of
  // a 960 file, 120 bpm throughout.
  TRenderSettings settings;
  settings.division = 960;
  const TRenderResult r = Render(Song(1, {Msg(1, 0x90, 60, 100), Msg(2, 0x80, 60)}), settings);
  std::vector<int64_t> ticks;
  for (const TMidiFileEvent& e : r.output)
    if ((e.data[0] & 0x0F) != 0x0F) ticks.push_back(e.tick);
  EXPECT_EQ(ticks, (std::vector<int64_t>{960, 1920}));
}

TEST_F(RenderWithEcho, SetsUpBankProgramPresetAndParametersInOrder) {
  const std::string dir = ::testing::TempDir();
  const auto write = [&](const std::string& name, std::vector<uint8_t> bytes) {
    const std::string path = dir + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
  };
  std::vector<uint8_t> bank(160 + 36864, 0);
  std::memcpy(bank.data(), "CcnK", 4);
  std::memcpy(bank.data() + 8, "FBCh", 4);
  std::memcpy(bank.data() + 16, "Kq4v", 4);
  bank[31] = 9;      // current program
  bank[160] = 8;     // format byte of the first record
  std::vector<uint8_t> program(576, 8);

  TRenderOptions o;
  o.bankPath = write("setup.fxb", bank);
  o.presetPath = write("setup.fxp", program);
  o.program = 3;
  o.assignments = {"Steps=8"};
  THostedPlugin plugin(module, 44100, 256);
  SetUpPlugin(plugin, o);
  EXPECT_EQ(ParameterValue(plugin, tagSteps), 8);
  const TRenderResult r = RenderSong(Song(480, {}), plugin, {});

  std::vector<std::vector<int>> seen;
  for (const TSentEvent& s : r.sent) seen.push_back({s.data[0], s.data[1], s.data[2]});
  const std::vector<std::vector<int>> expected{
      {0xBF, 118, 0}, {0xBF, 117, 64}, {0xBF, 116, 8},  // the bank
      {0xCF, 9, 0},                                     // its current program
      {0xCF, 2, 0},                                     // --program 3
      {0xBF, 118, 1}, {0xBF, 117, 1}, {0xBF, 116, 8},   // the program file
      {0xEF, tagSteps & 0x7F, tagSteps >> 7}, {0xBF, 119, 14},  // Steps=8: 7/63 of 127
  };
  ASSERT_GE(seen.size(), expected.size());
  EXPECT_EQ(std::vector<std::vector<int>>(seen.begin(), seen.begin() + static_cast<long>(expected.size())), expected);
}

TEST_F(RenderWithEcho, SelectsTheFirstProgramWhenNoneIsChosen) {
  THostedPlugin plugin(module, 44100, 256);
  SetUpPlugin(plugin, TRenderOptions{});
  EXPECT_EQ(plugin.Program(), 0);
  // The echo starts with 16 steps of 1/16: one cycle is four quarters, 2 s at 120 bpm.
  EXPECT_DOUBLE_EQ(PatternCycleSeconds(plugin, 120.0), 2.0);
}

}  // namespace
