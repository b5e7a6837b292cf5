// The audio thread plays keys against a moving, starting and stopping transport while the
// user-interface thread changes everything a host can reach (programs, chunks, parameters), an
// editor thread opens, idles and closes the editor, and a fourth thread reads parameters and
// their names, as hosts do for automation. The test script runs this under ThreadSanitizer;
// there it must give no report, and everywhere every note started must end once the keys are
// up and the transport stops.
//
// MOLTRIN_STRESS_SECONDS sets how long the threads run together (default 2).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/SeededRng.h"
#include "engine/ParamNames.h"
#include "hosts/vst2/Host.h"

using vst2host::Host;
using vst2host::MidiIn;

namespace {

using Rng = testsupport::SeededRng;

float Normalized(int tag, int value) {
  return static_cast<float>(value - CParamMin[tag]) / static_cast<float>(CParamMax[tag] - CParamMin[tag]);
}

// A pause of 20 microseconds. Where a sleep this short returns at once (Windows), the rest of
// it is yielded instead.
void Pause() {
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(20);
  std::this_thread::sleep_for(std::chrono::microseconds(20));
  while (std::chrono::steady_clock::now() < until) std::this_thread::yield();
}

double StressSeconds() {
  const char* text = std::getenv("MOLTRIN_STRESS_SECONDS");
  const double seconds = text != nullptr ? std::atof(text) : 0.0;
  return seconds > 0 ? seconds : 2.0;
}

// Chunks the user-interface thread loads while the audio thread plays: banks and programs
// with chains, long patterns, chord steps and latch, taken from a second instance; and one bank
// of noise, which the plug-in must bring into range as it loads it.
struct Chunks {
  std::vector<std::vector<uint8_t>> banks, programs;
};

Chunks MakeChunks() {
  Chunks chunks;
  Host other;
  if (other.Start(48000, 64) == nullptr) return chunks;
  auto set = [&](int tag, int value) { other.SetParam(tag, Normalized(tag, value)); };
  for (int program = 0; program < 8; ++program) {
    other.SetProgram(program);
    set(tagSteps, 4 + program * 8);
    set(tagSync, program % 12);
    set(tagLatch, program % 3 == 0);
    set(tagInQuantize, program % 9);
    set(tagRestartOnKey, program % 2);
    set(tagGate, 20 + program * 10);
    for (int step = 0; step < 64; step += 3) set(tagKey_select + step, 6);  // chord steps
    chunks.programs.push_back(other.GetChunk(true));
  }
  // Row 0 holds the globals and chain 0's section; row 1 holds chain 1.
  other.SetProgram(0);
  set(tagChainQuantize, 1);
  set(tagSendPatchNum, 5);
  set(tagSendVolume, 100);
  other.SetProgram(1);
  for (int slot = 0; slot < 4; ++slot) set(tagChainProg + slot, 1 + slot * 2);
  chunks.banks.push_back(other.GetChunk(false));
  std::vector<uint8_t> noise = chunks.banks.back();
  Rng rng(7);
  for (size_t i = 0; i < noise.size(); ++i)
    if (i != tagMIDIIn_Ch) noise[i] = static_cast<uint8_t>(rng.Int(0, 255));  // channel "all" kept
  chunks.banks.push_back(noise);
  return chunks;
}

// What the user-interface thread writes, with a value range of its own where the whole
// catalogue range would only get in the way (input channel: "all" or channel 1).
struct Write {
  int tag;
  int lo, hi;
};
const Write kWrites[] = {
    {tagLatch, 0, 1},          {tagArpEnabled, 0, 1},      {tagCurChain, 0, 8},
    {tagNumChains, 1, 16},     {tagSteps, 1, 64},          {tagMTransp_oct, -3, 3},
    {tagMTransp_semi, -12, 12}, {tagMIDIOut_Ch, 1, 16},    {tagMIDIIn_Ch, 0, 1},
    {tagSync, 0, 11},          {tagGate, 1, 100},          {tagInQuantize, 0, 8},
    {tagRestartOnKey, 0, 1},   {tagChainQuantize, 0, 8},   {tagChainProg, 0, 64},
    {tagChainProg + 1, 0, 64}, {tagMIDIThruOn, 0, 1},      {tagLockPage, 0, 1},
    {tagSelectedPage, 0, 3},   {tagSwing, -50, 50},        {tagForceScale, 0, 6},
    {tagForceScale_Key, 0, 12}, {tagSortOrder, 0, 7},
};

}  // namespace

