#pragma once
// splitmix64: the same random walks on every platform and standard library, so that a seed
// printed by a failing test replays it anywhere.
#include <cstdint>
#include <vector>

namespace testsupport {

class SeededRng {
 public:
  explicit SeededRng(uint64_t seed) : state(seed) {}
  uint64_t Next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Int(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1)); }
  float Unit() { return static_cast<float>(Int(0, 1000)) / 1000.0f; }
  bool Chance(int percent) { return Int(0, 99) < percent; }
  template <class T> const T& Pick(const std::vector<T>& v) {
    return v[static_cast<size_t>(Int(0, static_cast<int>(v.size()) - 1))];
  }

 private:
  uint64_t state;
};

}  // namespace testsupport
