// The editor's side of the engine under threads: the change pump, the editor's direct MIDI
// sends and its parameter changes (echoed back by the host, as the plug-in object does) run
// while the audio thread plays and a host thread writes parameters. The plug-in interface
// cannot reach these until an editor form exists, so they are driven here on the engine.
//
// MOLTRIN_STRESS_SECONDS sets how long the threads run together (default 2).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include "tests/engine/EngineHostRecorder.h"
#include "tests/engine/HandClockEngine.h"
#include "tests/support/EditorListenerStub.h"
#include "tests/support/SeededRng.h"

namespace {

using Rng = testsupport::SeededRng;

double StressSeconds() {
  const char* text = std::getenv("MOLTRIN_STRESS_SECONDS");
  const double seconds = text != nullptr ? std::atof(text) : 0.0;
  return seconds > 0 ? seconds : 2.0;
}

// The editor sends this controller with a running count, so the audio side can tell that
// every accepted send left exactly once and in order. The engine itself never sends it.
constexpr uint8_t kProbeController = 102;

// What the plug-in object and an editor form would be: the host's clock and MIDI sink on the
// audio thread, the host's echo of editor changes, and the form's callbacks.
struct Rig : THandClockEngine {
  // Audio thread.
  int sounding[16][128] = {};
  long long noteOns = 0;
  int probesReceived = 0;
  int probeOutOfOrder = 0;
  // Editor thread.
  long long displayed = 0, statusTexts = 0, stepsShown = 0, redraws = 0, automations = 0;
  int badStep = 0;
  // The form's side of the deliveries.
  struct Editor : TEditorListenerStub {
    Rig* rig = nullptr;
    void OnParamDisplay(int, int) override { ++rig->displayed; }
    void OnPatternRedraw() override { ++rig->redraws; }
    void OnStepChanged(int step) override {
      ++rig->stepsShown;
      if (step < -1 || step >= kMaxSteps) ++rig->badStep;
    }
    void OnStatusText(const TStatusRecord& status) override {
      rig->statusTexts += status.Beat.Length() + status.Step.Length() + status.NoteOut.Length() +
                          status.KeysPre.Length() + status.KeysPost.Length() + status.Chord.Length() > 0;
    }
  } editor;

  // The host's answer to an automated change is a write through setParameter.
  struct Host : TEngineHostRecorder {
    Rig* rig = nullptr;
    void AutomateParam(int tag, float value) override {
      ++rig->automations;
      rig->core.SetParamNormalized(tag, value);
    }
  } host;

  Rig() : THandClockEngine(48000, 140) {
    host.rig = this;
    core.SetHost(&host);
    editor.rig = this;
    core.SetEditorListener(&editor);
    core.SetEditorBusy(false);  // the form has bound itself
  }

  void Sent(const TMidiOut& m) override {
    Received(static_cast<uint8_t>(m.status & 0xF0), static_cast<uint8_t>(m.status & 0x0F), m.data1, m.data2);
  }

  void Received(uint8_t message, uint8_t channel, uint8_t d1, uint8_t d2) {
    if (message == 0x90 && d2 > 0) {
      ++sounding[channel][d1];
      ++noteOns;
    } else if (message == 0x80 || message == 0x90) {
      sounding[channel][d1] = 0;
    } else if (message == 0xB0 && d1 == kProbeController) {
      if (d2 != probesReceived % 128) ++probeOutOfOrder;
      ++probesReceived;
    }
  }

  void Block(int frames) {
    for (const TMidiOut& m : core.ProcessBlock(frames, &time)) Sent(m);
    time.samplePos += frames;
    if (time.playing) time.ppqPos += frames / time.sampleRate * time.tempo / 60.0;
  }

  void Write(int tag, int value) {
    const int lo = CParamMin[tag], hi = CParamMax[tag];
    core.SetParamNormalized(tag, static_cast<float>(value - lo) / static_cast<float>(hi - lo));
  }
};

// Editor changes: settings, steps and the chain section, in their catalogue ranges.
const int kEditorTags[] = {tagSteps,       tagGate,        tagSync,          tagLatch,        tagInQuantize,
                           tagRestartOnKey, tagSwing,      tagMTransp_oct,   tagMTransp_semi, tagForceScale,
                           tagForceScale_Key, tagSortOrder, tagLockPage,     tagSelectedPage, tagArpEnabled,
                           tagMIDIThruOn,  tagMIDIOut_Ch,  tagChainQuantize, tagCurChain,     tagChainProg,
                           tagChainProg + 1, tagSendVolume, tagNumChains};

}  // namespace

