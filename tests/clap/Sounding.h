#pragma once
// The notes a CLAP host received from the plug-in and never saw ended.
#include <vector>

#include "hosts/clap/ClapHost.h"

namespace clapscript {

// Notes the host received and never saw ended (by channel and key); one note-off ends every
// note-on of its key.
inline int Sounding(const std::vector<claphost::Sent>& sent, int* firstChannel = nullptr, int* firstKey = nullptr) {
  int count[16][128] = {};
  for (const claphost::Sent& s : sent) {
    uint8_t b[3];
    if (!s.AsMidi(b)) continue;
    const int kind = b[0] & 0xF0, channel = b[0] & 15;
    if (kind == 0x90 && b[2] > 0) ++count[channel][b[1]];
    else if (kind == 0x80 || kind == 0x90) count[channel][b[1]] = 0;
  }
  int n = 0;
  for (int c = 0; c < 16; ++c)
    for (int k = 0; k < 128; ++k)
      if (count[c][k] > 0 && n++ == 0) {
        if (firstChannel != nullptr) *firstChannel = c;
        if (firstKey != nullptr) *firstKey = k;
      }
  return n;
}

}  // namespace clapscript
