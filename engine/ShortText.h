#pragma once
// A single-byte text of at most 255 characters kept in place, so that texts built
// on the audio thread (the notes sent, for example) never allocate.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

struct ShortText {
  static constexpr int kCapacity = 255;

  ShortText() = default;
  ShortText(std::string_view s) { Assign(s); }

  void Clear() { len = 0; buf[0] = 0; }
  void Assign(std::string_view s) {
    len = static_cast<unsigned char>(std::min<size_t>(s.size(), kCapacity));
    std::memcpy(buf, s.data(), len);
    buf[len] = 0;
  }
  // Appends at most up to maxLen characters in all (and never past the capacity).
  void Append(std::string_view s, int maxLen = kCapacity) {
    int limit = std::clamp(maxLen, 0, kCapacity);
    int room = limit - static_cast<int>(len);
    if (room <= 0) return;
    size_t n = std::min<size_t>(s.size(), static_cast<size_t>(room));
    std::memcpy(buf + len, s.data(), n);
    len = static_cast<unsigned char>(len + n);
    buf[len] = 0;
  }
  void Truncate(int maxLen) {
    if (maxLen < 0) maxLen = 0;
    if (maxLen < len) { len = static_cast<unsigned char>(maxLen); buf[len] = 0; }
  }

  int Length() const { return len; }
  bool Empty() const { return len == 0; }
  const char* CStr() const { return buf; }
  std::string_view View() const { return {buf, len}; }
  std::string Str() const { return std::string(buf, len); }
  bool operator==(std::string_view s) const { return View() == s; }

 private:
  unsigned char len = 0;
  char buf[kCapacity + 1] = {};
};
