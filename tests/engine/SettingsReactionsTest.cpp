// A setting reaches the engine by a host parameter write, a program or bank chunk, a program or
// bank file, or wholesale by Initialize, paste and program change. Whichever way a setting with
// a reaction changes (latch, arpeggiator on and off, thru, input channel and range, steps, sync,
// chains, output channel), the notes that follow must be the ones a parameter write gives.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "tests/engine/HandClockEngine.h"

namespace {

enum class Way { Parameter, ProgramChunk, BankChunk, ProgramFile, BankFile };
const char* Name(Way w) {
  static const char* const kNames[] = {"parameter", "program chunk", "bank chunk", "program file", "bank file"};
  return kNames[static_cast<int>(w)];
}

// Before the change: the transport, and whether the keys are let go before it (latched keys).
struct Scene {
  bool playing = false;
  bool keysUpBefore = false;
  std::vector<std::pair<int, int>> settings;  // tag, value, written before the keys go down
};

struct Case {
  const char* name;
  int tag, from, to;
  Scene scene;
};

// The engine with a transport moved by hand and a list of every message it sends.
struct Rig : THandClockEngine {
  std::vector<std::string> sent;

  void Sent(const TMidiOut& m) override {
    char text[32];
    std::snprintf(text, sizeof text, "%02X %d %d", m.status, m.data1, m.data2);
    sent.push_back(text);
  }

  void Write(int tag, int value) {
    const int lo = CParamMin[tag], hi = tag == tagCurChain ? core.GetParam(tagNumChains) : CParamMax[tag];
    core.SetParamNormalized(tag, static_cast<float>(value - lo) / static_cast<float>(hi - lo));
  }

  void Keys(int status) {
    for (int note : {60, 64, 67}) core.HandleMidiIn(0, status, note, status == 0x90 ? 100 : 0);
  }

  void Run(double seconds) { RunFor(seconds, 256); }

  // The setting changed the given way, every other value as it was.
  void Change(Way way, int tag, int value) {
    const int row = tag < kFirstChainTag ? 0 : core.CurrentProgramIndex();
    switch (way) {
      case Way::Parameter: Write(tag, value); break;
      case Way::ProgramChunk: case Way::BankChunk: {
        const bool preset = way == Way::ProgramChunk;
        const void* data = nullptr;
        const int size = core.GetChunk(preset, &data);
        std::vector<int8_t> chunk(static_cast<const int8_t*>(data), static_cast<const int8_t*>(data) + size);
        chunk[static_cast<size_t>((preset ? 0 : row * kNumParams) + tag)] = static_cast<int8_t>(value);
        core.SetChunk(chunk.data(), size, preset);
        break;
      }
      case Way::ProgramFile: case Way::BankFile: {
        const bool bank = way == Way::BankFile;
        const std::span<const uint8_t> built = bank ? core.BuildFxb() : core.BuildFxp();
        std::vector<uint8_t> file(built.begin(), built.end());
        file[(bank ? 160 + static_cast<size_t>(row * kNumParams) : 60) + static_cast<size_t>(tag)] = static_cast<uint8_t>(value);
        const TLoadResult loaded = bank ? core.ApplyFxb(file.data(), file.size()) : core.ApplyFxp(file.data(), file.size());
        EXPECT_TRUE(loaded.ok) << loaded.message;
        break;
      }
    }
  }
};

// What follows the change: a second of playing, then the keys up and two more seconds.
std::vector<std::string> Play(const Case& c, Way way) {
  Rig rig;
  rig.core.SelectProgram(0);
  for (auto [tag, value] : c.scene.settings) rig.Write(tag, value);
  rig.Write(c.tag, c.from);
  rig.Run(0.1);  // the reactions of these writes come first
  rig.time.playing = c.scene.playing;
  rig.Keys(0x90);
  if (c.scene.keysUpBefore) rig.Keys(0x80);
  rig.Run(0.5);
  rig.sent.clear();
  rig.Change(way, c.tag, c.to);
  rig.Run(1.0);
  if (!c.scene.keysUpBefore) rig.Keys(0x80);
  rig.Write(tagLatch, 0);
  rig.Run(2.0);
  rig.sent.push_back("CurChain read " + std::to_string(rig.core.GetParamNormalized(tagCurChain)));
  return rig.sent;
}

}  // namespace

