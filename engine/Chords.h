#pragma once
// The chord dictionary and the record of the chord last detected among the active keys.
#include <array>
#include <cstdint>

#include "engine/KeyPool.h"
#include "engine/ShortText.h"

constexpr int gMaxChords = 22;

struct TChordEntry {
  uint8_t KeyCount;    // distinct keys this pattern matches (2, 3 or 4)
  uint8_t ToneCount;   // tones of the full chord (3 or 4)
  uint8_t Pattern[3];  // semitones above the root of the 2nd, 3rd and 4th key
  uint8_t Tones[4];    // semitones above the root of the full chord's tones
  char Name[9];
};

extern const std::array<TChordEntry, gMaxChords> ChordTable;

constexpr uint8_t kNoChord = 255;

struct TDetectedChord {
  uint8_t RootIndex = 0;          // position of the root among the held pitch classes, ordered by
                                  // their lowest keys (the key's position when no key is doubled)
  uint8_t RootNote = 0;           // MIDI note of the root's lowest key
  uint8_t ChordIndex = kNoChord;  // ChordTable entry, 255 = no chord
  char Name[9] = "none";          // "none", "" for a single key, "(?)" when nothing matches
  char Suffix[9] = "";
  bool HasChord() const { return ChordIndex != kNoChord; }
};

// Names the pitch classes of a pitch-ordered pool as a chord, in any voicing (octaves and
// doublings collapsed); `prev` supplies the root fields kept when no key is held. Bounded
// work on the caller's stack: it runs on the audio thread at every key.
TDetectedChord DetectChord(const TKeyPool& pitchPool, const TDetectedChord& prev);
// "C maj", "A m7", "C (?)", "A " for a single key, "-" for none.
ShortText FormatChordText(const TDetectedChord& chord, int maxLen = ShortText::kCapacity);
// The chord orders ("chord, normalized" = 6, "chord, as played" = 7): fill `list` with the
// chord's tones and answer their number. Without a chord the pitch pool's keys are given and
// the answer is -1 (the caller keeps its own count).
int ChordKeys(const TDetectedChord& chord, const TKeyPool& pitchPool, bool asPlayed, TKeyList& list);
