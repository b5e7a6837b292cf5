#include "engine/Chords.h"

#include <algorithm>
#include <cstring>

#include "engine/KeyUtils.h"

namespace {

// Four-key patterns first, then three-key ones that also name chords missing a fifth or
// a third, then two-key ones that complete a triad.
constexpr auto kChords = std::to_array<TChordEntry>({
    {4, 4, {4, 7, 10}, {0, 4, 7, 10}, "dom7"},
    {4, 4, {4, 7, 11}, {0, 4, 7, 11}, "maj7"},
    {4, 4, {3, 7, 10}, {0, 3, 7, 10}, "m7"},
    {4, 4, {3, 6, 9}, {0, 3, 6, 9}, "dim7"},
    {3, 3, {4, 7, 0}, {0, 4, 7, 0}, "maj"},
    {3, 3, {3, 7, 0}, {0, 3, 7, 0}, "m"},
    {3, 3, {3, 6, 0}, {0, 3, 6, 0}, "dim"},
    {3, 3, {4, 8, 0}, {0, 4, 8, 0}, "aug"},
    {3, 3, {2, 7, 0}, {0, 2, 7, 0}, "sus2"},
    {3, 3, {5, 7, 0}, {0, 5, 7, 0}, "sus4"},
    {3, 4, {4, 10, 0}, {0, 4, 7, 10}, "dom7"},
    {3, 3, {7, 10, 0}, {0, 7, 10, 0}, "7"},
    {3, 4, {4, 11, 0}, {0, 4, 7, 11}, "maj7"},
    {3, 4, {7, 11, 0}, {0, 4, 7, 11}, "maj7"},
    {3, 4, {3, 10, 0}, {0, 3, 7, 10}, "m7"},
    {3, 4, {6, 9, 0}, {0, 3, 6, 9}, "dim7"},
    {2, 3, {4, 0, 0}, {0, 4, 7, 0}, "maj"},
    {2, 3, {3, 0, 0}, {0, 3, 7, 0}, "m"},
    {2, 3, {6, 0, 0}, {0, 3, 6, 0}, "dim"},
    {2, 3, {8, 0, 0}, {0, 4, 8, 0}, "aug"},
    {2, 3, {2, 0, 0}, {0, 2, 7, 0}, "sus2"},
    {2, 3, {5, 0, 0}, {0, 5, 7, 0}, "sus4"},
});
static_assert(kChords.size() == gMaxChords, "gNum <> gMaxChords");

constexpr bool TonesFitTheirRecords() {
  for (const TChordEntry& e : kChords)
    if (e.ToneCount < 1 || e.ToneCount > 4 || e.KeyCount < 2 || e.KeyCount > 4) return false;
  return true;
}
static_assert(TonesFitTheirRecords(), "chord entries have 2..4 keys and 1..4 tones");

void SetName(char (&dest)[9], const char* name) {
  std::strncpy(dest, name, sizeof dest - 1);
  dest[sizeof dest - 1] = 0;
}

// The intervals above a root as a set of semitones (bit i = i semitones up).
uint16_t PatternMask(const TChordEntry& entry) {
  uint16_t mask = 0;
  for (int j = 0; j < entry.KeyCount - 1; ++j) mask = static_cast<uint16_t>(mask | 1u << entry.Pattern[j]);
  return mask;
}

// The pitch classes held, each once, in the order of their lowest key, with that key.
struct TPitchClasses {
  int count = 0;
  int pitchClass[12] = {};
  int lowestKey[12] = {};
};

TPitchClasses CollapseDoublings(const int* keys, int n) {
  TPitchClasses held;
  bool seen[12] = {};
  for (int i = 0; i < n; ++i) {
    const int pc = Interval12(0, keys[i]);
    if (seen[pc]) continue;
    seen[pc] = true;
    held.pitchClass[held.count] = pc;
    held.lowestKey[held.count] = keys[i];
    ++held.count;
  }
  return held;
}

// The tone "as played" starts from. A chord whose every tone is held starts from the tone in
// the bass, however the others are spread above it. A chord with a tone missing counts the
// keys below its root as its top tones, as they are in close position.
int BassTone(const TChordEntry& entry, const TDetectedChord& chord, int lowestKey) {
  const int tones = entry.ToneCount;
  if (entry.KeyCount == tones)
    for (int t = 0; t < tones; ++t)
      if (Interval12(chord.RootNote, lowestKey) == entry.Tones[t]) return t;
  return (tones - chord.RootIndex % tones) % tones;
}

}  // namespace

