#include "engine/KeyInput.h"

#include <algorithm>

#include "engine/KeyUtils.h"
#include "engine/MidiOut.h"

namespace {

int HoldCount(const TKeyPool& pool, int note) {
  for (int i = 0; i < pool.Count; ++i)
    if (pool.Keys[i].Note == note) return pool.Keys[i].Count;
  return 0;
}

}  // namespace

bool TKeyInput::Admits(const TMidiMsg& msg, int inChannel) const {
  if (inChannel == 0 || msg.channel == inChannel - 1) return true;
  const uint16_t channel = static_cast<uint16_t>(1u << msg.channel);
  const bool isKeyUp = msg.status == 0x80 || (msg.status == 0x90 && msg.data2 == 0);
  if (isKeyUp) return (heldChannels_[msg.data1 & 0x7F] & channel) != 0;
  // "All notes off" and "all sound off" count on every channel a held key came in on.
  const bool isAllOff = msg.status == 0xB0 && (msg.data1 == 120 || msg.data1 == 123);
  return isAllOff && std::any_of(heldChannels_.begin(), heldChannels_.end(),
                                 [channel](uint16_t held) { return (held & channel) != 0; });
}

void TKeyInput::KeyDown(int note, int velocity, int channel, int latch) {
  filter_.KeyOn(note, velocity, latch);
  heldChannels_[note] |= static_cast<uint16_t>(1u << channel);
}

void TKeyInput::KeyUp(int note, int velocity, int latch, TMidiOutList& out) {
  filter_.KeyOff(note, latch);
  ThruOff(note, velocity, out);
  // The key's channels are forgotten once nothing it started still holds the note.
  if (HoldCount(filter_.HeldPool, note) == 0 && thruSent_[note].runs == 0) heldChannels_[note] = 0;
}

void TKeyInput::Reset(bool channels) {
  filter_.Reset();
  if (channels) heldChannels_.fill(0);
}

int TKeyInput::ThruOn(int note, int velocity, int outChannel, const TTransformSettings& transform, TMidiOutList& out) {
  TThruSent& sent = thruSent_[note];
  int pitch = TransformNote(note, 0, true, false, transform, filter_.GetDetectedChord());
  // A key held again under yet other settings, with every record of it taken, holds the pitch
  // it sounds last: nothing new starts, and nothing is left without its release.
  if (sent.runs == TThruSent::kRuns && sent.pitch[sent.runs - 1] != pitch) pitch = sent.pitch[sent.runs - 1];
  int started = -1;
  if (thruHolds_[pitch] == 0) {
    // A note that cannot start is not kept either: a full list or a full pool refuses it.
    if (!out.RoomForNoteOn() || !thruPool_.AddKey(MakeKey(pitch, velocity))) return -1;
    thruChannel_[pitch] = static_cast<uint8_t>(outChannel);
    out.Emit(0x90, outChannel, pitch, velocity);
    started = pitch;
  }
  ++thruHolds_[pitch];
  if (sent.runs > 0 && sent.pitch[sent.runs - 1] == pitch) {
    ++sent.holds[sent.runs - 1];
  } else {
    sent.pitch[sent.runs] = static_cast<uint8_t>(pitch);
    sent.holds[sent.runs] = 1;
    ++sent.runs;
  }
  return started;
}

void TKeyInput::ThruOff(int note, int velocity, TMidiOutList& out) {
  // The note-off releases the pitches its note-ons sent, on the channel each went out on, even
  // if the transpose, scale, range, channel or thru settings changed in between; every hold of
  // the key goes, however often it was struck. A pitch ends when no key holds it any more.
  TThruSent& sent = thruSent_[note];
  for (int run = sent.runs - 1; run >= 0; --run) {
    const int pitch = sent.pitch[run];
    if (thruHolds_[pitch] == 0) continue;
    thruHolds_[pitch] -= std::min(thruHolds_[pitch], sent.holds[run]);
    if (thruHolds_[pitch] > 0) continue;
    thruPool_.RemoveKey(MakeKey(pitch, 0));
    out.Emit(0x80, thruChannel_[pitch], pitch, velocity);
  }
  sent = TThruSent{};
}

void TKeyInput::ReleaseThru(TMidiOutList& out) {
  for (int i = 0; i < thruPool_.Count; ++i)
    out.Emit(0x80, thruChannel_[thruPool_.Keys[i].Note], thruPool_.Keys[i].Note, thruPool_.Keys[i].Velocity);
  thruPool_.Clear();
  thruSent_.fill(TThruSent{});
  thruHolds_.fill(0);
}
