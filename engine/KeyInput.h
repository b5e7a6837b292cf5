#pragma once
// TKeyInput: the keys the player holds, as incoming notes leave them, and the notes passed
// through while the arpeggiator is off. It remembers on which channels each key came in (so
// that its key-up is honoured whatever the input channel is by then) and which pitches each
// key sent through (so that its key-up ends exactly those, whatever the settings are by then).
// Audio thread (or the lock's holder), under the engine lock.
#include <array>
#include <cstdint>

#include "engine/InputKeyFilter.h"
#include "engine/KeyPool.h"
#include "engine/MidiTypes.h"
#include "engine/StepNotes.h"

class TMidiOutList;

class TKeyInput {
 public:
  const TInKeyFilter& Filter() const { return filter_; }
  TInKeyFilter& Filter() { return filter_; }
  int ActiveCount() const { return filter_.ActiveCount(); }

  // The channel filter: a message from another channel than `inChannel` (1..16; 0 all) is
  // dropped, but a key-up whose key-down was admitted is honoured, and so is "all notes off"
  // or "all sound off" on a channel a key still held came in on.
  bool Admits(const TMidiMsg& msg, int inChannel) const;
  void KeyDown(int note, int velocity, int channel, int latch);
  // The key goes up: in the key filter, and every pitch it sent through ends.
  void KeyUp(int note, int velocity, int latch, TMidiOutList& out);
  // The key filter forgets every key; with `channels` also where they came in.
  void Reset(bool channels);
  void ReleaseLatch() { filter_.ReleaseLatch(); }

  // A key passed through, transformed. Answers the pitch that started sounding, or -1 when
  // the pitch sounded already or could not start (a full list or pool).
  int ThruOn(int note, int velocity, int outChannel, const TTransformSettings& transform, TMidiOutList& out);
  // Every thru note ends now.
  void ReleaseThru(TMidiOutList& out);

 private:
  void ThruOff(int note, int velocity, TMidiOutList& out);

  TInKeyFilter filter_;
  // The input channels whose key-down of each note reached the key filter.
  std::array<uint16_t, 128> heldChannels_{};
  // The thru pitches each input note sent and has not yet released: runs of holds of one
  // pitch, the latest last. Keys are known by note alone, whatever their channel, as in the
  // key filter.
  struct TThruSent {
    static constexpr int kRuns = 4;
    uint8_t runs = 0;
    uint8_t pitch[kRuns] = {};
    uint32_t holds[kRuns] = {};
  };
  std::array<TThruSent, 128> thruSent_{};
  std::array<uint32_t, 128> thruHolds_{};  // holds of each thru pitch sounding, from every key
  TKeyPool thruPool_;                       // thru notes sounding
  std::array<uint8_t, 128> thruChannel_{};  // the channel each thru pitch went out on
};
