// Step note generation: the pitch transform, the follow-chord check, note lengths from gate,
// rest and tie steps, and what stays silent.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/InputKeyFilter.h"
#include "engine/StepNotes.h"

namespace {

constexpr int kOff = 0, kNrm = 1, kRst = 2, kTie = 3;

TDetectedChord ChordOf(const std::vector<int>& notes) {
  TKeyPool pool;
  for (int n : notes) pool.AddKeySorted(MakeKey(n, 100));
  return DetectChord(pool, TDetectedChord{});
}

TTransformSettings Scale(int root, int scale) {
  TTransformSettings s;
  s.scaleRoot = root;
  s.scale = scale;
  return s;
}

TTransformSettings Output(int lo, int hi, int oct = 0, int semi = 0) {
  TTransformSettings s;
  s.outLow = lo;
  s.outHigh = hi;
  s.transpOct = oct;
  s.transpSemi = semi;
  return s;
}

std::vector<int> Notes(const TKeyList& list) {
  std::vector<int> notes;
  for (const TKeyRec& k : list)
    if (k.Count != 0) notes.push_back(k.Note);
  return notes;
}

// A filter, the step modes of the pattern and the context of one step.
class StepNotesTest : public ::testing::Test {
 protected:
  StepNotesTest() {
    std::fill(std::begin(modes), std::end(modes), static_cast<int8_t>(kNrm));
    ctx.stepModes = modes;
    ctx.followChord = &follow;
    ctx.info.quantize = 0;
    ctx.step = 0;
  }
  void Hold(const std::vector<int>& notes, int velocity = 100) {
    for (int n : notes) filter.KeyOn(n, velocity, 0);
  }
  int Run() { return GenerateStepNotes(filter, ctx, out); }

  TInKeyFilter filter;
  int8_t modes[64];
  bool follow = false;
  TStepContext ctx;
  TKeyList out{};
};

}  // namespace

struct TransformCase {
  const char* what;
  TTransformSettings settings;
  std::vector<int> chordKeys;  // empty: no chord followed
  int note;
  int offset;
  int expected;
};

TEST(StepNotes, TransformNoteForcesToScaleOrChord) {
  const TransformCase cases[] = {
      {"root moved up a semitone stays chromatic", Scale(0, 0), {}, 60, 1, 61},
      {"D up a semitone lands on E", Scale(0, 0), {}, 62, 1, 64},
      {"minor bends E down to Eb", Scale(0, 2), {}, 64, 0, 63},
      {"minor bends F# up to G", Scale(0, 2), {}, 66, 0, 67},
      {"semitone down from the root crosses the octave", Scale(0, 0), {}, 60, -1, 59},
      {"a key below the root stays in its own octave", Scale(7, 0), {}, 5, 0, 6},
      {"major pentatonic folds F onto E", Scale(0, 1), {}, 65, 0, 64},
      {"an octave and a semitone up from the root", Scale(0, 0), {}, 60, 13, 73},
      {"more than an octave down", Scale(0, 0), {}, 62, -13, 50},
      {"no root: chromatic", Scale(-1, 0), {}, 61, 5, 66},
      {"no scale: chromatic", Scale(0, -1), {}, 61, 5, 66},
      {"follow A m7 without a forced scale", Scale(-1, -1), {57, 60, 64, 67}, 61, 0, 60},
      {"follow A m7: the root up a semitone", Scale(-1, -1), {57, 60, 64, 67}, 57, 1, 58},
      {"follow with a single key falls back to the scale", Scale(0, 0), {69}, 61, 0, 62},
      {"aug row reaching the next octave stays below 128", Scale(-1, -1), {60, 64, 68}, 127, 0, 116},
  };
  for (const TransformCase& c : cases) {
    const bool followChord = !c.chordKeys.empty();
    const TDetectedChord chord = followChord ? ChordOf(c.chordKeys) : TDetectedChord{};
    EXPECT_EQ(TransformNote(c.note, c.offset, false, followChord, c.settings, chord), c.expected) << c.what;
  }
}

