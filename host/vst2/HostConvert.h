#pragma once
// Small helpers for what crosses the boundary: texts into host buffers and the host's
// pointer-sized arguments narrowed to our 32-bit ones.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

#include "host/vst2/VstAbi.h"

// Copies a text into a host buffer with its terminating zero, never writing more than
// kHostTextCapacity bytes in all. A null buffer gets nothing.
inline void CopyHostText(void* dst, std::string_view text) {
  if (dst == nullptr) return;
  size_t n = text.size() < kHostTextCapacity - 1 ? text.size() : kHostTextCapacity - 1;
  char* out = static_cast<char*>(dst);
  std::memcpy(out, text.data(), n);
  out[n] = 0;
}

// A host's pointer-sized number narrowed to 32 bits, saturating instead of wrapping, so that
// a huge value never turns into a small valid one.
inline VstInt32 SaturateToInt32(VstIntPtr v) {
  if (v > std::numeric_limits<VstInt32>::max()) return std::numeric_limits<VstInt32>::max();
  if (v < std::numeric_limits<VstInt32>::min()) return std::numeric_limits<VstInt32>::min();
  return static_cast<VstInt32>(v);
}

// Rounds to the nearest integer, ties to even, whatever rounding mode the host thread runs
// in; saturates to 32 bits, and NaN gives 0.
inline VstInt32 RoundToInt32(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483647.0) return std::numeric_limits<VstInt32>::max();
  if (x <= -2147483648.0) return std::numeric_limits<VstInt32>::min();
  double lower = std::floor(x);
  double frac = x - lower;
  double r = lower;
  if (frac > 0.5 || (frac == 0.5 && std::fmod(lower, 2.0) != 0.0)) r = lower + 1.0;
  return static_cast<VstInt32>(r);
}