TEST(EngineThreadStress, EditorPumpAndSendsWhileTheAudioThreadPlays) {
  auto rig = std::make_unique<Rig>();
  TPlugCore& core = rig->core;
  core.SelectProgram(0);

  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::duration<double>(StressSeconds());
  auto running = [&] { return std::chrono::steady_clock::now() < deadline; };
  std::atomic<bool> audioDone{false};
  long long blocks = 0, editorOps = 0, hostWrites = 0;
  int probesSent = 0;
  std::map<std::pair<int, int>, int> held;  // audio thread

  std::thread audio([&] {
    Rng rng(11);
    while (running()) {
      if (rng.Chance(30)) {
        const int channel = rng.Int(0, 1), r = rng.Int(0, 99);
        if (r < 50) {
          const int note = rng.Int(48, 72);
          core.HandleMidiIn(channel, 0x90, note, rng.Int(1, 127));
          ++held[{channel, note}];
        } else if (r < 95 && !held.empty()) {
          auto key = held.begin();
          std::advance(key, rng.Int(0, static_cast<int>(held.size()) - 1));
          core.HandleMidiIn(key->first.first, 0x80, key->first.second, 0);
          if (--key->second == 0) held.erase(key);
        } else {
          core.HandleMidiIn(channel, 0xC0, rng.Int(0, 63), 0);
        }
      }
      if (rng.Chance(1)) rig->time.playing = !rig->time.playing;
      if (rng.Chance(1)) rig->time.tempo = rng.Int(60, 240);
      rig->Block(rng.Chance(90) ? 256 : rng.Int(1, 1024));
      ++blocks;
      std::this_thread::sleep_for(std::chrono::microseconds(20));  // paced, as in the binary stress test
    }
    rig->time.playing = true;  // the end stops a running transport
    rig->Block(64);
    audioDone = true;
  });

  // Host automation on a thread of its own.
  std::thread host([&] {
    Rng rng(12);
    while (!audioDone) {
      const int tag = kEditorTags[rng.Int(0, static_cast<int>(std::size(kEditorTags)) - 1)];
      core.SetParamNormalized(tag, static_cast<float>(rng.Int(0, 100)) / 100.0f);
      (void)core.GetParamNormalized(rng.Int(0, kNumParams - 1));
      ++hostWrites;
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  });

  // The editor thread.
  Rng rng(13);
  while (!audioDone) {
    const int r = rng.Int(0, 99);
    if (r < 30) {
      const int tag = kEditorTags[rng.Int(0, static_cast<int>(std::size(kEditorTags)) - 1)];
      core.SetParamFromEditor(tag, rng.Int(CParamMin[tag], CParamMax[tag]), true);
    } else if (r < 40) {
      const int tag = kStepBlockBases[static_cast<size_t>(rng.Int(0, 4))] + rng.Int(0, 63);
      core.SetParamFromEditor(tag, rng.Int(CParamMin[tag], CParamMax[tag]), true);
    } else if (r < 55) {
      if (core.SendEditorMidi(0xB0, 0, kProbeController, static_cast<uint8_t>(probesSent % 128))) ++probesSent;
    } else if (r < 60) {
      core.SelectProgram(rng.Int(0, 63));
    } else if (r < 62) {
      core.PasteProgram(rng.Int(0, 63));
    } else if (r < 64) {
      core.ShiftPattern(rng.Int(-2, 2));
    } else if (r < 66) {
      core.PastePage(rng.Int(0, 63), rng.Int(0, 3), rng.Int(0, 3));
    } else if (r < 67) {
      core.RecallProgram();
    } else if (r < 68) {
      core.InitProgram(true);
    } else if (r < 70) {
      const std::span<const uint8_t> fxb = core.BuildFxb();
      const std::vector<uint8_t> copy(fxb.begin(), fxb.end());
      (void)core.ApplyFxb(copy.data(), copy.size());
    } else if (r < 72) {
      const std::span<const uint8_t> fxp = core.BuildFxp();
      const std::vector<uint8_t> copy(fxp.begin(), fxp.end());
      (void)core.ApplyFxp(copy.data(), copy.size());
    } else if (r < 74) {
      core.SetProgramName("Under stress");
      (void)core.GetProgramName(rng.Int(0, 63));
    } else {
      core.DeliverChanges();
    }
    ++editorOps;
  }
  audio.join();
  host.join();
  const double together = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  core.DeliverChanges();

  // The end: input from every channel, latch off, every key up, the transport stopped, and
  // two seconds of blocks, which also carry out whatever the editor still had queued.
  rig->Write(tagMIDIIn_Ch, 0);
  rig->Write(tagLatch, 0);
  for (const auto& [key, count] : held)
    for (int i = 0; i < count; ++i) core.HandleMidiIn(key.first, 0x80, key.second, 0);
  rig->time.playing = false;
  for (int i = 0; i < 2 * 48000 / 256; ++i) rig->Block(256);

  for (int c = 0; c < 16; ++c)
    for (int p = 0; p < 128; ++p)
      EXPECT_EQ(rig->sounding[c][p], 0) << "note " << p << " on channel " << c + 1 << " never ended";
  EXPECT_EQ(rig->probesReceived, probesSent) << "editor sends lost or doubled";
  EXPECT_EQ(rig->probeOutOfOrder, 0);
  EXPECT_EQ(rig->badStep, 0);
  EXPECT_GT(rig->noteOns, 0);
  EXPECT_GT(rig->statusTexts, 0);
  std::printf("%.1f s: %lld blocks, %lld editor operations (%d sends, %lld automations), %lld host writes, "
              "%lld note-ons, %lld values and %lld status texts shown\n",
              together, blocks, editorOps, probesSent, rig->automations, hostWrites, rig->noteOns,
              rig->displayed, rig->statusTexts);
}
