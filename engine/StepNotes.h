#pragma once
// Turning a step of the pattern and the held keys into at most five notes, and the one
// pitch transform shared by generated and thru notes.
#include <array>
#include <cstdint>

#include "engine/Chords.h"
#include "engine/KeyPool.h"

// What the generator reads of the current program for step s.
struct TStepInfo {
  int keySelect = 1;   // 0 "Fix", 1..5 "k1".."k5", 6 "Chr"
  int missingKey = 0;  // Missing_key 0..12
  int stepType = 1;    // StepType
  int steps = 16;
  int sync = 3;
  int order = 2;       // SortOrder 0..7
  int fixedKey = 64;
  int quantize = 0;    // input quantize length in steps
  int restart = 0;
  int semitone = 0;
  int octave = 0;
  int velocity = 96;
  int gate = 100;
};

// The settings TransformNote reads.
struct TTransformSettings {
  int scaleRoot = -1;  // ForceScale_Key - 1; -1 = off
  int scale = -1;      // ForceScale - 1; -1 = off
  int transpOct = 0;
  int transpSemi = 0;
  int outLow = 0;
  int outHigh = 127;
};

extern const std::array<int, 12> ScaleStepTable;
extern const std::array<std::array<int, 7>, 6> ScaleTable;
extern const std::array<std::array<int, 7>, 11> ChordScaleTable;

// Index of a chord name in ChordScaleTable, or -1.
int ChordScaleIndex(const char* chordName);

// Pitch transform: scale or chord forcing, then (output stage) master transpose and the
// output range fold. The result always lies in 0..127.
int TransformNote(int note, int offset, bool outputStage, bool followChord, const TTransformSettings& s,
                  const TDetectedChord& chord);

class TInKeyFilter;

// Everything the generator needs besides the key filter.
struct TStepContext {
  TStepInfo info;
  int step = -1;        // CurStep
  int stepCount = 0;    // StepCount of the clock
  bool arpEnabled = true;
  bool* followChord = nullptr;  // the block's FollowChord; may be switched off for the block
  TTransformSettings transform;
  const int8_t* stepModes = nullptr;  // Step_mode of steps 0..63, for the rest/tie look-ahead
};

// Generates the notes of a step into `out` (Count = present flag, Note, Velocity, Length,
// EndPos). Answers the number of present notes at the front of the list.
int GenerateStepNotes(TInKeyFilter& filter, const TStepContext& ctx, TKeyList& out);
