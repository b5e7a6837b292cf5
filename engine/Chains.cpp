// Program chains: switching to the chain chosen by CurChain and advancing through its
// programs on pattern wraps, synchronised to the chain quantize.
#include <algorithm>

#include "engine/PlugCore.h"

bool TPlugCore::ChainCheck() {
  const int q = Block.ChainQuantizeLen;
  const bool request = TakeFlag(ChainSwitchRequest, std::memory_order_relaxed);
  const bool onBoundary = q > 0 && StepCount % q == 0 && NewStep();
  if (!onBoundary && !(request && (q == 0 || CurStep == -1))) return false;
  const int program = CurrentProgram.load(std::memory_order_relaxed);
  const int chain = std::clamp(GetParam(tagCurChain), 0, 16);
  if (chain != CurrentChain.load(std::memory_order_relaxed)) {
    SwitchChain(chain);
  } else if (chain > 0 && CurStep == 0 && LastStep != -1 && Wrapped() && !Block.LockPage) {
    AdvanceChain();
  }
  return CurrentProgram.load(std::memory_order_relaxed) != program;
}

void TPlugCore::SwitchChain(int chain) {
  CurrentChain.store(chain, std::memory_order_relaxed);
  if (chain > 0) {
    const int program = GetParam(tagChainProg) - 1;
    if (program >= 0 && program < kNumPrograms && program != CurrentProgram.load(std::memory_order_relaxed))
      SelectProgramLocked(program);
  }
  ChainPos = 0;
  const int bank = GetParam(tagSendBankNum) - 1;
  const int patch = GetParam(tagSendPatchNum) - 1;
  const int volume = GetParam(tagSendVolume) - 1;
  const int channel = Block.OutChannel;
  if (bank >= 0) Emit(0xB0, channel, 0, bank);
  if (patch >= 0) Emit(0xC0, channel, patch, 0);
  if (volume >= 0) Emit(0xB0, channel, 7, volume);
  if (GetParam(tagChainInit) == 0) InitChainLocked();
  for (int tag = tagChainProg; tag < tagChainProg + 8; ++tag) MarkChanged(tag);
  MarkChanged(tagSendBankNum);
  MarkChanged(tagSendPatchNum);
  MarkChanged(tagSendVolume);
}

void TPlugCore::AdvanceChain() {
  int program = -1;
  for (int i = 0; i < 8 && program < 0; ++i) {
    ChainPos = (ChainPos + 1) % 8;
    program = GetParam(tagChainProg, ChainPos) - 1;
  }
  if (program >= 0 && program < kNumPrograms && program != CurrentProgram.load(std::memory_order_relaxed))
    SelectProgramLocked(program);
}
