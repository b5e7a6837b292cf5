#pragma once
// The engine's one lock. The audio thread only ever tries it (and does the work later when
// it is taken); other threads wait for it, which costs them at most one block's processing.
//
// Waiting for it on a thread marked real-time stops checked builds at once (engine/Realtime.h).
#include <atomic>
#include <thread>

#include "engine/Realtime.h"

#if MOLTRIN_REALTIME_CHECKS
#include <cstdio>
#include <cstdlib>
#endif

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
