#pragma once
// Notes made from note-on and note-off messages, for the table and the piano roll.
#include <cstdint>
#include <vector>

#include "platform/MidiFile.h"

struct TNote {
  int64_t start = 0;
  int64_t end = 0;
  int channel = 0;  // 0..15
  int key = 0;
  int velocity = 0;
  size_t eventIndex = 0;  // of the note-on in the list given
  size_t endIndex = 0;    // of the message that ended it, when not open
  bool open = false;      // no note-off came; `end` is the end of the render
};

// A note-off, or a note-on of velocity 0, ends the earliest sounding note of its channel and
// key. Notes are answered in the order of their note-ons.
std::vector<TNote> PairNotes(const std::vector<TMidiFileEvent>& events, int64_t endTick);
