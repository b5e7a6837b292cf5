#pragma once
// The font files embedded at build time (generated from fonts-liberation2 by EmbedFile.cmake).
#include <cstddef>

extern const unsigned char kLiberationSansRegular[];
extern const std::size_t kLiberationSansRegularSize;
extern const unsigned char kLiberationSansBold[];
extern const std::size_t kLiberationSansBoldSize;
