// The real-time path through the module, as a host's audio thread calls it: one block
// (processReplacing) of 64 or 4096 frames at 48 kHz with eight keys held, "1/48" and a 64-step
// pattern of chord steps, with and without messages inside the block; and incoming MIDI
// (effProcessEvents and the block that takes it) per event. Targets: 1 us per 64-frame block
// and 200 ns per event, read from the medians of the repetitions. MOLTRIN_MODULE points the
// benchmarks at another build of the module, to compare two in one run.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>

#include "engine/ParamNames.h"
#include "hosts/vst2/MidiList.h"
#include "hosts/vst2/Host.h"

namespace {

constexpr int kMaxFrames = 4096;
constexpr double kSampleRate = 48000;

// A host that costs next to nothing: a fixed clock record and a count of what comes back.
VstTimeInfo gTime{};
long gEventsOut = 0;

VstIntPtr LeanHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterCanDo: return vst2host::AnswerFactoryBankQuestion(ptr, false);  // the defaults
    case audioMasterGetTime: return reinterpret_cast<VstIntPtr>(&gTime);
    case audioMasterProcessEvents: gEventsOut += static_cast<const VstEvents*>(ptr)->numEvents; return 1;
    default: return 0;
  }
}

// An open instance on the lean host; closed when the benchmark is done.
class Instance {
 public:
  explicit Instance(benchmark::State& state) {
    std::string error;
    vst2host::EntryProc entry = vst2host::LoadEntry(vst2host::DefaultModulePath(), &error);
    if (entry == nullptr || (fx = entry(&LeanHost)) == nullptr) {
      state.SkipWithError(error.empty() ? "the entry refused" : error.c_str());
      return;
    }
    fx->dispatcher(fx, effOpen, 0, 0, nullptr, 0.0f);
    fx->dispatcher(fx, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
    fx->dispatcher(fx, effSetBlockSize, 0, kMaxFrames, nullptr, 0.0f);
    fx->dispatcher(fx, effMainsChanged, 0, 1, nullptr, 0.0f);
    fx->dispatcher(fx, effSetProgram, 0, 0, nullptr, 0.0f);
    gTime = VstTimeInfo{};
    gTime.sampleRate = kSampleRate;
    gTime.tempo = 120;
    gTime.flags = kVstPpqPosValid | kVstTempoValid;
  }
  ~Instance() {
    if (fx != nullptr) fx->dispatcher(fx, effClose, 0, 0, nullptr, 0.0f);
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  explicit operator bool() const { return fx != nullptr; }

  void Write(int tag, int value) {
    fx->setParameter(fx, tag, static_cast<float>(value - CParamMin[tag]) /
                                  static_cast<float>(CParamMax[tag] - CParamMin[tag]));
  }
  void Add(uint8_t status, uint8_t data1, uint8_t data2, int frame = 0) { list.Add(status, data1, data2, frame); }
  int Events() const { return list.Count(); }
  void SendEvents() { fx->dispatcher(fx, effProcessEvents, 0, 0, list.Events(), 0.0f); }
  void ClearEvents() { list.Clear(); }

  void Play(bool playing) { gTime.flags = (gTime.flags & ~kVstTransportPlaying) | (playing ? kVstTransportPlaying : 0); }
  void Block(int frames = 64) {
    fx->processReplacing(fx, buffers, buffers, frames);
    gTime.samplePos += frames;
    if (gTime.flags & kVstTransportPlaying) gTime.ppqPos += frames / kSampleRate * gTime.tempo / 60.0;
  }

 private:
  static constexpr int kListCapacity = 256;
  AEffect* fx = nullptr;
  vst2host::MidiList<kListCapacity> list;
  float output[kMaxFrames] = {};
  float* buffers[1] = {output};
};

// One block with the transport playing. At 120 quarter notes per minute a step begins every
// 2000 samples (about one 64-frame block in 31), a chord of five of the eight held keys; the
// other blocks only move the clock. At 3750 a step begins in every 64-frame block: each block
// then ends one chord and starts the next, the most a block of this pattern does. A block of
// 4096 frames at 120 holds two steps or three, each on its own frame. With input, every block
// brings a modulation wheel and a pitch bend moving inside it (three messages, passed on at
// their frames).
void BM_ProcessBlock(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(1));
  const bool input = state.range(2) == 1;
  Instance p(state);
  if (!p) return;
  p.Write(tagSync, 0);  // "1/48"
  p.Write(tagSteps, 64);
  for (int step = 0; step < kMaxSteps; ++step) p.Write(tagKey_select + step, 6);  // "Chr"
  for (int key : {48, 52, 55, 59, 62, 65, 69, 72}) p.Add(0x90, static_cast<uint8_t>(key), 100);
  p.SendEvents();
  p.ClearEvents();
  gTime.tempo = static_cast<double>(state.range(0));
  p.Play(true);
  for (int i = 0; i < 64000 / frames; ++i) p.Block(frames);  // past the first steps and releases
  if (input) {
    p.Add(0xB0, 1, 64, frames / 9);
    p.Add(0xE0, 0, 70, frames / 2);
    p.Add(0xB0, 1, 65, frames * 4 / 5);
  }
  gEventsOut = 0;
  for (auto _ : state) {
    if (input) p.SendEvents();
    p.Block(frames);
  }
  state.counters["events_out_per_block"] =
      benchmark::Counter(static_cast<double>(gEventsOut), benchmark::Counter::kAvgIterations);
  state.SetLabel(std::to_string(frames) + " frames, " +
                 (state.range(0) == 120 ? "120 bpm" : "a step in every 64 frames") +
                 (input ? ", 3 messages inside" : ""));
}
BENCHMARK(BM_ProcessBlock)
    ->Args({120, 64, 0})
    ->Args({3750, 64, 0})
    ->Args({120, 4096, 0})
    ->Args({120, 64, 1})
    ->Args({3750, 64, 1})
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// 256 events in one list: sixteen times eight keys down and up again, so that every list finds
// the instance as the one before left it, and the 64-frame block that takes them (a small share
// of the time). With the arpeggiator on (keys reach the key filter, which names the chord again
// at every key) and with it off (every key also passes thru and sends a note).
void BM_HandleMidiIn(benchmark::State& state) {
  const bool thru = state.range(0) == 1;
  Instance p(state);
  if (!p) return;
  p.Write(tagArpEnabled, thru ? 0 : 1);
  p.Write(tagMIDIThruOn, 1);
  for (int round = 0; round < 16; ++round) {
    for (int key : {48, 52, 55, 59, 62, 65, 69, 72}) p.Add(0x90, static_cast<uint8_t>(key + round % 4), 100);
    for (int key : {48, 52, 55, 59, 62, 65, 69, 72}) p.Add(0x80, static_cast<uint8_t>(key + round % 4), 0);
  }
  const int events = p.Events();
  for (auto _ : state) {
    p.SendEvents();
    p.Block();
  }
  state.counters["per_event"] = benchmark::Counter(
      static_cast<double>(events), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetLabel(thru ? "thru" : "arpeggiator on");
}
BENCHMARK(BM_HandleMidiIn)->Arg(0)->Arg(1)->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace
