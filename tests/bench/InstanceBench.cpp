// What an instance costs a host: creating and closing one through the entry point, applying
// a bank chunk, one block of playing, and the heap one instance holds.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdint>
#include <vector>

#include "hosts/vst2/Host.h"

namespace {

bool gFactoryBank = false;  // whether the quiet host lets a fresh instance load the factory bank

VstIntPtr QuietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  if (opcode == audioMasterCanDo) return vst2host::AnswerFactoryBankQuestion(ptr, gFactoryBank);
  return opcode == audioMasterVersion ? 2400 : 0;
}

vst2host::EntryProc Entry(benchmark::State& state) {
  std::string error;
  vst2host::EntryProc entry = vst2host::LoadEntry(vst2host::DefaultModulePath(), &error);
  if (entry == nullptr) state.SkipWithError(error.c_str());
  return entry;
}

// Argument 1: with the factory bank beside the module read and applied, as in a user's host.
void BM_CreateAndClose(benchmark::State& state) {
  vst2host::EntryProc entry = Entry(state);
  if (entry == nullptr) return;
  gFactoryBank = state.range(0) != 0;
  for (auto _ : state) {
    AEffect* fx = entry(QuietHost);
    benchmark::DoNotOptimize(fx);
    fx->dispatcher(fx, effClose, 0, 0, nullptr, 0.0f);
  }
  gFactoryBank = false;
}
BENCHMARK(BM_CreateAndClose)->Arg(0)->Arg(1);

// Heap held by one open instance, measured across the module with the C library's counters
// (small blocks and blocks mapped on their own alike).
void BM_InstanceHeapFootprint(benchmark::State& state) {
  vst2host::EntryProc entry = Entry(state);
  if (entry == nullptr) return;
  double bytes = 0;
  for (auto _ : state) {
    struct mallinfo2 before = mallinfo2();
    AEffect* fx = entry(QuietHost);
    struct mallinfo2 after = mallinfo2();
    bytes = static_cast<double>((after.uordblks + after.hblkhd) - (before.uordblks + before.hblkhd));
    fx->dispatcher(fx, effClose, 0, 0, nullptr, 0.0f);
  }
  state.counters["heap_bytes"] = bytes;
}
BENCHMARK(BM_InstanceHeapFootprint)->Iterations(20);

void BM_SetBankChunk(benchmark::State& state) {
  vst2host::Host host;
  if (host.Load() == nullptr) {
    state.SkipWithError(host.LastError().c_str());
    return;
  }
  for (int p = 0; p < 64; p += 3) {
    host.SetProgram(p);
    host.SetParam(210, 0.25f);
    host.SetParam(300, 1.0f);
  }
  std::vector<uint8_t> bank = host.GetChunk(false);
  for (auto _ : state) {
    VstIntPtr used = host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), bank.data());
    benchmark::DoNotOptimize(used);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bank.size()));
}
BENCHMARK(BM_SetBankChunk);

// One 512-frame block through processReplacing while a chord plays, the host's clock moving.
void BM_PlayingBlock(benchmark::State& state) {
  vst2host::Host host;
  if (host.Start() == nullptr) {
    state.SkipWithError(host.LastError().c_str());
    return;
  }
  host.SetProgram(0);
  host.SendMidi({vst2host::NoteOn(0, 60, 100), vst2host::NoteOn(0, 64, 100), vst2host::NoteOn(0, 67, 100)});
  host.transport.playing = true;
  int blocks = 0;
  for (auto _ : state) {
    host.RunBlock(512);
    if (++blocks % 4096 == 0) {
      state.PauseTiming();
      host.ClearRecords();  // the recorded events would grow without end
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_PlayingBlock);

}  // namespace
