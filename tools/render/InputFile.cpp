#include "tools/render/InputFile.h"

#include "platform/Files.h"
#include "tools/common/ToolError.h"

std::vector<uint8_t> ReadInputFile(const std::string& path, size_t limit, bool whole) {
  std::vector<uint8_t> bytes;
  std::string why;
  switch (whole ? ReadWholeFile(path, limit, bytes, &why) : ReadFileStart(path, limit, bytes, &why)) {
    case TReadResult::Missing: throw FileError(path, "no such file");
    case TReadResult::Failed: throw FileError(path, why);
    case TReadResult::Read: break;
  }
  return bytes;
}
