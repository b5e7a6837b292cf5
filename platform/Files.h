#pragma once
// Whole-file reads and writes and folder listings, the same on every system. Paths are the
// system's narrow strings (the ANSI code page on Windows).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class TReadResult { Read, Missing, Failed };

// Reads only regular files and never waits: whatever else stands at the name (a FIFO, a device,
// a folder) is refused at once, without being opened for long enough to block. Failed when the
// file exists but is no regular file or cannot be read, with a one-line reason in `reason` when
// one is given.
//
// The whole file into `out`; Failed too when it holds more than `maxBytes`.
TReadResult ReadWholeFile(const std::string& path, size_t maxBytes, std::string& out, std::string* reason = nullptr);
TReadResult ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out,
                          std::string* reason = nullptr);
// The first `maxBytes` bytes of the file (all of a shorter one) into `out`.
TReadResult ReadFileStart(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out,
                          std::string* reason = nullptr);

// A file written beside its target and renamed over it only once complete, so the old file stays
// as it was when anything fails. A target that is a symbolic link stays one: the file it leads to
// is replaced. The new file is created under a name of its own beside that file, exclusively and
// never through a link (no file of the user's is touched but the target), and takes the target's
// permissions (and owner, where the system lets it). A target whose permissions do not let the
// user write it, or that is no regular file, is refused and left alone.
class TFileReplacement {
 public:
  TFileReplacement() = default;
  ~TFileReplacement();  // removes the new file unless it replaced the target
  TFileReplacement(const TFileReplacement&) = delete;
  TFileReplacement& operator=(const TFileReplacement&) = delete;
  TFileReplacement(TFileReplacement&& other) noexcept;
  TFileReplacement& operator=(TFileReplacement&& other) noexcept;

  // Writes `data` into the new file beside `path`'s target. False on failure, with a one-line
  // reason in `reason` when one is given.
  bool Prepare(const std::string& path, std::span<const uint8_t> data, std::string* reason = nullptr);
  // Renames the prepared file over the target.
  bool Commit(std::string* reason = nullptr);
  // The file that is replaced (the end of the links) and the new file's name, once prepared.
  const std::string& Target() const { return target; }
  const std::string& TemporaryName() const { return temporary; }
  // The system's own words for the last failure ("Permission denied").
  const std::string& Why() const { return why; }

 private:
  bool Fail(std::string* reason, const char* what, const std::string& file, std::string words);
  void Discard();
  std::string target, temporary, why;
};

// Prepare and Commit in one.
bool WriteWholeFileSafely(const std::string& path, std::span<const uint8_t> data, std::string* reason = nullptr);
bool WriteWholeFileSafely(const std::string& path, std::string_view data, std::string* reason = nullptr);

// The names of the plain files (folders left out) in `folder`, sorted by name without regard
// to case (then byte by byte), so every system lists them in the same order. Empty when the
// folder is missing or cannot be read.
std::vector<std::string> ListFiles(const std::string& folder);

// `folder` and `name` joined with one separator.
std::string JoinPath(const std::string& folder, const std::string& name);
