#pragma once
// Every call a host makes into the plug-in runs through Guarded: floating-point exceptions
// masked for its length (the host's own state restored on return), and no exception crossing
// back into the host: a failure answers the call's fallback value.
#include <utility>

#include "host/boundary/FpuGuard.h"

template <class R, class F>
R Guarded(R fallback, F&& body) noexcept {
  TFpuGuard fpu;
  try {
    return std::forward<F>(body)();
  } catch (...) {
    return fallback;
  }
}

template <class F>
void Guarded(F&& body) noexcept {
  TFpuGuard fpu;
  try {
    std::forward<F>(body)();
  } catch (...) {
  }
}
