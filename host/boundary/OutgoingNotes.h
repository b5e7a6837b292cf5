#pragma once
// What a plug-in hands the host's output list, between the engine's list and the host's. It
// follows every note started in the host and not yet ended, and never loses a note-off. A host's
// list may take fewer messages than the engine sends (an LV2 buffer of a few bytes, a CLAP list
// whose try_push refuses): a note-on, or any other message, goes only while the list keeps room
// for the offs of every note sounding; an off the host does not take is owed, and the owed offs
// lead the next block at its first frame. A note-on that cannot go is dropped, never sent late,
// and so is the off the engine later sends for it. Audio thread; fixed size, nothing allocates.
//
// `send(status, data1, data2)` writes one message into the host's list at the frame the caller
// chose and answers whether the host took it.
#include <bitset>
#include <climits>
#include <cstdint>

class TOutgoingNotes {
 public:
  // The room of a list that only says, message by message, whether it took one.
  static constexpr int kUnknownRoom = INT_MAX;

  // A block begins: the owed offs go first, as far as the host takes them.
  template <class Send>
  void BeginBlock(Send&& send) {
    refused = false;
    for (int i = 0; i < kNotes && owedCount > 0; ++i) {
      if (!owed.test(i)) continue;
      if (!send(static_cast<uint8_t>(0x80 | i / 128), static_cast<uint8_t>(i % 128), uint8_t{0})) {
        refused = true;
        return;
      }
      SetOwed(i, false);
    }
  }

  // One message of the engine's list; `room` is how many more messages the host's list takes.
  template <class Send>
  void Offer(uint8_t status, uint8_t data1, uint8_t data2, int room, Send&& send) {
    const int kind = status & 0xF0;
    const int note = Index(status & 0x0F, data1);
    if (kind == 0x80 || (kind == 0x90 && data2 == 0)) {
      if (!sounding.test(note) && !owed.test(note)) return;  // its note-on never reached the host
      SetSounding(note, false);
      const bool taken = send(status, data1, data2);
      SetOwed(note, !taken);
      refused |= !taken;
      return;
    }
    if (refused) return;  // the host's list is full: only offs from here on
    // Room for this message and for the off of every note that sounds after it.
    const bool starts = kind == 0x90 && !sounding.test(note);
    if (room < 1 + soundingCount + owedCount + (starts ? 1 : 0)) return;
    if (kind == 0x90 && owed.test(note)) {  // the note's earlier end goes first
      if (!send(static_cast<uint8_t>(0x80 | (status & 0x0F)), data1, uint8_t{0})) {
        refused = true;
        return;
      }
      SetOwed(note, false);
    }
    if (!send(status, data1, data2)) {
      refused = true;
      return;
    }
    if (kind == 0x90) SetSounding(note, true);
  }

  // The host stopped the plug-in (deactivated or reset it): the offs of every note sounding are
  // owed to the next block.
  void OweAll() {
    for (int i = 0; i < kNotes && soundingCount > 0; ++i)
      if (sounding.test(i)) {
        SetSounding(i, false);
        SetOwed(i, true);
      }
  }

  int Sounding() const { return soundingCount; }
  int Owed() const { return owedCount; }

 private:
  static constexpr int kNotes = 16 * 128;
  static int Index(int channel, int key) { return channel * 128 + (key & 0x7F); }
  void SetSounding(int i, bool on) {
    if (sounding.test(i) == on) return;
    sounding.set(i, on);
    soundingCount += on ? 1 : -1;
  }
  void SetOwed(int i, bool on) {
    if (owed.test(i) == on) return;
    owed.set(i, on);
    owedCount += on ? 1 : -1;
  }

  std::bitset<kNotes> sounding;  // started in the host and not ended
  std::bitset<kNotes> owed;      // ended by the engine, the off not yet taken by the host
  int soundingCount = 0, owedCount = 0;
  bool refused = false;  // the host refused a message in this block
};
