#pragma once
// Whole-file reads with messages that say what is wrong with the path.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The first `limit` bytes of the file (all of it when `whole` and it fits), or a TToolError
// naming the file: missing, no regular file (a folder, a FIFO: never waited for), unreadable,
// or larger than `limit` when `whole`.
std::vector<uint8_t> ReadInputFile(const std::string& path, size_t limit, bool whole);
