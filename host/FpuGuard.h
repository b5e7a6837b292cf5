#pragma once
// Floating-point state at the plug-in boundary. Hosts may run their threads with
// floating-point exceptions unmasked; the plug-in's arithmetic must never trap there, and
// the host's own state (masks, rounding, raised flags) must be as it was when we return.
#include <cfenv>

// Masks every floating-point exception on the calling thread for a scope, clears the flags
// and rounds to nearest (every rounding of the plug-in is to nearest, ties to even, whatever
// mode the host's thread runs in); puts the caller's environment back on the way out.
class TFpuGuard {
 public:
  TFpuGuard() {
    feholdexcept(&saved);
    fesetround(FE_TONEAREST);
  }
  ~TFpuGuard() { fesetenv(&saved); }
  TFpuGuard(const TFpuGuard&) = delete;
  TFpuGuard& operator=(const TFpuGuard&) = delete;

 private:
  fenv_t saved;
};

// Masks every floating-point exception on the calling thread for good (module load).
inline void MaskFpExceptions() {
  fenv_t ignored;
  feholdexcept(&ignored);
}
