// Chord detection, the chord text and the two chord key orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/Chords.h"
#include "engine/KeyUtils.h"

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
      {"a fifth is the fourth below its upper key", {60, 67}, "sus4", 1, 67, 21, "G sus4"},
      {"an octave is one pitch class", {60, 72}, "", 0, 60, kNoChord, "C "},
      {"seventh without its fifth", {60, 64, 70}, "dom7", 0, 60, 10, "C dom7"},
      {"four-key minor seventh", {57, 60, 64, 67}, "m7", 0, 57, 2, "A m7"},
      {"seventh below the root", {58, 60, 64}, "dom7", 1, 60, 10, "C dom7"},
      {"a doubled root adds no seventh", {60, 67, 72}, "sus4", 1, 67, 21, "G sus4"},
      {"a key an octave up is the same pitch class", {60, 72, 76}, "maj", 0, 60, 16, "C maj"},
      {"C major with a doubled root", {48, 60, 64, 67}, "maj", 0, 48, 4, "C maj"},
      {"C major open, third in the bass", {52, 60, 67}, "maj", 1, 60, 4, "C maj"},
      {"A minor seventh over two hands", {57, 67, 72, 76}, "m7", 0, 57, 2, "A m7"},
      {"F major with a doubled root is no seventh", {53, 57, 60, 65}, "maj", 0, 53, 4, "F maj"},
      {"the lowest key's pitch class is tried first", {48, 50, 55}, "sus2", 0, 48, 8, "C sus2"},
      {"the same pitch classes over G", {43, 48, 50}, "sus4", 0, 43, 9, "G sus4"},
      {"roots are tried from the lowest key up", {50, 55, 60}, "sus4", 1, 55, 9, "G sus4"},
      {"five pitch classes", {60, 62, 64, 65, 67}, "(?)", 0, 60, kNoChord, "C (?)"},
      {"no entry for a semitone", {60, 61, 73}, "(?)", 0, 60, kNoChord, "C (?)"},
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
      {"open voicing starts from the bass", {52, 60, 67}, {60, 64, 67}, {64, 67, 60}},
      {"open seventh, fifth in the bass", {55, 64, 70, 72}, {72, 76, 79, 82}, {79, 82, 72, 76}},
      {"doubled root, from its lowest key", {48, 60, 64, 67}, {48, 52, 55}, {48, 52, 55}},
      {"A minor seventh over two hands", {57, 67, 72, 76}, {57, 60, 64, 67}, {57, 60, 64, 67}},
      {"F major with a doubled root", {53, 57, 60, 65}, {53, 57, 60}, {53, 57, 60}},
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
  const TKeyPool pool = PitchPoolOf({61, 60});
  const TDetectedChord chord = DetectChord(pool, TDetectedChord{});  // C (?)
  TKeyList list{};
  EXPECT_EQ(ChordKeys(chord, pool, false, list), -1);
  EXPECT_EQ(Notes(list), (std::vector<int>{60, 61}));
  EXPECT_EQ(ChordKeys(chord, pool, true, list), -1);
  EXPECT_EQ(Notes(list), (std::vector<int>{60, 61}));
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

// ---- Any voicing: the chord is the set of pitch classes held.

