// Host writes through the binary interface, as hosts make them: every value read and written
// back (Qtractor does so after creating or loading an instance), values sent again while notes
// sound, a chain and its own settings written before one block, and PatternShift written by
// automation, a generic view or a session while the editor is closed or open.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "tests/support/ResendScenes.h"
#include "tests/binary/ArpScript.h"

namespace {

using vst2host::Host;

constexpr int kBassVerseA = 46;  // factory chain 2 starts with program 47, "Bass Verse A"

std::vector<int> AllTags(const char* order) {
  std::vector<int> tags;
  for (int tag = 0; tag < kNumParams; ++tag)
    if (IsDefinedTag(tag)) tags.push_back(tag);
  if (std::string(order) == "descending") std::reverse(tags.begin(), tags.end());
  if (std::string(order) == "shuffled") std::shuffle(tags.begin(), tags.end(), std::mt19937(23));
  return tags;
}

// Reads every value, then writes each back in the given order.
void WriteBackEveryValue(Host& host, const char* order) {
  std::vector<float> read(kNumParams);
  for (int tag = 0; tag < kNumParams; ++tag) read[static_cast<size_t>(tag)] = host.GetParam(tag);
  for (int tag : AllTags(order)) host.SetParam(tag, read[static_cast<size_t>(tag)]);
}

// The host's value of a tag in its stored units (CurChain in 0..NumChains).
int Stored(Host& host, int tag) {
  const int hi = tag == tagCurChain ? Stored(host, tagNumChains) : CParamMax[tag];
  return static_cast<int>(std::lround(host.GetParam(tag) * (hi - CParamMin[tag]) + CParamMin[tag]));
}

void Write(Host& host, int tag, int value) {
  const int hi = tag == tagCurChain ? Stored(host, tagNumChains) : CParamMax[tag];
  host.SetParam(tag, static_cast<float>(value - CParamMin[tag]) / static_cast<float>(hi - CParamMin[tag]));
}

std::vector<int> ChainSlots(Host& host) {
  std::vector<int> slots;
  for (int slot = 0; slot < 8; ++slot) slots.push_back(Stored(host, tagChainProg + slot));
  return slots;
}

// A fresh instance with the factory bank beside the module, as a user's host has it.
struct FactoryInstance {
  Host host;
  FactoryInstance() {
    host.factoryBank = true;
    EXPECT_NE(host.Start(), nullptr) << host.LastError();
  }
};

TEST(HostWrites, EveryValueWrittenBackInAnyOrderLeavesEveryChainAsTheFactoryBankMadeIt) {
  for (const char* order : {"ascending", "descending", "shuffled"}) {
    for (const bool chainChosenFirst : {false, true}) {
      SCOPED_TRACE(std::string(order) + (chainChosenFirst ? ", chain 2 chosen before, no block yet" : ""));
      FactoryInstance fresh;
      Host& host = fresh.host;
      const std::vector<uint8_t> bank = host.GetChunk(false);
      const VstIntPtr program = host.Program();
      if (chainChosenFirst) {
        Write(host, tagCurChain, 2);  // no block runs in between, as in a host whose engine is stopped
        EXPECT_EQ(ChainSlots(host), (std::vector<int>{47, 48, 47, 49, 0, 0, 0, 0})) << "the chosen chain's slots";
      }
      WriteBackEveryValue(host, order);
      host.RunBlocks(2);
      WriteBackEveryValue(host, order);
      Write(host, tagCurChain, 0);
      host.RunBlocks(1);
      host.SetProgram(program);  // the chain chose its own
      EXPECT_EQ(host.GetChunk(false), bank) << "every program and every chain as the bank made them";

      // The chains play as the bank made them: chain 1 and 2, as "current chain ›" twice.
      Write(host, tagCurChain, 1);
      host.RunBlocks(1);
      EXPECT_EQ(ChainSlots(host), (std::vector<int>{44, 44, 45, 46, 0, 0, 0, 0}));
      EXPECT_EQ(host.Program(), 43);
      Write(host, tagCurChain, 2);
      host.RunBlocks(1);
      EXPECT_EQ(ChainSlots(host), (std::vector<int>{47, 48, 47, 49, 0, 0, 0, 0}));
      EXPECT_EQ(host.Program(), kBassVerseA);
      EXPECT_EQ(host.ProgramName(), "Bass Verse A");
    }
  }
}

// ---- Values sent again while notes sound.

using testsupport::TResendScene;

// Four seconds of a scene; with `resend`, every value (and the program) sent again at six points
// while notes sound. Answers everything sent.
std::vector<golden::Event> Render(const TResendScene& scene, bool resend) {
  arp::Script s(256);
  for (auto [tag, value] : scene.settings) Write(s.host, tag, value);
  s.host.transport.playing = scene.playing;
  s.Run(2);
  s.Keys({48, 55, 64}, 100);
  if (scene.keysUpEarly) {
    s.Run(20);
    s.Release({48, 55, 64});
  }
  for (int block = 0; block < 690; ++block) {
    if (resend && block % 97 == 41) {
      for (int tag : AllTags("ascending")) s.host.SetParam(tag, s.host.GetParam(tag));
      s.host.SetProgram(s.host.Program());
    }
    s.Run(1);
  }
  if (!scene.keysUpEarly) s.Release({48, 55, 64});
  s.Run(200);
  return s.Sent();
}

TEST(HostWrites, ValuesSentAgainWhileNotesSoundChangeNothingThatPlays) {
  for (const TResendScene& scene : testsupport::ResendScenes()) {
    const std::vector<golden::Event> plain = Render(scene, false);
    EXPECT_GE(plain.size(), 6u) << scene.what;
    const std::vector<golden::Event> resent = Render(scene, true);
    EXPECT_EQ(golden::Difference(plain, resent), "") << scene.what;
  }
}

// ---- A chain and its own settings before one block.

TEST(HostWrites, AChainsSettingsWrittenRightAfterItIsChosenSurviveTheSwitch) {
  FactoryInstance fresh;
  Host& host = fresh.host;
  Write(host, tagMIDIOut_Ch, 1);
  host.RunBlocks(1);
  Write(host, tagCurChain, 1);
  const std::vector<int> chain1 = ChainSlots(host);
  Write(host, tagCurChain, 0);
  host.RunBlocks(1);
  host.ClearRecords();

  Write(host, tagCurChain, 2);
  Write(host, tagChainProg + 2, 10);
  Write(host, tagSendPatchNum, 6);
  Write(host, tagSendVolume, 91);
  host.RunBlocks(1);
  EXPECT_EQ(ChainSlots(host), (std::vector<int>{47, 48, 10, 49, 0, 0, 0, 0}));
  EXPECT_EQ(Stored(host, tagSendPatchNum), 6);
  EXPECT_EQ(Stored(host, tagSendVolume), 91);
  EXPECT_EQ(host.Program(), kBassVerseA);
  std::vector<std::vector<int>> sent;
  for (const vst2host::MidiOut& m : host.MidiOutEvents()) sent.push_back({m.bytes[0], m.bytes[1], m.bytes[2]});
  EXPECT_EQ(sent, (std::vector<std::vector<int>>{{0xC0, 5, 0}, {0xB0, 7, 90}})) << "the switch sends the new settings";

  Write(host, tagCurChain, 1);
  host.RunBlocks(1);
  EXPECT_EQ(ChainSlots(host), chain1) << "the chain in force before is untouched";
}

// ---- PatternShift.

class PatternShift : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(host.Start(), nullptr) << host.LastError();
    host.SetProgram(0);
    MakePattern(host, 0);
    MakePattern(host, 5);
    host.SetProgram(0);
  }
  static void MakePattern(Host& h, int program) {
    h.SetProgram(program);
    Write(h, tagSteps, 4);
    for (int step = 0; step < 4; ++step) Write(h, tagVelocity + step, 10 * (step + 1) + program);
  }
  static std::vector<int> Velocities(Host& h) {
    std::vector<int> v;
    for (int step = 0; step < 4; ++step) v.push_back(Stored(h, tagVelocity + step));
    return v;
  }
  void Idle(Host& h) {
    for (int i = 0; i < 3; ++i) h.Dispatch(effEditIdle);
  }
  void Open(Host& h) {
    ASSERT_EQ(h.Dispatch(effEditOpen, 0, 0, parent), 1);
    Idle(h);
  }

  Host host;
  char parent[8] = {};
};

