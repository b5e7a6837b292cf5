#include "tools/render/OutputFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/render/ToolError.h"

void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  const std::string temp = path + ".tmp-" + std::to_string(getpid());
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (f == nullptr) throw FileError(path, std::string("cannot write the file (") + std::strerror(errno) + ")");
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const int writeErrno = errno;
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    std::remove(temp.c_str());
    throw FileError(path, std::string("cannot write the file (") + std::strerror(written ? errno : writeErrno) + ")");
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int renameErrno = errno;
    std::remove(temp.c_str());
    throw FileError(path, std::string("cannot write the file (") + std::strerror(renameErrno) + ")");
  }
}

void WriteFileAtomically(const std::string& path, std::string_view text) {
  WriteFileAtomically(path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}
