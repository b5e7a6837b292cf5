#pragma once
// The header around the bank chunk in a CLAP state (layout in ClapState.cpp): written, and read
// back with every check before anything is applied.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace clapstate {

constexpr std::array<uint8_t, 4> kMagic = {'M', 'L', 'T', 'N'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 20;

// CRC-32 (reflected, polynomial 0xEDB88320), as zlib and PNG compute it.
inline uint32_t Crc32(std::span<const uint8_t> bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

inline std::vector<uint8_t> Build(int program, std::span<const uint8_t> chunk, uint32_t version = kVersion) {
  std::vector<uint8_t> out(kMagic.begin(), kMagic.end());
  PutU32(out, version);
  PutU32(out, static_cast<uint32_t>(program));
  PutU32(out, static_cast<uint32_t>(chunk.size()));
  PutU32(out, Crc32(chunk));
  out.insert(out.end(), chunk.begin(), chunk.end());
  return out;
}

struct TParsed {
  bool ok = false;
  int program = -1;
  std::span<const uint8_t> chunk;
};

// The state's parts when every check holds: our magic and version, a program of 0..63 or -1, a
// chunk of exactly `bankSize` bytes that ends the state, its checksum.
inline TParsed Parse(std::span<const uint8_t> state, size_t bankSize) {
  TParsed r;
  if (state.size() != kHeaderSize + bankSize) return r;
  const uint8_t* p = state.data();
  if (!std::equal(kMagic.begin(), kMagic.end(), p) || GetU32(p + 4) != kVersion) return r;
  const int program = static_cast<int32_t>(GetU32(p + 8));
  if (program < -1 || program > 63 || GetU32(p + 12) != bankSize) return r;
  const std::span<const uint8_t> chunk = state.subspan(kHeaderSize);
  if (Crc32(chunk) != GetU32(p + 16)) return r;
  r.ok = true;
  r.program = program;
  r.chunk = chunk;
  return r;
}

}  // namespace clapstate
