#pragma once
// What the editor tells the host (values and the begin and end of the user's gestures), kept
// from the main thread until the next process or flush call hands it to the host's output list.
// One writer (the main thread) and one reader (process or flush, which never run at once):
// a fixed ring that never allocates or waits.
#include <array>
#include <atomic>
#include <cstdint>

struct TEditorEvent {
  uint16_t type = 0;  // CLAP_EVENT_PARAM_VALUE, _GESTURE_BEGIN or _GESTURE_END
  uint32_t id = 0;
  double value = 0;   // plain value, for a value event
};

class TEditorEventQueue {
 public:
  static constexpr uint32_t kCapacity = 4096;  // a power of two

  // False when full: the event is dropped (the editor's value stays in the engine).
  bool Push(const TEditorEvent& event) {
    const uint32_t w = writeAt.load(std::memory_order_relaxed);
    if (w - readAt.load(std::memory_order_acquire) == kCapacity) return false;
    slots[w & (kCapacity - 1)] = event;
    writeAt.store(w + 1, std::memory_order_release);
    return true;
  }
  bool Pop(TEditorEvent& event) {
    const uint32_t r = readAt.load(std::memory_order_relaxed);
    if (r == writeAt.load(std::memory_order_acquire)) return false;
    event = slots[r & (kCapacity - 1)];
    readAt.store(r + 1, std::memory_order_release);
    return true;
  }
  bool Empty() const { return readAt.load(std::memory_order_acquire) == writeAt.load(std::memory_order_acquire); }

 private:
  std::array<TEditorEvent, kCapacity> slots{};
  std::atomic<uint32_t> writeAt{0}, readAt{0};
};
