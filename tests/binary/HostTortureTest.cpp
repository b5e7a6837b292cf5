// The plug-in under the treatment the strictest plug-in validators give a module: processing
// on threads other than the one that opened it, block sizes changing every call, the sample
// rate and block size changed while suspended, a hundred suspend and resume cycles, a thousand
// instances, sixteen instances playing on four threads, state restored into a new instance,
// and parameters from three threads while the audio thread plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "engine/ParamNames.h"
#include "tests/support/NoteLedger.h"
#include "tests/support/SeededRng.h"
#include "hosts/vst2/Host.h"

using vst2host::Host;
using vst2host::MidiOut;

namespace {

constexpr float kRate = 44100.0f;
constexpr int kBeat = 22050;  // frames of a quarter note at 120 beats per minute

float Normalized(int tag, int value) {
  return static_cast<float>(value - CParamMin[tag]) / static_cast<float>(CParamMax[tag] - CParamMin[tag]);
}

// A quarter note a step and notes of half a step, so that even a block of 8192 frames holds at
// most one step; `variant` transposes, so that instances are told apart.
void Prepare(Host& h, int variant = 0) {
  h.SetProgram(0);
  h.SetParam(tagSync, Normalized(tagSync, 7));  // 1/4
  h.SetParam(tagGate, Normalized(tagGate, 50));
  h.SetParam(tagSteps, Normalized(tagSteps, 4));
  h.SetParam(tagMTransp_semi, Normalized(tagMTransp_semi, variant % 12));
  for (int step = 0; step < 4; ++step) h.SetParam(tagKey_select + step, Normalized(tagKey_select, 1 + step % 3));
  h.SendMidi({vst2host::NoteOn(0, 60, 100), vst2host::NoteOn(0, 64, 90), vst2host::NoteOn(0, 67, 80)});
  h.transport.playing = true;
}

// An event the plug-in sent, with its frame counted from the first block's start.
struct Sent {
  int64_t frame = 0;
  uint8_t bytes[3] = {};
  bool operator==(const Sent& o) const {
    return frame == o.frame && std::equal(bytes, bytes + 3, o.bytes);
  }
};

// Runs blocks until `frames` have been played, each as long as `size`(block number) says, and
// answers what the plug-in sent.
std::vector<Sent> Perform(Host& h, int64_t frames, const std::function<int(int)>& size) {
  std::vector<int64_t> starts;
  for (int64_t played = 0; played < frames;) {
    const int n = size(static_cast<int>(starts.size()));
    starts.push_back(played);
    h.RunBlock(n);
    played += n;
  }
  std::vector<Sent> sent;
  for (const MidiOut& m : h.MidiOutEvents()) {
    Sent s;
    s.frame = starts[static_cast<size_t>(m.block)] + m.deltaFrames;
    std::copy(m.bytes, m.bytes + 3, s.bytes);
    sent.push_back(s);
  }
  return sent;
}

std::vector<Sent> SteadyPerformance(int64_t frames, int variant = 0) {
  Host h;
  if (h.Start(kRate, 512) == nullptr) return {};
  Prepare(h, variant);
  return Perform(h, frames, [](int) { return 512; });
}

}  // namespace

TEST(HostTorture, BlockSizesChangingEveryCallPlayTheSameNotes) {
  const int64_t frames = 8 * kBeat;
  const std::vector<Sent> steady = SteadyPerformance(frames);
  ASSERT_GE(steady.size(), 14u);

  const int sizes[] = {0, 1, 8192, 2, 3, 5, 7, 11, 13, 31, 61, 127, 251, 509, 1021, 2039, 4093, 8191, 0, 8192};
  Host h;
  ASSERT_NE(h.Start(kRate, 8192), nullptr);
  Prepare(h);
  std::vector<int> used;
  const std::vector<Sent> varied = Perform(h, frames, [&](int block) {
    used.push_back(sizes[block % std::size(sizes)]);
    return used.back();
  });
  ASSERT_EQ(varied.size(), steady.size());
  for (size_t i = 0; i < steady.size(); ++i) {
    EXPECT_TRUE(std::equal(steady[i].bytes, steady[i].bytes + 3, varied[i].bytes)) << "event " << i;
    // Every event leaves on its own frame, whatever the blocks around it.
    EXPECT_LE(std::llabs(steady[i].frame - varied[i].frame), 1) << "event " << i;
  }
}

