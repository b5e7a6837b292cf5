// CLAP states as a host restores them, through moltrin.clap's binary interface: any bytes
// loaded into a fresh instance or over a session in progress, through a stream that hands them
// over in any portions. The first byte chooses the setting; with its top bit the input's
// checksum is mended, so that the bank chunk inside reaches the engine's own checks. Fails when
// a refused state changed anything, an accepted one does not come back byte for byte, or a note
// is left sounding once the keys are let go and the transport stops.
#include <cstdint>
#include <vector>

#include "engine/ParamNames.h"
#include "host/clap/StateHeader.h"
#include "hosts/clap/ClapHost.h"
#include "tests/clap/Sounding.h"
#include "tests/fuzz/FuzzChecks.h"
#include "tests/fuzz/FuzzInput.h"

namespace {
constexpr clap_id kProgramParam = 1000000;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzInput in(data, size);
  const uint8_t setup = in.Byte();
  const size_t portion = in.Byte();  // 0: the whole stream at once
  claphost::Host host;
  Require(host.Create(), "the module does not load");
  if (setup & 1) {
    host.SetParam(kProgramParam, 1 + (setup >> 1) % 64);
    host.SetParam(tagSync, 3);
  }
  if (setup & 2) Require(host.Activate(44100, 512), "activate refused");
  const std::span<const uint8_t> rest = in.Rest();
  std::vector<uint8_t> state(rest.begin(), rest.end());
  if ((setup & 0x80) && state.size() >= clapstate::kHeaderSize) {
    const uint32_t crc = clapstate::Crc32(std::span<const uint8_t>(state).subspan(clapstate::kHeaderSize));
    for (int i = 0; i < 4; ++i) state[16 + i] = static_cast<uint8_t>(crc >> (8 * i));
  }
  const auto before = host.SaveState();
  Require(before.has_value(), "the state cannot be saved");
  const bool loaded = host.LoadState(state, portion);
  const auto after = host.SaveState();
  Require(after.has_value(), "the state cannot be saved after a load");
  if (!loaded) {
    Require(*after == *before, "a refused state changed the instance");
  } else {
    Require(host.LoadState(*after), "a saved state is refused");
    Require(host.SaveState() == after, "a loaded state does not come back byte for byte");
  }
  for (const clap_param_info_t& info : host.AllInfo()) {
    const auto v = host.Value(info.id);
    Require(v && *v >= info.min_value && *v <= info.max_value, "a value outside its range");
  }
  if (!host.Active()) Require(host.Activate(44100, 512), "activate refused");
  host.StartProcessing();
  host.Note(true, 0, 60, 0.8);
  host.Note(true, 0, 64, 0.7);
  host.PlayBlocks(40);
  host.ParamValue(tagLatch, 0);
  host.Note(false, 0, 60, 0);
  host.Note(false, 0, 64, 0);
  host.transport.playing = false;
  host.RunBlocks(200);
  Require(clapscript::Sounding(host.SentEvents()) == 0, "a note is left sounding");
  return 0;
}
