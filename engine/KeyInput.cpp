#include "engine/KeyInput.h"

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
  const bool isKeyUp = msg.status == 0x80 || (msg.status == 0x90 && msg.data2 == 0);
  return isKeyUp && (heldChannels_[msg.data1 & 0x7F] & (1u << msg.channel)) != 0;
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
  // The note-off releases a pitch its note-on sent, on the channel it went out on, even if the
  // transpose, scale, range, channel or thru settings changed in between. The pitch ends when
  // its last hold, from any key, is released.
  TThruSent& sent = thruSent_[note];
  if (sent.runs == 0) return;
  const int pitch = sent.pitch[sent.runs - 1];
  if (--sent.holds[sent.runs - 1] == 0) --sent.runs;
  if (thruHolds_[pitch] == 0 || --thruHolds_[pitch] > 0) return;
  thruPool_.RemoveKey(MakeKey(pitch, 0));
  out.Emit(0x80, thruChannel_[pitch], pitch, velocity);
}

void TKeyInput::ReleaseThru(TMidiOutList& out) {
  for (int i = 0; i < thruPool_.Count; ++i)
    out.Emit(0x80, thruChannel_[thruPool_.Keys[i].Note], thruPool_.Keys[i].Note, thruPool_.Keys[i].Velocity);
  thruPool_.Clear();
  thruSent_.fill(TThruSent{});
  thruHolds_.fill(0);
}
