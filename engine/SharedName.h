#pragma once
// A short name that one thread writes while others read it, as the editor names the
// parameters while a host reads them on any thread: a reader never sees a name half written.
// Sequence-locked: the writer never waits; a reader that meets a write in progress, or one
// that finished while it copied, reads again.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <thread>

class TSharedName {
 public:
  static constexpr int kMaxLength = 31;

  // One writer at a time (the editor thread). Longer names are cut to kMaxLength.
  void Store(std::string_view name) {
    std::array<uint64_t, kWords> next{};
    std::memcpy(next.data(), name.data(), std::min<size_t>(name.size(), kMaxLength));
    bool same = true;
    for (int i = 0; i < kWords; ++i) same = same && words[i].load(std::memory_order_relaxed) == next[i];
    if (same) return;  // the editor names the parameters alike at every opening
    // Each word's release store keeps the odd count before it: a reader that sees a new word
    // sees the write in progress when it reads the count again.
    const uint32_t s = sequence.load(std::memory_order_relaxed);
    sequence.store(s + 1, std::memory_order_relaxed);
    for (int i = 0; i < kWords; ++i) words[i].store(next[i], std::memory_order_release);
    sequence.store(s + 2, std::memory_order_release);
  }

  // Any thread: copies the whole name, zero-terminated, into `out` (kMaxLength + 1 bytes).
  void Load(char* out) const {
    std::array<uint64_t, kWords> copy{};
    for (;;) {
      const uint32_t before = sequence.load(std::memory_order_acquire);
      if ((before & 1) == 0) {
        for (int i = 0; i < kWords; ++i) copy[i] = words[i].load(std::memory_order_acquire);
        if (sequence.load(std::memory_order_relaxed) == before) break;
      }
      std::this_thread::yield();
    }
    std::memcpy(out, copy.data(), kMaxLength);
    out[kMaxLength] = 0;
  }

 private:
  static constexpr int kWords = (kMaxLength + 1) / 8;
  std::atomic<uint32_t> sequence{0};  // odd while a write runs
  std::array<std::atomic<uint64_t>, kWords> words{};
};
