#pragma once
// The host's transport as LV2 reports it: time:Position objects that arrive inside the input
// sequence when something changes (and at the host's whim), not once a block. Between them the
// transport moves on by itself, as the host's does. Until the first position the host gives no
// time, and the engine runs its own clock as with a stopped transport.
#include <cstdint>

#include "engine/Plugin.h"

// The URIDs of the position's keys, mapped once by the instance.
struct TPositionKeys {
  uint32_t frame = 0, speed = 0, bar = 0, barBeat = 0, beat = 0, beatUnit = 0, beatsPerBar = 0,
           beatsPerMinute = 0;
  // Number types a value may come in.
  uint32_t atomInt = 0, atomLong = 0, atomFloat = 0, atomDouble = 0;
};

class TLv2Transport {
 public:
  void SetSampleRate(double rate) { sampleRate = rate; }
  // Takes the keys a time:Position object body holds (others are ignored; values that are no
  // numbers or make no sense are skipped). `body` and `size` as the atom's body; false when
  // nothing could be read.
  bool TakePosition(const TPositionKeys& keys, const void* body, uint32_t size);
  // The host's time at this point, or null before any position.
  const THostTime* Time();
  // The transport moves on by `frames` frames.
  void Advance(uint32_t frames);
  bool Known() const { return known; }

 private:
  void UpdateTime();

  bool known = false;
  double sampleRate = 44100;
  double frame = 0;
  double speed = 0;
  double beats = 0;  // in beat units, from the song's start
  double beatUnit = 4;
  double beatsPerMinute = 120;
  THostTime time{};
};
