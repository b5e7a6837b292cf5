#pragma once
// The engine with a host clock the test sets by hand: the transport, tempo and positions the
// engine reads at each block; and what each block sends, handed to Sent.
#include "engine/EngineProbe.h"
#include "engine/PlugCore.h"

struct THandClockEngine {
  TPlugCore core;
  THostTime time;

  explicit THandClockEngine(double sampleRate = 44100, double tempo = 120) {
    time.sampleRate = sampleRate;
    time.tempo = tempo;
  }
  virtual ~THandClockEngine() = default;
  THandClockEngine(const THandClockEngine&) = delete;
  THandClockEngine& operator=(const THandClockEngine&) = delete;

  // Each message a block sends, in order.
  virtual void Sent(const TMidiOut& /*message*/) {}

  // One block of `frames` at the host's time, which then moves on while its transport plays.
  void Block(int frames) {
    for (const TMidiOut& m : core.ProcessBlock(frames, &time)) Sent(m);
    if (time.playing) {
      time.samplePos += frames;
      time.ppqPos += frames / time.sampleRate * time.tempo / 60.0;
    }
  }
  // Blocks of `frames` for `seconds`.
  void RunFor(double seconds, int frames) {
    for (int i = static_cast<int>(seconds * time.sampleRate / frames); i > 0; --i) Block(frames);
  }
  TEngineProbe Probe() const { return TEngineProbe(core); }
};
