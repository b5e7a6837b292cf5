#include "engine/MidiOut.h"

bool TMidiOutList::Emit(int message, int channel, int data1, int data2) {
  const int limit = message == 0x80 ? kCapacity : kCapacity - kNoteOffReserve;
  if (count_ >= limit) return false;
  queued_[count_++] = TQueued{static_cast<uint8_t>(message), static_cast<uint8_t>(channel & 0x0F),
                              static_cast<uint8_t>(data1 & 0x7F), static_cast<uint8_t>(data2 & 0x7F), frame_};
  return true;
}

std::span<const TMidiOut> TMidiOutList::Finish() {
  sentCount_ = 0;
  for (int begin = 0; begin < count_;) {
    int end = begin + 1;
    while (end < count_ && queued_[end].frame == queued_[begin].frame) ++end;
    OrderFrame(begin, end);
    begin = end;
  }
  count_ = 0;
  return {sent_.data(), static_cast<size_t>(sentCount_)};
}

void TMidiOutList::OrderFrame(int begin, int end) {
  // The messages of one frame go out note-offs first. The block makes them in that order; only
  // incoming MIDI, handled before the block, can put a note-on ahead of the block's note-offs.
  // A note-off that ends a note started on the same frame (a note passed through and released
  // within one event list) stays behind its note-on.
  auto isOn = [](const TQueued& m) { return m.message == 0x90; };
  auto isOff = [](const TQueued& m) { return m.message == 0x80; };
  auto send = [this](const TQueued& m) {
    sent_[sentCount_++] = TMidiOut{m.frame, static_cast<uint8_t>(m.message + m.channel), m.data1, m.data2};
  };
  auto endsEarlierNote = [&](int i) {
    for (int j = begin; j < i; ++j)
      if (isOn(queued_[j]) && queued_[j].channel == queued_[i].channel && queued_[j].data1 == queued_[i].data1)
        return true;
    return false;
  };
  int firstOn = end;
  for (int i = begin; i < end && firstOn == end; ++i)
    if (isOn(queued_[i])) firstOn = i;
  bool offAfterOn = false;
  for (int i = firstOn + 1; i < end && !offAfterOn; ++i) offAfterOn = isOff(queued_[i]);
  if (!offAfterOn) {
    for (int i = begin; i < end; ++i) send(queued_[i]);
    return;
  }
  for (int i = begin; i < end; ++i) {
    if (isOff(queued_[i]) && !endsEarlierNote(i)) {
      send(queued_[i]);
      queued_[i].message = 0;  // sent
    }
  }
  for (int i = begin; i < end; ++i)
    if (queued_[i].message != 0) send(queued_[i]);
}
