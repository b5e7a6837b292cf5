#pragma once
// The real-time entries mark the thread that runs them with a TRealtimeScope. In checked builds
// (MOLTRIN_REALTIME_CHECKS: every build type but Release) waiting for the engine lock on a marked
// thread stops the program at once, so that no path to a wait from the audio thread goes unseen.

// The module's thread-local variables. On ELF systems they take the initial-exec model: a few
// bytes of the static space the loader keeps for modules opened later, read without a call into
// the loader (__tls_get_addr), which the audio thread should not make and which the leak checker
// follows wrongly once a host has unloaded and loaded the module again.
#if defined(__ELF__)
#define MOLTRIN_THREAD_LOCAL thread_local __attribute__((tls_model("initial-exec")))
#else
#define MOLTRIN_THREAD_LOCAL thread_local
#endif

class TRealtimeScope {
 public:
#if MOLTRIN_REALTIME_CHECKS
  static constexpr bool kChecked = true;
  TRealtimeScope() { ++depth; }
  ~TRealtimeScope() { --depth; }
  static bool Active() { return depth > 0; }

 private:
  static inline MOLTRIN_THREAD_LOCAL int depth = 0;
#else
  static constexpr bool kChecked = false;
  TRealtimeScope() {}
  ~TRealtimeScope() {}
  static bool Active() { return false; }
#endif
 public:
  TRealtimeScope(const TRealtimeScope&) = delete;
  TRealtimeScope& operator=(const TRealtimeScope&) = delete;
};
