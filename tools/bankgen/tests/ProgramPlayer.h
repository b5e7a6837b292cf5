#pragma once
// Plays one program of a loaded bank the way a keyboard player tries it: keys held from the
// downbeat, the host transport running at 120 quarter notes a minute.
#include <string>
#include <vector>

#include "engine/KeyUtils.h"
#include "tests/unit/EngineHarness.h"

struct TPlayedNote {
  double beat;  // song position of the block the note left in
  int pitch;
  int velocity;
};

inline double BeatOfBlock(const EngineHarness& h, int block) {
  return block * h.blockSize / h.time.sampleRate * h.time.tempo / 60.0;
}

// Selects `program`, holds `keys` and runs the transport for `beats` quarter notes. The
// harness keeps running afterwards, so callers can release the keys and go on.
inline std::vector<TPlayedNote> PlayProgram(EngineHarness& h, int program, const std::vector<int>& keys,
                                            double beats) {
  h.core.SelectProgram(program);
  h.Play(0);
  for (int key : keys) h.NoteOn(key, 100);
  h.RunTo(beats);
  std::vector<TPlayedNote> notes;
  for (const auto& m : h.NoteOns()) notes.push_back({BeatOfBlock(h, m.block), m.data1, m.data2});
  return notes;
}

// The pitches as note names, "C5 E5 G5 C6".
inline std::string PitchText(const std::vector<TPlayedNote>& notes) {
  std::string text;
  for (const auto& n : notes) {
    if (!text.empty()) text.push_back(' ');
    text.append(NoteName(n.pitch).View());
  }
  return text;
}
