#pragma once
// The notes the plug-in has started in the host and not yet ended, by channel and key, so that
// the host never keeps one sounding when the plug-in is deactivated or reset (audio thread).
#include <bitset>
#include <cstdint>

class TSoundingNotes {
 public:
  // Follows one outgoing channel message.
  void Sent(uint8_t status, uint8_t key, uint8_t velocity) {
    const int kind = status & 0xF0, channel = status & 0x0F;
    if (kind == 0x90 && velocity > 0) notes.set(Index(channel, key));
    else if (kind == 0x80 || kind == 0x90) notes.reset(Index(channel, key));
  }
  bool Any() const { return notes.any(); }
  // Calls f(channel, key) for every sounding note and forgets them all.
  template <class F> void EndAll(F&& f) {
    for (int i = 0; i < kNotes && notes.any(); ++i)
      if (notes.test(i)) {
        f(i / 128, i % 128);
        notes.reset(i);
      }
  }

 private:
  static constexpr int kNotes = 16 * 128;
  static int Index(int channel, int key) { return channel * 128 + (key & 0x7F); }
  std::bitset<kNotes> notes;
};
