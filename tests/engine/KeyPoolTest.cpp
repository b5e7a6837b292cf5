// Key pool: hold counts, capacities, removal and the key orders.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "engine/KeyPool.h"

namespace {

constexpr int C4 = 48, E4 = 52, G4 = 55;

std::vector<int> Notes(const TKeyList& list) {
  std::vector<int> notes;
  for (const TKeyRec& k : list)
    if (k.Count != 0) notes.push_back(k.Note);
  return notes;
}

std::vector<int> Velocities(const TKeyList& list) {
  std::vector<int> v;
  for (const TKeyRec& k : list)
    if (k.Count != 0) v.push_back(k.Velocity);
  return v;
}

bool SlotsFromAreZero(const TKeyList& list, int first) {
  for (int i = first; i < kKeyListSize; ++i) {
    const TKeyRec& k = list[i];
    if (k.Count || k.Note || k.Velocity || k.Length != 0 || k.EndPos != 0) return false;
  }
  return true;
}

TKeyPool PoolOf(std::initializer_list<TKeyRec> keys, bool sorted = false) {
  TKeyPool pool;
  for (const TKeyRec& k : keys) sorted ? pool.AddKeySorted(k) : pool.AddKey(k);
  return pool;
}

}  // namespace

TEST(KeyPool, RepeatedNoteIsHeldUntilReleasedAsOftenAsPressed) {
  TKeyPool pool;
  EXPECT_TRUE(pool.AddKey(MakeKey(C4, 100)));
  EXPECT_FALSE(pool.AddKey(MakeKey(C4, 100)));
  EXPECT_EQ(pool.Count, 1);
  EXPECT_EQ(pool.Keys[0].Count, 2);

  EXPECT_FALSE(pool.RemoveKey(MakeKey(C4, 0)));
  EXPECT_EQ(pool.Count, 1);
  EXPECT_EQ(pool.Keys[0].Count, 1);

  EXPECT_TRUE(pool.RemoveKey(MakeKey(C4, 0)));
  EXPECT_EQ(pool.Count, 0);
  EXPECT_TRUE(SlotsFromAreZero(pool.Keys, 0));
}

TEST(KeyPool, ReleaseKeyFreesTheSlotWhateverItsHoldCount) {
  TKeyPool pool = PoolOf({MakeKey(C4, 90), MakeKey(E4, 80), MakeKey(E4, 80), MakeKey(E4, 80), MakeKey(G4, 70)});
  EXPECT_TRUE(pool.ReleaseKey(MakeKey(E4, 0)));
  EXPECT_EQ(Notes(pool.Keys), (std::vector<int>{C4, G4}));
  EXPECT_TRUE(SlotsFromAreZero(pool.Keys, 2));
  EXPECT_FALSE(pool.ReleaseKey(MakeKey(E4, 0))) << "a note not held";
}

TEST(KeyPool, AddKeyRefusesANinthNoteAndEvenRepeatsOnceFull) {
  TKeyPool pool;
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(pool.AddKey(MakeKey(60 + i, 100)));
  EXPECT_FALSE(pool.AddKey(MakeKey(70, 100)));
  EXPECT_FALSE(pool.AddKey(MakeKey(60, 100)));
  EXPECT_EQ(pool.Count, 8);
  EXPECT_EQ(pool.Keys[0].Count, 1);
  EXPECT_EQ(Notes(pool.Keys), (std::vector<int>{60, 61, 62, 63, 64, 65, 66, 67}));
}

