#pragma once
// Fixed-size pools of notes with hold counts: the keys held, the keys active, the notes
// sounding on the output and through the thru path all live in one of these.
#include <array>
#include <cstdint>

#pragma pack(push, 1)
struct TKeyRec {
  uint8_t Count = 0;     // hold count; 0 = empty slot (1 marks a used slot in ordered and step lists)
  uint8_t Note = 0;      // MIDI note, the identity of an entry
  uint8_t Velocity = 0;
  float Length = 0;      // note length in steps (step lists)
  float EndPos = 0;      // step position at which the note ends (step lists, output pool)
};
#pragma pack(pop)
static_assert(sizeof(TKeyRec) == 11, "key records are packed 11-byte records");

constexpr int kKeyListSize = 8;
using TKeyList = std::array<TKeyRec, kKeyListSize>;

inline TKeyRec MakeKey(int note, int velocity) {
  TKeyRec k;
  k.Count = 1;
  k.Note = static_cast<uint8_t>(note);
  k.Velocity = static_cast<uint8_t>(velocity);
  return k;
}

// Orders of GetOrdered: 2 and 3 sort by note, every other order by velocity;
// 2 and 4 ascend, every other order descends.
//
// Hold counts. A note added again while it is stored raises its count. The pools of input keys
// do not wait for as many releases as there were presses: a key's note-off releases it
// whatever its count (ReleaseKey), as most instruments do, so that no pattern plays on with no
// key held after a key was struck twice (two controllers, a doubled note in a host's track) and
// let go once. There the count is only the number of presses since the key went down. The
// sounding notes release holds one at a time (RemoveKey) where each hold has its own end.
class TKeyPool {
 public:
  TKeyList Keys{};
  int32_t Count = 0;

  bool AddKey(const TKeyRec& key);        // arrival order, 8 distinct notes
  bool AddKeySorted(const TKeyRec& key);  // ascending note order, 7 distinct notes
  bool RemoveKey(const TKeyRec& key);     // releases one hold; true when the slot was freed
  bool ReleaseKey(const TKeyRec& key);    // frees the note's slot whatever its hold count
  void Clear();
  void CopyFrom(const TKeyPool& other, bool sorted);
  void GetKey(int position, TKeyRec& dest) const;  // leaves dest alone past Count
  TKeyList GetReversed() const;
  TKeyList GetOrdered(int order) const;

 private:
  bool Release(const TKeyRec& key, bool everyHold);
};
