#include "tools/common/OutputFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "tools/common/ToolError.h"

namespace fs = std::filesystem;

namespace {

TToolError CannotWrite(const std::string& path, int error) {
  return FileError(path, std::string("cannot write the file (") + std::strerror(error) + ")");
}

// Answers 0, or the errno of the failure (the temporary file is then removed).
int WriteWhole(const std::string& temp, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (f == nullptr) return errno;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  int error = written ? 0 : errno;
  if (std::fclose(f) != 0 && error == 0) error = errno;
  if (error != 0) std::remove(temp.c_str());
  return error;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec);
  return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);  // one is yet to be written
}

}  // namespace

void TOutputFiles::Add(const std::string& path, std::vector<uint8_t> bytes) {
  files.push_back({path, path + ".tmp-" + std::to_string(getpid()), std::move(bytes)});
}

void TOutputFiles::Add(const std::string& path, std::string_view text) {
  Add(path, std::vector<uint8_t>(text.begin(), text.end()));
}

void TOutputFiles::Commit() {
  for (size_t i = 0; i < files.size(); ++i) {
    if (const int error = WriteWhole(files[i].temp, files[i].bytes); error != 0) {
      for (size_t k = 0; k < i; ++k) std::remove(files[k].temp.c_str());
      throw CannotWrite(files[i].path, error);
    }
  }
  for (size_t i = 0; i < files.size(); ++i) {
    if (std::rename(files[i].temp.c_str(), files[i].path.c_str()) != 0) {
      const int error = errno;
      for (size_t k = 0; k < i; ++k) std::remove(files[k].path.c_str());
      for (size_t k = i; k < files.size(); ++k) std::remove(files[k].temp.c_str());
      throw CannotWrite(files[i].path, error);
    }
  }
  files.clear();
}

void CheckOutputPaths(const std::vector<TNamedPath>& outputs, const std::vector<TNamedPath>& inputs) {
  for (size_t i = 0; i < outputs.size(); ++i) {
    const std::string& path = outputs[i].path;
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw FileError(path, "is a folder, not a file");
    const fs::path folder = fs::path(path).parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec))
      throw FileError(path, "cannot write the file (there is no folder " + folder.string() + ")");
    for (const TNamedPath& input : inputs)
      if (SameFile(path, input.path)) throw FileError(path, "is " + input.what + "; it is never written over");
    for (size_t k = 0; k < i; ++k)
      if (SameFile(path, outputs[k].path)) throw FileError(path, "is also " + outputs[k].what);
  }
}
