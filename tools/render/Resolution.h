#pragma once
// The resolution the output is written at. A coarse input (1 or 7 ticks per quarter note)
// written back at its own resolution would squeeze a 16th into no time at all.
#include <cstdint>
#include <vector>

#include "platform/MidiFile.h"

constexpr int kFinestDefaultDivision = 960;
constexpr int kMaxDivision = 0x7FFF;  // the header's field for ticks per quarter note

// `ppq` when given (not 0), else the finer of the input's division and 960.
int OutputDivision(int inputDivision, int ppq);

// A tick of one division at another, to the nearest (halves up).
int64_t RescaleTick(int64_t tick, int from, int to);
std::vector<TTempoChange> RescaleTempos(const std::vector<TTempoChange>& tempos, int from, int to);
// The song with every tick, its maps and its end at another division.
TMidiSong AtDivision(const TMidiSong& song, int division);
