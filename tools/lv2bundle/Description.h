#pragma once
// The Turtle texts of the LV2 bundle, made from the adapter's port table, the engine's catalogue
// and the factory bank a fresh instance starts with.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct TBundleText {
  std::string manifest, plugin, presets;
};

// `bank`: the factory bank file's bytes. `programs`: the factory programs (0..63) that become
// presets, those the bank's sources describe. False with the reason when the bank is refused.
bool DescribeBundle(std::span<const uint8_t> bank, const std::vector<int>& programs, TBundleText& text,
                    std::string& error);
