// Input key filter: latch states, the snapshot and its quantize points, missing-key
// substitution and key select.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/InputKeyFilter.h"

namespace {

constexpr int C4 = 48, E4 = 52, G4 = 55, A4 = 57;

std::vector<int> Notes(const TKeyList& list) {
  std::vector<int> notes;
  for (const TKeyRec& k : list)
    if (k.Count != 0) notes.push_back(k.Note);
  return notes;
}

std::vector<int> ActiveNotes(const TInKeyFilter& f) { return Notes(f.PlayPool.Keys); }

// One step of the given settings; answers the notes of `out`.
std::vector<int> Select(TInKeyFilter& f, TStepInfo info, int step = 0, int stepCount = 0) {
  TKeyList out{};
  f.SelectKeys(info, step, stepCount, out);
  return Notes(out);
}

TStepInfo Info(int keySelect, int missingKey = 0, int order = 0) {
  TStepInfo info;
  info.keySelect = keySelect;
  info.missingKey = missingKey;
  info.order = order;
  info.quantize = 0;
  return info;
}

}  // namespace

// Key events with the latch value in force, and the active keys after them.
struct LatchCase {
  const char* what;
  struct Event {
    char kind;  // 'd' key down, 'u' key up, 'r' latch switched off, 'x' reset
    int note;
    int latch;
  };
  std::vector<Event> events;
  std::vector<int> active;
  std::vector<int> held;
};

TEST(InputKeyFilter, LatchStates) {
  const LatchCase cases[] = {
      {"playing: a released key leaves", {{'d', C4, 0}, {'d', E4, 0}, {'u', C4, 0}}, {E4}, {E4}},
      {"latched keys stay after release", {{'d', C4, 1}, {'d', E4, 1}, {'u', C4, 1}, {'u', E4, 1}}, {C4, E4}, {}},
      {"first key after release replaces the latched set",
       {{'d', C4, 1}, {'d', E4, 1}, {'u', C4, 1}, {'u', E4, 1}, {'d', G4, 1}}, {G4}, {G4}},
      {"keys pressed while one is held join it",
       {{'d', C4, 1}, {'u', C4, 1}, {'d', G4, 1}, {'d', A4, 1}}, {G4, A4}, {G4, A4}},
      {"leaving latch keeps only the held keys",
       {{'d', C4, 1}, {'d', E4, 1}, {'u', C4, 1}, {'r', 0, 0}}, {E4}, {E4}},
      {"reset forgets held keys; their key-up finds nothing",
       {{'d', C4, 1}, {'x', 0, 0}, {'u', C4, 0}}, {}, {}},
      {"a note pressed twice is let go by one release", {{'d', C4, 0}, {'d', C4, 0}, {'u', C4, 0}}, {}, {}},
      {"latched, a note pressed twice and released once stays latched, not held",
       {{'d', C4, 1}, {'d', C4, 1}, {'u', C4, 1}}, {C4}, {}},
      {"latched, the next key after a doubled key's release replaces the set",
       {{'d', C4, 1}, {'d', C4, 1}, {'u', C4, 1}, {'d', E4, 1}}, {E4}, {E4}},
      {"leaving latch after a doubled key's release keeps nothing",
       {{'d', C4, 1}, {'d', C4, 1}, {'u', C4, 1}, {'r', 0, 0}}, {}, {}},
      {"a key-up of a note not held changes nothing", {{'d', C4, 0}, {'u', E4, 0}}, {C4}, {C4}},
      {"notes outside the MIDI range are ignored", {{'d', 128, 0}, {'d', -1, 0}, {'d', C4, 0}, {'u', 300, 0}},
       {C4}, {C4}},
  };
  for (const LatchCase& c : cases) {
    TInKeyFilter f;
    for (const auto& e : c.events) {
      switch (e.kind) {
        case 'd': f.KeyOn(e.note, 100, e.latch); break;
        case 'u': f.KeyOff(e.note, e.latch); break;
        case 'r': f.ReleaseLatch(); break;
        case 'x': f.Reset(); break;
      }
    }
    EXPECT_EQ(ActiveNotes(f), c.active) << c.what;
    EXPECT_EQ(f.ActiveCount(), static_cast<int>(c.active.size())) << c.what;
    EXPECT_EQ(Notes(f.HeldPool.Keys), c.held) << c.what;
  }
}

