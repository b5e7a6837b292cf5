// A CLAP host's whole session with moltrin.clap, decoded from the fuzzer's bytes, through the
// plug-in's binary interface: CLAP notes of any key and channel (-1 for all of them) and any
// velocity, MIDI events of any bytes, parameter values of any id and value (NaN included),
// transport events, each at any frame (past the block too), in frame order or not; floods of
// thousands of messages at one frame; blocks of 0 to 8192 frames; an output list that takes any
// number of events a block, or none; deactivation, reset, stopped processing, flush, states
// saved and loaded. It ends as a player does: an output list with room, latch off, every key
// up (as often as any key was struck), the transport stopped. Fails on a note left sounding, or anything the sanitizers see.
//
// MOLTRIN_FUZZ_TRACE=1 prints each action as it is taken, for reading a crash file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "engine/ParamNames.h"
#include "hosts/clap/ClapHost.h"
#include "tests/clap/Sounding.h"
#include "tests/fuzz/FuzzChecks.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

constexpr clap_id kProgramParam = 1000000;
constexpr long kMaxFramesPerRun = 1 << 21;  // about 48 s at 44.1 kHz, so that a run stays quick
constexpr int kMaxFlood = 8192;             // messages of one flood, at one frame

struct TSession {
  claphost::Host host;
  TKeyStrikes strikes;
  long frames = 0;
  std::optional<std::vector<uint8_t>> saved;
};

// A frame of the next block, mostly inside it, else any (the plug-in brings it into the block).
uint32_t Frame(TFuzzInput& in) { return in.Bool() ? static_cast<uint32_t>(in.Int(0, 8191)) : in.U32(); }

void Note(TSession& s, TFuzzInput& in) {
  const bool on = in.Bool();
  const int channel = in.Int(-1, 16), key = in.Int(-1, 128);
  const double velocity = in.Double(0, 1);
  const uint32_t frame = Frame(in);
  Trace("note %s channel %d key %d velocity %g at %u", on ? "on" : "off", channel, key, velocity, frame);
  s.host.Note(on, channel, key, velocity, frame);
  if (on) s.strikes.Struck(channel, key);
}

void Midi(TSession& s, TFuzzInput& in) {
  const uint8_t status = in.Byte(), data1 = in.Byte(), data2 = in.Byte();
  const uint32_t frame = Frame(in);
  Trace("MIDI %02x %02x %02x at %u", status, data1, data2, frame);
  s.host.Midi(status, data1, data2, frame);
  s.strikes.Message(status, data1, data2);
}

// Many messages at one frame: note-offs for every key on every channel (2048 each), or MIDI
// messages of one kind walking over channels and keys.
void Flood(TSession& s, TFuzzInput& in) {
  const uint32_t frame = Frame(in);
  if (in.Bool()) {
    const int count = in.Int(1, 4);
    Trace("%d note-offs for every key on every channel at %u", count, frame);
    for (int i = 0; i < count; ++i) s.host.Note(false, -1, -1, 0, frame);
    return;
  }
  const int count = in.Int(0, kMaxFlood);
  const uint8_t kind = static_cast<uint8_t>(0x80 | (in.Byte() & 0x70)), data2 = in.Byte();
  Trace("%d MIDI messages %02x.. at %u", count, kind, frame);
  for (int i = 0; i < count; ++i) {
    const auto status = static_cast<uint8_t>(kind | (i & 15)), key = static_cast<uint8_t>(i / 16 % 128);
    s.host.Midi(status, key, data2, frame);
    s.strikes.Message(status, key, data2);
  }
}

void Param(TSession& s, TFuzzInput& in) {
  const int which = in.Int(0, 3);
  const clap_id id = which == 0 ? kProgramParam : which == 1 ? in.U32() : static_cast<clap_id>(in.Int(0, 575));
  const double value = in.Double(-2, 130);
  const bool flush = in.Int(0, 7) == 0;
  const uint32_t frame = flush ? 0 : Frame(in);
  Trace("param %u = %g %s %u", id, value, flush ? "through flush" : "at", frame);
  if (flush)
    s.host.SetParam(id, value);
  else
    s.host.ParamValue(id, value, frame);
}