TEST(StepNotes, TransformNoteOutputStage) {
  const TransformCase cases[] = {
      {"raised into the range by an octave", Output(60, 64), {}, 50, 0, 62},
      {"lowered two octaves, then set to the low bound", Output(60, 62), {}, 75, 0, 60},
      {"raised past a narrow range, set to the high bound", Output(60, 62), {}, 51, 0, 62},
      {"master transpose", Output(0, 127, 1, -2), {}, 60, 0, 70},
      {"transpose past the top folds back", Output(0, 127, 3, 12), {}, 120, 0, 120},
      {"transpose below the bottom folds back", Output(0, 127, -3, -12), {}, 5, 0, 5},
      {"low bound above the high bound", Output(100, 20), {}, 50, 0, 20},
      {"low bound above the high bound, high note", Output(100, 20), {}, 120, 0, 100},
      {"bounds outside the MIDI range", Output(-20, 300), {}, 127, 12, 127},
  };
  for (const TransformCase& c : cases)
    EXPECT_EQ(TransformNote(c.note, c.offset, true, false, c.settings, TDetectedChord{}), c.expected) << c.what;
}

TEST(StepNotes, TransformNoteNeverLeavesTheMidiRange) {
  const TDetectedChord aug = ChordOf({60, 64, 68});
  const std::pair<int, int> ranges[] = {{0, 127}, {60, 64}, {100, 20}, {127, 127}, {0, 0}, {5, 6}, {-9, 200}};
  for (int scale = -1; scale < 6; ++scale)
    for (auto [lo, hi] : ranges)
      for (int oct : {-3, 0, 3})
        for (int semi : {-12, -1, 12})
          for (int note : {0, 1, 11, 60, 116, 126, 127, 138})
            for (int offset : {-36, -25, -1, 0, 1, 13, 36})
              for (bool stage : {false, true})
                for (bool followChord : {false, true}) {
                  TTransformSettings s = Output(lo, hi, oct, semi);
                  s.scaleRoot = scale < 0 ? -1 : 11;
                  s.scale = scale;
                  const int r = TransformNote(note, offset, stage, followChord, s, aug);
                  ASSERT_GE(r, 0);
                  ASSERT_LE(r, 127);
                  if (stage && lo >= 0 && hi <= 127 && lo <= hi) {
                    ASSERT_GE(r, lo);
                    ASSERT_LE(r, hi);
                  }
                }
}

TEST(StepNotes, ChordScaleIndexNamesEveryChordOfTheDictionary) {
  for (const TChordEntry& e : ChordTable) EXPECT_GE(ChordScaleIndex(e.Name), 0) << e.Name;
  EXPECT_EQ(ChordScaleIndex("(?)"), -1);
  EXPECT_EQ(ChordScaleIndex(""), -1);
  EXPECT_EQ(ChordScaleIndex(nullptr), -1);
}

TEST_F(StepNotesTest, FollowChordOnlyWhenAKeyLiesOutsideTheScale) {
  struct Case { const char* what; std::vector<int> keys; int scale; bool followOn; int note; bool followAfter; };
  const Case cases[] = {
      {"keys inside C major: the scale is used", {60, 64, 67}, 0, true, 64, false},
      {"Eb outside C major: the chord is followed", {60, 63, 67}, 0, true, 63, true},
      {"no forced scale: no check", {60, 63, 67}, -1, true, 63, true},
      {"follow off: the scale bends Eb", {60, 63, 67}, 0, false, 64, false},
  };
  for (const Case& c : cases) {
    filter.Reset();
    Hold(c.keys);
    ctx.info.keySelect = 2;
    ctx.transform = Scale(0, c.scale);
    follow = c.followOn;
    ASSERT_EQ(Run(), 1) << c.what;
    EXPECT_EQ(out[0].Note, c.note) << c.what;
    EXPECT_EQ(follow, c.followAfter) << c.what;
  }
}

TEST_F(StepNotesTest, FollowChordWithoutAFlagIsOff) {
  Hold({60, 63, 67});
  ctx.followChord = nullptr;
  ctx.info.keySelect = 2;
  ctx.transform = Scale(0, 0);
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(out[0].Note, 64);
}

