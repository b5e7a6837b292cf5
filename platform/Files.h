#pragma once
// Whole-file reads and writes and folder listings, the same on every system. Paths are the
// system's narrow strings (the ANSI code page on Windows).
#include <cstddef>
#include <string>
#include <vector>

enum class TReadResult { Read, Missing, Failed };

// Reads the whole file into `out`. Failed when it exists but cannot be read or holds more
// than `maxBytes`.
TReadResult ReadWholeFile(const std::string& path, size_t maxBytes, std::string& out);
// Writes `data` to a temporary file beside `path` and renames it over `path` once it is
// complete, so the old file stays as it was when anything fails. A `path` that is a symbolic
// link stays one: the file it leads to is replaced, the temporary file beside that file. False
// on failure, with a one-line reason in `reason` when one is given.
bool WriteWholeFileSafely(const std::string& path, const std::string& data, std::string* reason = nullptr);

// The names of the plain files (folders left out) in `folder`, sorted by name without regard
// to case (then byte by byte), so every system lists them in the same order. Empty when the
// folder is missing or cannot be read.
std::vector<std::string> ListFiles(const std::string& folder);

// `folder` and `name` joined with one separator.
std::string JoinPath(const std::string& folder, const std::string& name);
