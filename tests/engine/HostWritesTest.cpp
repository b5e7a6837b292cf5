// What a host's parameter writes do to the pattern and the chains, unit by unit: PatternShift
// rotates once by the change of its value (never by an echo, a value sent again or a write the
// editor made), a rotation asked for while another thread holds the engine is made once as it
// lets go, and the chain settings address the chain CurChain names from the moment it is written.
#include <gtest/gtest.h>

#include <vector>

#include "engine/EngineProbe.h"
#include "engine/ParamNames.h"
#include "engine/PlugCore.h"
#include "tests/support/EditorListenerStub.h"

namespace {

// A VST 2.x host as the engine meets it: every editor change comes back as a host write on the
// same thread, before the host records it.
struct TEchoingHost : TEngineHost {
  TPlugCore* core = nullptr;
  void AutomateParam(int tag, float value) override { core->SetParamNormalized(tag, value); }
  void BeginParamEdit(int) override {}
  void EndParamEdit(int) override {}
  void ProgramListChanged() override {}
};

float Normalized(const TPlugCore& core, int tag, int value) {
  const int lo = CParamMin[tag], hi = tag == tagCurChain ? core.CurChainMax() : CParamMax[tag];
  return static_cast<float>(value - lo) / static_cast<float>(hi - lo);
}

class PatternShiftWrites : public testing::Test {
 protected:
  void SetUp() override {
    host.core = &core;
    core.SetHost(&host);
    core.SelectProgram(0);
    core.SetParamFromEditor(tagSteps, 4, false);
    for (int step = 0; step < 5; ++step) core.SetParamFromEditor(tagVelocity + step, 10 * (step + 1), false);
  }
  void HostWrites(int value) { core.SetParamNormalized(tagPatternShift, Normalized(core, tagPatternShift, value)); }
  std::vector<int> Velocities() const {
    std::vector<int> v;
    for (int step = 0; step < 5; ++step) v.push_back(core.GetParam(tagVelocity + step));
    return v;
  }

