// The state a CLAP host keeps for an instance: the engine's bank chunk (every program, the
// settings in force) inside a header of ours, so that later versions can extend it:
//
//   bytes 0..3    "MLTN"
//   bytes 4..7    format version, 1 (little-endian, as every number here)
//   bytes 8..11   the current program, 0..63, or -1 when none is current
//   bytes 12..15  the bank chunk's length
//   bytes 16..19  CRC-32 (as zlib computes it) of the bank chunk
//   then the bank chunk
//
// A state that fails any check (cut short, longer, another magic or version, a length that is
// not the bank's, a damaged chunk) is refused before anything is applied, so it changes nothing.
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/boundary/SavedProgram.h"
#include "host/clap/ClapBoundary.h"
#include "host/clap/ClapExtensions.h"
#include "host/clap/ClapPlugin.h"
#include "host/clap/StateHeader.h"

const clap_plugin_state_t kClapState = {
    [](const clap_plugin_t* p, const clap_ostream_t* stream) {
      return Guarded(false, [&] { return TClapPlugin::Of(p)->SaveState(stream); });
    },
    [](const clap_plugin_t* p, const clap_istream_t* stream) {
      return Guarded(false, [&] { return TClapPlugin::Of(p)->LoadState(stream); });
    },
};

bool TClapPlugin::SaveState(const clap_ostream_t* stream) {
  RequireMainThread();
  if (stream == nullptr || stream->write == nullptr) return false;
  const void* chunk = nullptr;
  const int size = plugin->GetChunk(false, &chunk);
  if (size <= 0 || chunk == nullptr) return false;
  const std::vector<uint8_t> state =
      clapstate::Build(SavedProgram(*plugin, chunk), std::span<const uint8_t>(static_cast<const uint8_t*>(chunk), size));
  size_t written = 0;
  while (written < state.size()) {
    const int64_t n = stream->write(stream, state.data() + written, state.size() - written);
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

bool TClapPlugin::LoadState(const clap_istream_t* stream) {
  RequireMainThread();
  if (stream == nullptr || stream->read == nullptr) return false;
  const int bankSize = TPlugin::ProgramCount() * TPlugin::ParamCount();  // a row of every setting a program
  // Read one byte more than a state holds, to tell a longer stream from ours.
  const size_t limit = clapstate::kHeaderSize + static_cast<size_t>(bankSize) + 1;
  std::vector<uint8_t> bytes(limit);
  size_t got = 0;
  while (got < limit) {
    const int64_t n = stream->read(stream, bytes.data() + got, limit - got);
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  const clapstate::TParsed parsed = clapstate::Parse(bytes, static_cast<size_t>(bankSize));
  if (!parsed.ok) return false;
  // The saved program is made current first, so that the bank arrives over it (a current program
  // the bank leaves empty would be initialised), and again after, to take its settings.
  restoringState = true;
  if (parsed.program >= 0) plugin->SelectProgram(parsed.program);
  const bool applied = plugin->SetChunk(parsed.chunk.data(), static_cast<int>(parsed.chunk.size()), false) != 0;
  if (applied && parsed.program >= 0) plugin->SelectProgram(parsed.program);
  restoringState = false;
  if (!applied) return false;
  // Every value, name and the chain count may be new: the host reads them again, here on the
  // main thread. The state is the host's own, so nothing is marked stale.
  chainCountTold.store(plugin->ParamInfo(tagCurChain).max, std::memory_order_release);
  if (hostParams != nullptr && hostParams->rescan != nullptr)
    hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES | CLAP_PARAM_RESCAN_TEXT);
  return true;
}
