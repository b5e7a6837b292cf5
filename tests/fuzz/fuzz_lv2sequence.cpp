// An LV2 host's whole session with the bundle, decoded from the fuzzer's bytes, through the
// plug-in's binary interface (lilv): MIDI events of any bytes and length at any frame (before
// the block and past it too), floods of thousands at one frame, time:Position objects with any
// fields, atoms of other types, control ports set to any value, an output buffer of any size
// (none at all included), blocks of 0 to 8192 frames, deactivation, states saved and restored.
// It ends as a player does: an output buffer with room, latch off, every key up (as often as any
// key was struck), the transport stopped. Fails on a note left sounding, or anything the sanitizers see.
//
// MOLTRIN_FUZZ_TRACE=1 prints each action as it is taken, for reading a crash file.
#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "hosts/lv2/Lv2Host.h"
#include "tests/fuzz/FuzzChecks.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

constexpr double kRate = 44100;
constexpr int kMaxBlock = 8192;
constexpr long kMaxFramesPerRun = 1 << 21;  // about 48 s, so that a run stays quick
constexpr uint32_t kRoomyOutput = 1 << 16;

struct TSession {
  lv2host::Host host;
  TKeyStrikes strikes;
  long frames = 0;
  std::vector<lv2host::Property> saved;
};

int64_t Frame(TFuzzInput& in) {
  return in.Bool() ? in.Int(0, kMaxBlock - 1) : static_cast<int64_t>(in.U64());
}

void Midi(TSession& s, TFuzzInput& in) {
  const int length = in.Int(0, 4);
  std::vector<uint8_t> bytes;
  for (int i = 0; i < length; ++i) bytes.push_back(in.Byte());
  const int64_t frame = Frame(in);
  Trace("MIDI of %d bytes (%02x ..) at %lld", length, length > 0 ? bytes[0] : 0, static_cast<long long>(frame));
  s.host.SendMidi(frame, bytes);
  if (length == 3) s.strikes.Message(bytes[0], bytes[1], bytes[2]);
}

// Many messages of one kind at one frame, walking over channels and keys.
void Flood(TSession& s, TFuzzInput& in) {
  const int64_t frame = Frame(in);
  const int count = in.Int(0, 8192);
  const uint8_t kind = static_cast<uint8_t>(0x80 | (in.Byte() & 0x70)), data2 = in.Byte();
  Trace("%d MIDI messages %02x.. at %lld", count, kind, static_cast<long long>(frame));
  for (int i = 0; i < count; ++i) {
    const auto status = static_cast<uint8_t>(kind | (i & 15)), key = static_cast<uint8_t>(i / 16 % 128);
    s.host.SendMidi(frame, {status, key, data2});
    s.strikes.Message(status, key, data2);
  }
}

void Position(TSession& s, TFuzzInput& in) {
  lv2host::Position p;
  if (in.Bool()) p.bpm = in.Double(20, 300);
  if (in.Bool()) p.speed = in.Bool() ? 1.0 : in.Double(-1, 2);
  if (in.Bool()) p.bar = in.Double(0, 200);
  if (in.Bool()) p.barBeat = in.Double(0, 4);
  if (in.Bool()) p.beatsPerBar = in.Double(1, 12);
  if (in.Bool()) p.beatUnit = in.Int(-2, 64);  // an atom:Int
  if (in.Bool()) p.beat = in.Double(0, 800);
  if (in.Bool()) p.frame = static_cast<int64_t>(in.U64());
  const int64_t frame = Frame(in);
  Trace("a position at %lld", static_cast<long long>(frame));
  s.host.SendPosition(frame, p);
}

void Blocks(TSession& s, TFuzzInput& in) {
  static constexpr int kSizes[] = {0, 1, 7, 32, 64, 127, 256, 509, 512, 1024, 2048, 4096, 8192};
  const int count = in.Int(1, 16);
  const int frames = in.Bool() ? in.Int(0, kMaxBlock) : kSizes[in.Int(0, static_cast<int>(std::size(kSizes)) - 1)];
  Trace("%d blocks of %d frames", count, frames);
  for (int i = 0; i < count && s.frames + frames <= kMaxFramesPerRun; ++i) {
    s.host.RunBlock(static_cast<uint32_t>(frames));
    s.frames += frames;
  }
}