  TPlugCore core;
  TEchoingHost host;
};

TEST_F(PatternShiftWrites, AHostWriteRotatesByTheChangeOfTheValueOnce) {
  struct Step {
    const char* what;
    int write;
    std::vector<int> velocities;  // steps 1..5; step 5 lies outside the 4-step pattern
  };
  const Step steps[] = {
      {"0 to 2: two steps later", 2, {30, 40, 10, 20, 50}},
      {"2 again: nothing", 2, {30, 40, 10, 20, 50}},
      {"2 to 3: one more", 3, {20, 30, 40, 10, 50}},
      {"3 to -1: four back, once round", -1, {20, 30, 40, 10, 50}},
      {"-1 to 0: one later, as at the start", 0, {10, 20, 30, 40, 50}},
      {"0 to -8: eight back", -8, {10, 20, 30, 40, 50}},
      {"-8 to -7", -7, {40, 10, 20, 30, 50}},
  };
  for (const Step& s : steps) {
    HostWrites(s.write);
    EXPECT_EQ(core.GetParam(tagPatternShift), s.write) << s.what;
    EXPECT_EQ(Velocities(), s.velocities) << s.what;
  }
}

TEST_F(PatternShiftWrites, EditorWritesAndTheirEchoRotateNothing) {
  core.SetParamFromEditor(tagPatternShift, 3, true);  // echoed by the host on this thread
  EXPECT_EQ(Velocities(), (std::vector<int>{10, 20, 30, 40, 50}));
  HostWrites(3);  // the host plays back what it recorded
  EXPECT_EQ(Velocities(), (std::vector<int>{10, 20, 30, 40, 50}));
  HostWrites(4);
  EXPECT_EQ(Velocities(), (std::vector<int>{40, 10, 20, 30, 50}));
}

TEST_F(PatternShiftWrites, EachProgramRotatesByItsOwnStoredValue) {
  HostWrites(1);
  core.SelectProgram(5);
  core.SetParamFromEditor(tagSteps, 4, false);
  for (int step = 0; step < 4; ++step) core.SetParamFromEditor(tagVelocity + step, step + 1, false);
  HostWrites(1);  // program 6 held 0: one step, not none
  EXPECT_EQ(core.GetParam(tagVelocity), 4);
  core.SelectProgram(0);  // a program change rotates nothing
  EXPECT_EQ(Velocities(), (std::vector<int>{40, 10, 20, 30, 50}));
  HostWrites(1);
  EXPECT_EQ(Velocities(), (std::vector<int>{40, 10, 20, 30, 50}));
}

TEST_F(PatternShiftWrites, AWriteWhileAnotherThreadHoldsTheEngineRotatesOnceItLetsGo) {
  {
    TEngineGuard guard(core);  // a chunk, a file command...
    HostWrites(2);
    HostWrites(3);
    EXPECT_EQ(Velocities(), (std::vector<int>{10, 20, 30, 40, 50})) << "not while the engine is held";
  }
  EXPECT_EQ(Velocities(), (std::vector<int>{20, 30, 40, 10, 50}));
  core.ProcessBlock(64, nullptr);
  EXPECT_EQ(Velocities(), (std::vector<int>{20, 30, 40, 10, 50})) << "and only once";
}

// What an open editor is handed of the chain slots.
struct TSlotsShown : TEditorListenerStub {
  std::vector<int> slots = std::vector<int>(8, -1);
  void OnParamDisplay(int tag, int value) override {
    if (tag >= tagChainProg && tag < tagChainProg + 8) slots[static_cast<size_t>(tag - tagChainProg)] = value;
  }
};

TEST(ChainWrites, ChainSettingsAddressTheChainCurChainNamesAtOnce) {
  TPlugCore core;
  core.SelectProgram(0);
  core.SetParamNormalized(tagCurChain, Normalized(core, tagCurChain, 3));
  core.SetParamNormalized(tagChainProg + 1, Normalized(core, tagChainProg, 7));
  EXPECT_EQ(core.CurrentChainIndex(), 0) << "the chain switches in a block";
  EXPECT_EQ(core.GetParam(tagChainProg, 1), 7) << "but its settings are chain 3's already";
  // A host whose engine does not run (no block comes): the editor shows the chosen chain.
  TSlotsShown editor;
  core.SetEditorListener(&editor);
  core.SetEditorBusy(false);
  core.SetParamNormalized(tagCurChain, Normalized(core, tagCurChain, 0));
  core.DeliverChanges();
  EXPECT_EQ(editor.slots, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0}));
  core.SetParamNormalized(tagCurChain, Normalized(core, tagCurChain, 3));
  core.DeliverChanges();
  EXPECT_EQ(editor.slots, (std::vector<int>{0, 7, 0, 0, 0, 0, 0, 0}));
  core.SetEditorListener(nullptr);
  EXPECT_EQ(TEngineProbe(core).Programs()[3][tagChainProg + 1], 7);
  EXPECT_EQ(TEngineProbe(core).Programs()[0][tagChainProg + 1], 0) << "the section of no chain is untouched";
  core.ProcessBlock(64, nullptr);
  EXPECT_EQ(core.CurrentChainIndex(), 3);
  EXPECT_EQ(core.GetParam(tagChainProg, 1), 7);
}

TEST(ChainWrites, ASectionNeverInitialisedReadsAndKeepsItsDefaultsAroundAWrite) {
  TPlugCore core;
  core.SelectProgram(0);
  // A bank whose chain 2 has no section (as in data from older files).
  const void* data = nullptr;
  const int size = core.GetChunk(false, &data);
  std::vector<int8_t> bank(static_cast<const int8_t*>(data), static_cast<const int8_t*>(data) + size);
  for (int tag = kFirstChainTag; tag < kFirstProgramTag; ++tag) bank[2 * kNumParams + tag] = 0;
  core.SetChunk(bank.data(), size, false);
  core.SetParamNormalized(tagCurChain, Normalized(core, tagCurChain, 2));
  EXPECT_EQ(core.GetParam(tagSendPatchNum), CParamDef[tagSendPatchNum]);
  core.SetParamNormalized(tagSendVolume, Normalized(core, tagSendVolume, 101));
  core.ProcessBlock(64, nullptr);  // the switch finds the section initialised and keeps the write
  EXPECT_EQ(core.GetParam(tagSendVolume), 101);
  EXPECT_EQ(core.GetParam(tagSendPatchNum), CParamDef[tagSendPatchNum]);
  EXPECT_EQ(core.GetParam(tagChainInit), 1);
}

}  // namespace