namespace {

// The detection as it was before doublings were collapsed: the keys walked in pitch order
// from each candidate root, in close position. Kept as the reference for keys of distinct
// pitch classes, whose names must not change.
TDetectedChord DetectInClosePosition(const std::vector<int>& sorted) {
  TDetectedChord result;
  const int n = static_cast<int>(sorted.size());
  result.RootNote = static_cast<uint8_t>(sorted[0]);
  const int candidates = n == 2 ? 1 : n;
  for (int i = 0; i < candidates && n >= 2; ++i) {
    int interval[4] = {};
    for (int j = 1; j < n && j <= 3; ++j) {
      const int k = (i + j) % n;
      interval[j] = k >= i ? (sorted[k] - sorted[i]) % 12 : 12 - (sorted[i] - sorted[k]) % 12;
    }
    for (int s = 0; s < gMaxChords; ++s) {
      const TChordEntry& e = ChordTable[s];
      bool match = e.KeyCount == n;
      for (int j = 1; j <= 3 && match; ++j) match = interval[j] == 0 || interval[j] == e.Pattern[j - 1];
      if (!match) continue;
      result.RootIndex = static_cast<uint8_t>(i);
      result.RootNote = static_cast<uint8_t>(sorted[i]);
      result.ChordIndex = static_cast<uint8_t>(s);
      return result;
    }
  }
  return result;
}

// The chord orders as they were: "as played" rotated by the root's position.
std::vector<int> AsPlayedInClosePosition(const TDetectedChord& chord) {
  const TChordEntry& e = ChordTable[chord.ChordIndex];
  std::vector<int> notes;
  for (int i = 0; i < e.ToneCount; ++i)
    notes.push_back(chord.RootNote + e.Tones[(e.ToneCount - chord.RootIndex + i) % e.ToneCount]);
  return notes;
}

// The keys of an entry's pattern above a root, root first.
std::vector<int> PatternKeys(const TChordEntry& e, int root) {
  std::vector<int> keys{root};
  for (int j = 0; j < e.KeyCount - 1; ++j) keys.push_back(root + e.Pattern[j]);
  return keys;
}

// The chord's keys taken in turn, each round an octave higher, until `count` keys are held.
std::vector<int> Cycle(const std::vector<int>& close, int count) {
  std::vector<int> keys;
  for (int i = 0; i < count; ++i) keys.push_back(close[i % close.size()] + 12 * (i / static_cast<int>(close.size())));
  return keys;
}

// Each voicing keeps the order in which the pitch classes first appear from the bass up, the
// order in which roots are tried; the cases of DetectChord show voicings that change it.
struct VoicingCase {
  const char* what;
  std::vector<int> (*keys)(const std::vector<int>& close);  // close: the keys from the bass up
};

const VoicingCase kVoicings[] = {
    {"close", [](const std::vector<int>& c) { return c; }},
    {"open (every key above the bass an octave up)",
     [](const std::vector<int>& c) {
       std::vector<int> k = c;
       for (size_t i = 1; i < k.size(); ++i) k[i] += 12;
       return k;
     }},
    {"doubled bass", [](const std::vector<int>& c) { return Cycle(c, static_cast<int>(c.size()) + 1); }},
    {"doubled top key",
     [](const std::vector<int>& c) {
       std::vector<int> k = c;
       k.push_back(c.back() + 12);
       return k;
     }},
    {"spread over two octaves",
     [](const std::vector<int>& c) {
       std::vector<int> k = c;
       for (size_t i = 1; i < k.size(); ++i) k[i] += 12 * std::min<int>(static_cast<int>(i), 2);
       return k;
     }},
    {"five keys", [](const std::vector<int>& c) { return Cycle(c, 5); }},
    {"six keys", [](const std::vector<int>& c) { return Cycle(c, 6); }},
};

std::string Describe(const std::vector<int>& keys) {
  std::string text;
  for (int k : keys) text += std::string(NoteNames[k], strnlen(NoteNames[k], 4)) + " ";
  return text;
}

}  // namespace

