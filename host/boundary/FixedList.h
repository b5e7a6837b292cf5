#pragma once
// A list of at most N items in fixed storage, for the audio thread: nothing allocates, and no
// count can reach past the storage. Push refuses when the list is full, so the caller decides
// first what makes room (play what is kept, or hand it over at once); it never writes beyond.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

template <class T, int N>
class TFixedList {
 public:
  static constexpr int kCapacity = N;

  int Size() const { return count; }
  bool Empty() const { return count == 0; }
  bool Full() const { return count >= N; }
  // False, and nothing kept, when full.
  bool Push(const T& item) {
    if (count >= N) return false;
    items[static_cast<size_t>(count++)] = item;
    return true;
  }
  void Clear() { count = 0; }
  std::span<const T> Items() const { return {items.data(), static_cast<size_t>(count)}; }

  // Items whose frame lies at or past `frame` move to `beyond`, counted from `frame`; the others
  // stay in order. `beyond` holds at most as many as this list, so nothing is lost.
  void SplitAt(int32_t frame, TFixedList& beyond) {
    beyond.Clear();
    int kept = 0;
    for (int i = 0; i < count; ++i) {
      T item = items[static_cast<size_t>(i)];
      if (item.frame < frame) {
        items[static_cast<size_t>(kept++)] = item;
      } else {
        item.frame -= frame;
        beyond.Push(item);
      }
    }
    count = kept;
  }
  // Takes every item of `other` in its place (`other` is left as it was).
  void Assign(const TFixedList& other) {
    std::copy(other.items.begin(), other.items.begin() + other.count, items.begin());
    count = other.count;
  }

 private:
  std::array<T, static_cast<size_t>(N)> items{};
  int count = 0;
};
