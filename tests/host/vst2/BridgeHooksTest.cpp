// The VST 2.x bridge, driven from the engine's side: what the engine asks of the format, the
// host's time it takes for a block, and the list of events it hands the host.
#include <gtest/gtest.h>

#include <vector>

#include "engine/EngineProbe.h"
#include "tests/host/vst2/InProcess.h"

using inprocess::LinkedEntry;
using inprocess::PluginOf;
using vst2host::Host;

namespace {

class BridgeHooks : public testing::Test {
 protected:
  void SetUp() override {
    fx = host.Start();
    ASSERT_NE(fx, nullptr);
    host.SetProgram(0);
    core = &inprocess::EngineOf(fx);
    host.ClearRecords();
  }

  Host host{LinkedEntry};
  AEffect* fx = nullptr;
  TPlugCore* core = nullptr;
};

}  // namespace

TEST_F(BridgeHooks, EditorChangesBelow256AreAutomation) {
  core->SetParamFromEditor(211, 50, true);  // Gate 50 of 1..100
  auto automation = host.Automations();
  ASSERT_EQ(automation.size(), 1u);
  EXPECT_EQ(automation[0].index, 211);
  EXPECT_FLOAT_EQ(automation[0].value, 49.0f / 99.0f);
  EXPECT_EQ(host.ParamDisplay(211), "50") << "the host's echo stores nothing else";

  host.ClearRecords();
  core->SetParamFromEditor(300, 1, true);  // an Octave step: not automatable
  EXPECT_TRUE(host.Automations().empty());
  EXPECT_TRUE(host.Callbacks().empty()) << "no host call at all for step tags";
  EXPECT_EQ(host.ParamDisplay(300), "1");
}

TEST_F(BridgeHooks, ProgramListChangeUpdatesTheHostDisplay) {
  core->NotifyProgramList();
  EXPECT_EQ(host.UpdateDisplays(), 1);
}

// A known fault: the song position was ppqPos + cycleStartPos, so a host looping from bar 2
// shifted the whole pattern. The position is ppqPos alone.
TEST_F(BridgeHooks, PositionIsPpqAloneNotPlusCycleStart) {
  host.transport.ppq = 8.0;
  host.transport.cycleStart = 4.0;
  host.transport.cycleEnd = 12.0;
  host.transport.extraFlags = kVstTransportCycleActive;
  host.transport.playing = true;
  host.RunBlock(1);
  EXPECT_FLOAT_EQ(TEngineProbe(*core).SongPosition(), 8.0f);
}

TEST_F(BridgeHooks, TimeInfoCopiesTheHostsTransport) {
  host.transport = {};
  host.transport.ppq = 3.5;
  host.transport.tempo = 97.0;
  host.transport.sampleRate = 48000.0;
  host.transport.samplePos = 123456.0;
  host.transport.playing = true;
  host.RunBlock(0);  // fills the host's record
  const THostTime* time = PluginOf(fx).TakeHostTime();
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(time->ppqPos, 3.5);
  EXPECT_EQ(time->tempo, 97.0);
  EXPECT_EQ(time->sampleRate, 48000.0);
  EXPECT_EQ(time->samplePos, 123456.0);
  EXPECT_TRUE(time->playing);

  host.transport.available = false;
  EXPECT_EQ(PluginOf(fx).TakeHostTime(), nullptr) << "a host without time answers null";
}

TEST_F(BridgeHooks, TransportStartIsSeenOnce) {
  host.transport.playing = true;
  host.RunBlock(512);
  const TEngineProbe probe(*core);
  EXPECT_TRUE(probe.Playing());
  EXPECT_FALSE(probe.PrevPlaying());
  EXPECT_TRUE(probe.TransportChanged());
  host.RunBlock(512);
  EXPECT_TRUE(probe.Playing());
  EXPECT_FALSE(probe.TransportChanged());
}

TEST_F(BridgeHooks, AtMost2047EventsPerBlock) {
  std::vector<TMidiOut> sent;
  for (int i = 0; i < 3000; ++i) sent.push_back({0, 0x93, static_cast<uint8_t>(i % 128), 100});
  host.RunBlock(0);  // sets up the host's side of the block
  host.ClearRecords();
  PluginOf(fx).SendToHost(sent);
  auto out = host.MidiOutEvents();
  ASSERT_EQ(out.size(), 2047u);
  EXPECT_EQ(host.ProcessEventsCalls(), 1);
  for (size_t i = 0; i < out.size(); ++i) {
    ASSERT_EQ(out[i].bytes[0], 0x93) << i;
    ASSERT_EQ(out[i].bytes[1], i % 128) << i;
    ASSERT_TRUE(out[i].wellFormed) << i;
  }
  host.ClearRecords();
  host.RunBlock(512);
  EXPECT_EQ(host.ProcessEventsCalls(), 0) << "the next block starts with an empty queue";
}

TEST_F(BridgeHooks, QueueIsClearedWhateverTheHostAnswers) {
  host.processEventsAnswer = 0;
  core->SendEditorMidi(0xB0, 0, 7, 100);
  host.RunBlock(512);
  host.RunBlock(512);
  EXPECT_EQ(host.MidiOutEvents().size(), 1u);
}
