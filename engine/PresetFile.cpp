// The checks a program or bank file passes before anything of it is applied.
#include "engine/PresetFile.h"

#include <algorithm>
#include <cstring>

#include "engine/ParamNames.h"

namespace {

uint32_t GetBE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

bool HasCode(const uint8_t* p, const char* code) { return std::memcmp(p, code, 4) == 0; }

std::string Printable(const uint8_t* p) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += (p[i] >= 32 && p[i] < 127) ? static_cast<char>(p[i]) : '?';
  return s;
}

// A writer that stores its codes byte-reversed ("KncC") may reverse the others too.
bool HasCodeEitherWay(const uint8_t* p, const char* code, bool reversed) {
  if (HasCode(p, code)) return true;
  const char flipped[4] = {code[3], code[2], code[1], code[0]};
  return reversed && std::memcmp(p, flipped, 4) == 0;
}

// A number of a preset header, big-endian; a writer that reversed its codes may have written
// its numbers the other way round too, which shows as a big-endian value above `most`.
uint32_t ReadCount(const uint8_t* p, uint32_t most, bool reversed) {
  const uint32_t big = GetBE32(p);
  if (!reversed || big <= most) return big;
  return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | uint32_t{p[0]};
}

// What tells a program file from a bank file.
struct TKindInfo {
  const char* what;
  const char* other;  // the other kind, for a file given as the wrong one
  size_t headerSize;
  const char* fxMagic;
  const char* otherFxMagic;
  size_t chunkSize;  // a whole program or bank
  size_t oldSize;    // the same in format 7
};
constexpr TKindInfo kProgramInfo{"program", "bank", 60, "FPCh", "FBCh", kProgramChunkSize, kOldRecordSize};
constexpr TKindInfo kBankInfo{"bank", "program", 160, "FBCh", "FPCh", kBankChunkSize, kOldRecordSize * kNumPrograms};

const TKindInfo& InfoOf(TPresetKind kind) { return kind == TPresetKind::program ? kProgramInfo : kBankInfo; }

TPresetCheck Refuse(std::string reason) { return {false, std::move(reason), {}, -1}; }

// The data after a preset header: at least what the header announces, and a whole program or
// bank, so that a file cut short never loads in part. Each reason names its case in its first
// words, since a narrow status line may show no more of it.
TPresetCheck CheckHeaderedFile(std::span<const uint8_t> file, const TKindInfo& k) {
  const uint8_t* p = file.data();
  const std::string what = k.what;
  const bool reversed = HasCode(p, "KncC");
  if (file.size() >= 12 && HasCodeEitherWay(p + 8, k.otherFxMagic, reversed))
    return Refuse("a " + std::string(k.other) + " file, not a " + what + " file");
  if (file.size() < k.headerSize)
    return Refuse("header cut short: " + std::to_string(file.size()) + " of " + std::to_string(k.headerSize) + " bytes");
  if (!HasCodeEitherWay(p + 16, "Kq4v", reversed))
    return Refuse("another plug-in's " + what + " file (ID '" + Printable(p + 16) + "')");
  if (!HasCodeEitherWay(p + 8, k.fxMagic, reversed))
    return Refuse("unknown type '" + Printable(p + 8) + "', not a " + what + " file of this plug-in");

  const size_t held = file.size() - k.headerSize;
  if (held == 0) return Refuse("no data after the " + what + " file's header");
  const uint8_t* data = p + k.headerSize;
  const size_t whole = data[0] == 7 ? k.oldSize : k.chunkSize;
  const size_t announced = ReadCount(data - 4, k.chunkSize, reversed);
  if (held < whole)
    return Refuse(what + " cut short: " + std::to_string(held) + " of " + std::to_string(whole) + " bytes of data");
  if (held < announced)
    return Refuse("header announces " + std::to_string(announced) + " bytes of data, the file holds " +
                  std::to_string(held));
  TPresetCheck ok{true, {}, {data, std::min(held, k.chunkSize)}, -1};
  if (&k == &kBankInfo) {
    const uint32_t current = ReadCount(p + 28, kNumPrograms - 1, reversed);
    if (current < kNumPrograms) ok.currentProgram = static_cast<int>(current);
  }
  return ok;
}

TPresetCheck CheckBareChunk(std::span<const uint8_t> file, const TKindInfo& k, const TKindInfo& other) {
  const size_t n = file.size();
  const bool old = file[0] == 7;
  if (n == k.chunkSize || (old && n == k.oldSize)) return {true, {}, file, -1};
  const std::string what = k.what;
  if (n == other.chunkSize || (old && n == other.oldSize))
    return Refuse("a bare " + std::string(other.what) + " chunk (" + std::to_string(n) + " bytes), not a " + what);
  if (n >= 4 && HasCode(file.data(), "MThd")) return Refuse("a MIDI file, not a " + what + " file");
  return Refuse("no preset header, and " + std::to_string(n) + " bytes where a bare " + what + " chunk has " +
                std::to_string(k.chunkSize));
}

}  // namespace

size_t PresetReadLimit(TPresetKind kind) {
  const TKindInfo& k = InfoOf(kind);
  return k.headerSize + k.chunkSize + 1;
}

TPresetCheck CheckPresetFile(std::span<const uint8_t> file, TPresetKind kind) {
  const TKindInfo& k = InfoOf(kind);
  if (file.empty()) return Refuse("empty file, not a " + std::string(k.what) + " file");
  if (file.size() >= 4 && (HasCode(file.data(), "CcnK") || HasCode(file.data(), "KncC")))
    return CheckHeaderedFile(file, k);
  return CheckBareChunk(file, k, InfoOf(kind == TPresetKind::program ? TPresetKind::bank : TPresetKind::program));
}