TEST(SettingsReactions, EveryWayOfChangingASettingPlaysAsAParameterWrite) {
  const Scene latched{false, true, {{tagLatch, 1}}};
  const Scene latchedPlaying{true, true, {{tagLatch, 1}}};
  const Scene held{false, false, {}};
  const Scene heldPlaying{true, false, {}};
  const Scene thru{false, false, {{tagArpEnabled, 0}}};
  const Case cases[] = {
      {"latch off over latched keys, own clock", tagLatch, 1, 0, latched},
      {"latch off over latched keys, transport playing", tagLatch, 1, 0, latchedPlaying},
      {"arpeggiator off under sounding notes", tagArpEnabled, 1, 0, {true, false, {{tagGate, 100}}}},
      {"arpeggiator on over held keys, own clock", tagArpEnabled, 0, 1, held},
      {"thru off under a thru note", tagMIDIThruOn, 1, 0, thru},
      {"input channel away from held keys", tagMIDIIn_Ch, 0, 5, heldPlaying},
      {"input range above held keys", tagInRange_Low, 0, 62, held},
      {"output channel under sounding notes", tagMIDIOut_Ch, 1, 3, heldPlaying},
      {"thru output channel", tagMIDIOut_Ch, 1, 3, thru},
      {"steps shortened", tagSteps, 16, 3, heldPlaying},
      {"sync faster", tagSync, 3, 0, held},
      {"chain chosen", tagCurChain, 0, 1, {true, false, {{tagChainProg, 2}}}},
      {"chain count", tagNumChains, 8, 2, {true, false, {{tagCurChain, 1}}}},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> byParameter = Play(c, Way::Parameter);
    for (Way way : {Way::ProgramChunk, Way::BankChunk, Way::ProgramFile, Way::BankFile}) {
      EXPECT_EQ(Play(c, way), byParameter) << c.name << ", by " << Name(way);
    }
  }
}

// Initialize, paste, Undo and a program change bring in whole programs; a program that differs
// from the current one only in `Latch` off must end latched keys as writing `Latch` 0 does.
TEST(SettingsReactions, WholeProgramsBroughtInReactAsAParameterWrite) {
  enum Op { kWrite, kInitialize, kPaste, kUndo, kProgramChange };
  const auto play = [](Op op) {
    Rig rig;
    rig.core.SelectProgram(1);  // program 1 as it starts: the defaults, Latch off
    rig.core.SelectProgram(0);
    if (op == kUndo) {  // the program as loaded: the defaults
      const void* data = nullptr;
      const int size = rig.core.GetChunk(false, &data);
      rig.core.SetChunk(data, size, false);
    }
    rig.Write(tagLatch, 1);
    rig.Keys(0x90);
    rig.Keys(0x80);
    rig.Run(0.5);
    rig.sent.clear();
    switch (op) {
      case kWrite: rig.Write(tagLatch, 0); break;
      case kInitialize: rig.core.InitProgram(true); break;
      case kPaste: rig.core.PasteProgram(1); break;
      case kUndo: rig.core.RecallProgram(); break;
      case kProgramChange: rig.core.SelectProgram(1); break;
    }
    rig.Run(2.0);
    return rig.sent;
  };
  const std::vector<std::string> byWrite = play(kWrite);
  EXPECT_EQ(play(kInitialize), byWrite) << "Initialize";
  EXPECT_EQ(play(kPaste), byWrite) << "paste";
  EXPECT_EQ(play(kUndo), byWrite) << "Undo";
  EXPECT_EQ(play(kProgramChange), byWrite) << "program change";
}