void Step(TSession& s, TFuzzInput& in) {
  switch (in.Int(0, 11)) {
    case 0: case 1: case 2: Midi(s, in); break;
    case 3: Flood(s, in); break;
    case 4: Position(s, in); break;
    case 5: {
      const LV2_URID type = in.Bool() ? s.host.Map("http://lv2plug.in/ns/ext/atom#Object") : in.U32();
      const std::vector<uint8_t> body = in.Bytes(200);
      const int64_t frame = Frame(in);
      Trace("an atom of type %u, %zu bytes, at %lld", type, body.size(), static_cast<long long>(frame));
      s.host.SendAtom(frame, type, body);
      break;
    }
    case 6: {
      const uint32_t port = static_cast<uint32_t>(in.Int(0, static_cast<int>(s.host.PortCount())));
      const float value = in.Bool() ? static_cast<float>(in.Int(-2, 130)) : in.Float();
      Trace("port %u = %g", port, value);
      s.host.SetControl(port, value);
      break;
    }
    case 7: case 8: Blocks(s, in); break;
    case 9: {
      // Bytes for the whole atom: from its header alone to room for a few hundred events.
      const uint32_t bytes = in.Bool() ? static_cast<uint32_t>(8 + 8 + 24 * in.Int(0, 8)) : static_cast<uint32_t>(in.Int(8, 8192));
      Trace("an output buffer of %u bytes", bytes);
      s.host.SetOutputCapacity(bytes);
      break;
    }
    case 10: {
      const int action = in.Int(0, 2);
      Trace(action == 0 ? "deactivate, activate" : action == 1 ? "save the state" : "restore the saved state");
      if (action == 0) {
        s.host.Deactivate();
        if (in.Bool()) s.host.RunBlock(64);  // a host that runs anyway
        s.host.Activate();
      } else if (action == 1) {
        s.saved = s.host.SaveProperties();
      } else if (!s.saved.empty()) {
        Require(s.host.RestoreProperties(s.saved) == 0, "a saved state is refused");
      }
      break;
    }
    default: {
      const int program = in.Int(0, 63);
      Trace("program port %d", program);
      s.host.SetControl("program", static_cast<float>(program));
      break;
    }
  }
}

}  // namespace

// The plug-in's binary stays loaded for the whole run: lilv unloads it with each instance, and
// the fuzzer would then count coverage into memory that is gone.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string binary = lv2host::DefaultBundle() + "/moltrin.so";
  Require(dlopen(binary.c_str(), RTLD_NOW) != nullptr, "the bundle's binary does not load");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzInput in(data, size);
  TSession s;
  Require(s.host.Start(kRate, kMaxBlock), "the bundle does not load");
  for (int steps = 0; !in.Empty() && steps < 4096; ++steps) Step(s, in);

  // The player's end: room in the output buffer, latch off in the program in force (the port
  // moved so that the engine hears it), every key up, the transport stopped.
  Trace("end: room, latch off, keys up, transport stopped, 2 s of blocks");
  s.host.SetOutputCapacity(kRoomyOutput);
  s.host.RunBlock(64);
  s.host.SetControl("latch", 1);
  s.host.RunBlock(64);
  s.host.SetControl("latch", 0);
  lv2host::Position stopped;
  stopped.speed = 0;
  s.host.SendPosition(0, stopped);
  for (int round = 0; round < std::clamp(s.strikes.Most(), 1, 64); ++round) {
    for (int channel = 0; channel < 16; ++channel)
      for (int key = 0; key < 128; ++key)
        s.host.SendMidi(0, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(key), 0});
    s.host.RunBlock(512);
  }
  for (int i = 0; i < static_cast<int>(2 * kRate / 512) + 1; ++i) s.host.RunBlock(512);

  std::map<std::pair<int, int>, int> on;
  for (const lv2host::MidiOut& m : s.host.Out()) {
    const auto key = std::make_pair(m.bytes[0] & 15, static_cast<int>(m.bytes[1]));
    if (m.IsNoteOn()) ++on[key];
    if (m.IsNoteOff()) on[key] = 0;
  }
  for (const auto& [key, n] : on)
    if (n > 0) {
      std::fprintf(stderr, "note %d/%d left sounding\n", key.first, key.second);
      Require(false, "a note is left sounding");
    }
  return 0;
}
