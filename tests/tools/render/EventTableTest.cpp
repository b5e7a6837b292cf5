// Notes paired from messages, and the table printed by --list.
#include <gtest/gtest.h>

#include "tests/tools/render/RenderTestSupport.h"
#include "tools/render/EventTable.h"
#include "tools/render/NoteList.h"

namespace {

TEST(NoteList, PairsNoteOffsWithTheEarliestSoundingNote) {
  const std::vector<TMidiFileEvent> events{
      Msg(0, 0x90, 60, 100), Msg(10, 0x90, 60, 90),  // the same key twice
      Msg(20, 0x80, 60),     Msg(30, 0x90, 60, 0),   // off, and on with velocity 0
      Msg(40, 0x91, 60, 80),                         // another channel, never ended
      Msg(50, 0x80, 61),                             // an off without a note
  };
  const std::vector<TNote> notes = PairNotes(events, 100);
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_EQ(notes[0].start, 0);
  EXPECT_EQ(notes[0].end, 20);
  EXPECT_EQ(notes[0].velocity, 100);
  EXPECT_EQ(notes[1].end, 30);
  EXPECT_EQ(notes[1].endIndex, 3u);
  EXPECT_TRUE(notes[2].open);
  EXPECT_EQ(notes[2].end, 100);
  EXPECT_EQ(notes[2].channel, 1);
}

TEST(EventTable, ListsNotesWithLengthsAndOtherMessages) {
  const std::vector<TMidiFileEvent> events{Msg(0, 0x90, 60, 100), Msg(240, 0x80, 60), Msg(480, 0xB2, 7, 90),
                                       Msg(1920, 0x90, 72, 64)};
  const std::string table = FormatEventTable(events, TMeterMap(480, {}), 2400);
  const std::string expected =
      "time            ch  note           vel    length\n"
      "1:1:000          1  C5             100       240\n"
      "1:2:000          3  CC 7            90         -\n"
      "2:1:000          1  C6              64      open\n";
  EXPECT_EQ(table, expected);
}

}  // namespace
