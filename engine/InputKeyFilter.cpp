#include "engine/InputKeyFilter.h"

#include <algorithm>

#include "engine/KeyUtils.h"

namespace {

bool IsMidiNote(int note) { return note >= 0 && note < 128; }

// An octave substitute that would leave the MIDI range is brought back by whole octaves
// instead of wrapping around in the note byte.
int ShiftOctave(int note, int semitones) {
  int shifted = note + semitones;
  while (shifted < 0) shifted += 12;
  while (shifted > 127) shifted -= 12;
  return shifted;
}

// Missing-key modes: which key stands in for slot i, and by how much it is moved.
enum class TSource { None, Cyclic, First, Last, Fixed };

struct TSubstitute {
  TSource source;
  int shift;
};

constexpr TSubstitute kSubstitutes[13] = {
    {TSource::None, 0},    {TSource::Cyclic, 0}, {TSource::Cyclic, 12}, {TSource::Cyclic, -12},
    {TSource::First, 0},   {TSource::First, 12}, {TSource::First, -12}, {TSource::Last, 0},
    {TSource::Last, 12},   {TSource::Last, -12}, {TSource::Fixed, 0},   {TSource::Fixed, 12},
    {TSource::Fixed, -12},
};

}  // namespace

void TInKeyFilter::KeyOn(int note, int velocity, int latch) {
  if (!IsMidiNote(note)) return;
  const TKeyRec key = MakeKey(note, std::clamp(velocity, 0, 127));
  // The first key after all were let go replaces the latched set; keys pressed while
  // others are still held join it.
  if (latch != 0 && HeldPool.Count == 0) {
    PlayPool.Clear();
    PitchPool.Clear();
  }
  HeldPool.AddKey(key);
  PlayPool.AddKey(key);
  PitchPool.AddKeySorted(key);
  DetectChord();
}

void TInKeyFilter::KeyOff(int note, int latch) {
  if (!IsMidiNote(note)) return;
  // The key is let go however often it was struck (see KeyPool.h).
  const TKeyRec key = MakeKey(note, 0);
  HeldPool.ReleaseKey(key);
  if (latch == 0) {
    PlayPool.ReleaseKey(key);
    PitchPool.ReleaseKey(key);
  }
  DetectChord();
}

void TInKeyFilter::ReleaseLatch() {
  PlayPool.CopyFrom(HeldPool, false);
  PitchPool.CopyFrom(HeldPool, true);
  // Name the keys that remain: the chord orders would otherwise go on playing the chord
  // of keys let go long ago, even with no key active at all.
  DetectChord();
}

void TInKeyFilter::Reset() {
  HeldPool.Clear();
  PlayPool.Clear();
  PitchPool.Clear();
  Snapshot = TKeyList{};
  StepKeys = TKeyList{};
  // The count goes with the emptied list, so that no substitute is made up for keys
  // that are gone.
  SnapCount = 0;
  DetectChord();
}

TKeyRec TInKeyFilter::GetActiveKey(int position) const {
  TKeyRec key{};
  PlayPool.GetKey(position, key);
  return key;
}

void TInKeyFilter::DetectChord() { DetectedChord = ::DetectChord(PitchPool, DetectedChord); }

ShortText TInKeyFilter::FormatChord(int maxLen) const { return FormatChordText(DetectedChord, maxLen); }

void TInKeyFilter::RefreshSnapshot(int sortOrder) {
  SnapCount = ActiveCount();
  switch (std::clamp(sortOrder, 0, 7)) {
    case 0: Snapshot = PlayPool.Keys; break;
    case 1: Snapshot = PlayPool.GetReversed(); break;
    case 2: Snapshot = PitchPool.Keys; break;
    case 3: Snapshot = PlayPool.GetOrdered(3); break;
    case 4: Snapshot = PlayPool.GetOrdered(4); break;
    case 5: Snapshot = PlayPool.GetOrdered(5); break;
    case 6:
    case 7: {
      const int tones = ChordKeys(DetectedChord, PitchPool, sortOrder == 7, Snapshot);
      if (tones >= 0) SnapCount = tones;
      break;
    }
  }
}

void TInKeyFilter::SelectKeys(const TStepInfo& info, int step, int stepCount, TKeyList& out) {
  out = TKeyList{};
  const int period = info.quantize;
  if (period < 1 || stepCount % period == 0) RefreshSnapshot(info.order);
  StepKeys = Snapshot;

  const int count = std::clamp<int32_t>(SnapCount, 0, kKeyListSize);
  if (count == 0 || step == -1) return;

  const TSubstitute sub = kSubstitutes[std::clamp(info.missingKey, 0, 12)];
  const uint8_t stepVelocity = static_cast<uint8_t>(std::clamp(info.velocity, 0, 127));
  const int fixedKey = std::clamp(info.fixedKey, 0, 127);
  for (int i = count; i < 5 && sub.source != TSource::None; ++i) {
    TKeyRec key{};
    switch (sub.source) {
      case TSource::Cyclic: key = Snapshot[(i - count) % count]; break;
      case TSource::First: key = Snapshot[0]; break;
      case TSource::Last: key = Snapshot[count - 1]; break;
      case TSource::Fixed: key = MakeKey(fixedKey, stepVelocity); break;
      case TSource::None: break;
    }
    if (key.Count != 0) key.Note = static_cast<uint8_t>(ShiftOctave(key.Note, sub.shift));
    StepKeys[i] = key;
  }

  const int keySelect = std::clamp(info.keySelect, 0, 6);
  if (keySelect == 0) {
    out[0] = MakeKey(fixedKey, stepVelocity);
  } else if (keySelect <= 5) {
    out[0] = StepKeys[keySelect - 1];
  } else {
    // A chord step plays the snapshot keys only, never substitutes, and at most five.
    for (int i = 0; i < std::min(count, 5); ++i) out[i] = StepKeys[i];
  }
  for (TKeyRec& key : out) {
    if (key.Count != 0) key.Count = 1;
    key.Length = 0;
    key.EndPos = 0;
  }
}

ShortText TInKeyFilter::FormatActiveKeys(int maxLen) const { return FormatKeySlots(PlayPool.Keys, maxLen); }

ShortText TInKeyFilter::FormatStepKeys(int maxLen) const { return FormatKeySlots(StepKeys, maxLen); }
