// Hosts may run their threads with floating-point exceptions unmasked. No entry of the
// plug-in may trap there, and each must hand the host's floating-point state back unchanged.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>

#if defined(_WIN32)
#include <float.h>
#else
#include <csignal>
#endif

#include "hosts/vst2/Host.h"

using vst2host::Host;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

enum TrapSet { kFaults, kFaultsAndInexact };

// Unmasks floating-point exceptions on this thread for a scope, as a strict host would.
// kFaults: invalid, divide by zero and overflow. kFaultsAndInexact adds inexact, which nearly
// every calculation raises: code run under it must be guarded or it traps.
class UnmaskedTraps {
 public:
  explicit UnmaskedTraps(TrapSet set) {
#if defined(_WIN32)
    unsigned int mask = _EM_INVALID | _EM_ZERODIVIDE | _EM_OVERFLOW;
    if (set == kFaultsAndInexact) mask |= _EM_INEXACT;
    _controlfp_s(&saved, 0, 0);
    _clearfp();
    unsigned int ignored;
    _controlfp_s(&ignored, _MCW_EM & ~mask, _MCW_EM);
#else
    int mask = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
    if (set == kFaultsAndInexact) mask |= FE_INEXACT;
    feclearexcept(FE_ALL_EXCEPT);
    saved = feenableexcept(mask);
#endif
  }
  ~UnmaskedTraps() {
#if defined(_WIN32)
    _clearfp();
    unsigned int ignored;
    _controlfp_s(&ignored, saved, _MCW_EM);
#else
    fedisableexcept(FE_ALL_EXCEPT);
    feclearexcept(FE_ALL_EXCEPT);
    feenableexcept(saved);
#endif
  }
  // The exceptions currently unmasked, as a bit set of this platform.
  static unsigned int Unmasked() {
#if defined(_WIN32)
    unsigned int cw = 0;
    _controlfp_s(&cw, 0, 0);
    return ~cw & _MCW_EM;
#else
    return static_cast<unsigned int>(fegetexcept());
#endif
  }

 private:
#if defined(_WIN32)
  unsigned int saved = 0;
#else
  int saved = 0;
#endif
};

// A division the compiler can neither fold nor drop.
volatile float gQuotient;
void Divide(float a, float b) {
  volatile float x = a, y = b;
  gQuotient = x / y;
}

}  // namespace

#if !defined(_WIN32)
// The trap harness itself: with the exceptions unmasked, ordinary arithmetic does trap. The
// child reports the trap through a handler of its own and an exit code, since sanitizer
// run-times answer a fatal SIGFPE with a report and an exit of their own.
constexpr int kTrapped = 42;
TEST(FloatingPointDeathTest, UnmaskedTrapsReallyTrap) {
  EXPECT_EXIT(
      {
        std::signal(SIGFPE, [](int) { std::_Exit(kTrapped); });
        UnmaskedTraps traps(kFaultsAndInexact);
        Divide(1.0f, 3.0f);
        std::_Exit(0);
      },
      testing::ExitedWithCode(kTrapped), "");
}
#endif

TEST(FloatingPoint, ParameterEntriesNeverTrap) {
  Host h;
  AEffect* fx = h.Start();
  ASSERT_NE(fx, nullptr);
  {
    // Calls straight through the record, so that no code of the test runs under the traps.
    UnmaskedTraps traps(kFaultsAndInexact);
    for (float v : {0.3f, 0.7f, kNaN, kInf, -kInf, 1e30f, -0.5f, 5.0f}) {
      fx->setParameter(fx, 210, v);
      fx->setParameter(fx, 18, v);
      fx->setParameter(fx, 17, v);
      fx->setParameter(fx, 5, v);  // an undefined tag: minimum equals maximum
    }
    for (VstInt32 tag : {0, 5, 17, 18, 210, 211, 256, 575, 576, -1}) (void)fx->getParameter(fx, tag);
  }
  for (VstInt32 tag = 0; tag < 576; ++tag) {
    float v = h.GetParam(tag);
    EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << "tag " << tag << " reads " << v;
  }
}

