#include "host/lv2/StateBlob.h"

#include <cstring>

namespace {

constexpr char kMagic[4] = {'M', 'L', 'v', '2'};

void PutWord(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t Word(std::span<const uint8_t> bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
  return v;
}

bool Refuse(std::string* reason, const char* why) {
  if (reason != nullptr) *reason = why;
  return false;
}

}  // namespace

uint32_t Crc32(std::span<const uint8_t> bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::vector<uint8_t> WriteStateBlob(TStateKind kind, int32_t program, std::span<const uint8_t> chunk) {
  std::vector<uint8_t> out(kMagic, kMagic + 4);
  out.reserve(kStateHeaderSize + chunk.size());
  PutWord(out, kStateVersion);
  PutWord(out, static_cast<uint32_t>(kind));
  PutWord(out, static_cast<uint32_t>(program));
  PutWord(out, static_cast<uint32_t>(chunk.size()));
  PutWord(out, Crc32(chunk));
  out.insert(out.end(), chunk.begin(), chunk.end());
  return out;
}

bool ReadStateBlob(std::span<const uint8_t> bytes, TStateBlob& blob, std::string* reason) {
  if (bytes.size() < kStateHeaderSize) return Refuse(reason, "shorter than its header");
  if (std::memcmp(bytes.data(), kMagic, 4) != 0) return Refuse(reason, "not a Moltrin state");
  if (Word(bytes, 4) != kStateVersion) return Refuse(reason, "a state version this plug-in does not know");
  const uint32_t kind = Word(bytes, 8);
  if (kind > 1) return Refuse(reason, "an unknown kind of state");
  const auto program = static_cast<int32_t>(Word(bytes, 12));
  if (program < -1 || program > 63) return Refuse(reason, "a current program out of range");
  const uint32_t size = Word(bytes, 16);
  if (size == 0 || size != bytes.size() - kStateHeaderSize) return Refuse(reason, "the chunk's size does not match");
  if (Word(bytes, 20) != Crc32(bytes.subspan(kStateHeaderSize))) return Refuse(reason, "the chunk is damaged");
  blob.kind = static_cast<TStateKind>(kind);
  blob.program = program;
  blob.chunk = bytes.subspan(kStateHeaderSize);
  return true;
}
