#pragma once
// The engine with a host clock the test sets by hand: the transport, tempo and positions the
// engine reads at each block.
#include "engine/PlugCore.h"

struct THandClockEngine {
  TPlugCore core;
  THostTime time;

  explicit THandClockEngine(double sampleRate = 44100, double tempo = 120) {
    time.sampleRate = sampleRate;
    time.tempo = tempo;
    core.GetTimeInfo.Bind([](void* self, THostTime& t) {
      t = static_cast<THandClockEngine*>(self)->time;
      return true;
    }, this);
  }
  THandClockEngine(const THandClockEngine&) = delete;
  THandClockEngine& operator=(const THandClockEngine&) = delete;

  // Blocks of `frames` for `seconds`, the host's position moving while its transport plays.
  void RunFor(double seconds, int frames) {
    for (int i = static_cast<int>(seconds * time.sampleRate / frames); i > 0; --i) {
      core.ProcessBlock(frames);
      if (time.playing) {
        time.samplePos += frames;
        time.ppqPos += frames / time.sampleRate * time.tempo / 60.0;
      }
    }
  }
};
