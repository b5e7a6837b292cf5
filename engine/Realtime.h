#pragma once
// The real-time entries mark the thread that runs them with a TRealtimeScope. In checked builds
// (MOLTRIN_REALTIME_CHECKS: every build type but Release) waiting for the engine lock on a marked
// thread stops the program at once, so that no path to a wait from the audio thread goes unseen.

class TRealtimeScope {
 public:
#if MOLTRIN_REALTIME_CHECKS
  static constexpr bool kChecked = true;
  TRealtimeScope() { ++depth; }
  ~TRealtimeScope() { --depth; }
  static bool Active() { return depth > 0; }

 private:
  static inline thread_local int depth = 0;
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
