#pragma once
// Output files appear whole or not at all: written under a temporary name beside the
// target, then renamed over it.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Throws TToolError naming the path when the file cannot be written.
void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);
void WriteFileAtomically(const std::string& path, std::string_view text);
