// Incoming MIDI: keys for the filter, the engine's own clock, thru notes, program changes
// and the few messages passed on unchanged.
#include <algorithm>
#include <cstddef>
#include <limits>

#include "engine/KeyUtils.h"
#include "engine/PlugCore.h"

namespace {

int HoldCount(const TKeyPool& pool, int note) {
  for (int i = 0; i < pool.Count; ++i)
    if (pool.Keys[i].Note == note) return pool.Keys[i].Count;
  return 0;
}

}  // namespace

void TPlugCore::HandleMidiIn(int channel, int status, int data1, int data2) {
  const TRealtimeScope realtime;
  const TMidiMsg msg{static_cast<uint8_t>(channel & 0x0F), static_cast<uint8_t>(status & 0xF0),
                     static_cast<uint8_t>(data1 & 0x7F), static_cast<uint8_t>(data2 & 0x7F)};
  if (lock.TryLock()) {
    ServiceRequests();  // anything queued earlier goes first
    HandleMidiLocked(msg);
    UnlockServicing();
  } else {
    midiIn.Push(msg);  // handled by the lock's holder, or before the next block
  }
}

int TPlugCore::InputFrame(std::span<const TMidiEvent> input, int position, int sampleFrames) const {
  const int index = inputSorted ? position : inputOrder[position];
  return std::clamp(input[index].frame, 0, std::max(0, sampleFrames - 1));
}

int TPlugCore::OrderInput(std::span<const TMidiEvent> input) {
  // Hosts hand their lists in frame order; anything else is sorted by frame here, keeping the
  // list's order within a frame. A list too long to sort is taken in its own order, no message
  // ever before the one ahead of it in the list.
  const int count = static_cast<int>(std::min<size_t>(input.size(), static_cast<size_t>(std::numeric_limits<int>::max())));
  inputSorted = true;
  for (int i = 1; i < count && inputSorted; ++i) inputSorted = input[i - 1].frame <= input[i].frame;
  if (inputSorted || count > kMaxBlockInput) {
    inputSorted = true;
    return count;
  }
  for (int i = 0; i < count; ++i) inputOrder[i] = static_cast<uint16_t>(i);
  std::sort(inputOrder.begin(), inputOrder.begin() + count, [&](uint16_t a, uint16_t b) {
    const int32_t fa = input[a].frame, fb = input[b].frame;
    return fa != fb ? fa < fb : a < b;
  });
  inputSorted = false;
  return count;
}

void TPlugCore::HandleMidiInList(std::span<const TMidiEvent> input) {
  const int count = OrderInput(input);
  for (int i = 0; i < count; ++i) {
    const TMidiMsg& m = input[inputSorted ? i : inputOrder[i]].msg;
    HandleMidiIn(m.channel, m.status, m.data1, m.data2);
  }
}

