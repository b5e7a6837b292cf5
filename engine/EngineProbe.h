#pragma once
// TEngineProbe: what tests and tools may read of the engine's inner state, by name: the rows as
// stored, the keys, the step, the requests other threads left. It takes no lock: read while no
// other thread changes the engine.
#include "engine/PlugCore.h"

class TEngineProbe {
 public:
  explicit TEngineProbe(const TPlugCore& core) : core(core) {}

  const TProgramMatrix& Programs() const { return core.store.Rows(); }
  const TProgramMatrix& SavedPrograms() const { return core.store.SavedRows(); }
  const TInKeyFilter& KeyFilter() const { return core.sequencer.Keys().Filter(); }
  int CurStep() const { return core.sequencer.CurStep(); }
  int DisplayStep() const { return core.sequencer.DisplayStep(); }
  bool ReleaseAllRequested() const { return core.sequencer.ReleaseAllRequested(); }
  bool ChainSwitchRequested() const { return core.sequencer.Chains().SwitchRequested(); }
  // The transport as the last block took it.
  double SongPosition() const { return core.sequencer.Clock().SongPosition(); }
  bool Playing() const { return core.sequencer.Clock().Playing(); }
  bool TransportChanged() const { return core.sequencer.TransportChanged(); }
  bool PrevPlaying() const { return TransportChanged() != Playing(); }

 private:
  const TPlugCore& core;
};
