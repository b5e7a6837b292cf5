#include "engine/Chains.h"

#include <algorithm>

#include "engine/Clock.h"
#include "engine/MidiOut.h"
#include "engine/ProgramStore.h"

bool TChainPlayer::Check(TProgramStore& store, TMidiOutList& out, const TBlockSettings& block, const TArpClock& clock) {
  const int q = block.ChainQuantizeLen;
  const bool request =
      switchRequest_.load(std::memory_order_relaxed) && switchRequest_.exchange(false, std::memory_order_relaxed);
  const bool onBoundary = q > 0 && clock.StepCount() % q == 0 && clock.NewStep();
  if (!onBoundary && !(request && (q == 0 || clock.CurStep() == -1))) return false;
  const int program = store.CurrentProgram();
  const int chain = std::clamp(store.GetParam(tagCurChain), 0, 16);
  if (chain != inForce_) {
    Switch(store, out, block, chain);
  } else if (chain > 0 && clock.CurStep() == 0 && clock.LastStep() != -1 && clock.Wrapped() && !block.LockPage) {
    Advance(store);
  }
  return store.CurrentProgram() != program;
}

void TChainPlayer::Switch(TProgramStore& store, TMidiOutList& out, const TBlockSettings& block, int chain) {
  inForce_ = chain;
  inForceShown_.store(chain, std::memory_order_relaxed);
  if (chain > 0) {
    const int program = store.ChainValue(chain, tagChainProg) - 1;
    if (program >= 0 && program < kNumPrograms && program != store.CurrentProgram()) store.Select(program);
  }
  pos_ = 0;
  const int bank = store.ChainValue(chain, tagSendBankNum) - 1;
  const int patch = store.ChainValue(chain, tagSendPatchNum) - 1;
  const int volume = store.ChainValue(chain, tagSendVolume) - 1;
  const int channel = block.OutChannel;
  if (bank >= 0) out.Emit(0xB0, channel, 0, bank);
  if (patch >= 0) out.Emit(0xC0, channel, patch, 0);
  if (volume >= 0) out.Emit(0xB0, channel, 7, volume);
  if (store.ChainValue(chain, tagChainInit) == 0) store.InitChainRow(chain);
  store.MarkChainSection();
}

void TChainPlayer::Advance(TProgramStore& store) {
  int program = -1;
  for (int i = 0; i < 8 && program < 0; ++i) {
    pos_ = (pos_ + 1) % 8;
    program = store.ChainValue(inForce_, tagChainProg + pos_) - 1;
  }
  if (program >= 0 && program < kNumPrograms && program != store.CurrentProgram()) store.Select(program);
}
