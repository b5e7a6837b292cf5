#pragma once
// Notes as people write them on a command line: a letter, then a sharp (#) or a flat (b) or
// neither, then the octave, in any case. The plug-in spells its notes C5 (MIDI 60), C#5, Eb5,
// F#5, G#5, Bb5; D#5, db5 or A#4 name the same notes.
#include <optional>
#include <string_view>

// A note with its octave, 0..127: "C5" is 60, "D#5" and "Eb5" are 63. Nothing for anything
// else, or for a note outside the MIDI range ("Cb0", "A10").
std::optional<int> ParseNoteName(std::string_view text);
// A note without an octave, as a scale's key is named: 0 for "C" .. 11 for "B"; "A#" and
// "Bb" are 10.
std::optional<int> ParsePitchClass(std::string_view text);
// Whether two texts name the same note, or the same key without octave, in any spelling.
bool SameNote(std::string_view a, std::string_view b);
