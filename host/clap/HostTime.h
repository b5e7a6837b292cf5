#pragma once
// The host's time for the engine: CLAP's transport as the engine's THostTime, and the time of a
// sub-block that starts some frames into the block. A block is split where a parameter value or
// a transport change sits inside it, each part played with the time at its first frame.
#include <clap/events.h>
#include <clap/fixedpoint.h>

#include <cmath>
#include <limits>

#include "engine/Plugin.h"

// The transport at a block's (or a transport event's) frame. What the host leaves out is not a
// number, which the engine's checks refuse, keeping its previous value.
inline THostTime TimeOfTransport(const clap_event_transport_t& transport, double sampleRate) {
  constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
  THostTime t;
  t.sampleRate = sampleRate;
  t.playing = (transport.flags & CLAP_TRANSPORT_IS_PLAYING) != 0;
  t.tempo = (transport.flags & CLAP_TRANSPORT_HAS_TEMPO) != 0 ? transport.tempo : kUnknown;
  t.ppqPos = (transport.flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) != 0
                 ? static_cast<double>(transport.song_pos_beats) / static_cast<double>(CLAP_BEATTIME_FACTOR)
                 : kUnknown;
  if ((transport.flags & CLAP_TRANSPORT_HAS_SECONDS_TIMELINE) != 0)
    t.samplePos = static_cast<double>(transport.song_pos_seconds) / static_cast<double>(CLAP_SECTIME_FACTOR) * sampleRate;
  else if (t.tempo > 0)
    t.samplePos = t.ppqPos * 60.0 / t.tempo * sampleRate;  // NaN without a beat position
  else
    t.samplePos = kUnknown;
  return t;
}

// The time `frames` frames after `start`, as the engine would have reckoned it inside one
// unsplit block: the sample position moves on, the song position only while playing.
inline THostTime TimeAfter(const THostTime& start, int frames) {
  THostTime t = start;
  t.samplePos += frames;
  if (t.playing && t.sampleRate > 0 && t.tempo > 0) t.ppqPos += frames / t.sampleRate * t.tempo / 60.0;
  return t;
}

// CLAP gives positions in fixed point (2^-31 of a beat or a second): a block's position may lie
// a hundred-thousandth of a frame off where the last block ended. Where the host's position is
// that close to the time the last block reached, the block goes on from that time exactly, as
// the engine reckoned it (the engine takes a position behind its own as a jump back); any
// farther is the host's own move.
inline THostTime ContinuedTime(const THostTime& host, const THostTime& reached) {
  constexpr double kFrames = 1e-3;  // far above the fixed point's grain, far below a frame
  THostTime t = host;
  if (t.playing != reached.playing || t.tempo != reached.tempo || t.sampleRate != reached.sampleRate || !(t.tempo > 0))
    return t;
  if (std::abs(t.ppqPos - reached.ppqPos) * t.sampleRate * 60.0 / t.tempo < kFrames) t.ppqPos = reached.ppqPos;
  if (std::abs(t.samplePos - reached.samplePos) < kFrames) t.samplePos = reached.samplePos;
  return t;
}