const std::array<TChordEntry, gMaxChords> ChordTable = kChords;

TDetectedChord DetectChord(const TKeyPool& pitchPool, const TDetectedChord& prev) {
  TDetectedChord result = prev;
  result.ChordIndex = kNoChord;
  SetName(result.Name, "");
  result.Suffix[0] = 0;

  int keys[kKeyListSize] = {};
  const int n = std::clamp<int32_t>(pitchPool.Count, 0, kKeyListSize);
  for (int i = 0; i < n; ++i) keys[i] = pitchPool.Keys[i].Note;
  std::sort(keys, keys + n);  // the pool is in pitch order already; the names rely on it

  if (n == 0) {
    SetName(result.Name, "none");  // the root fields keep their old values
    return result;
  }
  result.RootIndex = 0;
  result.RootNote = static_cast<uint8_t>(keys[0]);

  // The chord is the set of pitch classes held, whatever the voicing: octaves and doublings
  // name nothing of their own. Each held pitch class is tried as the root, from the lowest
  // key upward, against the entries in table order; the root is the lowest key of its class.
  const TPitchClasses held = CollapseDoublings(keys, n);
  if (held.count == 1) return result;
  for (int i = 0; i < held.count; ++i) {
    uint16_t above = 0;
    for (int k = 0; k < held.count; ++k)
      if (k != i) above = static_cast<uint16_t>(above | 1u << Interval12(held.pitchClass[i], held.pitchClass[k]));
    for (int s = 0; s < gMaxChords; ++s) {
      if (ChordTable[s].KeyCount != held.count || PatternMask(ChordTable[s]) != above) continue;
      SetName(result.Name, ChordTable[s].Name);
      result.RootIndex = static_cast<uint8_t>(i);
      result.RootNote = static_cast<uint8_t>(held.lowestKey[i]);
      result.ChordIndex = static_cast<uint8_t>(s);
      return result;
    }
  }
  SetName(result.Name, "(?)");
  return result;
}

ShortText FormatChordText(const TDetectedChord& chord, int maxLen) {
  ShortText text;
  if (std::strcmp(chord.Name, "none") == 0) {
    text.Append("-", maxLen);
    return text;
  }
  text.Append(KeyNames[Interval12(0, chord.RootNote)], maxLen);
  text.Append(" ", maxLen);
  text.Append(std::string_view(chord.Name, strnlen(chord.Name, sizeof chord.Name)), maxLen);
  text.Append(std::string_view(chord.Suffix, strnlen(chord.Suffix, sizeof chord.Suffix)), maxLen);
  return text;
}

int ChordKeys(const TDetectedChord& chord, const TKeyPool& pitchPool, bool asPlayed, TKeyList& list) {
  list = pitchPool.Keys;
  if (!chord.HasChord() || chord.ChordIndex >= gMaxChords || pitchPool.Count <= 0) return -1;

  const TChordEntry& entry = ChordTable[chord.ChordIndex];
  const int tones = entry.ToneCount;
  list = TKeyList{};
  // A tone whose key is not held takes the velocity of the key read last; the first
  // tone of an inversion may have none read yet and then takes the lowest key's.
  TKeyRec source{};
  pitchPool.GetKey(0, source);
  const int first = asPlayed ? BassTone(entry, chord, source.Note) : 0;
  int previousNote = -1;
  for (int i = 0; i < tones; ++i) {
    const int idx = (first + i) % tones;
    pitchPool.GetKey(idx, source);
    int note = chord.RootNote + entry.Tones[idx];
    if (!asPlayed && note < previousNote) note += 12;
    previousNote = note;
    list[i].Count = 1;
    list[i].Note = static_cast<uint8_t>(note);
    list[i].Velocity = source.Velocity;
  }
  return tones;
}
