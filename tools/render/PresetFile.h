#pragma once
// Program (fxp) and bank (fxb) files read as the plug-in's editor reads them, for a host
// that can only hand the plug-in a chunk: the header is checked and the chunk taken out.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct TPresetImage {
  std::vector<uint8_t> chunk;
  int currentProgram = -1;  // a bank's current program when 0..63
};

enum class TPresetKind { program, bank };

// Fills `image` from a file image, or answers why the file is refused (one line, no name):
// an empty file, a header cut short, another plug-in's file, a file of the other kind.
// Files without the "CcnK" magic are bare chunks, as the plug-in itself accepts them.
bool ExtractPreset(std::span<const uint8_t> file, TPresetKind kind, TPresetImage& image, std::string& why);
// Reads the file at `path`; throws TToolError naming it.
TPresetImage ReadPresetFile(const std::string& path, TPresetKind kind);