TEST(InputKeyFilter, NineKeysFillEachPoolToItsCapacity) {
  TInKeyFilter f;
  for (int i = 0; i < 9; ++i) f.KeyOn(60 + i, 100, 0);
  EXPECT_EQ(f.PlayPool.Count, 8);
  EXPECT_EQ(f.HeldPool.Count, 8);
  EXPECT_EQ(f.PitchPool.Count, 7);
  EXPECT_EQ(ActiveNotes(f), (std::vector<int>{60, 61, 62, 63, 64, 65, 66, 67}));
  EXPECT_EQ(Notes(f.PitchPool.Keys), (std::vector<int>{60, 61, 62, 63, 64, 65, 66}));
}

TEST(InputKeyFilter, ChordIsDetectedAfterEveryChange) {
  TInKeyFilter f;
  EXPECT_EQ(f.FormatChord().Str(), "-");
  f.KeyOn(64, 100, 0);
  f.KeyOn(67, 100, 0);
  f.KeyOn(72, 100, 0);
  EXPECT_EQ(f.FormatChord().Str(), "C maj");
  f.KeyOff(72, 0);
  EXPECT_EQ(f.FormatChord().Str(), "E m");
  f.Reset();
  EXPECT_EQ(f.FormatChord().Str(), "-");
}

TEST(InputKeyFilter, LeavingLatchNamesTheKeysThatRemain) {
  // Before: the chord of keys let go long ago stayed detected, so the chord orders went on
  // playing it with no key active.
  TInKeyFilter f;
  for (int n : {60, 64, 67}) f.KeyOn(n, 100, 1);
  for (int n : {60, 64, 67}) f.KeyOff(n, 1);
  EXPECT_EQ(f.FormatChord().Str(), "C maj");
  f.ReleaseLatch();
  EXPECT_EQ(f.FormatChord().Str(), "-");
  EXPECT_TRUE(Select(f, Info(6, 0, 6)).empty());
  EXPECT_EQ(f.SnapCount, 0);
}

TEST(InputKeyFilter, StatusTexts) {
  TInKeyFilter f;
  EXPECT_EQ(f.FormatActiveKeys().Str(), " - ,  - ,  - ,  - ,  - ");
  f.KeyOn(E4, 100, 0);
  f.KeyOn(C4, 100, 0);
  EXPECT_EQ(f.FormatActiveKeys().Str(), "E4, C4,  - ,  - ,  - ");
  Select(f, Info(1, 4));  // first key fills the missing slots
  EXPECT_EQ(f.FormatStepKeys().Str(), "E4, C4, E4, E4, E4");
  EXPECT_EQ(f.FormatStepKeys(6).Str(), "E4, C4");
}

// Held keys in arrival order as (note, velocity): E4/80, C4/100, G4/90.
struct SnapshotCase {
  int order;
  std::vector<int> notes;
  int count;
};

TEST(InputKeyFilter, SnapshotInEachOrder) {
  const SnapshotCase cases[] = {
      {0, {E4, C4, G4}, 3},          {1, {G4, C4, E4}, 3},        {2, {C4, E4, G4}, 3},
      {3, {G4, E4, C4}, 3},          {4, {E4, G4, C4}, 3},        {5, {C4, G4, E4}, 3},
      {6, {C4, E4, G4}, 3},          {7, {C4, E4, G4}, 3},
  };
  for (const SnapshotCase& c : cases) {
    TInKeyFilter f;
    f.KeyOn(E4, 80, 0);
    f.KeyOn(C4, 100, 0);
    f.KeyOn(G4, 90, 0);
    f.RefreshSnapshot(c.order);
    EXPECT_EQ(Notes(f.Snapshot), c.notes) << "order " << c.order;
    EXPECT_EQ(f.SnapCount, c.count) << "order " << c.order;
  }
}

