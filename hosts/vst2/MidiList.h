#pragma once
// A fixed list of MIDI events for effProcessEvents that never allocates, for tests and
// benchmarks that must not disturb the plug-in's own allocation count or timing.
#include <cstdint>

#include "host/vst2/VstAbi.h"

namespace vst2host {

template <int Capacity> class MidiList {
 public:
  MidiList() {
    for (int i = 0; i < Capacity; ++i) list.events[i] = reinterpret_cast<VstEvent*>(&records[i]);
  }
  MidiList(const MidiList&) = delete;
  MidiList& operator=(const MidiList&) = delete;

  // False when the list is full.
  bool Add(uint8_t status, uint8_t data1, uint8_t data2, int32_t deltaFrames = 0) {
    if (list.numEvents >= Capacity) return false;
    VstMidiEvent& e = records[list.numEvents++];
    e = VstMidiEvent{};
    e.type = kVstMidiType;
    e.deltaFrames = deltaFrames;
    e.byteSize = sizeof(VstMidiEvent);
    e.midiData[0] = status;
    e.midiData[1] = data1;
    e.midiData[2] = data2;
    return true;
  }
  int Count() const { return list.numEvents; }
  void Clear() { list.numEvents = 0; }
  VstEvents* Events() { return list.AsVstEvents(); }

 private:
  VstEventsFixed<Capacity> list;
  VstMidiEvent records[Capacity] = {};
};

}  // namespace vst2host