TEST(HostTorture, ProcessingOnThreadsOtherThanTheOpenerAndMovingBetweenThem) {
  const int64_t frames = 6 * kBeat;
  const std::vector<Sent> steady = SteadyPerformance(frames);
  ASSERT_FALSE(steady.empty());

  Host h;
  ASSERT_NE(h.Start(kRate, 512), nullptr);  // opened on this thread
  Prepare(h);
  std::vector<int64_t> starts;
  for (int64_t played = 0; played < frames;) {
    // Every few blocks the host hands processing to another thread, never back to this one.
    std::thread audio([&] {
      for (int i = 0; i < 7 && played < frames; ++i, played += 512) {
        starts.push_back(played);
        h.RunBlock(512);
      }
    });
    audio.join();
    h.Dispatch(effEditIdle);
    (void)h.GetParam(tagGate);
  }
  std::vector<Sent> moved;
  for (const MidiOut& m : h.MidiOutEvents()) moved.push_back({starts[static_cast<size_t>(m.block)] + m.deltaFrames,
                                                              {m.bytes[0], m.bytes[1], m.bytes[2]}});
  EXPECT_EQ(moved, steady);
}

TEST(HostTorture, SampleRateAndBlockSizeChangedWhileSuspended) {
  Host h;
  ASSERT_NE(h.Start(kRate, 512), nullptr);
  h.SetProgram(0);
  h.SetParam(tagSync, Normalized(tagSync, 7));  // a step a beat, every step the lowest key
  h.SendMidi({vst2host::NoteOn(0, 60, 100)});
  h.PlayBlocks(4 * kBeat / 512);
  h.Dispatch(effMainsChanged, 0, 0);
  h.Dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
  h.Dispatch(effSetBlockSize, 0, 128);
  h.transport.sampleRate = 96000;
  h.Dispatch(effMainsChanged, 0, 1);
  const int resumedAt = h.BlocksRun();
  h.RunBlocks(4 * 48000 / 128, 128);

  // After the resume a beat is 48000 frames: the note-ons come that far apart.
  std::vector<int64_t> onsets;
  for (const MidiOut& m : h.MidiOutEvents())
    if (m.IsNoteOn() && m.block >= resumedAt) onsets.push_back(static_cast<int64_t>(m.block - resumedAt) * 128);
  ASSERT_GE(onsets.size(), 3u);
  for (size_t i = 1; i < onsets.size(); ++i) EXPECT_NEAR(onsets[i] - onsets[i - 1], 48000, 128) << "step " << i;
}

TEST(HostTorture, HundredSuspendAndResumeCycles) {
  Host h(2300);  // a host version for which the plug-in asks for MIDI on every resume
  ASSERT_NE(h.Start(kRate, 256), nullptr);
  Prepare(h);
  testsupport::KeyLedger keys;
  keys.Count({vst2host::NoteOn(0, 60, 100), vst2host::NoteOn(0, 64, 90), vst2host::NoteOn(0, 67, 80)});
  for (int cycle = 0; cycle < 100; ++cycle) {
    h.Dispatch(effMainsChanged, 0, 0);
    h.Dispatch(effMainsChanged, 0, 1);
    h.RunBlocks(40);
  }
  const std::vector<VstIntPtr> asked = h.WantMidiValues();
  EXPECT_EQ(std::count(asked.begin(), asked.end(), 1), 101) << "the first resume and a hundred more";
  EXPECT_EQ(std::count(asked.begin(), asked.end(), 0), 100);
  testsupport::LetGoAndRunOut(h, keys, 256);
  const std::vector<MidiOut> sent = h.MidiOutEvents();
  // 100 x 40 blocks of 256 frames: 46 beats, a step each.
  EXPECT_GE(std::count_if(sent.begin(), sent.end(), [](const MidiOut& m) { return m.IsNoteOn(); }), 40);
  EXPECT_FALSE(testsupport::FirstSoundingNote(sent).has_value());
}

TEST(HostTorture, ThousandInstancesCreatedAndClosed) {
  for (int i = 0; i < 1000; ++i) {
    Host h;
    AEffect* fx = h.Start(kRate, 64);
    ASSERT_NE(fx, nullptr) << "instance " << i;
    if (i % 10 == 0) {
      h.SendMidi({vst2host::NoteOn(0, 60 + i % 12, 100)});
      h.PlayBlocks(2);
    }
    h.Close();
  }
}

