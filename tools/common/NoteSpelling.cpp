#include "tools/common/NoteSpelling.h"

#include <charconv>

namespace {

struct TSpelledNote {
  int pitch = 0;  // the letter's pitch with its sharp or flat, -1..12
  std::optional<int> octave;
};

std::optional<TSpelledNote> Spell(std::string_view text) {
  static const int kLetterPitch[7] = {9, 11, 0, 2, 4, 5, 7};  // A .. G
  if (text.empty()) return std::nullopt;
  const char letter = static_cast<char>(text[0] | 0x20);  // lower case
  if (letter < 'a' || letter > 'g') return std::nullopt;
  TSpelledNote note;
  note.pitch = kLetterPitch[letter - 'a'];
  text.remove_prefix(1);
  if (!text.empty() && (text[0] == '#' || text[0] == 'b' || text[0] == 'B')) {
    note.pitch += text[0] == '#' ? 1 : -1;
    text.remove_prefix(1);
  }
  if (text.empty()) return note;
  int octave = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), octave);
  if (ec != std::errc() || end != text.data() + text.size() || text.size() > 2) return std::nullopt;
  note.octave = octave;
  return note;
}

}  // namespace

std::optional<int> ParseNoteName(std::string_view text) {
  const auto note = Spell(text);
  if (!note || !note->octave) return std::nullopt;
  const int number = *note->octave * 12 + note->pitch;
  if (number < 0 || number > 127) return std::nullopt;
  return number;
}

std::optional<int> ParsePitchClass(std::string_view text) {
  const auto note = Spell(text);
  if (!note || note->octave) return std::nullopt;
  return (note->pitch + 12) % 12;
}

bool SameNote(std::string_view a, std::string_view b) {
  if (const auto n = ParseNoteName(a)) return n == ParseNoteName(b);
  if (const auto k = ParsePitchClass(a)) return k == ParsePitchClass(b);
  return false;
}
