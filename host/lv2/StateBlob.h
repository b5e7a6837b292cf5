#pragma once
// The plug-in's saved state as one block of bytes: a small header, then the engine's chunk.
//
//   bytes 0..3   "MLv2"
//   bytes 4..7   version (1), little-endian
//   bytes 8..11  what the chunk holds: 0 the whole bank, 1 one program
//   bytes 12..15 the current program (0..63; -1 none), little-endian
//   bytes 16..19 the chunk's size in bytes, little-endian
//   bytes 20..23 the chunk's CRC-32 (as zlib computes it), little-endian
//   bytes 24..   the chunk
//
// Reading checks the header and the checksum; the plug-in checks the chunk's size.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

enum class TStateKind : int32_t { kBank = 0, kProgram = 1 };

struct TStateBlob {
  TStateKind kind = TStateKind::kBank;
  int32_t program = -1;
  std::span<const uint8_t> chunk;  // inside the bytes read
};

constexpr uint32_t kStateVersion = 1;
constexpr size_t kStateHeaderSize = 24;

std::vector<uint8_t> WriteStateBlob(TStateKind kind, int32_t program, std::span<const uint8_t> chunk);
// False with the reason when the bytes are no state of this version.
uint32_t Crc32(std::span<const uint8_t> bytes);
bool ReadStateBlob(std::span<const uint8_t> bytes, TStateBlob& blob, std::string* reason = nullptr);