void Transport(TSession& s, TFuzzInput& in) {
  claphost::Transport t = s.host.transport;
  t.playing = in.Bool();
  if (in.Bool()) t.ppq = in.Double(-16, 1024);
  if (in.Bool()) t.tempo = in.Double(20, 300);
  const bool inside = in.Bool();
  Trace("transport %s, ppq %g, tempo %g%s", t.playing ? "playing" : "stopped", t.ppq, t.tempo,
        inside ? " inside the next block" : " from the next block");
  if (inside)
    s.host.TransportAt(t, Frame(in));
  else
    s.host.transport = t;
}

void Blocks(TSession& s, TFuzzInput& in) {
  static constexpr int kSizes[] = {0, 1, 7, 32, 64, 127, 256, 509, 512, 1024, 2048, 4096, 8192};
  const int count = in.Int(1, 16);
  const int frames = in.Bool() ? in.Int(0, 8192) : kSizes[in.Int(0, static_cast<int>(std::size(kSizes)) - 1)];
  Trace("%d blocks of %d frames", count, frames);
  for (int i = 0; i < count && s.frames + frames <= kMaxFramesPerRun; ++i) {
    s.host.RunBlock(frames);
    s.frames += frames;
  }
}

void Lifecycle(TSession& s, TFuzzInput& in) {
  switch (in.Int(0, 5)) {
    case 0:
      Trace("deactivate, activate");
      s.host.Deactivate();
      if (!s.host.Activate(in.Bool() ? 48000 : 44100, 512)) return;
      s.host.StartProcessing();
      break;
    case 1: Trace("reset"); s.host.StopProcessing(), s.host.Reset(), s.host.StartProcessing(); break;
    case 2: Trace("deactivate"); s.host.Deactivate(); break;
    case 3:
      Trace("activate");
      if (!s.host.Active() && s.host.Activate(44100, 512)) s.host.StartProcessing();
      break;
    case 4: Trace("save the state"); s.saved = s.host.SaveState(); break;
    default:
      Trace("load the saved state");
      if (s.saved) Require(s.host.LoadState(*s.saved), "a saved state is refused");
      break;
  }
}

void Step(TSession& s, TFuzzInput& in) {
  switch (in.Int(0, 11)) {
    case 0: case 1: Note(s, in); break;
    case 2: Midi(s, in); break;
    case 3: Flood(s, in); break;
    case 4: Param(s, in); break;
    case 5: Transport(s, in); break;
    case 6: case 7: Blocks(s, in); break;
    case 8: {
      const int room = in.Int(-1, 64);
      Trace("the output list takes %d events a block", room);
      s.host.outputRoom = room;
      break;
    }
    case 9: s.host.sortEvents = !s.host.sortEvents; break;
    default: Lifecycle(s, in); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzInput in(data, size);
  TSession s;
  const uint8_t setup = in.Byte();
  s.host.dialects = (setup & 1) ? CLAP_NOTE_DIALECT_CLAP : CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;
  Require(s.host.Create(), "the module does not load");
  if ((setup & 2) == 0) {
    Require(s.host.Activate(44100, 512), "activate refused");
    s.host.StartProcessing();
  }
  for (int steps = 0; !in.Empty() && steps < 4096; ++steps) Step(s, in);

  // The player's end: room in the output list, latch off, every key up, the transport stopped.
  Trace("end: room, what is queued, then latch off, keys up, transport stopped, 2 s of blocks");
  s.host.outputRoom = -1;
  if (!s.host.Active()) {
    Require(s.host.Activate(44100, 512), "activate refused");
    s.host.StartProcessing();
  }
  s.host.RunBlock(512);  // what the session queued takes effect first
  s.host.transport = claphost::Transport{};
  s.host.ParamValue(tagLatch, 0);
  for (int round = 0; round < std::clamp(s.strikes.Most(), 1, 64); ++round) {
    s.host.Note(false, -1, -1, 0);
    s.host.RunBlock(512);
  }
  s.host.RunBlocks(2 * 44100 / 512 + 1, 512);
  int channel = -1, key = -1;
  if (clapscript::Sounding(s.host.SentEvents(), &channel, &key) != 0) {
    std::fprintf(stderr, "note %d/%d left sounding\n", channel, key);
    Require(false, "a note is left sounding");
  }
  return 0;
}
