#pragma once
// Small songs and the echo plug-in for the render tests.
#include <initializer_list>
#include <vector>

#include "platform/MidiFile.h"

inline TMidiFileEvent Msg(int64_t tick, uint8_t status, uint8_t d1, uint8_t d2 = 0) {
  TMidiFileEvent e;
  e.tick = tick;
  e.data[0] = status;
  e.data[1] = d1;
  e.data[2] = d2;
  e.size = static_cast<uint8_t>(ChannelMessageSize(status));
  return e;
}

inline TMidiSong Song(int division, std::vector<TMidiFileEvent> events, std::vector<TTempoChange> tempos = {}) {
  TMidiSong s;
  s.division = division;
  s.events = std::move(events);
  s.tempos = std::move(tempos);
  return s;
}

inline const char* EchoPluginPath() { return MOLTRIN_ECHO_PLUGIN; }