TEST(HostTorture, SixteenInstancesPlayingOnFourThreads) {
  constexpr int kInstances = 16, kThreads = 4;
  const int64_t frames = 4 * kBeat;
  std::vector<std::unique_ptr<Host>> hosts;
  for (int i = 0; i < kInstances; ++i) {
    hosts.push_back(std::make_unique<Host>());
    ASSERT_NE(hosts.back()->Start(kRate, 512), nullptr);
    Prepare(*hosts.back(), i);
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      // Each thread plays its four instances block by block, interleaved.
      for (int64_t played = 0; played < frames; played += 512)
        for (int i = t; i < kInstances; i += kThreads) hosts[static_cast<size_t>(i)]->RunBlock(512);
    });
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < kInstances; ++i) {
    std::vector<Sent> together;
    for (const MidiOut& m : hosts[static_cast<size_t>(i)]->MidiOutEvents())
      together.push_back({static_cast<int64_t>(m.block) * 512 + m.deltaFrames, {m.bytes[0], m.bytes[1], m.bytes[2]}});
    EXPECT_EQ(together, SteadyPerformance(frames, i)) << "instance " << i << " plays as it does alone";
  }
}

TEST(HostTorture, StateRestoredIntoANewInstanceSavesIdentically) {
  std::vector<uint8_t> bank, program;
  {
    Host a;
    ASSERT_NE(a.Start(kRate, 512), nullptr);
    testsupport::SeededRng rng(11);
    for (int program : {0, 7, 42, 63, 7}) {
      a.SetProgram(program);
      for (int i = 0; i < 200; ++i) {
        const int tag = rng.Int(1, kNumParams - 1);
        if (IsDefinedTag(tag) && tag != tagCurChain) a.SetParam(tag, rng.Unit());
      }
    }
    a.SendMidi({vst2host::NoteOn(0, 60, 100)});
    a.PlayBlocks(20);
    bank = a.GetChunk(false);
    program = a.GetChunk(true);
  }  // closed

  Host b;
  ASSERT_NE(b.Start(kRate, 512), nullptr);
  b.SetChunk(bank, false);
  EXPECT_EQ(b.GetChunk(false), bank);
  EXPECT_EQ(b.Program(), 7) << "the program current when the bank was saved";

  Host c;
  ASSERT_NE(c.Start(kRate, 512), nullptr);
  c.SetChunk(program, true);
  EXPECT_EQ(c.GetChunk(true), program);
}

TEST(HostTorture, ParametersFromThreeThreadsWhileTheAudioThreadPlays) {
  Host h;
  ASSERT_NE(h.Start(kRate, 256), nullptr);
  Prepare(h);
  std::atomic<bool> stop{false};
  std::atomic<int> outOfRange{0}, blocks{0};
  std::thread audio([&] {
    while (!stop.load()) {
      h.RunBlock(256);
      blocks.fetch_add(1);
    }
  });
  const auto writer = [&](uint64_t seed) {
    testsupport::SeededRng rng(seed);
    // Until the audio thread has played a good number of blocks too, however the threads are
    // scheduled on a loaded machine.
    for (int i = 0; i < 3000 || blocks.load() < 100; ++i) {
      const int tag = rng.Chance(70) ? rng.Int(200, 240) : rng.Int(0, kNumParams - 1);
      h.SetParam(tag, rng.Chance(95) ? rng.Unit() : (rng.Chance(50) ? std::numeric_limits<float>::quiet_NaN() : 2.0f));
      const float v = h.GetParam(rng.Int(0, kNumParams - 1));
      if (!(v >= 0.0f && v <= 1.0f)) outOfRange.fetch_add(1);
    }
  };
  while (blocks.load() == 0) std::this_thread::yield();  // the writers start once the audio thread plays
  std::thread a(writer, 1), b(writer, 2), c(writer, 3);
  a.join();
  b.join();
  c.join();
  stop.store(true);
  audio.join();
  EXPECT_EQ(outOfRange.load(), 0);
  EXPECT_GT(blocks.load(), 0);

  testsupport::KeyLedger keys;
  keys.Count({vst2host::NoteOn(0, 60, 100), vst2host::NoteOn(0, 64, 90), vst2host::NoteOn(0, 67, 80)});
  testsupport::LetGoAndRunOut(h, keys, 256);
  EXPECT_FALSE(testsupport::FirstSoundingNote(h.MidiOutEvents()).has_value());
}
