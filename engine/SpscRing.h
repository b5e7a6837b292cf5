#pragma once
// A fixed-capacity single-producer, single-consumer ring. The producer writes an element
// whole and then publishes it; the consumer never sees a half-written element. Neither
// side allocates or waits.
#include <array>
#include <atomic>
#include <cstddef>

template <class T, size_t Capacity> class TSpscRing {
  static_assert((Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

 public:
  // Producer side. False when the ring is full (the element is dropped).
  bool Push(const T& item) {
    size_t head = head_.load(std::memory_order_relaxed);
    size_t tail = tail_.load(std::memory_order_acquire);
    if (head - tail >= Capacity) return false;
    items_[head & (Capacity - 1)] = item;
    head_.store(head + 1, std::memory_order_release);
    return true;
  }
  // Consumer side.
  bool Pop(T& item) {
    size_t tail = tail_.load(std::memory_order_relaxed);
    size_t head = head_.load(std::memory_order_acquire);
    if (tail == head) return false;
    item = items_[tail & (Capacity - 1)];
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }
  bool Empty() const {
    return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire);
  }

 private:
  std::array<T, Capacity> items_{};
  std::atomic<size_t> head_{0};
  std::atomic<size_t> tail_{0};
};
