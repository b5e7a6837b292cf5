#include "tools/render/InputFile.h"

#include <filesystem>
#include <fstream>

#include "tools/common/ToolError.h"

std::vector<uint8_t> ReadInputFile(const std::string& path, size_t limit, bool whole) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(status)) throw FileError(path, "no such file");
  if (std::filesystem::is_directory(status)) throw FileError(path, "is a folder, not a file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(path, "cannot open the file");
  std::vector<uint8_t> bytes;
  char buf[65536];
  while (bytes.size() <= limit && (in.read(buf, sizeof buf) || in.gcount() > 0))
    bytes.insert(bytes.end(), buf, buf + in.gcount());
  if (in.bad()) throw FileError(path, "cannot read the file");
  if (bytes.size() > limit) {
    if (whole) throw FileError(path, "the file is larger than " + std::to_string(limit >> 20) + " MiB");
    bytes.resize(limit);
  }
  return bytes;
}
