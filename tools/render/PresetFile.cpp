// The header rules of fxp and fxb files (all numbers big-endian).
#include "tools/render/PresetFile.h"

#include <algorithm>
#include <cstring>

#include "tools/render/InputFile.h"
#include "tools/render/ToolError.h"

namespace {

constexpr size_t kProgramChunk = 576;
constexpr size_t kBankChunk = 576 * 64;
constexpr size_t kFxpHeader = 60;
constexpr size_t kFxbHeader = 160;

bool HasCode(const uint8_t* p, const char* code) { return std::memcmp(p, code, 4) == 0; }

std::string Printable(const uint8_t* p) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += (p[i] >= 32 && p[i] < 127) ? static_cast<char>(p[i]) : '?';
  return s;
}

uint32_t BE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

}  // namespace

bool ExtractPreset(std::span<const uint8_t> file, TPresetKind kind, TPresetImage& image, std::string& why) {
  const bool bank = kind == TPresetKind::bank;
  const char* what = bank ? "bank" : "program";
  const size_t header = bank ? kFxbHeader : kFxpHeader;
  const size_t chunkLimit = bank ? kBankChunk : kProgramChunk;
  image = {};
  if (file.empty()) {
    why = std::string("the ") + what + " file is empty";
    return false;
  }
  const uint8_t* p = file.data();
  if (file.size() >= 4 && (HasCode(p, "CcnK") || HasCode(p, "KncC"))) {
    if (file.size() < 12) {
      why = std::string("the ") + what + " file is shorter than its header";
      return false;
    }
    const char* otherMagic = bank ? "FPCh" : "FBCh";
    if (HasCode(p + 8, otherMagic)) {
      why = bank ? "this is a program file, not a bank (use --preset)" : "this is a bank file, not a program (use --bank)";
      return false;
    }
    if (!HasCode(p + 8, bank ? "FBCh" : "FPCh")) {
      why = std::string("not a ") + what + " file of this plug-in (type '" + Printable(p + 8) + "')";
      return false;
    }
    if (file.size() < header) {
      why = std::string("the ") + what + " file is shorter than its header";
      return false;
    }
    if (!HasCode(p + 16, "Kq4v")) {
      why = std::string("the ") + what + " file belongs to another plug-in (ID '" + Printable(p + 16) + "')";
      return false;
    }
    const size_t n = std::min(file.size() - header, chunkLimit);
    if (n == 0) {
      why = std::string("the ") + what + " file holds no data after its header";
      return false;
    }
    image.chunk.assign(p + header, p + header + n);
    if (bank) {
      const uint32_t current = BE32(p + 28);
      if (current < 64) image.currentProgram = static_cast<int>(current);
    }
    return true;
  }
  image.chunk.assign(p, p + std::min(file.size(), chunkLimit));
  return true;
}

TPresetImage ReadPresetFile(const std::string& path, TPresetKind kind) {
  const size_t limit = (kind == TPresetKind::bank ? kFxbHeader + kBankChunk : kFxpHeader + kProgramChunk);
  const std::vector<uint8_t> bytes = ReadInputFile(path, limit, false);
  TPresetImage image;
  std::string why;
  if (!ExtractPreset(bytes, kind, image, why)) throw FileError(path, why);
  return image;
}
