#pragma once
// PNG images of a canvas.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Canvas.h"

// The canvas as a PNG file image (8-bit RGB). Empty for an empty canvas.
std::vector<uint8_t> EncodePng(const TCanvas& canvas);
// Writes the PNG to `path`; false when it cannot be written.
bool WritePng(const TCanvas& canvas, const std::string& path);
