#pragma once
// Floating-point state at the plug-in boundary. Hosts may run their threads with
// floating-point exceptions unmasked; the plug-in's arithmetic must never trap there, and
// the host's own state (masks, rounding, raised flags) must be as it was when we return.
// The guard runs around every entry, so it touches the control words only when they differ
// from what the plug-in needs.
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

// What the plug-in needs of each unit: every exception masked, rounding to nearest.
inline bool SseAsNeeded(uint32_t mxcsr) { return (mxcsr & (kMxcsrMasks | kMxcsrRounding)) == kMxcsrMasks; }
inline bool X87AsNeeded(uint16_t control) { return (control & (kX87Masks | kX87Rounding)) == kX87Masks; }

}  // namespace fpu_detail

// Masks every floating-point exception on the calling thread for a scope and rounds to
// nearest (every rounding of the plug-in is to nearest, ties to even, whatever mode the host's
// thread runs in); puts the caller's state back on the way out, raised flags included.
//
// Most hosts run with everything masked and rounding to nearest. Then the guard only reads the
// control words on entry and, on the way out, puts the SSE register back if the plug-in raised
// a flag there and clears x87 flags it raised. Only a thread in another state (or with x87
// flags of its own raised) has its whole x87 environment saved and restored.
class TFpuGuard {
 public:
  TFpuGuard() {
    using namespace fpu_detail;
    savedMxcsr = _mm_getcsr();
    if (!SseAsNeeded(savedMxcsr)) _mm_setcsr((savedMxcsr | kMxcsrMasks) & ~(kMxcsrFlags | kMxcsrRounding));
    uint16_t control, status;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    __asm__ __volatile__("fnstsw %0" : "=m"(status));
    x87Saved = !X87AsNeeded(control) || (status & kX87Masks) != 0;
    if (x87Saved) {
      __asm__ __volatile__("fnstenv %0" : "=m"(savedX87));
      control = static_cast<uint16_t>((control | kX87Masks) & ~kX87Rounding);
      __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(control));
    }
  }
  ~TFpuGuard() {
    if (_mm_getcsr() != savedMxcsr) _mm_setcsr(savedMxcsr);
    if (x87Saved) {
      __asm__ __volatile__("fldenv %0" : : "m"(savedX87));
    } else {
      uint16_t status;
      __asm__ __volatile__("fnstsw %0" : "=m"(status));
      if ((status & fpu_detail::kX87Masks) != 0) __asm__ __volatile__("fnclex");
    }
  }
  TFpuGuard(const TFpuGuard&) = delete;
  TFpuGuard& operator=(const TFpuGuard&) = delete;

 private:
  uint32_t savedMxcsr;
  bool x87Saved;
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
