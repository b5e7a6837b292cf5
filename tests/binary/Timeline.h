#pragma once
// Plays a timeline of incoming MIDI through the module in blocks of any size: each event goes in
// the event list of the block its sample lies in, at its frame there. What comes out is read
// back as sample positions (the block's start plus the event's frame).
#include <ostream>
#include <vector>

#include "tests/binary/ArpScript.h"

namespace timeline {

struct Sent {
  long sample;
  uint8_t status, data1, data2;
  bool operator==(const Sent&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Sent& e) {
  return os << std::hex << int(e.status) << std::dec << " " << int(e.data1) << " " << int(e.data2) << " @"
            << e.sample;
}

struct At {
  long sample;
  vst2host::MidiIn event;
};

// Runs `length` samples from the script's current clock; `events` in sample order.
inline std::vector<Sent> Play(arp::Script& s, const std::vector<At>& events, long length, int blockSize) {
  s.Clear();
  const int firstBlock = s.Block();
  size_t next = 0;
  for (long start = 0; start < length; start += blockSize) {
    std::vector<vst2host::MidiIn> list;
    for (; next < events.size() && events[next].sample < start + blockSize; ++next) {
      vst2host::MidiIn e = events[next].event;
      e.deltaFrames = static_cast<int32_t>(events[next].sample - start);
      list.push_back(e);
    }
    if (!list.empty()) s.host.SendMidi(list);
    s.host.RunBlock(blockSize);
  }
  std::vector<Sent> sent;
  for (const vst2host::MidiOut& m : s.host.MidiOutEvents()) {
    EXPECT_GE(m.deltaFrames, 0);
    EXPECT_LT(m.deltaFrames, blockSize);
    const long sample = static_cast<long>(m.block - firstBlock) * blockSize + m.deltaFrames;
    if (sample < length) sent.push_back({sample, m.bytes[0], m.bytes[1], m.bytes[2]});
  }
  return sent;
}

// Keys down and up at one sample: the ups go first in the list.
inline void Keys(std::vector<At>& events, long sample, std::initializer_list<int> down, std::initializer_list<int> up = {}) {
  for (int n : up) events.push_back({sample, vst2host::NoteOff(0, n)});
  for (int n : down) events.push_back({sample, vst2host::NoteOn(0, n, 100)});
}

}  // namespace timeline
