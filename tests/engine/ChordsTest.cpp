// Chord detection, the chord text and the two chord key orders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Chords.h"

namespace {

TKeyPool PitchPoolOf(const std::vector<int>& notes, const std::vector<int>& velocities = {}) {
  TKeyPool pool;
  for (size_t i = 0; i < notes.size(); ++i)
    pool.AddKeySorted(MakeKey(notes[i], i < velocities.size() ? velocities[i] : 100));
  return pool;
}

TDetectedChord Detect(const std::vector<int>& notes) { return DetectChord(PitchPoolOf(notes), TDetectedChord{}); }

std::vector<int> Notes(const TKeyList& list) {
  std::vector<int> notes;
  for (const TKeyRec& k : list)
    if (k.Count != 0) notes.push_back(k.Note);
  return notes;
}

}  // namespace

struct DetectCase {
  const char* what;
  std::vector<int> keys;
  std::string name;
  int rootIndex;
  int rootNote;
  int chordIndex;
  std::string text;
};

TEST(Chords, DetectChord) {
  const DetectCase cases[] = {
      {"root position triad", {60, 64, 67}, "maj", 0, 60, 4, "C maj"},
      {"first inversion finds the root above", {64, 67, 72}, "maj", 2, 72, 4, "C maj"},
      {"two keys complete a triad", {60, 64}, "maj", 0, 60, 16, "C maj"},
      {"two-key minor", {62, 65}, "m", 0, 62, 17, "D m"},
      {"two-key major", {62, 66}, "maj", 0, 62, 16, "D maj"},
      {"no two-key entry has a fifth", {60, 67}, "(?)", 0, 60, kNoChord, "C (?)"},
      {"seventh without its fifth", {60, 64, 70}, "dom7", 0, 60, 10, "C dom7"},
      {"octave counts as a doubled pitch class", {60, 72}, "maj", 0, 60, 16, "C maj"},
      {"four-key minor seventh", {57, 60, 64, 67}, "m7", 0, 57, 2, "A m7"},
      {"seventh below the root", {58, 60, 64}, "dom7", 1, 60, 10, "C dom7"},
      {"doubled root matches fifth and seventh entry", {60, 67, 72}, "7", 0, 60, 11, "C 7"},
      {"a key an octave below counts as 12", {60, 72, 76}, "(?)", 0, 60, kNoChord, "C (?)"},
      {"five keys", {60, 62, 64, 65, 67}, "(?)", 0, 60, kNoChord, "C (?)"},
      {"single key", {69}, "", 0, 69, kNoChord, "A "},
  };
  for (const DetectCase& c : cases) {
    const TDetectedChord chord = Detect(c.keys);
    EXPECT_EQ(std::string(chord.Name), c.name) << c.what;
    EXPECT_EQ(chord.RootIndex, c.rootIndex) << c.what;
    EXPECT_EQ(chord.RootNote, c.rootNote) << c.what;
    EXPECT_EQ(chord.ChordIndex, c.chordIndex) << c.what;
    EXPECT_EQ(FormatChordText(chord).Str(), c.text) << c.what;
  }
}

TEST(Chords, NoKeysNamesNoneAndKeepsTheRootFields) {
  TDetectedChord prev = Detect({64, 67, 72});
  const TDetectedChord chord = DetectChord(TKeyPool{}, prev);
  EXPECT_STREQ(chord.Name, "none");
  EXPECT_FALSE(chord.HasChord());
  EXPECT_EQ(chord.RootIndex, 2);
  EXPECT_EQ(chord.RootNote, 72);
  EXPECT_EQ(FormatChordText(chord).Str(), "-");
  EXPECT_EQ(FormatChordText(TDetectedChord{}).Str(), "-");
  EXPECT_EQ(FormatChordText(Detect({57, 60, 64, 67}), 3).Str(), "A m");
}

