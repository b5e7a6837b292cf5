#pragma once
// Program (fxp) and bank (fxb) files for a host that can only hand the plug-in a chunk: the
// file goes through the plug-in's own checks and its chunk is taken out.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/PresetFile.h"

struct TPresetImage {
  std::vector<uint8_t> chunk;
  int currentProgram = -1;  // a bank's current program when 0..63
};

// Reads and checks the file at `path`; throws TToolError naming it and saying why it is refused.
TPresetImage ReadPresetFile(const std::string& path, TPresetKind kind);