TEST(InputKeyFilter, ChordOrdersReplaceTheKeysByTheChordTones) {
  TInKeyFilter f;
  f.KeyOn(67, 90, 0);
  f.KeyOn(64, 80, 0);
  f.KeyOn(72, 70, 0);  // C major, first inversion
  f.RefreshSnapshot(6);
  EXPECT_EQ(Notes(f.Snapshot), (std::vector<int>{72, 76, 79}));
  f.RefreshSnapshot(7);
  EXPECT_EQ(Notes(f.Snapshot), (std::vector<int>{76, 79, 72}));

  TInKeyFilter two;
  two.KeyOn(60, 100, 0);
  two.KeyOn(64, 100, 0);
  two.RefreshSnapshot(6);
  EXPECT_EQ(two.SnapCount, 3);
  EXPECT_EQ(Select(two, Info(6, 0, 6)), (std::vector<int>{60, 64, 67}));

  TInKeyFilter noChord;
  noChord.KeyOn(61, 100, 0);
  noChord.KeyOn(60, 100, 0);  // a semitone names no chord
  noChord.RefreshSnapshot(7);
  EXPECT_EQ(Notes(noChord.Snapshot), (std::vector<int>{60, 61}));
  EXPECT_EQ(noChord.SnapCount, 2);
}

TEST(InputKeyFilter, SnapshotRefreshesOnlyAtQuantizePoints) {
  TInKeyFilter f;
  TStepInfo info = Info(6);
  info.quantize = 2;
  f.KeyOn(C4, 100, 0);
  EXPECT_EQ(Select(f, info, 0, 0), (std::vector<int>{C4}));
  f.KeyOn(E4, 100, 0);
  EXPECT_EQ(Select(f, info, 1, 1), (std::vector<int>{C4}));  // not heard before the next point
  EXPECT_EQ(Select(f, info, 2, 2), (std::vector<int>{C4, E4}));
  f.KeyOff(C4, 0);
  EXPECT_EQ(Select(f, info, 3, 3), (std::vector<int>{C4, E4}));
  EXPECT_EQ(Select(f, info, 4, 4), (std::vector<int>{E4}));

  info.quantize = 0;  // "none": every step sees the keys as they are
  f.KeyOn(G4, 100, 0);
  EXPECT_EQ(Select(f, info, 5, 5), (std::vector<int>{E4, G4}));

  info.quantize = 4;
  f.KeyOn(A4, 100, 0);
  EXPECT_EQ(Select(f, info, 6, -3), (std::vector<int>{E4, G4}));
  EXPECT_EQ(Select(f, info, 7, -4), (std::vector<int>{E4, G4, A4}));  // before the song start
}

TEST(InputKeyFilter, ResetEmptiesTheSnapshotAndItsCount) {
  // Before: the count outlived the emptied list, and between quantize points fixed-key
  // substitutes were played for keys that were gone.
  TInKeyFilter f;
  TStepInfo info = Info(4, 10);
  info.quantize = 4;
  f.KeyOn(C4, 100, 0);
  f.KeyOn(E4, 100, 0);
  f.KeyOn(G4, 100, 0);
  EXPECT_EQ(Select(f, info, 0, 0), (std::vector<int>{64}));
  f.Reset();
  EXPECT_EQ(f.SnapCount, 0);
  EXPECT_TRUE(Select(f, info, 1, 1).empty());
  EXPECT_EQ(f.FormatStepKeys().Str(), " - ,  - ,  - ,  - ,  - ");
}

// Two keys in arrival order, C5 (velocity 100) and E5 (velocity 70); fixed key C6, step
// velocity 50. Notes and velocities of StepKeys slots 2..4 for each missing-key mode
// (0 = empty).
TEST(InputKeyFilter, MissingKeySubstitution) {
  struct Case { int mode; int notes[3]; int velocities[3]; };
  const Case cases[] = {
      {0, {0, 0, 0}, {0, 0, 0}},          {1, {60, 64, 60}, {100, 70, 100}},
      {2, {72, 76, 72}, {100, 70, 100}},  {3, {48, 52, 48}, {100, 70, 100}},
      {4, {60, 60, 60}, {100, 100, 100}}, {5, {72, 72, 72}, {100, 100, 100}},
      {6, {48, 48, 48}, {100, 100, 100}}, {7, {64, 64, 64}, {70, 70, 70}},
      {8, {76, 76, 76}, {70, 70, 70}},    {9, {52, 52, 52}, {70, 70, 70}},
      {10, {72, 72, 72}, {50, 50, 50}},   {11, {84, 84, 84}, {50, 50, 50}},
      {12, {60, 60, 60}, {50, 50, 50}},
  };
  for (const Case& c : cases) {
    TInKeyFilter f;
    f.KeyOn(60, 100, 0);
    f.KeyOn(64, 70, 0);
    TStepInfo info = Info(1, c.mode);
    info.fixedKey = 72;
    info.velocity = 50;
    Select(f, info);
    EXPECT_EQ(f.StepKeys[0].Note, 60);
    EXPECT_EQ(f.StepKeys[1].Note, 64);
    for (int slot = 2; slot < 5; ++slot) {
      const TKeyRec& k = f.StepKeys[slot];
      EXPECT_EQ(k.Count != 0 ? k.Note : 0, c.notes[slot - 2]) << "mode " << c.mode << " slot " << slot;
      EXPECT_EQ(k.Count != 0 ? k.Velocity : 0, c.velocities[slot - 2]) << "mode " << c.mode << " slot " << slot;
    }
    EXPECT_EQ(f.StepKeys[5].Count, 0) << "mode " << c.mode;
  }
}

