#pragma once
// Note names and the texts that name key lists in the status panel.
#include "engine/KeyPool.h"
#include "engine/ShortText.h"

extern const char NoteNames[128][4];  // "C0" .. "G10"; 4-byte fields, zero-padded when shorter
extern const char KeyNames[12][4];    // "C" .. "B"

int Interval12(int fromNote, int toNote);  // 0..11
// The name of a note. Notes outside 0..127 (an octave substitute that left the MIDI range)
// are named by their number in parentheses.
ShortText NoteName(int note, int maxLen = ShortText::kCapacity);
ShortText FormatKeySlots(const TKeyList& keys, int maxLen = ShortText::kCapacity);
ShortText FormatKeyList(const TKeyList& keys, int maxLen = ShortText::kCapacity);
