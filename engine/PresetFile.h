#pragma once
// The checks a program (fxp) or bank (fxb) file passes before anything of it is applied.
// The engine's own loading goes through them, and so do tools that read a preset file and
// hand the plug-in its chunk, so that both refuse the same files with the same reasons.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine/ParamNames.h"

constexpr int kProgramChunkSize = kNumParams;              // 576
constexpr int kBankChunkSize = kNumParams * kNumPrograms;  // 36864
constexpr int kFxpSize = 60 + kProgramChunkSize;           // 636
constexpr int kFxbSize = 160 + kBankChunkSize;             // 37024
constexpr int kOldRecordSize = 512;                        // a program record of format 7

enum class TPresetKind { program, bank };

struct TPresetCheck {
  bool ok = false;
  std::string reason;              // one line, without the file's name, when refused
  std::span<const uint8_t> chunk;  // the chunk to apply, inside the file image
  int currentProgram = -1;         // a bank file's current program, when it is 0..63
};

// The most of a file a check needs: a whole file of the kind and one byte more, since a bare
// chunk is accepted only at its exact size.
size_t PresetReadLimit(TPresetKind kind);

// Accepted: a file with the "CcnK" header (or the byte-reversed "KncC") of this plug-in and
// of the kind asked for, holding at least the data its header announces and a whole program
// or bank (in the current or the old format-7 layout); or a bare chunk of exactly one program
// (576 bytes) or one bank (36864 bytes), or an old one (512 or 32768 bytes starting with 7).
// `file` is the file's image, or its first PresetReadLimit bytes.
TPresetCheck CheckPresetFile(std::span<const uint8_t> file, TPresetKind kind);