TEST(RealTimeStress, AudioThreadPlaysWhileTheHostChangesEverything) {
  const Chunks chunks = MakeChunks();
  ASSERT_FALSE(chunks.banks.empty());
  Host h;
  AEffect* fx = h.Start(48000, 64);
  ASSERT_NE(fx, nullptr) << h.LastError();
  h.SetProgram(0);

  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::duration<double>(StressSeconds());
  auto running = [&] { return std::chrono::steady_clock::now() < deadline; };
  std::atomic<bool> audioDone{false};
  long long blocks = 0, uiOps = 0, reads = 0;
  std::map<std::pair<int, int>, int> held;  // key-downs not yet matched by a key-up (audio thread)

  std::thread audio([&] {
    Rng rng(1);
    std::vector<MidiIn> list;
    // On a saturated machine the deadline may come after a few hundred blocks; the music needs
    // a few thousand to be sure to play.
    while (running() || blocks < 4000) {
      list.clear();
      for (int i = rng.Chance(30) ? rng.Int(1, 4) : 0; i > 0; --i) {
        const int r = rng.Int(0, 99), channel = rng.Int(0, 1);
        if (r < 45) {
          const int note = rng.Int(48, 72);
          list.push_back(vst2host::NoteOn(channel, note, rng.Int(1, 127)));
          ++held[{channel, note}];
        } else if (r < 90) {
          if (held.empty()) continue;
          auto key = held.begin();
          std::advance(key, rng.Int(0, static_cast<int>(held.size()) - 1));
          list.push_back(vst2host::NoteOff(key->first.first, key->first.second));
          if (--key->second == 0) held.erase(key);
        } else if (r < 94) {
          list.push_back(vst2host::ProgramChange(channel, rng.Int(0, 63)));
        } else {
          list.push_back(vst2host::Controller(channel, 1, rng.Int(0, 127)));
        }
      }
      if (!list.empty()) h.SendMidi(list);
      if (rng.Chance(1)) h.transport.playing = !h.transport.playing;
      if (rng.Chance(1)) h.transport.tempo = rng.Int(60, 240);
      if (rng.Chance(1)) h.transport.ppq = rng.Int(0, 64);
      (void)fx->getParameter(fx, rng.Int(0, kNumParams - 1));
      h.RunBlock(rng.Chance(90) ? 256 : rng.Int(1, 1024));
      ++blocks;
      // Some tens of times faster than real time, as a busy host's audio thread is not: a
      // thread that plays flat out only starves the others of the lock and the two cores.
      Pause();
    }
    h.transport.playing = true;  // the end stops a running transport
    h.RunBlock(64);
    audioDone = true;
  });

  // Parameter values and names, as a host reads them for automation lanes. A name is either
  // the one before the editor ever opened or the editor's whole name, never a piece of it.
  std::atomic<int> torn{0};
  std::thread reader([&] {
    Rng rng(2);
    while (!audioDone) {
      for (int i = 0; i < 16; ++i) (void)fx->getParameter(fx, rng.Int(0, kNumParams - 1));
      const int tag = rng.Int(0, kNumParams - 1);
      const std::string name = h.ParamName(tag);
      if (name != "Param" + std::to_string(tag) && name != CatalogueName(tag)) ++torn;
      reads += 17;
      Pause();
    }
  });

  // The editor: opened, watched for a while (or closed before its binding arrived) and closed,
  // over and over. Hosts do this on their user-interface thread; a thread of its own here meets
  // the editor's work with every other thread's.
  long long editorOpenings = 0;
  std::thread editor([&] {
    Rng rng(4);
    char parent[8] = {};
    while (!audioDone) {
      fx->dispatcher(fx, effEditOpen, 0, 0, parent, 0.0f);
      for (int i = rng.Int(0, 6); i > 0 && !audioDone; --i) {
        fx->dispatcher(fx, effEditIdle, 0, 0, nullptr, 0.0f);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // hosts idle tens of times a second
      }
      fx->dispatcher(fx, effEditClose, 0, 0, nullptr, 0.0f);
      ++editorOpenings;
    }
  });

  // The user-interface thread.
  Rng rng(3);
  char name[] = "Stressed";
  while (!audioDone) {
    const int r = rng.Int(0, 99);
    if (r < 40) {
      const Write& w = kWrites[rng.Int(0, static_cast<int>(std::size(kWrites)) - 1)];
      const int value = rng.Int(w.lo, w.hi);
      fx->setParameter(fx, w.tag, w.tag == tagCurChain ? rng.Unit() : Normalized(w.tag, value));
    } else if (r < 50) {
      fx->setParameter(fx, kStepBlockBases[static_cast<size_t>(rng.Int(0, 4))] + rng.Int(0, 63), rng.Unit());
    } else if (r < 58) {
      h.SetProgram(rng.Int(0, 63));
    } else if (r < 63) {
      h.SetChunk(chunks.programs[static_cast<size_t>(rng.Int(0, static_cast<int>(chunks.programs.size()) - 1))], true);
    } else if (r < 66) {
      h.SetChunk(chunks.banks[static_cast<size_t>(rng.Int(0, static_cast<int>(chunks.banks.size()) - 1))], false);
    } else if (r < 72) {
      (void)h.GetChunk(rng.Chance(50));
    } else if (r < 80) {
      (void)h.ParamDisplay(rng.Int(0, kNumParams - 1));
    } else if (r < 84) {
      (void)h.ProgramNameIndexed(rng.Int(0, 63));
    } else {
      fx->dispatcher(fx, effSetProgramName, 0, 0, name, 0.0f);
    }
    ++uiOps;
  }
  audio.join();
  reader.join();
  editor.join();
  EXPECT_EQ(torn.load(), 0) << "names read while the editor wrote them";
  EXPECT_GT(editorOpenings, 0);
  const double together = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  // The end: input from every channel, latch off, every key up, the transport stopped.
  h.SetParam(tagMIDIIn_Ch, 0.0f);
  h.SetParam(tagLatch, 0.0f);
  std::vector<MidiIn> ups;
  for (const auto& [key, count] : held)
    for (int i = 0; i < count; ++i) ups.push_back(vst2host::NoteOff(key.first, key.second));
  if (!ups.empty()) h.SendMidi(ups);
  h.transport.playing = false;
  h.RunBlocks(2 * 48000 / 64);

  int sounding[16][128] = {};
  long long noteOns = 0;
  for (const vst2host::MidiOut& m : h.MidiOutEvents()) {
    if (m.IsNoteOn()) {
      ++sounding[m.Channel()][m.bytes[1]];
      ++noteOns;
    } else if (m.IsNoteOff()) {
      sounding[m.Channel()][m.bytes[1]] = 0;
    }
  }
  for (int c = 0; c < 16; ++c)
    for (int p = 0; p < 128; ++p) EXPECT_EQ(sounding[c][p], 0) << "note " << p << " on channel " << c + 1 << " never ended";
  EXPECT_GT(noteOns, 0);
  std::printf("%.1f s: %lld blocks, %lld user-interface operations, %lld editor openings, %lld parameter reads, "
              "%lld note-ons\n",
              together, blocks, uiOps, editorOpenings, reads, noteOns);
}