bool TPlugCore::HandleMidiLocked(const TMidiMsg& msg) {
  EnsureCurrentProgram();
  // The arpeggiator switched since the last block ends what sounded before the switch now, so
  // that a key arriving after it, as a thru note, is not cut by the block that follows.
  const bool releasedAll = TakeFlag(ReleaseAll, std::memory_order_relaxed);
  if (releasedAll) ReleaseNotes(true, false);
  const bool arpEnabled = GetParam(tagArpEnabled) == 1;
  const bool thruOn = GetParam(tagMIDIThruOn) == 1;
  const int inChannel = GetParam(tagMIDIIn_Ch);
  const int outChannel = std::clamp(GetParam(tagMIDIOut_Ch) - 1, 0, 15);
  const int restartOnKey = GetParam(tagRestartOnKey);
  const int latch = GetParam(tagLatch);
  const int note = msg.data1;
  const bool isKeyUp = msg.status == 0x80 || (msg.status == 0x90 && msg.data2 == 0);
  const uint16_t channelBit = static_cast<uint16_t>(1u << msg.channel);
  // A key-up whose key-down was admitted is honoured even if the input channel changed since.
  const bool admittedKeyUp = isKeyUp && (HeldChannels[note] & channelBit) != 0;
  if (inChannel != 0 && msg.channel != inChannel - 1 && !admittedKeyUp) return releasedAll;

  switch (msg.status) {
    case 0x90:
      if (msg.data2 > 0) {
        if (note < GetParam(tagInRange_Low) || note > GetParam(tagInRange_High)) return releasedAll;
        if (KeyFilter.ActiveCount() == 0 && restartOnKey == 1) {
          // With the transport stopped the own clock starts with this key, so the pattern
          // starts at its origin, not at wherever the host's playhead is parked. While it
          // plays, the restart point is the song position at which the key takes effect: its
          // frame, or the start of the next block for a key that arrives between blocks.
          RestartPending = Playing && !inBlock;
          if (!RestartPending) RestartPpq = Playing ? PpqAt(emitFrame) : 0.0;
          RestartSynced = false;
        }
        if (KeyFilter.ActiveCount() == 0 && !Playing && arpEnabled) {
          if (KeyWait && FreeRun)
            KeyWait = false;
          else
            StartOwnClock();
        }
        KeyFilter.KeyOn(note, msg.data2, latch);
        HeldChannels[note] |= channelBit;
        KeyEvent = true;
        if (!arpEnabled && thruOn) ThruNoteOn(note, msg.data2, outChannel);
        StatusDirty.store(true, std::memory_order_relaxed);
        return true;
      }
      [[fallthrough]];  // a note-on with velocity 0 is a note-off
    case 0x80:
      KeyFilter.KeyOff(note, latch);
      if (KeyFilter.ActiveCount() == 0 && !Playing) {
        if (restartOnKey == 1) {
          // The own clock stops at once; its notes would never reach their ends.
          if (FreeRun) ReleaseArpNotes = true;
          FreeRun = false;
          KeyWait = false;
        } else if (FreeRun) {
          KeyWait = true;
        }
      }
      KeyWaitSamples = -emitFrame;  // the second of the key wait counts from this frame
      ThruNoteOff(note, msg.data2);
      // The key's channels are forgotten once nothing it started still holds the note.
      if (HoldCount(KeyFilter.HeldPool, note) == 0 && ThruSent[note].runs == 0) HeldChannels[note] = 0;
      StatusDirty.store(true, std::memory_order_relaxed);
      return true;
    case 0xC0:
      SelectProgramLocked(std::min<int>(msg.data1, kNumPrograms - 1));
      return true;
    case 0xB0:
      if (msg.data1 == 1) Emit(0xB0, outChannel, 1, msg.data2);
      return releasedAll;
    case 0xE0:
    case 0xA0:
    case 0xD0:
      Emit(msg.status, outChannel, msg.data1, msg.data2);
      return releasedAll;
    default:
      return releasedAll;
  }
}

void TPlugCore::ThruNoteOn(int note, int velocity, int outChannel) {
  TThruSent& sent = ThruSent[note];
  int pitch = TransformNote(note, 0, true, false, TransformSettings(), KeyFilter.GetDetectedChord());
  // A key held again under yet other settings, with every record of it taken, holds the pitch
  // it sounds last: nothing new starts, and nothing is left without its release.
  if (sent.runs == TThruSent::kRuns && sent.pitch[sent.runs - 1] != pitch) pitch = sent.pitch[sent.runs - 1];
  if (ThruHolds[pitch] == 0) {
    // A note that cannot start is not kept either: a full list or a full pool refuses it.
    if (!RoomForNoteOn() || !ThruPool.AddKey(MakeKey(pitch, velocity))) return;
    ThruNoteChannel[pitch] = static_cast<uint8_t>(outChannel);
    Emit(0x90, outChannel, pitch, velocity);
    NoteOutKeys = TKeyList{};
    NoteOutKeys[0] = MakeKey(pitch, velocity);
  }
  ++ThruHolds[pitch];
  if (sent.runs > 0 && sent.pitch[sent.runs - 1] == pitch) {
    ++sent.holds[sent.runs - 1];
  } else {
    sent.pitch[sent.runs] = static_cast<uint8_t>(pitch);
    sent.holds[sent.runs] = 1;
    ++sent.runs;
  }
}

void TPlugCore::ThruNoteOff(int note, int velocity) {
  // The note-off releases a pitch its note-on sent, on the channel it went out on, even if the
  // transpose, scale, range, channel or thru settings changed in between. The pitch ends when
  // its last hold, from any key, is released.
  TThruSent& sent = ThruSent[note];
  if (sent.runs == 0) return;
  const int pitch = sent.pitch[sent.runs - 1];
  if (--sent.holds[sent.runs - 1] == 0) --sent.runs;
  if (ThruHolds[pitch] == 0 || --ThruHolds[pitch] > 0) return;
  ThruPool.RemoveKey(MakeKey(pitch, 0));
  Emit(0x80, ThruNoteChannel[pitch], pitch, velocity);
}

void TPlugCore::ReleaseThruNotes() {
  for (int i = 0; i < ThruPool.Count; ++i)
    Emit(0x80, ThruNoteChannel[ThruPool.Keys[i].Note], ThruPool.Keys[i].Note, ThruPool.Keys[i].Velocity);
  StatusDirty.store(true, std::memory_order_relaxed);
  ThruPool.Clear();
  ThruSent.fill(TThruSent{});
  ThruHolds.fill(0);
}