TEST(FloatingPoint, DispatcherNeverTraps) {
  Host h;
  AEffect* fx = h.Load();
  ASSERT_NE(fx, nullptr);
  char buffer[256] = {};
  void* chunk = nullptr;
  {
    UnmaskedTraps traps(kFaultsAndInexact);
    fx->dispatcher(fx, effOpen, 0, 0, nullptr, 0.0f);
    fx->dispatcher(fx, effSetSampleRate, 0, 0, nullptr, 0.0f);
    fx->dispatcher(fx, effSetSampleRate, 0, 0, nullptr, kNaN);
    fx->dispatcher(fx, effSetBlockSize, 0, 0, nullptr, 0.0f);
    fx->dispatcher(fx, effSetBlockSizeAndSampleRate, 0, 0, nullptr, -kInf);
    fx->dispatcher(fx, effMainsChanged, 0, 1, nullptr, 0.0f);
    fx->dispatcher(fx, effGetVu, 0, 0, nullptr, 0.0f);
    fx->dispatcher(fx, effEditKeyDown, 65, 300, nullptr, kNaN);
    fx->dispatcher(fx, effEditKeyDown, 65, 300, nullptr, 1e30f);
    fx->dispatcher(fx, effSetProgram, 0, 3, nullptr, 0.0f);
    fx->dispatcher(fx, effGetParamDisplay, 211, 0, buffer, 0.0f);
    fx->dispatcher(fx, effGetChunk, 0, 0, &chunk, 0.0f);
  }
  EXPECT_EQ(h.Program(), 3);
  EXPECT_EQ(std::string(buffer), "100");
}

TEST(FloatingPoint, BlocksWithAbsurdHostTimeNeverTrap) {
  struct Case {
    const char* name;
    double tempo, sampleRate, ppq, samplePos;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"tempo 0", 0, 44100, 0, 0},
      {"sample rate 0", 120, 0, 0, 0},
      {"NaN position", 120, 44100, nan, nan},
      {"infinite tempo and rate", inf, inf, 1e300, -1e300},
      {"negative everything", -120, -44100, -1e9, -5},
      {"huge position", 1e6, 1e9, 1e30, 1e30},
  };
  for (const Case& c : cases) {
    Host h;
    AEffect* fx = h.Start();
    ASSERT_NE(fx, nullptr);
    h.SendMidi({vst2host::NoteOn(0, 60, 100), vst2host::NoteOn(0, 64, 100)});
    h.transport.tempo = c.tempo;
    h.transport.sampleRate = c.sampleRate;
    h.transport.ppq = c.ppq;
    h.transport.samplePos = c.samplePos;
    h.transport.playing = true;
    {
      UnmaskedTraps traps(kFaults);
      for (int i = 0; i < 16; ++i) h.RunBlock(i % 2 ? 512 : 0);
      h.transport.playing = false;
      h.RunBlock(512, false);
    }
    SUCCEED() << c.name;
  }
}

TEST(FloatingPoint, HostStateIsHandedBackUnchanged) {
  Host h;
  AEffect* fx = h.Start();
  ASSERT_NE(fx, nullptr);
  UnmaskedTraps traps(kFaults);
  const unsigned int unmasked = UnmaskedTraps::Unmasked();
  ASSERT_NE(unmasked, 0u);
  fesetround(FE_UPWARD);
  fx->setParameter(fx, 210, 0.5f);
  (void)fx->getParameter(fx, 210);
  fx->processReplacing(fx, nullptr, nullptr, 0);
  fx->dispatcher(fx, effGetVu, 0, 0, nullptr, 0.0f);
  const int round = fegetround();
  fesetround(FE_TONEAREST);
  EXPECT_EQ(round, FE_UPWARD) << "the host's rounding mode";
  EXPECT_EQ(UnmaskedTraps::Unmasked(), unmasked) << "the host's unmasked exceptions";
}

TEST(FloatingPoint, RoundingIsToNearestEvenWhateverTheHostMode) {
  // 0.5 * 63 + 1 = 32.5 must round to 32 even on a host thread rounding upwards or down.
  for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    Host h;
    AEffect* fx = h.Start();
    ASSERT_NE(fx, nullptr);
    fesetround(mode);
    fx->setParameter(fx, 210, 0.5f);
    fx->setParameter(fx, 212, 0.5f);  // Sync: 5.5 -> 6
    fesetround(FE_TONEAREST);
    EXPECT_EQ(h.ParamDisplay(210), "32") << "mode " << mode;
    EXPECT_EQ(h.ParamDisplay(212), "1/6") << "mode " << mode;
  }
}

TEST(FloatingPoint, HostFlagsRaisedBeforeACallSurviveIt) {
  Host h;
  AEffect* fx = h.Start();
  ASSERT_NE(fx, nullptr);
  feclearexcept(FE_ALL_EXCEPT);
  Divide(1.0f, 0.0f);  // the host's own division by zero, masked
  ASSERT_TRUE(fetestexcept(FE_DIVBYZERO));
  fx->setParameter(fx, 211, 0.3f);  // raises inexact inside
  (void)fx->getParameter(fx, 211);
  EXPECT_TRUE(fetestexcept(FE_DIVBYZERO)) << "the host's flag was lost";
  EXPECT_FALSE(fetestexcept(FE_INEXACT)) << "the plug-in's flags leaked to the host";
  feclearexcept(FE_ALL_EXCEPT);
}
