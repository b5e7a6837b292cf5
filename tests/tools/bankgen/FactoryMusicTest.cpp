// The factory programs played: each sounds with a held chord, stays in its output range and
// stops when it should; openings, scales, rhythms and chains are checked as a player hears
// them.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "tests/tools/bankgen/ProgramPlayer.h"

namespace {

const std::string kBank = std::string(MODULE_FILE_DIR) + "/Moltrin_FactoryBank.fxb";

const std::vector<int> kCMajor = {60, 64, 67};   // C5 E5 G5
const std::vector<int> kAMinor = {57, 60, 64};   // A4 C5 E5
const std::vector<int> kG7 = {55, 59, 62, 65};   // G4 B4 D5 F5
const std::vector<int> kFMajor = {65, 69, 72};   // F5 A5 C6

std::unique_ptr<TProgramPlayer> LoadedPlayer() {
  auto h = std::make_unique<TProgramPlayer>();
  std::vector<uint8_t> bank;
  EXPECT_EQ(ReadWholeFile(kBank, 1 << 20, bank), TReadResult::Read) << kBank;
  const TLoadResult result = h->core.ApplyFxb(bank.data(), bank.size());
  EXPECT_TRUE(result.ok) << result.message;
  return h;
}

int ProgramNamed(const TPlugCore& core, const std::string& name) {
  for (int index = 0; index < kNumPrograms; ++index)
    if (core.GetProgramName(index).Str() == name) return index;
  ADD_FAILURE() << "no program is named " << name;
  return 0;
}

bool IsDescribed(const TPlugCore& core, int index) {
  return core.GetProgramName(index).Str() != "Program " + std::to_string(index + 1);
}

std::vector<TPlayedNote> Opening(const std::string& name, const std::vector<int>& keys, double beats) {
  auto h = LoadedPlayer();
  return h->Play(ProgramNamed(h->core, name), keys, beats);
}

TEST(FactoryMusic, EveryProgramSoundsInRangeAndStopsWhenLetGo) {
  auto probe = LoadedPlayer();
  for (int index = 0; index < kNumPrograms; ++index) {
    if (!IsDescribed(probe->core, index)) continue;
    auto h = LoadedPlayer();
    const auto notes = h->Play(index, kCMajor, 8.0);
    const std::string name = h->core.GetProgramName(index).Str();
    EXPECT_FALSE(notes.empty()) << name << " is silent with a held C major chord";
    const int lo = h->core.GetParam(tagOutRange_Low), hi = h->core.GetParam(tagOutRange_High);
    for (const auto& n : notes) {
      EXPECT_GE(n.pitch, lo) << name;
      EXPECT_LE(n.pitch, hi) << name;
      EXPECT_GT(n.velocity, 0) << name << ": a zero velocity reads as a note-off";
    }
    for (int key : kCMajor) h->NoteOff(key);
    h->RunTo(16.0);
    if (h->core.GetParam(tagLatch) == 0) {
      EXPECT_EQ(h->Sounding(), 0) << name << " leaves notes sounding after the keys are let go";
      EXPECT_EQ(h->NoteOns().size(), notes.size()) << name << " goes on playing without keys";
    }
    h->Stop();
    h->Blocks(4);
    EXPECT_EQ(h->Sounding(), 0) << name << " leaves notes sounding after the transport stops";
  }
}

TEST(FactoryMusic, OpeningsSoundAsTheirDescriptionsSay) {
  struct Case {
    const char* program;
    std::vector<int> keys;
    double beats;
    const char* pitches;
  };
  const Case cases[] = {
      {"Up Classic", kCMajor, 2, "C5 E5 G5 C6 C5 E5 G5 C6"},
      {"Up Classic", {60, 64, 67, 71}, 1, "C5 E5 G5 B5"},
      {"Down Classic", kCMajor, 1, "G5 E5 C5 G4"},
      {"Up-Down", kCMajor, 2, "C5 E5 G5 C6 E6 C6 G5 E5"},
      {"Alberti Bass", kCMajor, 1, "C5 G5 E5 G5"},
      {"Octave Jumper", kCMajor, 2, "C5 C6 E5 E6 G5 G6 C6 C7"},
      {"Power Fifths", {60}, 2, "C5 G5 C6 G5 C5 G5 G6 C6"},
      {"Fifth Stack", {60}, 4, "C5 G5 D6 A6 E7 A6 D6 G5"},
      {"Boogie Shuffle", {60}, 4, "C5 E5 G5 A5 Bb5 A5 G5 E5"},
      {"C Major Sequence", {60}, 4, "C5 E5 D5 F5 E5 G5 F5 A5 G5 B5 A5 C6 B5 G5 E5 D5"},
      {"A Minor Pent Riff", {57}, 2, "A4 A5 C5 D5 A4 E5 C5"},
      {"E Harmonic Minor Run", {64}, 4, "E5 F#5 G5 A5 B5 C6 Eb6 E6 Eb6 C6 B5 G5"},
      {"D Melodic Minor Line", {62}, 4, "D5 F5 A5 B5 C#6 D6 B5 A5"},
      // The follow-chord lines take the scale of the chord held.
      {"Chord Scale Walk", kCMajor, 4, "C5 D5 E5 F5 G5 F5 E5 D5"},
      {"Chord Scale Walk", kAMinor, 4, "A4 B4 C5 D5 E5 D5 C5 B4"},
      {"Chord Scale Walk", kG7, 4, "G4 A4 B4 C5 D5 C5 B4 A4"},
      {"Swing Seventh Line", kCMajor, 4, "C5 E5 G5 B5 C6 B5 G5 E5"},
      {"Swing Seventh Line", kAMinor, 4, "A4 C5 E5 G5 A5 G5 E5 C5"},
      {"Swing Seventh Line", kG7, 4, "G4 B4 D5 F5 G5 F5 D5 B4"},
      {"Open Ninths", kAMinor, 2, "A4 E5 B5 C6 E6 C6 B5 E5"},
      // Missing-key substitution: the pedal and the low root stand in for keys not held.
      {"Drone Pedal C", kCMajor, 2, "C4 C5 C4 E5 C4 G5 C4 E5"},
      {"Drone Pedal C", kFMajor, 2, "C4 F5 C4 A5 C4 C6 C4 A5"},
      {"Root Below", kCMajor, 2, "C4 G5 C5 G5 C4 E5 C5 G5"},
      // The bass programs play the lowest key an octave down.
      {"Disco Octave Bass", kCMajor, 2, "C4 C5 C4 C5"},
      {"Rolling Bass", kCMajor, 1, "C4 C4 C4"},
      {"Bass Turnaround", kAMinor, 4, "A3 B3 C4 D4 E4 F4 G4 A4"},
  };
  for (const auto& c : cases) {
    const auto notes = Opening(c.program, c.keys, c.beats);
    EXPECT_EQ(PitchText(notes), c.pitches) << c.program;
  }
}

TEST(FactoryMusic, ChordProgramsPlayTheWholeChordAtOnce) {
  for (const char* program : {"House Stabs", "Charleston Stabs", "Offbeat Skank", "Tresillo Chords",
                              "Dotted Quarter Chords", "Trance Gate A"}) {
    const auto notes = Opening(program, kG7, 4);
    ASSERT_FALSE(notes.empty()) << program;
    // Every onset carries all four keys of the chord.
    std::vector<std::vector<int>> onsets;
    double last = -1;
    for (const auto& n : notes) {
      if (n.beat != last) onsets.push_back({});
      onsets.back().push_back(n.pitch);
      last = n.beat;
    }
    for (const auto& chord : onsets) EXPECT_EQ(chord.size(), kG7.size()) << program;
  }
}

TEST(FactoryMusic, ScaleProgramsStayInTheirScaleWhateverIsHeld) {
  struct Case {
    const char* program;
    int root;
    std::set<int> scale;  // semitones above the root
  };
  const Case cases[] = {
      {"C Major Sequence", 0, {0, 2, 4, 5, 7, 9, 11}},
      {"A Minor Pent Riff", 9, {0, 3, 5, 7, 10}},
      {"E Harmonic Minor Run", 4, {0, 2, 3, 5, 7, 8, 11}},
      {"D Melodic Minor Line", 2, {0, 2, 3, 5, 7, 9, 11}},
      {"G Pentatonic Bells", 7, {0, 2, 4, 7, 9}},
  };
  const std::vector<std::vector<int>> held = {kCMajor, kAMinor, {66, 70, 73}, {61}, {60, 61, 62, 63}};
  for (const auto& c : cases) {
    for (const auto& keys : held) {
      const auto notes = Opening(c.program, keys, 8);
      EXPECT_FALSE(notes.empty()) << c.program;
      for (const auto& n : notes)
        EXPECT_TRUE(c.scale.count(((n.pitch - c.root) % 12 + 12) % 12)) << c.program << " plays " << NoteName(n.pitch).Str();
    }
  }
}

TEST(FactoryMusic, AddAKeyGrooveGrowsWithTheKeysHeld) {
  const std::vector<int> keys = {48, 52, 55, 59, 62};
  const size_t perBar[] = {4, 6, 8, 12, 16};
  for (size_t count = 1; count <= keys.size(); ++count) {
    const auto notes = Opening("Add-a-Key Groove", {keys.begin(), keys.begin() + count}, 4);
    EXPECT_EQ(notes.size(), perBar[count - 1]) << count << " keys";
  }
}

TEST(FactoryMusic, RhythmsFallWhereTheirRatesAndSwingPutThem) {
  struct Case {
    const char* program;
    double first, second;  // the first two onsets, in beats from the downbeat
  };
  const Case cases[] = {
      // Swing 33 % puts the second step of each pair 1.33 steps in.
      {"Up Classic", 0, 0.25},           {"Swing 16ths", 0, 1.33 / 4},     {"Pushed 16ths", 0, 0.1875},
      {"Boogie Shuffle", 0, 1.33 / 2},   {"Dotted Echo", 0, 0.75},         {"Dotted Cascade", 0, 0.375},
      {"Triplet Climb", 0, 1.0 / 3},     {"Triplet Roll", 0, 1.0 / 6},     {"Dotted Quarter Chords", 0, 1.5},
      {"Rolling Bass", 0.25, 0.5},       {"House Stabs", 0.5, 1.5},        {"Charleston Stabs", 0, 1.5},
  };
  for (const auto& c : cases) {
    const auto notes = Opening(c.program, kCMajor, 4);
    std::vector<double> onsets;
    for (const auto& n : notes)
      if (onsets.empty() || n.beat != onsets.back()) onsets.push_back(n.beat);
    ASSERT_GE(onsets.size(), 2u) << c.program;
    // Each step sounds on the frame it begins on.
    EXPECT_NEAR(onsets[0], c.first, 1e-3) << c.program;
    EXPECT_NEAR(onsets[1], c.second, 1e-3) << c.program;
  }
}

TEST(FactoryMusic, ChainsRunThroughTheirProgramsBarByBar) {
  struct Case {
    int chain;
    std::vector<const char*> bars;  // the program playing in each bar
  };
  const Case cases[] = {
      {1, {"Trance Gate A", "Trance Gate A", "Trance Gate B", "Trance Gate Fill", "Trance Gate A"}},
      {2, {"Bass Verse A", "Bass Verse B", "Bass Verse A", "Bass Turnaround", "Bass Verse A"}},
  };
  for (const auto& c : cases) {
    auto h = LoadedPlayer();
    // The host chooses chains 0..NumChains over its 0..1 range.
    h->core.SetParamNormalized(tagCurChain, static_cast<float>(c.chain) / CParamDef[tagNumChains]);
    h->Play();
    for (int key : kCMajor) h->NoteOn(key);
    for (size_t bar = 0; bar < c.bars.size(); ++bar) {
      h->RunTo(4.0 * bar + 0.5);
      EXPECT_EQ(h->core.GetProgramName(h->core.CurrentProgramIndex()).Str(), c.bars[bar])
          << "chain " << c.chain << ", bar " << bar + 1;
    }
    for (const auto& m : h->sent)
      EXPECT_TRUE(m.message == 0x80 || m.message == 0x90) << "the factory chains send no bank, program or volume";
  }
}

}  // namespace
