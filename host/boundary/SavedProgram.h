#pragma once
// The program a format's saved state names beside the bank chunk: the one current, or with none
// current (a fresh instance without its factory bank), the one the bank's settings name, which
// a load makes current. So a state loads and saves again as it was saved.
#include <cstdint>

#include "engine/Plugin.h"

inline int SavedProgram(const TPlugin& plugin, const void* bankChunk) {
  const int current = plugin.CurrentProgram();
  if (current >= 0 || bankChunk == nullptr) return current;
  return static_cast<const int8_t*>(bankChunk)[tagCurProgram];
}
