#pragma once
// The keys the arpeggiator plays: held keys, latched keys, the active keys in arrival and
// pitch order, the detected chord, and the ordered snapshot the steps pick from.
#include "engine/Chords.h"
#include "engine/KeyPool.h"
#include "engine/ShortText.h"
#include "engine/StepNotes.h"

class TInKeyFilter {
 public:
  TKeyPool PlayPool;   // active keys in arrival order; latched keys stay here
  TKeyPool PitchPool;  // the same keys in ascending pitch (7 at most)
  TKeyPool HeldPool;   // keys physically held now
  TKeyList StepKeys{}; // snapshot of the current step, substitutes filled in
  TKeyList Snapshot{}; // ordered active keys as of the last input-quantize point
  int32_t SnapCount = 0;
  TDetectedChord DetectedChord;

  void KeyOn(int note, int velocity, int latch);
  void KeyOff(int note, int latch);
  void ReleaseLatch();
  void Reset();

  int ActiveCount() const { return PlayPool.Count; }
  TKeyRec GetActiveKey(int position) const;
  TDetectedChord GetDetectedChord() const { return DetectedChord; }
  void DetectChord();
  ShortText FormatChord(int maxLen = ShortText::kCapacity) const;

  // Rebuilds Snapshot and SnapCount from the pools in the given SortOrder.
  void RefreshSnapshot(int sortOrder);
  // Snapshot refresh at input-quantize points, missing-key substitution and key select.
  // Fills `out` with the step's keys (at most five present, Count = 1).
  void SelectKeys(const TStepInfo& info, int step, int stepCount, TKeyList& out);

  ShortText FormatActiveKeys(int maxLen = ShortText::kCapacity) const;
  ShortText FormatStepKeys(int maxLen = ShortText::kCapacity) const;
};
