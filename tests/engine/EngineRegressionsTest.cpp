// Regressions: faults found in review of the engine (notes left sounding, a one-step pattern
// that played once, settings lost by a program shift), each named after what must hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/EditorListenerStub.h"
#include "tests/engine/HandClockEngine.h"

namespace {

// A host stand-in: a transport the test moves by hand and a record of every note on and off.
struct EngineRig : THandClockEngine {
  std::array<int, 128> sounding{};  // note-ons minus note-offs per pitch (channel 0 only)
  int noteOns = 0;
  int noteOffs = 0;
  std::string beatText = "?";
  std::string stepText = "?";
  // The status panel's texts as an editor would receive them.
  struct StatusWatch : TEditorListenerStub {
    EngineRig* rig = nullptr;
    void OnStatusText(const TStatusRecord& status) override {
      rig->beatText = status.Beat.Str();
      rig->stepText = status.Step.Str();
    }
  } statusWatch;

  void Sent(const TMidiOut& m) override {
    if ((m.status & 0xF0) == 0x90) {
      ++sounding[m.data1];
      ++noteOns;
    } else if ((m.status & 0xF0) == 0x80) {
      --sounding[m.data1];
      ++noteOffs;
    }
  }

  EngineRig() {
    statusWatch.rig = this;
    core.SetEditorListener(&statusWatch);
    core.SelectProgram(0);
  }

  // Runs blocks of 512 samples for the given number of seconds, moving the host's position
  // while its transport plays.
  void Run(double seconds) { RunFor(seconds, 512); }

