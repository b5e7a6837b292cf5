#include "engine/StepNotes.h"

#include <algorithm>
#include <cstring>

#include "engine/InputKeyFilter.h"
#include "engine/ParamNames.h"

namespace {

// A semitone between two steps of the major layout counts as the upper one.
constexpr std::array<int, 12> kScaleSteps = {0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6};

constexpr bool ScaleStepsInRange() {
  for (int step : kScaleSteps)
    if (step < 0 || step >= 7) return false;
  return true;
}
static_assert(ScaleStepsInRange(), "assert (scale_step >= 0) and (scale_step < 7)");

constexpr const char* kChordScaleNames[] = {"m",  "dim",  "maj",  "aug", "sus2", "sus4",
                                            "7", "dom7", "maj7", "m7",  "dim7"};

int FloorDiv(int a, int b) {
  const int q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int Mod12(int a) {
  const int r = a % 12;
  return r < 0 ? r + 12 : r;
}

// Whole octaves up or down until the note lies in 0..127.
int FoldIntoMidiRange(int note) {
  if (note < 0) note += 12 * ((11 - note) / 12);
  if (note > 127) note -= 12 * ((note - 127 + 11) / 12);
  return note;
}

// Keeps arithmetic on host- or file-supplied values far from integer overflow.
int Bounded(int v) { return std::clamp(v, -4096, 4096); }

int ForceToScale(int note, int offset, int root, int chordRow, int scale) {
  int octave = FloorDiv(note - root, 12);
  int degree = Mod12(note - root);
  octave += FloorDiv(offset, 12);
  offset = Mod12(offset);
  degree += offset;
  if (degree > 11) {
    degree -= 12;
    octave += 1;
  }
  const int step = ScaleStepTable[degree];
  if (offset == 1 && degree == 1) return root + 12 * octave + 1;  // the root moved up a semitone
  if (chordRow >= 0) return root + 12 * octave + ChordScaleTable[chordRow][step];
  return root + 12 * octave + ScaleTable[scale][step];
}

// Folds a note into lo..hi by whole octaves, clamping to the nearer bound when the range is
// narrower than an octave.
int FoldIntoOutputRange(int note, int lo, int hi) {
  if (note < lo) {
    note += 12 * ((lo - note + 11) / 12);
    if (note > hi) note = hi;
  }
  if (note > hi) {
    note -= 12 * ((note - hi + 11) / 12);
    if (note < lo) note = lo;
  }
  return note;
}

bool EveryActiveKeyInScale(const TInKeyFilter& filter, const TTransformSettings& s) {
  for (int i = 0; i < filter.ActiveCount(); ++i) {
    const int note = filter.GetActiveKey(i).Note;
    if (TransformNote(note, 0, false, false, s, filter.DetectedChord) != note) return false;
  }
  return true;
}

// Gate length, stretched over following rest steps or half a gate into a following tie.
double NoteLength(const TStepContext& ctx) {
  const double gate = ctx.info.gate / 100.0;
  const int steps = std::clamp(ctx.info.steps, 1, 64);
  double length = gate;
  for (int j = ctx.step + 1; j >= 0 && j < steps; ++j) {
    const int mode = ctx.stepModes ? int{ctx.stepModes[j]} : int{stNormal};
    if (mode == stRest) {
      length += 1;
      continue;
    }
    if (mode == stTie) length = (j - ctx.step) + 0.5 * gate;
    break;
  }
  return length;
}

}  // namespace

const std::array<int, 12> ScaleStepTable = kScaleSteps;

const std::array<std::array<int, 7>, 6> ScaleTable = {{
    {0, 2, 4, 5, 7, 9, 11},   // Major
    {0, 2, 4, 4, 7, 9, 9},    // Major pentatonic
    {0, 2, 3, 5, 7, 8, 10},   // minor
    {0, 2, 3, 5, 7, 8, 11},   // minor harmonic
    {0, 2, 3, 5, 7, 9, 11},   // minor melodic
    {0, 3, 3, 5, 7, 10, 10},  // minor pentatonic
}};

const std::array<std::array<int, 7>, 11> ChordScaleTable = {{
    {0, 2, 3, 5, 7, 8, 10},   // m
    {0, 2, 3, 5, 6, 7, 8},    // dim
    {0, 2, 4, 5, 7, 9, 11},   // maj
    {0, 2, 3, 5, 8, 11, 12},  // aug
    {0, 2, 2, 2, 7, 7, 7},    // sus2
    {0, 5, 5, 5, 7, 7, 7},    // sus4
    {0, 2, 5, 5, 7, 10, 10},  // 7
    {0, 2, 4, 5, 7, 10, 10},  // dom7
    {0, 2, 4, 5, 7, 11, 11},  // maj7
    {0, 2, 3, 5, 7, 10, 10},  // m7
    {0, 2, 3, 5, 6, 9, 9},    // dim7
}};
static_assert(std::size(kChordScaleNames) == 11, "one name per chord scale row");

int ChordScaleIndex(const char* chordName) {
  if (!chordName) return -1;
  for (int i = 0; i < static_cast<int>(std::size(kChordScaleNames)); ++i)
    if (std::strcmp(chordName, kChordScaleNames[i]) == 0) return i;
  return -1;
}

int TransformNote(int note, int offset, bool outputStage, bool followChord, const TTransformSettings& s,
                  const TDetectedChord& chord) {
  note = Bounded(note);
  offset = Bounded(offset);
  int root = std::clamp(s.scaleRoot, -1, 11);
  const int scale = std::clamp(s.scale, -1, static_cast<int>(ScaleTable.size()) - 1);
  int chordRow = -1;
  if (followChord && chord.HasChord()) {
    root = chord.RootNote % 12;
    chordRow = ChordScaleIndex(chord.Name);
  }

  int result = (root < 0 || (chordRow < 0 && scale < 0)) ? note + offset
                                                         : ForceToScale(note, offset, root, chordRow, scale);
  if (outputStage) {
    result += 12 * Bounded(s.transpOct) + Bounded(s.transpSemi);
    result = FoldIntoOutputRange(result, std::clamp(s.outLow, 0, 127), std::clamp(s.outHigh, 0, 127));
  }
  // Scale rows reaching the next octave can push a note past 127 even without the
  // output stage.
  return FoldIntoMidiRange(result);
}

int GenerateStepNotes(TInKeyFilter& filter, const TStepContext& ctx, TKeyList& out) {
  out = TKeyList{};
  if (filter.ActiveCount() == 0 && filter.SnapCount == 0) {
    filter.Reset();
    return 0;
  }
  const TStepInfo& info = ctx.info;
  // Runs even when the step stays silent, so the snapshot keeps up with quantize points.
  filter.SelectKeys(info, ctx.step, ctx.stepCount, out);
  if (info.stepType == stOff || info.stepType == stRest || !ctx.arpEnabled) {
    out = TKeyList{};
    return 0;
  }

  // Follow the chord only when some held key lies outside the forced scale.
  bool follow = ctx.followChord && *ctx.followChord;
  if (follow && ctx.transform.scaleRoot >= 0 && ctx.transform.scale >= 0 &&
      EveryActiveKeyInScale(filter, ctx.transform)) {
    follow = false;
    *ctx.followChord = false;
  }

  const double length = NoteLength(ctx);
  double endPos = ctx.step + length;
  if (endPos > info.steps) endPos -= info.steps;
  const int offset = 12 * info.octave + info.semitone;
  const uint8_t velocity = static_cast<uint8_t>(std::clamp(info.velocity, 0, 127));

  int present = 0;
  for (; present < 5 && out[present].Count != 0; ++present) {
    TKeyRec& rec = out[present];
    rec.Count = 1;
    rec.Note = static_cast<uint8_t>(
        TransformNote(rec.Note, offset, true, follow, ctx.transform, filter.DetectedChord));
    rec.Velocity = velocity;
    rec.Length = static_cast<float>(length);
    rec.EndPos = static_cast<float>(endPos);
  }
  for (int i = present; i < kKeyListSize; ++i) out[i] = TKeyRec{};  // at most five play
  return present;
}