TEST(KeyPool, AddKeySortedKeepsAscendingNotesAndHoldsSevenDistinct) {
  TKeyPool pool = PoolOf({MakeKey(E4, 1), MakeKey(C4, 2), MakeKey(G4, 3)}, true);
  EXPECT_EQ(Notes(pool.Keys), (std::vector<int>{C4, E4, G4}));
  EXPECT_EQ(Velocities(pool.Keys), (std::vector<int>{2, 1, 3}));

  for (int n : {70, 30, 65, 40}) EXPECT_TRUE(pool.AddKeySorted(MakeKey(n, 1)));
  EXPECT_EQ(pool.Count, 7);
  EXPECT_FALSE(pool.AddKeySorted(MakeKey(90, 1)));  // an eighth distinct note
  EXPECT_EQ(pool.Count, 7);
  EXPECT_FALSE(pool.AddKeySorted(MakeKey(E4, 1)));  // held again even when full
  EXPECT_EQ(Notes(pool.Keys), (std::vector<int>{30, 40, C4, E4, G4, 65, 70}));
  EXPECT_EQ(pool.Keys[3].Count, 2);
  EXPECT_TRUE(SlotsFromAreZero(pool.Keys, 7));
}

TEST(KeyPool, HoldingANoteAgainKeepsTheLaterOffPosition) {
  TKeyRec early = MakeKey(60, 90), late = MakeKey(60, 90);
  early.EndPos = 2.0f;
  late.EndPos = 5.5f;
  for (bool sorted : {false, true}) {
    TKeyPool pool = PoolOf({late, early}, sorted);
    EXPECT_EQ(float(pool.Keys[0].EndPos), 5.5f);  // copies: the packed field is misaligned
    pool = PoolOf({early, late}, sorted);
    EXPECT_EQ(float(pool.Keys[0].EndPos), 5.5f);
    EXPECT_EQ(pool.Keys[0].Count, 2);
  }
}

TEST(KeyPool, RemoveKeyClosesTheGapAndIgnoresNotesNotHeld) {
  TKeyPool pool = PoolOf({MakeKey(C4, 1), MakeKey(E4, 2), MakeKey(G4, 3)});
  const TKeyPool before = pool;
  EXPECT_FALSE(pool.RemoveKey(MakeKey(61, 0)));
  EXPECT_EQ(pool.Count, 3);
  EXPECT_EQ(Notes(pool.Keys), Notes(before.Keys));

  TKeyRec other = MakeKey(E4, 77);  // only the note is compared
  other.Count = 9;
  EXPECT_TRUE(pool.RemoveKey(other));
  EXPECT_EQ(Notes(pool.Keys), (std::vector<int>{C4, G4}));
  EXPECT_EQ(Velocities(pool.Keys), (std::vector<int>{1, 3}));
  EXPECT_TRUE(SlotsFromAreZero(pool.Keys, 2));

  TKeyPool empty;
  EXPECT_FALSE(empty.RemoveKey(MakeKey(C4, 0)));
}

TEST(KeyPool, HoldCountSaturatesInsteadOfWrappingToAnEmptySlot) {
  TKeyPool pool;
  for (int i = 0; i < 300; ++i) pool.AddKey(MakeKey(60, 100));
  EXPECT_EQ(pool.Count, 1);
  EXPECT_EQ(pool.Keys[0].Count, 255);
}

TEST(KeyPool, ClearEmptiesEverySlot) {
  TKeyPool pool = PoolOf({MakeKey(C4, 1), MakeKey(E4, 2)});
  pool.Clear();
  EXPECT_EQ(pool.Count, 0);
  EXPECT_TRUE(SlotsFromAreZero(pool.Keys, 0));
}

TEST(KeyPool, CopyFromKeepsHoldCountsAndTheRequestedOrder) {
  const TKeyPool source = PoolOf({MakeKey(G4, 1), MakeKey(G4, 1), MakeKey(C4, 2)});
  TKeyPool target = PoolOf({MakeKey(90, 1), MakeKey(91, 1), MakeKey(92, 1)});

  target.CopyFrom(source, true);
  EXPECT_EQ(target.Count, 2);
  EXPECT_EQ(Notes(target.Keys), (std::vector<int>{C4, G4}));
  EXPECT_EQ(target.Keys[1].Count, 2);
  EXPECT_TRUE(SlotsFromAreZero(target.Keys, 2));

  target.CopyFrom(source, false);
  EXPECT_EQ(Notes(target.Keys), (std::vector<int>{G4, C4}));
  EXPECT_EQ(target.Keys[0].Count, 2);

  target.CopyFrom(target, true);  // from itself
  EXPECT_EQ(Notes(target.Keys), (std::vector<int>{C4, G4}));
}

