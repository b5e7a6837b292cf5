#include "tools/render/PresetFile.h"

#include "tools/common/ToolError.h"
#include "tools/render/InputFile.h"

TPresetImage ReadPresetFile(const std::string& path, TPresetKind kind) {
  const std::vector<uint8_t> bytes = ReadInputFile(path, PresetReadLimit(kind), false);
  const TPresetCheck check = CheckPresetFile(bytes, kind);
  if (!check.ok) throw FileError(path, check.reason);
  return {{check.chunk.begin(), check.chunk.end()}, check.currentProgram};
}
