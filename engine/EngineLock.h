#pragma once
// The engine's one lock. The audio thread only ever tries it (and does the work later when
// it is taken); other threads wait for it, which costs them at most one block's processing.
//
// The real-time entries mark the thread that runs them with a TRealtimeScope. In checked builds
// (MOLTRIN_REALTIME_CHECKS: every build type but Release) waiting for the lock on a marked
// thread stops the program at once, so that no path to a wait from the audio thread goes unseen.
#include <atomic>
#include <thread>

#if MOLTRIN_REALTIME_CHECKS
#include <cstdio>
#include <cstdlib>
#endif

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

class TEngineLock {
 public:
  bool TryLock() {
    return !busy.load(std::memory_order_relaxed) && !busy.exchange(true, std::memory_order_acquire);
  }
  // Never called on the audio thread.
  void Lock() {
#if MOLTRIN_REALTIME_CHECKS
    if (TRealtimeScope::Active()) {
      std::fputs("moltrin: the engine lock was waited for on the audio thread\n", stderr);
      std::abort();
    }
#endif
    while (!TryLock()) {
      while (busy.load(std::memory_order_relaxed)) std::this_thread::yield();
    }
  }
  void Unlock() { busy.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> busy{false};
};