struct ChordOrderCase {
  const char* what;
  std::vector<int> keys;
  std::vector<int> normalized;
  std::vector<int> asPlayed;
};

TEST(Chords, ChordKeysGiveTheFullChordInRootPositionOrAsHeld) {
  const ChordOrderCase cases[] = {
      {"root position", {60, 64, 67}, {60, 64, 67}, {60, 64, 67}},
      {"first inversion", {64, 67, 72}, {72, 76, 79}, {76, 79, 72}},
      {"two keys give three tones", {60, 64}, {60, 64, 67}, {60, 64, 67}},
      {"missing fifth is filled in", {60, 64, 70}, {60, 64, 67, 70}, {60, 64, 67, 70}},
      {"seventh held below", {58, 60, 64}, {60, 64, 67, 70}, {70, 60, 64, 67}},
  };
  for (const ChordOrderCase& c : cases) {
    const TKeyPool pool = PitchPoolOf(c.keys);
    const TDetectedChord chord = DetectChord(pool, TDetectedChord{});
    TKeyList list{};
    EXPECT_EQ(ChordKeys(chord, pool, false, list), static_cast<int>(c.normalized.size())) << c.what;
    EXPECT_EQ(Notes(list), c.normalized) << c.what;
    EXPECT_EQ(ChordKeys(chord, pool, true, list), static_cast<int>(c.asPlayed.size())) << c.what;
    EXPECT_EQ(Notes(list), c.asPlayed) << c.what;
  }
}

TEST(Chords, ChordToneVelocitiesComeFromTheKeysInPitchOrder) {
  // C dom7 held as Bb, C, E: three keys, four tones, root at index 1.
  const TKeyPool pool = PitchPoolOf({58, 60, 64}, {11, 22, 33});
  const TDetectedChord chord = DetectChord(pool, TDetectedChord{});
  TKeyList list{};

  ChordKeys(chord, pool, false, list);
  const int normalized[] = {11, 22, 33, 33};  // the fourth tone has no key: the last read
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list[i].Velocity, normalized[i]) << i;

  ChordKeys(chord, pool, true, list);
  const int asPlayed[] = {11, 11, 22, 33};  // the first tone's key is not held: the lowest key's
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list[i].Velocity, asPlayed[i]) << i;
  EXPECT_EQ(list[4].Count, 0);
}

TEST(Chords, ChordKeysWithoutAChordGiveThePitchPool) {
  const TKeyPool pool = PitchPoolOf({67, 60});
  const TDetectedChord chord = DetectChord(pool, TDetectedChord{});  // C (?)
  TKeyList list{};
  EXPECT_EQ(ChordKeys(chord, pool, false, list), -1);
  EXPECT_EQ(Notes(list), (std::vector<int>{60, 67}));
  EXPECT_EQ(ChordKeys(chord, pool, true, list), -1);
  EXPECT_EQ(Notes(list), (std::vector<int>{60, 67}));
}

TEST(Chords, ChordKeysOfAStaleChordOverAnEmptyPoolGiveNothing) {
  const TDetectedChord stale = Detect({60, 64, 67});
  TKeyList list{};
  list[0] = MakeKey(1, 1);
  EXPECT_EQ(ChordKeys(stale, TKeyPool{}, false, list), -1);
  EXPECT_TRUE(Notes(list).empty());
}

TEST(Chords, ChordTonesAboveTheTopKeyStayInTheNoteByte) {
  // F10 sus2 reaches a fifth above the MIDI range; the tone is kept, not wrapped to a bass note.
  const TKeyPool pool = PitchPoolOf({125, 127});
  const TDetectedChord chord = DetectChord(pool, TDetectedChord{});
  ASSERT_STREQ(chord.Name, "sus2");
  TKeyList list{};
  EXPECT_EQ(ChordKeys(chord, pool, false, list), 3);
  EXPECT_EQ(Notes(list), (std::vector<int>{125, 127, 132}));
}
