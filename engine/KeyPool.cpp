#include "engine/KeyPool.h"

#include <algorithm>

namespace {

constexpr int kAddKeyCapacity = 8;
constexpr int kAddKeySortedCapacity = 7;

// Count is public; never let a damaged value walk past the list.
int UsedSlots(int32_t count) { return std::clamp<int32_t>(count, 0, kKeyListSize); }

// A note held again: one more hold (saturating, so a flood of repeats never reads as
// an empty slot) and the later of the two off positions.
void AddHold(TKeyRec& slot, const TKeyRec& key) {
  if (key.EndPos > slot.EndPos) slot.EndPos = key.EndPos;
  if (slot.Count < 255) ++slot.Count;
}

}  // namespace

bool TKeyPool::AddKey(const TKeyRec& key) {
  const int used = UsedSlots(Count);
  int match = -1;
  for (int i = 0; i < used; ++i)
    if (Keys[i].Note == key.Note) match = i;
  if (used >= kAddKeyCapacity) return false;  // full: not even the hold count changes
  if (match < 0) {
    Keys[used] = key;
    Count = used + 1;
    return true;
  }
  AddHold(Keys[match], key);
  return false;
}

bool TKeyPool::AddKeySorted(const TKeyRec& key) {
  const int used = UsedSlots(Count);
  int j = 0;
  while (j < used && Keys[j].Note < key.Note) ++j;
  if (j < used && Keys[j].Note == key.Note) {
    AddHold(Keys[j], key);  // even when the pool is full
    return false;
  }
  if (used >= kAddKeySortedCapacity) return false;
  for (int i = used; i > j; --i) Keys[i] = Keys[i - 1];
  Keys[j] = key;
  Count = used + 1;
  return true;
}

bool TKeyPool::RemoveKey(const TKeyRec& key) { return Release(key, false); }

bool TKeyPool::ReleaseKey(const TKeyRec& key) { return Release(key, true); }

bool TKeyPool::Release(const TKeyRec& key, bool everyHold) {
  const int used = UsedSlots(Count);
  int match = -1;
  for (int i = 0; i < used; ++i)
    if (Keys[i].Note == key.Note) match = i;
  if (match < 0) return false;
  if (!everyHold && Keys[match].Count >= 2) {
    --Keys[match].Count;
    return false;
  }
  for (int i = match; i < used - 1; ++i) Keys[i] = Keys[i + 1];
  Keys[used - 1] = TKeyRec{};
  Count = used - 1;
  return true;
}

void TKeyPool::Clear() {
  Keys.fill(TKeyRec{});
  Count = 0;
}

void TKeyPool::CopyFrom(const TKeyPool& other, bool sorted) {
  const TKeyList source = other.Keys;  // `other` may be this pool
  const int used = UsedSlots(other.Count);
  Clear();
  for (int i = 0; i < used; ++i) {
    if (sorted)
      AddKeySorted(source[i]);
    else
      AddKey(source[i]);
  }
}

void TKeyPool::GetKey(int position, TKeyRec& dest) const {
  if (position >= 0 && position < UsedSlots(Count)) dest = Keys[position];
}

TKeyList TKeyPool::GetReversed() const {
  TKeyList result{};
  const int used = UsedSlots(Count);
  for (int i = 0; i < used; ++i) result[i] = Keys[used - 1 - i];
  return result;
}

TKeyList TKeyPool::GetOrdered(int order) const {
  const bool byNote = order == 2 || order == 3;
  const bool ascending = order == 2 || order == 4;
  auto value = [byNote](const TKeyRec& k) { return byNote ? k.Note : k.Velocity; };

  TKeyList scratch = Keys;
  TKeyList result{};
  const int used = UsedSlots(Count);
  for (int out = 0; out < used; ++out) {
    int taken = -1;
    for (int i = 0; i < used; ++i) {
      if (scratch[i].Count == 0) continue;
      const int v = value(scratch[i]);
      if (ascending) {
        if (taken < 0 || v < value(scratch[taken])) taken = i;
      } else if (v > 0 && (taken < 0 || v > value(scratch[taken]))) {
        taken = i;  // a descending order never takes a value of 0
      }
    }
    if (taken < 0) break;
    result[out] = scratch[taken];
    scratch[taken].Count = 0;
  }
  return result;
}
