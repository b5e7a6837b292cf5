// A plug-in whose output is known, for testing the render host. It answers everything the
// host does with MIDI messages (all on channel 16 except the echoes), sent at the next block:
//   CC 115 = host version / 100, CC 114 = time flags (1 playing, 2 ppq valid, 4 tempo valid),
//     both in the first block;
//   every incoming MIDI event, unchanged, on the frame it came in on;
//   poly pressure key q % 128, value tempo / 2: the first block whose song position has
//     reached quarter note q (only while the transport plays);
//   program change p on effSetProgram p; CC 118 = isPreset, CC 117 = size / 576,
//     CC 116 = first byte on effSetChunk;
//   pitch bend (tag & 127, tag >> 7) then CC 119 = value * 127 on setParameter.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "host/vst2/VstAbi.h"

namespace {

struct TEcho {
  AEffect effect{};
  audioMasterCallback host = nullptr;
  VstIntPtr hostVersion = 0;
  int program = -1;
  float params[576] = {};
  std::vector<VstMidiEvent> queue;
  static constexpr size_t kListRoom = 256;
  VstEventsFixed<kListRoom> list;  // the queue goes to the host in lists of this size
  bool firstBlock = true;
  long long lastQuarter = -1;

  void Queue(uint8_t a, uint8_t b, uint8_t c, VstInt32 frame = 0) {
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.deltaFrames = frame;
    e.byteSize = sizeof(VstMidiEvent) - 2 * sizeof(VstInt32);
    e.midiData[0] = a;
    e.midiData[1] = b;
    e.midiData[2] = c;
    queue.push_back(e);
  }

  void Flush() {
    for (size_t first = 0; first < queue.size(); first += kListRoom) {
      const size_t n = std::min(kListRoom, queue.size() - first);
      for (size_t i = 0; i < n; ++i) list.events[i] = reinterpret_cast<VstEvent*>(&queue[first + i]);
      list.numEvents = static_cast<VstInt32>(n);
      host(&effect, audioMasterProcessEvents, 0, 0, list.AsVstEvents(), 0);
    }
    queue.clear();
  }
};

TEcho* EchoOf(AEffect* e) { return static_cast<TEcho*>(e->object); }

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float) {
  TEcho* echo = EchoOf(e);
  switch (opcode) {
    case effClose: delete echo; return 1;
    case effSetProgram:
      echo->program = static_cast<int>(value);
      echo->Queue(0xCF, static_cast<uint8_t>(value & 0x7F), 0);
      return 0;
    case effGetProgram: return echo->program;
    case effSetChunk: {
      const auto* bytes = static_cast<const uint8_t*>(ptr);
      echo->Queue(0xBF, 118, static_cast<uint8_t>(index ? 1 : 0));
      echo->Queue(0xBF, 117, static_cast<uint8_t>(std::min<VstIntPtr>(value / 576, 127)));
      echo->Queue(0xBF, 116, static_cast<uint8_t>(value > 0 ? bytes[0] & 0x7F : 0));
      return value;
    }
    case effProcessEvents: {
      const auto* events = static_cast<const VstEvents*>(ptr);
      VstEvent* const* list = EventPointers(events);
      for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* ev = list[i];
        if (ev->type != kVstMidiType) continue;
        const auto* m = reinterpret_cast<const VstMidiEvent*>(ev);
        echo->Queue(m->midiData[0], m->midiData[1], m->midiData[2], m->deltaFrames);
      }
      return 1;
    }
    default: return 0;
  }
}

void ProcessReplacing(AEffect* e, float**, float**, VstInt32) {
  TEcho* echo = EchoOf(e);
  const auto* time = reinterpret_cast<const VstTimeInfo*>(echo->host(e, audioMasterGetTime, 0x1603, 0, nullptr, 0));
  if (echo->firstBlock) {
    echo->firstBlock = false;
    echo->Queue(0xBF, 115, static_cast<uint8_t>(echo->hostVersion / 100));
    const int flags = time ? time->flags : 0;
    echo->Queue(0xBF, 114,
                static_cast<uint8_t>(((flags & kVstTransportPlaying) ? 1 : 0) | ((flags & kVstPpqPosValid) ? 2 : 0) |
                                     ((flags & kVstTempoValid) ? 4 : 0)));
  }
  if (time != nullptr && (time->flags & kVstTransportPlaying)) {
    const long long quarter = static_cast<long long>(std::floor(time->ppqPos));
    if (quarter > echo->lastQuarter) {
      echo->lastQuarter = quarter;
      const long tempo = std::lround(time->tempo / 2);
      echo->Queue(0xAF, static_cast<uint8_t>(quarter % 128), static_cast<uint8_t>(std::clamp(tempo, 0L, 127L)));
    }
  }
  echo->Flush();
}

void SetParameter(AEffect* e, VstInt32 index, float value) {
  TEcho* echo = EchoOf(e);
  if (index < 0 || index >= 576) return;
  echo->params[index] = value;
  echo->Queue(0xEF, static_cast<uint8_t>(index & 0x7F), static_cast<uint8_t>(index >> 7));
  echo->Queue(0xBF, 119, static_cast<uint8_t>(std::lround(value * 127)));
}

float GetParameter(AEffect* e, VstInt32 index) {
  return index >= 0 && index < 576 ? EchoOf(e)->params[index] : 0.0f;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
  auto* echo = new TEcho;
  echo->host = host;
  echo->hostVersion = host(nullptr, audioMasterVersion, 0, 0, nullptr, 0);
  echo->params[210] = 15.0f / 63.0f;  // Steps 16
  echo->params[212] = 3.0f / 11.0f;   // Sync 1/16: a cycle of four quarter notes
  AEffect& a = echo->effect;
  a.magic = kEffectMagic;
  a.dispatcher = Dispatch;
  a.setParameter = SetParameter;
  a.getParameter = GetParameter;
  a.processReplacing = ProcessReplacing;
  a.numPrograms = 64;
  a.numParams = 576;
  a.numOutputs = 1;
  a.flags = effFlagsCanReplacing | effFlagsProgramChunks;
  a.object = echo;
  a.uniqueID = FourCC('K', 'q', '4', 'v');
  return &a;
}