  int SoundingNotes() const {
    int n = 0;
    for (int c : sounding) n += c > 0 ? c : 0;
    return n;
  }
};

// The host chooses chains 1..NumChains; NumChains restored from a bank counts as much as one
// the host wrote.
TEST(EngineRegression, HostWriteOfCurChainUsesNumChainsLoadedFromABank) {
  TPlugCore source;
  source.SelectProgram(0);
  source.SetParamFromEditor(tagNumChains, 16, false);
  const void* bank = nullptr;
  const int size = source.GetChunk(false, &bank);
  std::vector<int8_t> copy(static_cast<const int8_t*>(bank), static_cast<const int8_t*>(bank) + size);

  TPlugCore core;
  core.SetChunk(copy.data(), size, false);
  ASSERT_EQ(core.GetParam(tagNumChains), 16);
  core.SetParamNormalized(tagCurChain, 1.0f);
  EXPECT_EQ(core.GetParam(tagCurChain), 16) << "1.0 selects the last of the NumChains chains";
}

// The status panel's "Beat:" reads "-" once the transport has stopped, also when no note
// was sounding at the moment it stopped.
TEST(EngineRegression, BeatTextClearsWhenTheTransportStopsWithNothingSounding) {
  EngineRig rig;
  rig.core.SetEditorBusy(false);
  rig.time.playing = true;
  rig.Run(1.0);
  rig.core.DeliverChanges();
  ASSERT_NE(rig.beatText, "-") << "the transport plays: the beat is shown";
  rig.time.playing = false;
  rig.Run(0.1);
  rig.core.DeliverChanges();
  EXPECT_EQ(rig.beatText, "-");
  EXPECT_EQ(rig.stepText, "-");
}

// Latched keys that vanish without a key-up (latch switched off, or a program change to an
// unlatched program) must not leave the arpeggiator's last note sounding while the own clock
// plays them with the transport stopped and input quantize on.
TEST(EngineRegression, NoNoteHangsWhenLatchedKeysVanishInFreeRun) {
  struct Case {
    const char* how;
    bool byProgramChange;
  };
  for (const Case c : {Case{"latch switched off", false}, Case{"program change to an unlatched program", true}}) {
    SCOPED_TRACE(c.how);
    EngineRig rig;
    rig.core.SetParamNormalized(tagLatch, 1.0f);
    ASSERT_EQ(rig.core.GetParam(tagInQuantize), 1) << "input quantize \"1 step\" (the default)";
    rig.core.HandleMidiIn(0, 0x90, 60, 100);
    rig.core.HandleMidiIn(0, 0x90, 64, 100);
    rig.Run(0.3);
    rig.core.HandleMidiIn(0, 0x80, 60, 0);
    rig.core.HandleMidiIn(0, 0x80, 64, 0);
    rig.Run(0.37);  // the latched keys go on playing from the own clock
    ASSERT_GT(rig.noteOns, 2);
    ASSERT_GT(rig.SoundingNotes(), 0) << "gate 100 %: a note sounds at any moment";
    if (c.byProgramChange)
      rig.core.HandleMidiIn(0, 0xC0, 5, 0);  // program 6: never used, Latch 0
    else
      rig.core.SetParamNormalized(tagLatch, 0.0f);
    ASSERT_EQ(rig.Probe().KeyFilter().ActiveCount(), 0);
    rig.Run(5.0);
    EXPECT_EQ(rig.SoundingNotes(), 0) << "the note that sounded when the keys went away still sounds";
  }
}

// A one-step pattern: step 0 follows step 0, so the step number never changes. Each step of
// 1/16 at 120 quarter notes per minute (1/8 s) should sound, whether the key or the
// transport came first.
TEST(EngineRegression, OneStepPatternRepeatsItsStep) {
  for (const bool keyFirst : {false, true}) {
    SCOPED_TRACE(keyFirst ? "key before the transport" : "transport before the key");
    EngineRig rig;
    rig.core.SetParamNormalized(tagSteps, 0.0f);  // 1 step
    ASSERT_EQ(rig.core.GetParam(tagSteps), 1);
    if (keyFirst) rig.core.HandleMidiIn(0, 0x90, 60, 100);
    rig.time.playing = true;
    rig.Run(0.2);
    if (!keyFirst) rig.core.HandleMidiIn(0, 0x90, 60, 100);
    rig.Run(1.0);
    EXPECT_GE(rig.noteOns, 6) << "eight steps passed with the key held";
  }
}

// Restart on key with the transport stopped: the own clock starts from 0 at the key, so the
// pattern should start at once, wherever the host's stopped song position happens to be.
TEST(EngineRegression, RestartOnKeyStartsAtOnceWithTheTransportStopped) {
  for (const double parked : {0.0, 37.5}) {
    SCOPED_TRACE("host position parked at " + std::to_string(parked));
    EngineRig rig;
    rig.core.SetParamNormalized(tagRestartOnKey, 1.0f);
    rig.time.ppqPos = parked;
    rig.Run(0.1);
    rig.core.HandleMidiIn(0, 0x90, 60, 100);
    rig.Run(0.1);  // less than one step of 1/16
    EXPECT_EQ(rig.noteOns, 1) << "step 0 plays at the key";
  }
}

// Moving the first program down into a slot that was never used exchanges the live global
// section with that slot's empty copy.
TEST(EngineRegression, ShiftingTheFirstProgramKeepsTheGlobalSettings) {
  TPlugCore core;
  core.SelectProgram(0);
  core.ShiftProgram(+1);
  ASSERT_EQ(core.CurrentProgramIndex(), 1);
  EXPECT_EQ(core.GetParam(tagArpEnabled), 1);
  EXPECT_EQ(core.GetParam(tagMIDIOut_Ch), 1);
  EXPECT_EQ(core.GetParam(tagNumChains), 8);
}

// Host times at the edges of what the engine accepts as sane still give a step of the pattern.
TEST(EngineRegression, ExtremeButAcceptedHostTimeKeepsTheStepInsideThePattern) {
  EngineRig rig;
  rig.time.playing = true;
  rig.time.sampleRate = 1.0;
  rig.time.tempo = 1.0e5;
  rig.time.ppqPos = 0;
  rig.time.samplePos = 1.0e15;
  rig.core.ProcessBlock(512, &rig.time);
  EXPECT_GE(rig.Probe().CurStep(), -1);
  EXPECT_LT(rig.Probe().CurStep(), 16);
  EXPECT_LT(rig.Probe().DisplayStep(), kMaxSteps);
}

// A preset file written by a writer that stores every four-character code byte-reversed:
// the reversed magic is accepted, so the reversed identifier and type are this plug-in's.
TEST(EngineRegression, FullyByteReversedProgramFileIsRead) {
  TPlugCore source;
  source.SelectProgram(0);
  source.SetParamFromEditor(tagSteps, 7, false);
  auto image = source.BuildFxp();
  std::vector<uint8_t> file(image.begin(), image.end());
  for (int offset : {0, 8, 16}) std::reverse(file.begin() + offset, file.begin() + offset + 4);
  ASSERT_EQ(std::memcmp(file.data(), "KncC", 4), 0);
  TPlugCore core;
  EXPECT_TRUE(core.ApplyFxp(file.data(), file.size()).ok) << core.ApplyFxp(file.data(), file.size()).message;
  EXPECT_EQ(core.GetParam(tagSteps), 7);
}

}  // namespace
