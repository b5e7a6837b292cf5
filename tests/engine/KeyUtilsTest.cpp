// Note names and the key-list texts of the status panel.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "engine/KeyUtils.h"

namespace {

TKeyList ListOf(std::initializer_list<std::pair<int, int>> slotNotes) {
  TKeyList list{};
  for (auto [slot, note] : slotNotes) list[slot] = MakeKey(note, 100);
  return list;
}

}  // namespace

TEST(KeyUtils, Interval12FoldsIntoOneOctave) {
  struct Case { int from, to, expected; };
  const Case cases[] = {{64, 60, 8}, {60, 64, 4}, {0, 12, 0}, {0, 127, 7}, {127, 0, 5}, {60, 60, 0}};
  for (const Case& c : cases) EXPECT_EQ(Interval12(c.from, c.to), c.expected) << c.from << "->" << c.to;
}

TEST(KeyUtils, EveryNoteNameIsPitchClassAndOctave) {
  const char* pitch[12] = {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "G#", "A", "Bb", "B"};
  for (int n = 0; n < 128; ++n) {
    const std::string expected = pitch[n % 12] + std::to_string(n / 12);
    ASSERT_LE(expected.size(), 4u);
    char field[4] = {};
    std::memcpy(field, expected.data(), expected.size());
    EXPECT_EQ(std::memcmp(NoteNames[n], field, 4), 0) << "note " << n;  // zero-padded field
    EXPECT_EQ(NoteName(n).Str(), expected);
  }
  for (int k = 0; k < 12; ++k) EXPECT_STREQ(KeyNames[k], pitch[k]);
}

TEST(KeyUtils, NoteName) {
  struct Case { int note, maxLen; const char* expected; };
  const Case cases[] = {
      {0, 255, "C0"},   {61, 255, "C#5"},  {104, 255, "G#8"}, {120, 255, "C10"},
      {127, 255, "G10"}, {108, 255, "C9"}, {105, 255, "A8"},  {126, 255, "F#10"},
      {121, 2, "C#"},   {60, 0, ""},
      // Octave substitutes and chord tones past the MIDI range keep a readable name.
      {-7, 255, "(-7)"}, {132, 255, "(132)"}, {132, 3, "(13"},
  };
  for (const Case& c : cases) EXPECT_EQ(NoteName(c.note, c.maxLen).Str(), c.expected) << c.note;
}

TEST(KeyUtils, FormatKeySlotsShowsFiveSlotsWithPlaceholders) {
  EXPECT_EQ(FormatKeySlots(TKeyList{}).Str(), " - ,  - ,  - ,  - ,  - ");
  const TKeyList chord = ListOf({{0, 48}, {1, 52}, {2, 55}});
  EXPECT_EQ(FormatKeySlots(chord).Str(), "C4, E4, G4,  - ,  - ");
  EXPECT_EQ(FormatKeySlots(ListOf({{1, 60}})).Str(), " - , C5,  - ,  - ,  - ");
  EXPECT_EQ(FormatKeySlots(ListOf({{5, 60}})).Str(), " - ,  - ,  - ,  - ,  - ");  // only five slots
  EXPECT_EQ(FormatKeySlots(chord, 7).Str(), "C4, E4,");
}

TEST(KeyUtils, FormatKeyListJoinsUsedSlotsOnly) {
  EXPECT_EQ(FormatKeyList(TKeyList{}).Str(), "");
  EXPECT_EQ(FormatKeyList(ListOf({{3, 61}})).Str(), "C#5");
  EXPECT_EQ(FormatKeyList(ListOf({{0, 48}, {7, 55}})).Str(), "C4, G4");
  EXPECT_EQ(FormatKeyList(ListOf({{0, 48}, {7, 55}}), 4).Str(), "C4, ");
}