TEST_F(PatternShift, NoPatternMovesButByTheShiftTheHostAsked) {
  struct Step {
    const char* what;
    std::function<void(Host&)> action;
    std::vector<int> program1, program6;  // velocities of the four steps afterwards
  };
  const std::vector<int> p6{15, 25, 35, 45};  // program 6 as made
  const Step steps[] = {
      {"written 2, editor closed: two steps later", [](Host& h) { Write(h, tagPatternShift, 2); },
       {30, 40, 10, 20}, p6},
      {"the editor opens", [this](Host& h) { Open(h); }, {30, 40, 10, 20}, p6},
      {"written 2 again with the editor open", [this](Host& h) {
         Write(h, tagPatternShift, 2);
         Idle(h);
       },
       {30, 40, 10, 20}, p6},
      {"program 6 chosen and program 1 again",
       [this](Host& h) {
         h.SetProgram(5);
         Idle(h);
         h.SetProgram(0);
         Idle(h);
       }, {30, 40, 10, 20}, p6},
      {"written 3 with the editor open: one more", [this](Host& h) {
         Write(h, tagPatternShift, 3);
         Idle(h);
       },
       {20, 30, 40, 10}, p6},
      {"program 6 written -1 while shown", [this](Host& h) {
         h.SetProgram(5);
         Write(h, tagPatternShift, -1);
         Idle(h);
       },
       {20, 30, 40, 10}, {25, 35, 45, 15}},
      {"the editor closes and opens again", [this](Host& h) {
         h.Dispatch(effEditClose);
         Open(h);
         h.SetProgram(0);
         Idle(h);
       },
       {20, 30, 40, 10}, {25, 35, 45, 15}},
  };
  for (const Step& s : steps) {
    s.action(host);
    const int shown = static_cast<int>(host.Program());
    host.SetProgram(0);
    EXPECT_EQ(Velocities(host), s.program1) << s.what;
    host.SetProgram(5);
    EXPECT_EQ(Velocities(host), s.program6) << s.what;
    host.SetProgram(shown);
  }
  host.Dispatch(effEditClose);

  // A session saved and reloaded, with and without an editor: the patterns as saved.
  const std::vector<uint8_t> session = host.GetChunk(false);
  for (const bool withEditor : {false, true}) {
    Host restored;
    ASSERT_NE(restored.Start(), nullptr);
    ASSERT_GT(restored.SetChunk(session, false), 0);
    if (withEditor) Open(restored);
    for (int tag : AllTags("ascending")) restored.SetParam(tag, host.GetParam(tag));  // the host's own values, too
    restored.RunBlocks(2);
    Idle(restored);
    restored.SetProgram(0);
    EXPECT_EQ(Velocities(restored), (std::vector<int>{20, 30, 40, 10})) << (withEditor ? "editor open" : "no editor");
    restored.SetProgram(5);
    EXPECT_EQ(Velocities(restored), (std::vector<int>{25, 35, 45, 15})) << (withEditor ? "editor open" : "no editor");
    if (withEditor) restored.Dispatch(effEditClose);
  }
}

}  // namespace
