#include "tools/common/OutputFile.h"

#include <cstdio>
#include <filesystem>

#include "platform/Files.h"
#include "tools/common/ToolError.h"

namespace fs = std::filesystem;

namespace {

TToolError CannotWrite(const std::string& path, const std::string& why) {
  return FileError(path, "cannot write the file (" + why + ")");
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec);
  return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);  // one is yet to be written
}

}  // namespace

void TOutputFiles::Add(const std::string& path, std::vector<uint8_t> bytes) { files.push_back({path, std::move(bytes)}); }

void TOutputFiles::Add(const std::string& path, std::string_view text) {
  Add(path, std::vector<uint8_t>(text.begin(), text.end()));
}

void TOutputFiles::Commit() {
  // Every file written beside its target first; a failure leaves nothing behind (the files
  // prepared remove themselves).
  std::vector<TFileReplacement> prepared(files.size());
  for (size_t i = 0; i < files.size(); ++i)
    if (!prepared[i].Prepare(files[i].path, files[i].bytes)) throw CannotWrite(files[i].path, prepared[i].Why());
  for (size_t i = 0; i < files.size(); ++i) {
    if (!prepared[i].Commit()) {
      for (size_t k = 0; k < i; ++k) std::remove(prepared[k].Target().c_str());
      throw CannotWrite(files[i].path, prepared[i].Why());
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
