// The seams between the engine's mends and the way a host and a musician use it: restart on
// key across a transport start, a chain's new program, thru notes held many times, a page the
// pattern covers in part, host values at the edges, chunk buffers, and the state with no
// current program or with an emptied one.
#include <cmath>
#include <cstring>
#include <string>
#include <limits>
#include <vector>

#include "tests/binary/ArpScript.h"

namespace {

using arp::BlockAt;
using arp::Note;
using arp::Script;
using vst2host::Host;

constexpr int kBlock = 64;
constexpr double kSamplesPerSixteenth = 5512.5;

void MarkSteps(Script& s, int steps, int base) {
  for (int i = 0; i < steps; ++i) s.Set(tagVelocity + i, base + i);
}

TEST(Seams, RestartOnKeyStartsThePatternWhereTheTransportStarts) {
  // Latched while the host is parked at beat 9, then played from there: step 0 falls where the
  // transport starts, with input quantize "none" and "1 beat" alike.
  for (int quantize : {0, 5}) {
    Script s(kBlock);
    ASSERT_NE(s.fx, nullptr) << s.host.LastError();
    s.host.transport.ppq = 9.0;
    s.host.transport.samplePos = 9.0 * 22050;
    s.Set(tagRestartOnKey, 1);
    s.Set(tagInQuantize, quantize);
    s.Set(tagLatch, 1);
    MarkSteps(s, 16, 10);
    s.Keys({60});
    s.Release({60});
    s.Run(8);  // the own clock plays while the transport is parked
    s.Clear();
    const int start = s.Block();
    s.Play(BlockAt(2.5 * kSamplesPerSixteenth, kBlock));
    const auto ons = s.NoteOns();
    ASSERT_GE(ons.size(), 3u) << "quantize " << quantize;
    EXPECT_EQ(ons[0].velocity, 10) << "step 0 on the start, quantize " << quantize;
    EXPECT_EQ(ons[0].block, start);
    EXPECT_EQ(ons[0].frame, 0);
    EXPECT_EQ(ons[1].velocity, 11);
    EXPECT_EQ(ons[2].velocity, 12);
  }
}

TEST(Seams, TheFirstStepAfterPlayIsTheStepAtTheStartPosition) {
  // A latched key plays on the own clock while the host is parked at beat 9 (step 36, step 4 of
  // the pattern); Play is pressed whichever step the own clock is on. The first note after Play
  // is the step at the start position, on the first frame: step 4 with restart on "beat", the
  // pattern's step 0 with restart on "key".
  constexpr int kParked = 256;
  for (int restart : {0, 1}) {
    for (int ownStep = 0; ownStep < 16; ++ownStep) {
      Script s(kParked);
      ASSERT_NE(s.fx, nullptr) << s.host.LastError();
      s.host.transport.ppq = 9.0;
      s.host.transport.samplePos = 9.0 * 22050;
      s.Set(tagRestartOnKey, restart);
      s.Set(tagLatch, 1);
      MarkSteps(s, 16, 10);
      s.Keys({60});
      s.Release({60});
      // The own clock runs 512 samples behind; park until it is well inside step `ownStep`.
      s.Run(BlockAt(512 + (ownStep + 0.4) * kSamplesPerSixteenth, kParked));
      ASSERT_EQ(s.OnVelocities().back(), 10 + ownStep) << "the own clock is on step " << ownStep;
      s.Clear();
      const int start = s.Block();
      s.Play(4);
      const auto ons = s.NoteOns();
      const std::string what = "restart " + std::to_string(restart) + ", own clock on step " + std::to_string(ownStep);
      ASSERT_FALSE(ons.empty()) << what;
      EXPECT_EQ(ons[0].velocity, restart == 1 ? 10 : 14) << what;
      EXPECT_EQ(ons[0].block, start) << what;
      EXPECT_EQ(ons[0].frame, 0) << what;
    }
  }
}

TEST(Seams, AChainsNewProgramPlaysItsFirstStepWithItsOwnSettings) {
  // Program 1 at gate 100, program 2 at gate 10, chained; blocks of 512 frames, so that the
  // change falls inside a block. Every note of program 2 lasts a tenth of a step.
  Script s(512);
  ASSERT_NE(s.fx, nullptr) << s.host.LastError();
  for (int program : {0, 1}) {
    s.host.SetProgram(program);
    s.Set(tagSteps, 4);
    s.Set(tagGate, program == 0 ? 100 : 10);
    for (int step = 0; step < 4; ++step) s.Set(tagVelocity + step, program == 0 ? 30 : 50);
  }
  s.host.SetProgram(0);
  s.host.SetParam(tagCurChain, 1.0f / 8.0f);  // chain 1, in force from the next block
  s.Run(1);
  s.Set(tagChainProg + 0, 1);
  s.Set(tagChainProg + 1, 2);
  s.Keys({60});
  s.Play(BlockAt(16.5 * kSamplesPerSixteenth, 512));
  const auto notes = s.Notes();
  int programTwoNotes = 0;
  for (size_t i = 0; i < notes.size(); ++i) {
    if (!notes[i].on || notes[i].velocity != 50) continue;
    for (size_t j = i + 1; j < notes.size(); ++j) {
      if (notes[j].on || notes[j].pitch != notes[i].pitch) continue;
      EXPECT_NEAR(s.Sample(notes[j]) - s.Sample(notes[i]), 0.1 * kSamplesPerSixteenth, 1.5)
          << "note " << programTwoNotes << " of program 2";
      break;
    }
    ++programTwoNotes;
  }
  EXPECT_GE(programTwoNotes, 8) << "program 2 played in two of the four pattern cycles";
}

// One key held on several channels is one key, known by its note: its first note-off lets it
// go however often it was struck, and its thru note ends.
TEST(Seams, AThruNoteEndsWithTheKeysFirstReleaseHoweverManyHoldsThereAre) {
  struct Case {
    const char* what;
    std::vector<int> channels;  // one hold per entry
  };
  std::vector<int> everyChannelTwice;
  for (int channel = 0; channel < 16; ++channel) everyChannelTwice.insert(everyChannelTwice.end(), {channel, channel});
  const Case cases[] = {
      {"five channels", {0, 1, 2, 3, 4}},
      {"six holds on one channel", {3, 3, 3, 3, 3, 3}},
      {"every channel twice", everyChannelTwice},
  };
  for (const Case& c : cases) {
    Script s(kBlock);
    ASSERT_NE(s.fx, nullptr) << s.host.LastError();
    s.Set(tagArpEnabled, 0);
    s.Run(1);
    for (int channel : c.channels) {
      s.host.SendMidi({vst2host::NoteOn(channel, 60, 100)});
      s.Run(1);
    }
    EXPECT_EQ(s.NoteOns().size(), 1u) << c.what;
    for (size_t i = 0; i < c.channels.size(); ++i) {
      s.host.SendMidi({vst2host::NoteOff(c.channels[i], 60)});
      s.Run(1);
      EXPECT_EQ(s.Sounding(), 0) << c.what << ", after release " << i + 1;
    }
  }
}

TEST(Seams, APageLockedPageThePatternCoversInPartPlaysTheCoveredSteps) {
  // 20 steps, the second page locked: steps 16 to 19 play round and round, each for its gate.
  Script s(kBlock);
  ASSERT_NE(s.fx, nullptr) << s.host.LastError();
  s.Set(tagSteps, 20);
  MarkSteps(s, 20, 20);
  s.Set(tagLockPage, 1);
  s.Set(tagSelectedPage, 1);
  s.Keys({60});
  s.Play(BlockAt(12.5 * kSamplesPerSixteenth, kBlock));
  const auto notes = s.Notes();
  std::vector<int> velocities;
  for (size_t i = 0; i + 1 < notes.size(); ++i) {
    if (!notes[i].on) continue;
    velocities.push_back(notes[i].velocity);
    ASSERT_FALSE(notes[i + 1].on) << "note " << velocities.size();
    EXPECT_NEAR(s.Sample(notes[i + 1]) - s.Sample(notes[i]), kSamplesPerSixteenth, 1) << "note " << velocities.size();
  }
  ASSERT_GE(velocities.size(), 12u);
  for (size_t i = 0; i < velocities.size(); ++i) EXPECT_EQ(velocities[i], 36 + static_cast<int>(i % 4)) << i;
}

TEST(Seams, InfinityWrittenToAParameterStoresItsMaximum) {
  const float inf = std::numeric_limits<float>::infinity();
  Host h;
  AEffect* fx = h.Start();
  ASSERT_NE(fx, nullptr) << h.LastError();
  h.SetProgram(0);
  fx->setParameter(fx, tagSteps, inf);
  EXPECT_EQ(h.ParamDisplay(tagSteps), "64");
  for (float ignored : {-inf, std::numeric_limits<float>::quiet_NaN(), -0.5f}) {
    fx->setParameter(fx, tagSteps, ignored);
    EXPECT_EQ(h.ParamDisplay(tagSteps), "64") << ignored;
  }
}

TEST(Seams, AProgramChunkNeverOverwritesTheBankChunkTheHostStillReads) {
  Host h;
  ASSERT_NE(h.Start(), nullptr) << h.LastError();
  h.SetProgram(3);
  void* bank = nullptr;
  const VstIntPtr bankSize = h.Dispatch(effGetChunk, 0, 0, &bank);
  ASSERT_EQ(bankSize, 36864);
  const std::vector<uint8_t> before(static_cast<uint8_t*>(bank), static_cast<uint8_t*>(bank) + bankSize);
  void* program = nullptr;
  ASSERT_EQ(h.Dispatch(effGetChunk, 1, 0, &program), 576);
  EXPECT_NE(program, bank);
  EXPECT_EQ(std::memcmp(bank, before.data(), before.size()), 0) << "the bank chunk changed under the host";
}

// A bank saved by an instance that only ever used its first program: every other record is empty.
std::vector<uint8_t> BankWithOnlyTheFirstProgram(int gate) {
  Host source;
  source.Start();
  source.SetProgram(0);
  source.SetParam(tagGate, static_cast<float>(gate - 1) / 99.0f);
  return source.GetChunk(false);
}

TEST(Seams, AnEmptiedCurrentProgramIsInitialisedAndTheHostTold) {
  Host h;
  ASSERT_NE(h.Start(), nullptr) << h.LastError();
  h.SetProgram(5);
  h.SetParam(tagGate, 29 / 99.0f);  // 30 %
  h.ClearRecords();
  ASSERT_EQ(h.SetChunk(BankWithOnlyTheFirstProgram(70), false), 36864);
  EXPECT_EQ(h.Program(), 5);
  EXPECT_GE(h.UpdateDisplays(), 1) << "the host is told";
  // What the host reads is what a chunk saves now: the defaults, program 5 initialised.
  EXPECT_EQ(h.ParamDisplay(tagSteps), "16");
  EXPECT_EQ(h.ParamDisplay(tagGate), "100");
  EXPECT_EQ(h.ProgramName(), "Program 6");
  const std::vector<uint8_t> program = h.GetChunk(true);
  EXPECT_EQ(program[tagSteps], 16);
  EXPECT_EQ(program[tagGate], 100);
  // Writes are stored and heard; writing Steps leaves the other settings as they are.
  h.SetParam(tagGate, 49 / 99.0f);
  h.SetParam(tagSteps, 7 / 63.0f);
  EXPECT_EQ(h.ParamDisplay(tagGate), "50");
  EXPECT_EQ(h.ParamDisplay(tagSteps), "8");
  EXPECT_EQ(h.ParamDisplay(tagVelocity), "96");
  h.SendMidi({vst2host::NoteOn(0, 60, 100)});
  h.PlayBlocks(100, 64);
  bool played = false;
  for (const vst2host::MidiOut& m : h.MidiOutEvents()) played |= m.IsNoteOn();
  EXPECT_TRUE(played);
}

TEST(Seams, SavingAFreshInstanceSelectsNothing) {
  Host h;
  ASSERT_NE(h.Start(), nullptr) << h.LastError();
  ASSERT_EQ(h.Program(), -1);
  const std::vector<uint8_t> bank = h.GetChunk(false);
  ASSERT_EQ(bank.size(), 36864u);
  EXPECT_EQ(h.Program(), -1) << "saving selected a program";
  // The bank holds the first program as its first selection makes it, so that it loads and
  // saves again as it was saved; the other programs are empty.
  for (size_t i = 576; i < bank.size(); ++i) {
    if (i % 576 < kFirstProgramTag) continue;
    ASSERT_EQ(bank[i], 0) << "byte " << i << " of a fresh bank";
  }
  const std::vector<uint8_t> program = h.GetChunk(true);
  EXPECT_EQ(h.Program(), -1) << "saving selected a program";
  EXPECT_EQ(std::vector<uint8_t>(bank.begin(), bank.begin() + 576), program) << "the bank's first program";
  // The program chunk holds what the host reads.
  ASSERT_EQ(program.size(), 576u);
  for (int tag : std::initializer_list<int>{tagMIDIOut_Ch, tagArpEnabled, tagSteps, tagGate, tagSync, tagVelocity + 3,
                                            tagStep_mode + 60})
    EXPECT_EQ(ValueText(tag, static_cast<int8_t>(program[tag])), h.ParamDisplay(tag)) << "tag " << tag;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&program[tagProgName + 1]), program[tagProgName]), "Program 1");
  EXPECT_EQ(h.GetChunk(false), bank) << "the bank chunk is the same after the program chunk";
}

TEST(Seams, ABankRestoredBeforeAnyProgramSelectsTheOneItNames) {
  struct Case {
    int named;  // the program the bank's settings name (tag 8)
    int selected;
  };
  for (const Case& c : {Case{7, 7}, Case{70, 0}, Case{-3, 0}}) {
    Host source;
    source.Start();
    source.SetProgram(7);
    std::vector<uint8_t> bank = source.GetChunk(false);
    bank[tagCurProgram] = static_cast<uint8_t>(c.named);

    Host h;
    ASSERT_NE(h.Start(), nullptr) << h.LastError();
    ASSERT_EQ(h.SetChunk(bank, false), 36864);
    EXPECT_EQ(h.Program(), c.selected) << "named " << c.named;
    EXPECT_GE(h.UpdateDisplays(), 1) << "the host is told";
    h.RunBlocks(2, 64);
    EXPECT_EQ(h.Program(), c.selected) << "no switch on the first block";
  }
}

}  // namespace
