#include "tools/render/Resolution.h"

#include <algorithm>

int OutputDivision(int inputDivision, int ppq) {
  return ppq > 0 ? ppq : std::max(inputDivision, kFinestDefaultDivision);
}

int64_t RescaleTick(int64_t tick, int from, int to) {
  if (from == to || from <= 0) return tick;
  const __int128 twice = static_cast<__int128>(tick) * to * 2 + from;
  return static_cast<int64_t>(twice / (2 * static_cast<__int128>(from)));
}

std::vector<TTempoChange> RescaleTempos(const std::vector<TTempoChange>& tempos, int from, int to) {
  std::vector<TTempoChange> out = tempos;
  for (TTempoChange& t : out) t.tick = RescaleTick(t.tick, from, to);
  return out;
}

TMidiSong AtDivision(const TMidiSong& song, int division) {
  TMidiSong out = song;
  out.division = division;
  for (TMidiFileEvent& e : out.events) e.tick = RescaleTick(e.tick, song.division, division);
  out.tempos = RescaleTempos(song.tempos, song.division, division);
  for (TTimeSignature& m : out.meters) m.tick = RescaleTick(m.tick, song.division, division);
  out.endTick = RescaleTick(song.endTick, song.division, division);
  return out;
}