TEST_F(StepNotesTest, NoteLengthFromGateRestsAndTies) {
  struct Case {
    const char* what;
    std::vector<std::pair<int, int>> modes;  // (step, mode) changed from "Nrm"
    int step, steps, gate;
    float length, endPos;
  };
  const Case cases[] = {
      {"held through rests", {{1, kRst}, {2, kRst}}, 0, 16, 100, 3.0f, 3.0f},
      {"held through rests, half gate", {{1, kRst}, {2, kRst}}, 0, 16, 50, 2.5f, 2.5f},
      {"half a gate into a tie", {{1, kTie}}, 0, 16, 100, 1.5f, 1.5f},
      {"rest then tie", {{1, kRst}, {2, kTie}}, 0, 16, 80, 2.4f, 2.4f},
      {"an off step ends the look-ahead", {{1, kOff}, {2, kRst}}, 0, 16, 100, 1.0f, 1.0f},
      {"the last step plays its gate only", {{0, kRst}}, 15, 16, 100, 1.0f, 16.0f},
      {"rests up to the end of the pattern", {{14, kRst}, {15, kRst}}, 13, 16, 100, 3.0f, 16.0f},
      {"a one-step pattern", {{1, kRst}}, 0, 1, 60, 0.6f, 0.6f},
      {"off position past the pattern wraps", {}, 20, 16, 100, 1.0f, 5.0f},
  };
  Hold({60});
  for (const Case& c : cases) {
    std::fill(std::begin(modes), std::end(modes), static_cast<int8_t>(kNrm));
    for (auto [step, mode] : c.modes) modes[step] = static_cast<int8_t>(mode);
    ctx.step = c.step;
    ctx.info.steps = c.steps;
    ctx.info.gate = c.gate;
    ASSERT_EQ(Run(), 1) << c.what;
    EXPECT_FLOAT_EQ(out[0].Length, c.length) << c.what;
    EXPECT_FLOAT_EQ(out[0].EndPos, c.endPos) << c.what;
  }
}

TEST_F(StepNotesTest, NotesCarryTheStepVelocityAndOffset) {
  Hold({60, 64, 67}, 110);
  ctx.info.keySelect = 6;
  ctx.info.velocity = 0;  // sent as a note-on with velocity 0
  ctx.info.octave = 1;
  ctx.info.semitone = -2;
  ASSERT_EQ(Run(), 3);
  EXPECT_EQ(Notes(out), (std::vector<int>{70, 74, 77}));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(out[i].Count, 1);
    EXPECT_EQ(out[i].Velocity, 0);
  }
}

TEST_F(StepNotesTest, ChordStepsPlayAtMostFiveHeldKeys) {
  Hold({60, 62, 64, 65, 67, 69, 71});
  ctx.info.keySelect = 6;
  EXPECT_EQ(Run(), 5);
  EXPECT_EQ(Notes(out), (std::vector<int>{60, 62, 64, 65, 67}));

  filter.Reset();
  Hold({60, 64});
  ctx.info.missingKey = 1;
  EXPECT_EQ(Run(), 2);
}

TEST_F(StepNotesTest, SilentStepsStillRefreshTheSnapshot) {
  struct Case { const char* what; int mode; bool arpEnabled; };
  const Case cases[] = {{"off step", kOff, true}, {"rest step", kRst, true}, {"arp disabled", kNrm, false}};
  for (const Case& c : cases) {
    filter.Reset();
    Hold({60});
    ctx.info.quantize = 2;
    ctx.info.stepType = c.mode;
    ctx.arpEnabled = c.arpEnabled;
    ctx.stepCount = 2;
    EXPECT_EQ(Run(), 0) << c.what;
    EXPECT_TRUE(Notes(out).empty()) << c.what;
    EXPECT_EQ(Notes(filter.Snapshot), (std::vector<int>{60})) << c.what;
  }
}

TEST_F(StepNotesTest, NoKeysAndNoSnapshotResetTheFilter) {
  filter.StepKeys[0] = MakeKey(60, 100);
  filter.HeldPool.AddKey(MakeKey(61, 100));  // a held key the active set no longer has
  ctx.info.keySelect = 0;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(filter.HeldPool.Count, 0);
  EXPECT_EQ(filter.StepKeys[0].Count, 0);
}

TEST_F(StepNotesTest, NoNoteOutsideTheMidiRangeLeavesTheGenerator) {
  // F10 sus2 reaches C11 (132) in "chord, normalized"; substitutes come from keys at the edges.
  Hold({125, 127});
  ctx.info.order = 6;
  ctx.info.keySelect = 6;
  ASSERT_EQ(Run(), 3);
  EXPECT_EQ(Notes(out), (std::vector<int>{125, 127, 120}));

  filter.Reset();
  Hold({2});
  ctx.info.order = 0;
  ctx.info.keySelect = 2;
  ctx.info.missingKey = 6;  // first key, -1 oct.
  ctx.transform = Output(0, 127, -3, -12);
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(out[0].Note, 2);
}