TEST(Chords, EveryEntryIsNamedInEveryVoicingOnEveryRoot) {
  for (int s = 0; s < gMaxChords; ++s) {
    for (int root = 48; root < 60; ++root) {
      const std::vector<int> rootPosition = PatternKeys(ChordTable[s], root);
      for (size_t bass = 0; bass < rootPosition.size(); ++bass) {
        // The inversion with this key in the bass, in close position, names what it named
        // before doublings were collapsed; where that was nothing (a dyad's inversion) the
        // entry itself on its root. The root position names the entry itself.
        std::vector<int> close(rootPosition.begin() + static_cast<long>(bass), rootPosition.end());
        for (size_t j = 0; j < bass; ++j) close.push_back(rootPosition[j] + 12);
        TDetectedChord expected = DetectInClosePosition(close);
        if (!expected.HasChord()) {
          expected.ChordIndex = static_cast<uint8_t>(s);
          expected.RootNote = static_cast<uint8_t>(root);
        }
        if (bass == 0) {
          ASSERT_EQ(expected.ChordIndex, s) << Describe(close);
        }

        for (const VoicingCase& v : kVoicings) {
          const std::vector<int> keys = v.keys(close);
          const TDetectedChord chord = Detect(keys);
          const int rootClass = Interval12(0, expected.RootNote);
          int lowestOfRoot = 999;
          for (int k : keys)
            if (Interval12(0, k) == rootClass) lowestOfRoot = std::min(lowestOfRoot, k);
          const std::string what = std::string(v.what) + ": " + Describe(keys);
          EXPECT_EQ(chord.ChordIndex, expected.ChordIndex) << what;
          EXPECT_STREQ(chord.Name, ChordTable[expected.ChordIndex].Name) << what;
          EXPECT_EQ(chord.RootNote, lowestOfRoot) << what;
        }
      }
    }
  }
}

TEST(Chords, KeysOfDistinctPitchClassesKeepTheNamesTheyHad) {
  // Every set of 2 to 4 keys of distinct pitch classes within two octaves.
  int named = 0;
  std::vector<int> keys;
  for (int mask = 0; mask < 1 << 24; ++mask) {
    const int count = __builtin_popcount(static_cast<unsigned>(mask));
    if (count < 2 || count > 4) continue;
    keys.clear();
    int classes = 0;
    for (int b = 0; b < 24; ++b) {
      if ((mask & (1 << b)) == 0) continue;
      keys.push_back(48 + b);
      classes |= 1 << (b % 12);
    }
    if (__builtin_popcount(static_cast<unsigned>(classes)) != count) continue;
    const TDetectedChord before = DetectInClosePosition(keys);
    if (!before.HasChord()) continue;
    ++named;
    const TKeyPool pool = PitchPoolOf(keys);
    const TDetectedChord now = DetectChord(pool, TDetectedChord{});
    ASSERT_EQ(now.ChordIndex, before.ChordIndex) << Describe(keys);
    ASSERT_EQ(now.RootIndex, before.RootIndex) << Describe(keys);
    ASSERT_EQ(now.RootNote, before.RootNote) << Describe(keys);
    TKeyList list{};
    ChordKeys(now, pool, true, list);
    ASSERT_EQ(Notes(list), AsPlayedInClosePosition(before)) << "as played: " << Describe(keys);
  }
  EXPECT_GT(named, 1000);  // the walk reached the sets the old detection named
}

TEST(Chords, ADoubledRootNeverAddsATone) {
  // Triads and dyads with the root doubled an octave or two up name what they name without it,
  // so the chord orders give the held pitch classes (and, for a dyad, the tone its entry
  // completes it with); a triad never grows a seventh.
  for (int s = 4; s < gMaxChords; ++s) {
    const TChordEntry& e = ChordTable[s];
    if (e.ToneCount != 3) continue;
    for (int root = 48; root < 60; ++root) {
      for (int doubled : {root + 12, root + 24}) {
        std::vector<int> keys = PatternKeys(e, root);
        keys.push_back(doubled);
        const TKeyPool pool = PitchPoolOf(keys);
        const TDetectedChord chord = DetectChord(pool, TDetectedChord{});
        const std::string what = Describe(keys);
        EXPECT_EQ(chord.ChordIndex, s) << what;
        EXPECT_EQ(chord.RootNote, root) << what;
        TKeyList list{};
        EXPECT_EQ(ChordKeys(chord, pool, false, list), 3) << what;
        for (int note : Notes(list)) {
          const bool held = std::any_of(keys.begin(), keys.end(), [&](int k) { return Interval12(k, note) == 0; });
          EXPECT_TRUE(held || e.KeyCount == 2) << what << "adds " << note;
        }
      }
    }
  }
}
