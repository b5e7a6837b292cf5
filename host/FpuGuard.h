#pragma once
// Floating-point state at the plug-in boundary. Hosts may run their threads with
// floating-point exceptions unmasked; the plug-in's arithmetic must never trap there, and
// the host's own state (masks, rounding, raised flags) must be as it was when we return.
//
// On x86 both units are handled directly: SSE (MXCSR) does the arithmetic, and the x87 unit
// still serves some library functions. The C library's <cfenv> is not used there because
// mingw-w64's feholdexcept masks nothing and its fesetenv does not restore the rounding mode.
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#define MOLTRIN_FPU_X86 1
#else
#include <cfenv>
#endif

#if MOLTRIN_FPU_X86
namespace fpu_detail {

constexpr uint32_t kMxcsrFlags = 0x003F;     // raised exceptions
constexpr uint32_t kMxcsrMasks = 0x1F80;     // exception masks
constexpr uint32_t kMxcsrRounding = 0x6000;  // rounding control; 0 = to nearest
constexpr uint16_t kX87Masks = 0x003F;
constexpr uint16_t kX87Rounding = 0x0C00;

// The x87 environment as fnstenv stores it in 32-bit protected mode (28 bytes).
struct X87Env {
  uint16_t control, unused0, status, unused1, tag, unused2;
  uint32_t ip;
  uint16_t cs, opcode;
  uint32_t dataOffset;
  uint16_t dataSelector, unused3;
};
static_assert(sizeof(X87Env) == 28);

inline void MaskAllAndRoundToNearest() {
  _mm_setcsr((_mm_getcsr() | kMxcsrMasks) & ~(kMxcsrFlags | kMxcsrRounding));
  uint16_t cw;
  __asm__ __volatile__("fnstcw %0" : "=m"(cw));
  cw = static_cast<uint16_t>((cw | kX87Masks) & ~kX87Rounding);
  __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(cw));
}

}  // namespace fpu_detail

// Masks every floating-point exception on the calling thread for a scope, clears the flags
// and rounds to nearest (every rounding of the plug-in is to nearest, ties to even, whatever
// mode the host's thread runs in); puts the caller's state back on the way out.
class TFpuGuard {
 public:
  TFpuGuard() {
    savedMxcsr = _mm_getcsr();
    __asm__ __volatile__("fnstenv %0" : "=m"(savedX87));
    fpu_detail::MaskAllAndRoundToNearest();
  }
  ~TFpuGuard() {
    _mm_setcsr(savedMxcsr);
    __asm__ __volatile__("fldenv %0" : : "m"(savedX87));
  }
  TFpuGuard(const TFpuGuard&) = delete;
  TFpuGuard& operator=(const TFpuGuard&) = delete;

 private:
  uint32_t savedMxcsr;
  fpu_detail::X87Env savedX87;
};

// Masks every floating-point exception on the calling thread for good (module load).
inline void MaskFpExceptions() {
  _mm_setcsr(_mm_getcsr() | fpu_detail::kMxcsrMasks);
  uint16_t cw;
  __asm__ __volatile__("fnstcw %0" : "=m"(cw));
  cw = static_cast<uint16_t>(cw | fpu_detail::kX87Masks);
  __asm__ __volatile__("fldcw %0" : : "m"(cw));
}

#else

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

inline void MaskFpExceptions() {
  fenv_t ignored;
  feholdexcept(&ignored);
}

#endif
