// Whole patterns through the binary interface with a scripted host clock: on which frame each
// note-on and note-off leaves, for the timing features of the clock. A step or a note's end
// leaves on the first frame at or after the position where it lies (within one frame: positions
// are single precision), in whatever block that frame falls. Beside what each test asserts,
// everything the module sent is held against the list kept in tests/golden/ArpPattern.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/binary/ArpScript.h"

namespace {

using arp::BlockAt;
using arp::FrameAt;
using arp::Note;
using arp::Script;

constexpr int kBlock = 64;
constexpr double kSamplesPerSixteenth = 5512.5;  // 1/16 at 120 quarter notes per minute, 44.1 kHz

// Marks each step by its velocity (base + step) so the order of steps can be read back.
void MarkSteps(Script& s, int steps, int base) {
  for (int i = 0; i < steps; ++i) s.Set(tagVelocity + i, base + i);
}

// The transport starts one block before the key goes down; step 0 has begun by then, so
// the first note is step 1's (a key pressed inside a step waits for the next one).
TEST(ArpPattern, SixteenthsLandOnTheFramesTheirStepsBeginOn) {
  Script s(kBlock);
  ASSERT_NE(s.fx, nullptr) << s.host.LastError();
  s.Set(tagGate, 50);
  MarkSteps(s, 16, 10);
  s.Play(1);
  s.Keys({60});
  s.Play(1400);
  const long rendered = 1401L * kBlock;

  struct Expected {
    long sample;
    int velocity;
    bool on;
  };
  std::vector<Expected> expected;
  for (int k = 1; k <= 16; ++k) {
    expected.push_back({FrameAt(k * kSamplesPerSixteenth), 10 + k % 16, true});
    const long off = FrameAt((k + 0.5) * kSamplesPerSixteenth);
    if (off < rendered) expected.push_back({off, 10 + k % 16, false});
  }
  const auto notes = s.Notes();
  ASSERT_EQ(notes.size(), expected.size());
  for (size_t i = 0; i < notes.size(); ++i) {
    EXPECT_EQ(notes[i].pitch, 60);
    EXPECT_EQ(notes[i].velocity, expected[i].velocity) << i;
    EXPECT_EQ(notes[i].on, expected[i].on) << i;
    EXPECT_NEAR(s.Sample(notes[i]), expected[i].sample, 1) << i;
  }
  EXPECT_TRUE(arp::MatchesGolden(s));
}

TEST(ArpPattern, KeysDownAsTheTransportStartsPlayFromItsFirstBlock) {
  // A host rendering from the song start hands over the first chord before the first block.
  Script s(kBlock);
  s.Keys({60, 64, 67});
  s.Play(2);
  const auto ons = s.NoteOns();
  ASSERT_EQ(ons.size(), 1u);
  EXPECT_EQ(ons[0].block, 0);
  EXPECT_EQ(ons[0].pitch, 60);
  EXPECT_TRUE(arp::MatchesGolden(s));
}

TEST(ArpPattern, SongPositionIgnoresTheLoopStart) {
  // Hosts that loop report the loop start beside the position; the pattern follows ppqPos alone.
  Script plain(kBlock), looping(kBlock);
  looping.host.transport.cycleStart = 4.0;
  looping.host.transport.cycleEnd = 8.0;
  looping.host.transport.extraFlags = 1 << 13;  // cycle active
  for (Script* s : {&plain, &looping}) {
    MarkSteps(*s, 16, 10);
    s->Play(1);
    s->Keys({60});
    s->Play(400);
  }
  EXPECT_EQ(looping.Notes(), plain.Notes());
  EXPECT_TRUE(arp::MatchesGolden(plain));
  EXPECT_TRUE(arp::MatchesGolden(looping));
}

struct SwingCase {
  int swing;
  double oddStepOffset;  // where odd steps begin, in steps, relative to the grid
};

TEST(ArpPattern, SwingMovesEveryOtherStep) {
  for (const SwingCase& c : {SwingCase{50, 0.5}, SwingCase{-50, -0.5}, SwingCase{20, 0.2}}) {
    Script s(kBlock);
    s.Set(tagSwing, c.swing);
    s.Play(1);
    s.Keys({60});
    s.Play(700);  // eight steps
    const auto ons = s.NoteOns();
    ASSERT_EQ(ons.size(), 8u) << "swing " << c.swing;
    for (int k = 1; k < 9; ++k)
      EXPECT_NEAR(s.Sample(ons[k - 1]), FrameAt((k + (k % 2 ? c.oddStepOffset : 0)) * kSamplesPerSixteenth), 1)
          << "swing " << c.swing << ", step " << k;
    EXPECT_TRUE(arp::MatchesGolden(s, (c.swing < 0 ? "swing minus " : "swing plus ") + std::to_string(std::abs(c.swing))));
  }
}

TEST(ArpPattern, ThreePartRatesRepeatOnWholeBeats) {
  // "3/16": a step is three quarters of a beat. 16 steps span 12 beats; 5 steps would span
  // 3.75, so the pattern repeats after 3 beats and its fifth step never plays.
  struct Case {
    int steps;
    std::vector<int> order;
  };
  for (const Case& c : {Case{16, {}}, Case{5, {11, 12, 13, 10, 11, 12, 13}}}) {
    Script s(kBlock);
    s.Set(tagSync, 10);
    s.Set(tagSteps, c.steps);
    MarkSteps(s, c.steps, 10);
    s.Play(1);
    s.Keys({60});
    s.PlayTo(c.steps == 16 ? 23.99 : 5.99);  // up to, not into, the step on beat 24 (6)
    std::vector<int> expected = c.order;
    if (c.steps == 16)
      for (int k = 1; k < 32; ++k) expected.push_back(10 + k % 16);
    EXPECT_EQ(s.OnVelocities(), expected) << c.steps << " steps";
    if (c.steps == 16) {
      const auto ons = s.NoteOns();
      EXPECT_NEAR(s.Sample(ons[15]), 12 * 22050, 1) << "the pattern starts again on beat 12";
    }
    EXPECT_TRUE(arp::MatchesGolden(s, std::to_string(c.steps) + " steps"));
  }
}

TEST(ArpPattern, RestartOnKeySnapsToTheBeat) {
  // Input quantize "1 beat" at 1/16: the restart point is the beat the first key is nearest to
  // (half a gate counts), and nothing plays until the pattern reaches step 0 from there.
  struct Case {
    double keyAt;
    double firstNoteBeat;  // -1: at once
  };
  for (const Case& c : {Case{10.1, -1}, Case{10.6, 11.0}, Case{10.3, 14.0}}) {
    Script s(kBlock);
    s.Set(tagRestartOnKey, 1);
    s.Set(tagInQuantize, 5);
    s.PlayTo(c.keyAt);
    const int keyBlock = s.Block();
    s.Keys({60});
    s.PlayTo(15.0);
    const auto ons = s.NoteOns();
    ASSERT_FALSE(ons.empty()) << c.keyAt;
    const long expected = c.firstNoteBeat < 0 ? keyBlock * kBlock : FrameAt(c.firstNoteBeat * 22050.0);
    EXPECT_NEAR(s.Sample(ons.front()), expected, 1) << "key at beat " << c.keyAt;
    char beat[16];
    std::snprintf(beat, sizeof beat, "%.1f", c.keyAt);
    EXPECT_TRUE(arp::MatchesGolden(s, std::string("key at beat ") + beat));
  }
}

TEST(ArpPattern, PageLockRepeatsTheSelectedPage) {
  Script s(kBlock);
  s.Set(tagSteps, 32);
  MarkSteps(s, 32, 20);
  s.Set(tagLockPage, 1);
  s.Set(tagSelectedPage, 1);
  s.Play(1);
  s.Keys({60});
  s.Play(BlockAt(40 * kSamplesPerSixteenth, kBlock));
  const auto ons = s.NoteOns();
  ASSERT_GE(ons.size(), 36u);
  for (size_t i = 0; i < ons.size(); ++i) EXPECT_EQ(ons[i].velocity, 20 + 16 + static_cast<int>((i + 1) % 16)) << i;
  // The note of step 31 never reaches its end position (32); the wrap back to step 16 ends it.
  for (const Note& n : s.Notes()) {
    if (!n.on && n.velocity == 20 + 31) {
      EXPECT_EQ(n.block, ons[15].block);
      break;
    }
  }
  EXPECT_TRUE(arp::MatchesGolden(s));
}

TEST(ArpPattern, PageLockBeyondThePatternPlaysItsLastPage) {
  Script s(kBlock);
  s.Set(tagSteps, 24);
  MarkSteps(s, 24, 20);
  s.Set(tagLockPage, 1);
  s.Set(tagSelectedPage, 3);
  s.Play(1);
  s.Keys({60});
  s.Play(700);
  const auto ons = s.NoteOns();
  ASSERT_FALSE(ons.empty());
  EXPECT_EQ(ons.front().velocity, 20 + 17) << "page 1 is the last page 24 steps cover";
  EXPECT_TRUE(arp::MatchesGolden(s));
}

TEST(ArpPattern, RestsHoldTheNoteAndTiesOverlapTheNext) {
  struct Case {
    const char* what;
    std::vector<int> modes;
    int gate;
    double firstOff;  // in steps
  };
  for (const Case& c : {Case{"two rests", {1, 2, 2, 1}, 100, 3.0}, Case{"two rests at half gate", {1, 2, 2, 1}, 50, 2.5},
                        Case{"tie", {1, 3, 1, 1}, 100, 1.5}, Case{"last step ignores a tie at step 0", {3, 1, 1, 1}, 40, -1}}) {
    Script s(kBlock);
    s.Set(tagSteps, 4);
    s.Set(tagGate, c.gate);
    for (int i = 0; i < 4; ++i) {
      s.Set(tagStep_mode + i, c.modes[i]);
      s.Set(tagSemitone + i, i);  // a pitch per step
    }
    s.Keys({60});  // before the transport starts, so that step 0 plays
    s.Play(BlockAt(4.2 * kSamplesPerSixteenth, kBlock));
    long firstOff = -1, lastStepOff = -1, lastStepOn = -1;
    for (const Note& n : s.Notes()) {
      if (!n.on && n.pitch == 60 && firstOff < 0) firstOff = s.Sample(n);
      if (n.on && n.pitch == 63) lastStepOn = s.Sample(n);
      if (!n.on && n.pitch == 63) lastStepOff = s.Sample(n);
    }
    if (c.firstOff > 0) {
      EXPECT_NEAR(firstOff, FrameAt(c.firstOff * kSamplesPerSixteenth), 1) << c.what;
    } else {
      ASSERT_GE(lastStepOn, 0);
      EXPECT_NEAR(lastStepOff, FrameAt((3 + c.gate / 100.0) * kSamplesPerSixteenth), 1) << c.what;
    }
    if (c.modes[1] == 3) {
      const auto ons = s.NoteOns();
      ASSERT_GE(ons.size(), 2u);
      EXPECT_LT(s.Sample(ons[1]), firstOff) << "the tied step starts while the first note sounds";
    }
    EXPECT_TRUE(arp::MatchesGolden(s, c.what));
  }
}

TEST(ArpPattern, FreeRunWaitsOneSecondForTheNextKey) {
  constexpr int kOddBlock = 100;  // keeps step starts off block boundaries
  Script s(kOddBlock);
  s.Run(1);
  const int keyBlock = s.Block();
  s.Keys({60});
  // The own clock starts with the key and runs 512 samples behind it.
  auto stepBlock = [&](int k) { return keyBlock + BlockAt(k * kSamplesPerSixteenth + 512, kOddBlock) - 1; };
  s.Run(stepBlock(3) - keyBlock);
  s.Release({60});
  s.Run(200);  // under a second
  s.Keys({64});
  s.Run(stepBlock(12) - s.Block());
  const auto ons = s.NoteOns();
  ASSERT_GE(ons.size(), 4u);
  EXPECT_EQ(ons[0].block, stepBlock(0));
  EXPECT_EQ(ons[1].block, stepBlock(1));
  EXPECT_EQ(ons.back().pitch, 64);
  EXPECT_EQ(ons.back().block, stepBlock(11)) << "the clock kept running through the short wait";

  s.Release({64});
  const int released = s.Block();
  s.Run(BlockAt(1.2 * arp::kSampleRate, kOddBlock));
  EXPECT_EQ(s.Sounding(), 0);
  for (const Note& n : s.NoteOns()) EXPECT_LT(n.block, released + 10);
  EXPECT_TRUE(arp::MatchesGolden(s));
}

TEST(ArpPattern, ChainAdvancesThroughItsProgramsOnEachWrap) {
  Script s(kBlock);
  // Programs 3, 5 and 7 with a mark on their first step.
  for (int program : {2, 4, 6}) {
    s.host.SetProgram(program);
    s.Set(tagVelocity, 30 + program);
  }
  s.host.SetProgram(0);
  auto chooseChain = [&](int chain) {
    s.host.SetParam(tagCurChain, chain / 8.0f);  // the host's range of CurChain is 0..NumChains
    s.Run(1);
  };
  chooseChain(1);
  s.Set(tagChainProg + 0, 3);
  s.Set(tagChainProg + 1, 5);
  s.Set(tagChainProg + 3, 7);
  chooseChain(2);
  chooseChain(1);  // switching again selects the chain's first program
  s.Keys({60});
  std::vector<int> programs;
  for (int b = 0; b < BlockAt(16 * 4.5 * kSamplesPerSixteenth, kBlock); ++b) {
    s.Play(1);
    const int p = static_cast<int>(s.host.Program());
    if (programs.empty() || programs.back() != p) programs.push_back(p);
  }
  EXPECT_EQ(programs, (std::vector<int>{2, 4, 6, 2, 4}));
  std::vector<int> stepZero;
  for (const Note& n : s.NoteOns())
    if (n.velocity >= 32 && n.velocity <= 36) stepZero.push_back(n.velocity - 30);
  EXPECT_EQ(stepZero, (std::vector<int>{2, 4, 6, 2, 4}));
  EXPECT_TRUE(arp::MatchesGolden(s));
}

TEST(ArpPattern, ThruNotesFollowScaleRangeAndTranspose) {
  Script s(kBlock);
  s.Set(tagArpEnabled, 0);
  s.Set(tagForceScale_Key, 1);  // C
  s.Set(tagForceScale, 3);      // minor
  s.Run(1);
  s.Keys({64, 66});
  s.Run(1);
  EXPECT_EQ(s.OnPitches(), (std::vector<int>{63, 67}));
  EXPECT_TRUE(arp::MatchesGolden(s, "scale"));

  Script r(kBlock);
  r.Set(tagArpEnabled, 0);
  r.Set(tagOutRange_Low, 60);
  r.Set(tagOutRange_High, 64);
  r.Run(1);
  r.Keys({50});
  r.Run(1);
  EXPECT_EQ(r.OnPitches(), (std::vector<int>{62}));
  EXPECT_TRUE(arp::MatchesGolden(r, "range"));
}

TEST(ArpPattern, ThruNoteOffReleasesWhatItsNoteOnSent) {
  // Transpose and output channel change while the key is held: the release still ends the
  // pitch that sounds, on the channel it went out on.
  Script s(kBlock);
  s.Set(tagArpEnabled, 0);
  s.Run(1);  // switching the arpeggiator releases everything once
  s.Keys({60});
  s.Run(1);
  s.Set(tagMTransp_semi, 2);
  s.Set(tagMIDIOut_Ch, 5);
  s.Set(tagMIDIThruOn, 0);
  s.Release({60});
  s.Run(1);
  EXPECT_EQ(s.Notes(), (std::vector<Note>{{1, 60, 100, true, 0}, {2, 60, 0, false, 0}}));
  EXPECT_TRUE(arp::MatchesGolden(s));
}

TEST(ArpPattern, ArpNotesEndOnTheChannelTheyStartedOn) {
  Script s(kBlock);
  s.Set(tagGate, 100);
  s.Play(1);
  s.Keys({60});
  s.Play(100);
  s.Set(tagMIDIOut_Ch, 3);
  s.Play(100);
  const auto notes = s.Notes();
  ASSERT_GE(notes.size(), 3u);
  EXPECT_EQ(notes[0].channel, 0);
  EXPECT_FALSE(notes[1].on);
  EXPECT_EQ(notes[1].channel, 0);
  EXPECT_EQ(notes[2].channel, 2);
  EXPECT_TRUE(arp::MatchesGolden(s));
}

TEST(ArpPattern, StoppingTheClockEndsEverySoundingNote) {
  struct Case {
    const char* what;
    bool restartOnKey;
  };
  for (const Case& c : {Case{"transport stop with input quantize on", false},
                        Case{"last key-up stops the own clock in 'key' mode", true}}) {
    Script s(kBlock);
    s.Set(tagInQuantize, 2);
    s.Set(tagSteps, 4);
    s.SetSteps(tagStep_mode, {1, 2, 2, 2});  // one long note
    if (c.restartOnKey) {
      s.Set(tagRestartOnKey, 1);
      s.Keys({60});
      s.Run(BlockAt(1.2 * kSamplesPerSixteenth + 512, kBlock));
      ASSERT_EQ(s.Sounding(), 1) << c.what;
      s.Release({60});
      s.Run(2);
    } else {
      s.Keys({60});
      s.Play(BlockAt(1.2 * kSamplesPerSixteenth, kBlock));
      ASSERT_EQ(s.Sounding(), 1) << c.what;
      s.Stop();
      s.Run(1);
    }
    EXPECT_EQ(s.Sounding(), 0) << c.what;
    EXPECT_TRUE(arp::MatchesGolden(s, c.what));
  }
}

TEST(ArpPattern, AHostWithoutTimeStillArpeggiates) {
  // No time information at all: the own clock runs at 120 quarter notes per minute, 44.1 kHz.
  Script s(kBlock);
  s.host.transport.available = false;
  s.Keys({60});
  s.Run(BlockAt(4 * kSamplesPerSixteenth + 512, kBlock) + 1);
  EXPECT_EQ(s.NoteOns().size(), 5u);
  EXPECT_TRUE(arp::MatchesGolden(s, "no time information"));

  // Absurd values are ignored and the last sane ones kept.
  Script t(kBlock);
  t.host.transport.tempo = std::nan("");
  t.host.transport.sampleRate = 0;
  t.Keys({60});
  t.Run(BlockAt(4 * kSamplesPerSixteenth + 512, kBlock) + 1);
  EXPECT_EQ(t.NoteOns().size(), 5u);
  EXPECT_TRUE(arp::MatchesGolden(t, "absurd time information"));
}

}  // namespace