TEST(KeyPool, CopyFromSortedDropsTheEighthNote) {
  TKeyPool source;
  for (int i = 0; i < 8; ++i) source.AddKey(MakeKey(70 - i, 1));
  TKeyPool target;
  target.CopyFrom(source, true);
  EXPECT_EQ(Notes(target.Keys), (std::vector<int>{64, 65, 66, 67, 68, 69, 70}));
}

TEST(KeyPool, GetKeyPastTheUsedSlotsLeavesTheDestinationAlone) {
  const TKeyPool pool = PoolOf({MakeKey(C4, 10), MakeKey(E4, 20)});
  TKeyRec dest = MakeKey(99, 33);
  pool.GetKey(3, dest);
  pool.GetKey(-1, dest);
  EXPECT_EQ(dest.Note, 99);
  EXPECT_EQ(dest.Velocity, 33);
  pool.GetKey(1, dest);
  EXPECT_EQ(dest.Note, E4);
  EXPECT_EQ(dest.Velocity, 20);
}

TEST(KeyPool, GetReversedGivesUsedSlotsBackwardsThenZeros) {
  const TKeyPool pool = PoolOf({MakeKey(C4, 1), MakeKey(E4, 2), MakeKey(G4, 3)});
  const TKeyList list = pool.GetReversed();
  EXPECT_EQ(Notes(list), (std::vector<int>{G4, E4, C4}));
  EXPECT_TRUE(SlotsFromAreZero(list, 3));
}

// Keys in arrival order as (note, velocity); the expected order as notes.
struct OrderCase {
  const char* name;
  std::vector<std::pair<int, int>> keys;
  int order;
  std::vector<int> expected;
};

TEST(KeyPool, GetOrdered) {
  const OrderCase cases[] = {
      {"by pitch ascends", {{64, 1}, {60, 2}, {67, 3}}, 2, {60, 64, 67}},
      {"by pitch, desc.", {{64, 1}, {60, 2}, {67, 3}}, 3, {67, 64, 60}},
      {"descending never takes note 0", {{0, 50}, {60, 50}}, 3, {60}},
      {"by velocity, earlier slot wins ties", {{60, 90}, {62, 60}, {64, 90}}, 4, {62, 60, 64}},
      {"by velocity, desc, earlier slot wins ties", {{60, 90}, {62, 60}, {64, 90}}, 5, {60, 64, 62}},
      {"other orders sort by velocity, descending", {{60, 10}, {62, 30}, {64, 20}}, 0, {62, 64, 60}},
      {"empty pool", {}, 4, {}},
  };
  for (const OrderCase& c : cases) {
    TKeyPool pool;
    for (auto [note, velocity] : c.keys) pool.AddKey(MakeKey(note, velocity));
    const TKeyList list = pool.GetOrdered(c.order);
    EXPECT_EQ(Notes(list), c.expected) << c.name;
    EXPECT_TRUE(SlotsFromAreZero(list, static_cast<int>(c.expected.size()))) << c.name;
  }
}

TEST(KeyPool, GetOrderedCopiesWholeRecordsAndLeavesThePoolAsItWas) {
  TKeyPool pool = PoolOf({MakeKey(64, 1), MakeKey(60, 2), MakeKey(64, 1)});
  const TKeyList list = pool.GetOrdered(2);
  EXPECT_EQ(list[1].Note, 64);
  EXPECT_EQ(list[1].Count, 2);
  EXPECT_EQ(list[0].Velocity, 2);
  EXPECT_EQ(Notes(pool.Keys), (std::vector<int>{64, 60}));
  EXPECT_EQ(pool.Keys[0].Count, 2);
}
