#pragma once
// A fuzzer's byte string read as a stream of choices. Every read takes the bytes it needs
// from the front; past the end every read answers zero, so any string decodes to something.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <vector>

class TFuzzInput {
 public:
  TFuzzInput(const uint8_t* data, size_t size) : bytes(data, size) {}

  bool Empty() const { return at >= bytes.size(); }
  uint8_t Byte() { return at < bytes.size() ? bytes[at++] : 0; }
  bool Bool() { return (Byte() & 1) != 0; }
  uint32_t U32() { return Raw<uint32_t>(); }
  uint64_t U64() { return Raw<uint64_t>(); }

  // A number in lo..hi, from as few bytes as the range needs.
  int Int(int lo, int hi) {
    const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(hi) - lo) + 1;
    uint64_t r = 0;
    for (uint64_t reach = 1; reach < span; reach <<= 8) r = (r << 8) | Byte();
    return static_cast<int>(lo + static_cast<int64_t>(r % span));
  }

  // A host's float: mostly 0..1, else a hostile value or any bit pattern.
  float Float() {
    static constexpr float kHostile[] = {std::numeric_limits<float>::quiet_NaN(),
                                         std::numeric_limits<float>::infinity(),
                                         -std::numeric_limits<float>::infinity(),
                                         -0.5f, -0.0f, 1.5f, 1e30f, -1e30f,
                                         std::numeric_limits<float>::denorm_min(), 1.0f, 0.0f, 0.5f};
    const uint8_t kind = Byte();
    if (kind < 160) return static_cast<float>(Byte()) / 255.0f;
    if (kind < 240) return kHostile[kind % std::size(kHostile)];
    return Raw<float>();
  }

  // A host's double: mostly a value of the sane range lo..hi, else a hostile one or any bits.
  double Double(double lo, double hi) {
    static constexpr double kHostile[] = {std::numeric_limits<double>::quiet_NaN(),
                                          std::numeric_limits<double>::infinity(),
                                          -std::numeric_limits<double>::infinity(),
                                          0.0, -1.0, 1e300, -1e300, 1e-310, 4294967296.5};
    const uint8_t kind = Byte();
    if (kind < 192) return lo + (hi - lo) * Int(0, 65535) / 65535.0;
    if (kind < 248) return kHostile[kind % std::size(kHostile)];
    return Raw<double>();
  }

  // Up to `limit` bytes, their count read first.
  std::vector<uint8_t> Bytes(size_t limit) {
    const size_t want = static_cast<size_t>(Int(0, 65535)) % (limit + 1);
    const size_t n = want < bytes.size() - Used() ? want : bytes.size() - Used();
    std::vector<uint8_t> out(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                             bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
    return out;
  }

  // Everything not read yet.
  std::span<const uint8_t> Rest() {
    std::span<const uint8_t> rest = bytes.subspan(Used());
    at = bytes.size();
    return rest;
  }

 private:
  size_t Used() const { return at < bytes.size() ? at : bytes.size(); }
  template <class T> T Raw() {
    uint8_t raw[sizeof(T)] = {};
    for (uint8_t& b : raw) b = Byte();
    T value;
    std::memcpy(&value, raw, sizeof value);
    return value;
  }

  std::span<const uint8_t> bytes;
  size_t at = 0;
};