TEST(InputKeyFilter, OctaveSubstitutesStayInsideTheMidiRange) {
  // Before: the shift wrapped in the note byte, so a low key an octave down became a top note.
  struct Case { const char* what; int key; int mode; int fixedKey; int expected; };
  const Case cases[] = {
      {"first key below C0", 5, 6, 64, 5},
      {"cyclic above G10", 120, 2, 64, 120},
      {"last key, top note", 127, 8, 64, 127},
      {"fixed key above G10", 64, 11, 127, 127},
      {"fixed key below C0", 64, 12, 3, 3},
      {"in range still moves", 20, 3, 64, 8},
  };
  for (const Case& c : cases) {
    TInKeyFilter f;
    f.KeyOn(c.key, 100, 0);
    TStepInfo info = Info(2, c.mode);
    info.fixedKey = c.fixedKey;
    EXPECT_EQ(Select(f, info), (std::vector<int>{c.expected})) << c.what;
    EXPECT_EQ(f.FormatStepKeys().Str().find('('), std::string::npos) << c.what;
  }
}

TEST(InputKeyFilter, KeySelect) {
  struct Case { const char* what; std::vector<int> keys; int keySelect; int missingKey; std::vector<int> expected; };
  const Case cases[] = {
      {"Fix plays the fixed key", {60, 64}, 0, 0, {77}},
      {"k2 picks the second key", {60, 64, 67}, 2, 0, {64}},
      {"k5 with three keys and don't play", {60, 64, 67}, 5, 0, {}},
      {"k4 of two keys, cyclic +1 oct.", {60, 64}, 4, 2, {76}},
      {"k4 of two keys, don't play", {60, 64}, 4, 0, {}},
      {"Chr of seven keys plays five", {60, 62, 64, 65, 67, 69, 71}, 6, 0, {60, 62, 64, 65, 67}},
      {"Chr never takes substitutes", {60, 64}, 6, 1, {60, 64}},
  };
  for (const Case& c : cases) {
    TInKeyFilter f;
    for (int n : c.keys) f.KeyOn(n, 100, 0);
    TStepInfo info = Info(c.keySelect, c.missingKey);
    info.fixedKey = 77;
    EXPECT_EQ(Select(f, info), c.expected) << c.what;
  }
}

TEST(InputKeyFilter, SelectedKeysArePresentOnceWithNoTiming) {
  TInKeyFilter f;
  f.KeyOn(60, 100, 0);
  f.KeyOn(60, 100, 0);  // held twice
  TKeyList out{};
  f.SelectKeys(Info(1), 0, 0, out);
  EXPECT_EQ(out[0].Count, 1);
  EXPECT_EQ(out[0].Velocity, 100);
  EXPECT_EQ(float(out[0].Length), 0.0f);  // a copy: the packed field is misaligned
  EXPECT_EQ(out[1].Count, 0);
}

TEST(InputKeyFilter, NoStepOrNoKeysGiveNoNotes) {
  TInKeyFilter f;
  EXPECT_TRUE(Select(f, Info(0)).empty());  // no keys, even for a fixed-key step
  f.KeyOn(60, 100, 0);
  EXPECT_TRUE(Select(f, Info(1), -1).empty());
  EXPECT_EQ(f.SnapCount, 1);  // the snapshot is still taken
}
