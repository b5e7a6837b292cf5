// Program and bank chunks as a host restores them, through the binary interface: any bytes
// applied as either kind, to a fresh instance or over a current program and an earlier chunk,
// then read back and played. Fails on a parameter or text read out of bounds, a chunk that
// does not come back the same through its own round trip, or a note left sounding once the
// keys are let go and the transport stops.
#include <cstdint>
#include <vector>

#include "engine/ParamNames.h"
#include "tests/fuzz/FuzzChecks.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/NoteLedger.h"
#include "hosts/vst2/Host.h"

using vst2host::Host;

namespace {

// Saved, restored and saved again, a chunk gives the same bytes.
void CheckRoundTrip(Host& host, bool preset) {
  const std::vector<uint8_t> saved = host.GetChunk(preset);
  Require(saved.size() == (preset ? 576u : 36864u), "a chunk of the wrong size");
  host.SetChunk(saved, preset);
  RequireSameRecords(saved, host.GetChunk(preset), 0,
                     preset ? "a program chunk changes through its round trip" : "a bank chunk changes through its round trip");
}

void Play(Host& host) {
  const std::vector<vst2host::MidiIn> keys = {vst2host::NoteOn(0, 60, 100), vst2host::NoteOn(0, 64, 90),
                                              vst2host::NoteOn(0, 67, 80)};
  testsupport::KeyLedger ledger;
  ledger.Count(keys);
  host.SendMidi(keys);
  host.PlayBlocks(24, 1024);  // half a second of the host's transport
  host.Stop();
  host.RunBlocks(24, 1024);   // and half a second of the own clock
  testsupport::LetGoAndRunOut(host, ledger, 2048);
  CheckEveryNoteEnded(host.MidiOutEvents());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzInput in(data, size);
  const uint8_t setup = in.Byte();
  const bool preset = (setup & 1) != 0;
  Host host;
  Require(host.Start() != nullptr, "the module does not load");
  if (setup & 2) host.SetProgram(in.Int(0, 63));
  if (setup & 4) host.SetChunk(host.GetChunk(false), false);  // a chunk applied earlier
  const std::span<const uint8_t> chunk = in.Rest();
  host.SetChunk(std::vector<uint8_t>(chunk.begin(), chunk.end()), preset);
  CheckReads(host);
  // With no program current (nothing was applied), the saved bank's records are all empty and
  // restoring it makes a program current and initialises it, so it does not come back the
  // same; the round trips are checked once a program is current. A chunk that empties the
  // current program's row has it initialised at once.
  if (host.Program() >= 0) {
    Require(host.GetChunk(true)[tagSteps] != 0, "the current program is left empty");
    CheckRoundTrip(host, preset);
    CheckRoundTrip(host, !preset);
  }
  Play(host);
  return 0;
}
