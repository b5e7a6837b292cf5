// A host's whole session with the plug-in, decoded from the fuzzer's bytes: dispatcher calls
// of every opcode 0 to 80 with sane and hostile arguments, parameter writes (NaN, infinities,
// negatives) and reads, MIDI lists of any bytes with any deltaFrames, blocks of 0 to 8192
// frames, host time of any value (NaN tempo, negative position, zero rate, no time at all),
// chunks saved and restored. It ends as a player does: latch off, every key up, transport
// stopped. Fails on any note-on left without its note-off, a text written past 64 bytes, a
// parameter read outside 0..1, or anything the sanitizers see.
//
// MOLTRIN_FUZZ_TRACE=1 prints each call as it is made, for reading a crash file.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/fuzz/FuzzChecks.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/NoteLedger.h"
#include "hosts/vst2/Host.h"

using vst2host::Host;
using vst2host::MidiIn;

namespace {

constexpr long kMaxFramesPerRun = 1 << 21;  // about 48 s at 44.1 kHz, so that a run stays quick
constexpr int kLastOpcode = 80;

struct TSession {
  Host host;
  testsupport::KeyLedger keys;
  long frames = 0;
  std::vector<uint8_t> saved[2];  // bank, program
  int32_t frameFloor = 0;  // lists before one block: each takes effect after the ones before
};

// An incoming list as a host builds it: MIDI events of any bytes and delta, now and then
// another event type or a null entry.
void SendEvents(TSession& s, TFuzzInput& in, bool flood) {
  const int count = flood ? in.Int(0, 4096) : in.Int(0, 24);
  std::vector<VstMidiEvent> records(static_cast<size_t>(count));
  std::vector<uint8_t> list(offsetof(VstEvents, events) + sizeof(VstEvent*) * static_cast<size_t>(std::max(count, 2)));
  auto* events = reinterpret_cast<VstEvents*>(list.data());
  auto** pointers = reinterpret_cast<VstEvent**>(list.data() + offsetof(VstEvents, events));
  events->numEvents = count;
  std::vector<std::pair<int32_t, MidiIn>> delivered;  // at the frame it takes effect
  for (int i = 0; i < count; ++i) {
    VstMidiEvent& r = records[static_cast<size_t>(i)];
    r.byteSize = sizeof(VstMidiEvent) - 8;
    const uint8_t kind = flood ? 0 : in.Byte();
    r.type = kind < 240 ? kVstMidiType : (kind < 250 ? kVstSysExType : static_cast<VstInt32>(in.U32()));
    r.deltaFrames = in.Bool() ? in.Int(0, 1023) : static_cast<VstInt32>(in.U32());
    for (int b = 0; b < 3; ++b) r.midiData[b] = in.Byte();
    if (flood) r.midiData[0] = static_cast<uint8_t>(0xA0 | (r.midiData[0] & 0x3F));  // pressure, controllers, programs
    pointers[i] = kind == 255 ? nullptr : reinterpret_cast<VstEvent*>(&r);
    if (pointers[i] != nullptr && r.type == kVstMidiType)
      delivered.push_back({std::max(r.deltaFrames, s.frameFloor), MidiIn{r.midiData[0], r.midiData[1], r.midiData[2]}});
    if (!flood) Trace("  event type %d delta %d: %02x %02x %02x%s", r.type, r.deltaFrames, r.midiData[0], r.midiData[1],
                      r.midiData[2], pointers[i] == nullptr ? " (null entry)" : "");
  }
  const bool null = in.Byte() == 0;
  Trace("effProcessEvents: %d events%s", count, null ? ", null list" : "");
  s.host.Dispatch(effProcessEvents, 0, 0, null ? nullptr : events);
  if (null) return;
  // The plug-in takes a block's events in frame order, a list's order kept within a frame.
  std::stable_sort(delivered.begin(), delivered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [frame, midi] : delivered) {
    s.keys.Count(midi);
    s.frameFloor = std::max(s.frameFloor, frame);
  }
}

bool IsTextOpcode(VstInt32 opcode) {
  switch (opcode) {
    case effGetProgramName: case effGetParamLabel: case effGetParamDisplay: case effGetParamName:
    case effGetProgramNameIndexed: case effGetEffectName: case effGetErrorText: case effGetVendorString:
    case effGetProductString: case effShellGetNextPlugin:
      return true;
    default:
      return false;
  }
}

// One dispatcher call. Pointers are what a host may pass: null, or memory of the kind the
// opcode names, large enough for it; integers and floats are anything.
void Dispatch(TSession& s, TFuzzInput& in) {
  VstInt32 opcode = in.Int(0, kLastOpcode);
  if (opcode == effClose) opcode = effMainsChanged;  // the session's own end closes
  const VstInt32 index = in.Bool() ? in.Int(-2, 600) : static_cast<VstInt32>(in.U32());
  VstIntPtr value = in.Bool() ? in.Int(-2, 8192) : static_cast<VstIntPtr>(in.U64());
  const float opt = in.Float();
  const bool withPointer = in.Byte() >= 32;

  alignas(16) std::array<char, 2048> buffer;
  buffer.fill(static_cast<char>(0xA5));  // a mark that shows where the plug-in wrote
  alignas(16) std::array<char, 2048> second{};
  void* pointers[2] = {};
  std::vector<uint8_t> bytes;
  void* ptr = withPointer ? buffer.data() : nullptr;
  switch (opcode) {
    case effProcessEvents: SendEvents(s, in, false); return;
    case effEditOpen: ptr = nullptr; break;  // no window to give in a fuzz run
    case effGetChunk: case effEditGetRect: ptr = withPointer ? pointers : nullptr; break;
    case effSetChunk:
      bytes = in.Bytes(40000);
      value = static_cast<VstIntPtr>(bytes.size());
      ptr = withPointer ? bytes.data() : nullptr;
      break;
    case effSetProgramName: case effString2Parameter: case effCanDo: case effVendorSpecific:
      bytes = in.Bytes(300);
      bytes.push_back(0);
      ptr = withPointer ? bytes.data() : nullptr;
      break;
    case effSetSpeakerArrangement: case effGetSpeakerArrangement: {
      auto* arrangement = reinterpret_cast<VstSpeakerArrangement*>(second.data());
      arrangement->numChannels = in.Int(0, 8);
      pointers[0] = second.data();
      ptr = withPointer ? (opcode == effGetSpeakerArrangement ? static_cast<void*>(pointers) : second.data()) : nullptr;
      value = in.Bool() ? reinterpret_cast<VstIntPtr>(opcode == effGetSpeakerArrangement ? static_cast<void*>(pointers)
                                                                                           : second.data())
                        : 0;
      break;
    }
    default:
      if (IsTextOpcode(opcode)) buffer.fill(0);
      break;
  }
  Trace("dispatcher opcode %d index %d value %lld ptr %s opt %g", opcode, index, static_cast<long long>(value),
        ptr == nullptr ? "null" : "given", opt);
  s.host.Dispatch(opcode, index, value, ptr, opt);
  if (IsTextOpcode(opcode) && ptr != nullptr)
    Require(std::all_of(buffer.begin() + 64, buffer.end(), [](char c) { return c == 0; }),
            "a text written past 64 bytes");
}

void SetHostTime(TSession& s, TFuzzInput& in) {
  vst2host::Transport& t = s.host.transport;
  switch (in.Int(0, 7)) {
    case 0: t.playing = !t.playing; break;
    case 1: t.tempo = in.Double(20, 300); break;
    case 2: t.ppq = in.Double(-16, 1024); break;
    case 3: t.sampleRate = in.Double(8000, 192000); break;
    case 4: t.samplePos = in.Double(-1e6, 1e9); break;
    case 5: t.cycleStart = in.Double(-16, 64); t.cycleEnd = in.Double(-16, 128); break;
    case 6: t.extraFlags = static_cast<VstInt32>(in.U32()); break;
    default: t.available = !t.available; break;
  }
  Trace("host time: %s, tempo %g, ppq %g, rate %g, sample %g, cycle %g..%g, flags %#x%s", t.playing ? "playing" : "stopped",
        t.tempo, t.ppq, t.sampleRate, t.samplePos, t.cycleStart, t.cycleEnd, t.extraFlags, t.available ? "" : ", no time info");
}

void RunBlocks(TSession& s, TFuzzInput& in) {
  static constexpr int kSizes[] = {0, 1, 7, 32, 64, 127, 256, 509, 512, 1024, 2048, 4096, 8192};
  const int count = in.Int(1, 16);
  const bool any = in.Bool();
  const int frames = any ? in.Int(0, 8192) : kSizes[in.Int(0, static_cast<int>(std::size(kSizes)) - 1)];
  const bool replacing = in.Byte() != 0;
  Trace("%d blocks of %d frames (%s)", count, frames, replacing ? "processReplacing" : "process");
  for (int i = 0; i < count && s.frames + frames <= kMaxFramesPerRun; ++i) {
    s.host.RunBlock(frames, replacing);
    s.frameFloor = 0;
    s.frames += frames;
  }
}

void Chunk(TSession& s, TFuzzInput& in) {
  const bool preset = in.Bool();
  const int action = in.Int(0, 2);
  Trace("%s the %s chunk", action == 0 ? "save" : action == 1 ? "restore" : "apply fuzzed bytes as", preset ? "program" : "bank");
  switch (action) {
    case 0: s.saved[preset] = s.host.GetChunk(preset); break;
    case 1: if (!s.saved[preset].empty()) s.host.SetChunk(s.saved[preset], preset); break;
    default: s.host.SetChunk(in.Bytes(preset ? 600 : 40000), preset); break;
  }
}

void Step(TSession& s, TFuzzInput& in) {
  switch (in.Int(0, 11)) {
    case 0: case 1: Dispatch(s, in); break;
    case 2: case 3: SendEvents(s, in, false); break;
    case 4: SendEvents(s, in, true); break;
    case 5: case 6: RunBlocks(s, in); break;
    case 7: SetHostTime(s, in); break;
    case 8: {
      const VstInt32 tag = in.Bool() ? in.Int(0, 575) : static_cast<VstInt32>(in.U32());
      const float value = in.Float();
      Trace("setParameter %d = %g", tag, value);
      s.host.SetParam(tag, value);
      break;
    }
    case 9: {
      const VstInt32 tag = in.Bool() ? in.Int(0, 575) : static_cast<VstInt32>(in.U32());
      const float v = s.host.GetParam(tag);
      Require(v >= 0.0f && v <= 1.0f, "a parameter reads outside 0..1");
      break;
    }
    case 10: {
      const int program = in.Int(-2, 66);
      Trace("effSetProgram %d", program);
      s.host.SetProgram(program);
      break;
    }
    default: Chunk(s, in); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzInput in(data, size);
  TSession s;
  // Most sessions open the plug-in as hosts do; some go straight to work.
  Require((in.Bool() ? s.host.Start(44100.0f, 512) : s.host.Load()) != nullptr, "the module does not load");
  for (int steps = 0; !in.Empty() && steps < 4096; ++steps) Step(s, in);

  // The player's end: sane host time, latch off, keys up, transport stopped.
  Trace("end: sane host time, latch off, keys up, transport stopped, 2 s of blocks");
  s.host.transport = vst2host::Transport{};
  testsupport::LetGoAndRunOut(s.host, s.keys, 512);
  CheckEveryNoteEnded(s.host.MidiOutEvents());
  CheckReads(s.host);
  return 0;
}
