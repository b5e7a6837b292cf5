#include "engine/KeyUtils.h"

#include <charconv>
#include <cstring>

// Pitch-class name followed by the octave (note div 12). Octave 10 names with a sharp
// fill all four bytes and carry no terminator.
#define MOLTRIN_OCTAVE(d)                                                                 \
  {'C', d}, {'C', '#', d}, {'D', d}, {'E', 'b', d}, {'E', d}, {'F', d}, {'F', '#', d},   \
      {'G', d}, {'G', '#', d}, {'A', d}, {'B', 'b', d}, {'B', d}

const char NoteNames[128][4] = {
    MOLTRIN_OCTAVE('0'), MOLTRIN_OCTAVE('1'), MOLTRIN_OCTAVE('2'), MOLTRIN_OCTAVE('3'),
    MOLTRIN_OCTAVE('4'), MOLTRIN_OCTAVE('5'), MOLTRIN_OCTAVE('6'), MOLTRIN_OCTAVE('7'),
    MOLTRIN_OCTAVE('8'), MOLTRIN_OCTAVE('9'),
    {'C', '1', '0'}, {'C', '#', '1', '0'}, {'D', '1', '0'}, {'E', 'b', '1', '0'},
    {'E', '1', '0'}, {'F', '1', '0'}, {'F', '#', '1', '0'}, {'G', '1', '0'},
};

#undef MOLTRIN_OCTAVE

const char KeyNames[12][4] = {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "G#", "A", "Bb", "B"};

int Interval12(int fromNote, int toNote) {
  const int r = (toNote - fromNote) % 12;
  return r < 0 ? r + 12 : r;
}

ShortText NoteName(int note, int maxLen) {
  ShortText text;
  if (note >= 0 && note < 128) {
    const char* name = NoteNames[note];
    text.Append(std::string_view(name, strnlen(name, sizeof NoteNames[note])), maxLen);
    return text;
  }
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, note).ptr;
  text.Append("(", maxLen);
  text.Append(std::string_view(digits, static_cast<size_t>(end - digits)), maxLen);
  text.Append(")", maxLen);
  return text;
}

ShortText FormatKeySlots(const TKeyList& keys, int maxLen) {
  ShortText text;
  for (int i = 0; i < 5; ++i) {
    if (!text.Empty()) text.Append(", ", maxLen);
    if (keys[i].Count >= 1)
      text.Append(NoteName(keys[i].Note).View(), maxLen);
    else
      text.Append(" - ", maxLen);
  }
  return text;
}

ShortText FormatKeyList(const TKeyList& keys, int maxLen) {
  ShortText text;
  for (const TKeyRec& key : keys) {
    if (key.Count == 0) continue;
    if (!text.Empty()) text.Append(", ", maxLen);
    text.Append(NoteName(key.Note).View(), maxLen);
  }
  return text;
}
