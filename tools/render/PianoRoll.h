#pragma once
// A piano roll of a render: the input above, the output below, on one time axis with bars
// and beats marked, note names on the pitch axis and velocity as the shade of each note.
#include <cstdint>
#include <vector>

#include "platform/Canvas.h"
#include "tools/render/MeterMap.h"
#include "tools/render/NoteList.h"

struct TPianoRollInput {
  std::vector<TNote> input;
  std::vector<TNote> output;
  int division = 480;
  int64_t endTick = 0;
};

TCanvas DrawPianoRoll(const TPianoRollInput& roll, const TMeterMap& meters);
