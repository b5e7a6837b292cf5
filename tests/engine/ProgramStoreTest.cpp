// Parameters by tag and the program operations of the engine.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/EngineProbe.h"
#include "engine/PlugCore.h"
#include "tests/engine/EngineHostRecorder.h"
#include "tests/support/EditorListenerStub.h"

namespace {

std::string Name(const TPlugCore& core, int index) { return core.GetProgramName(index).Str(); }

TEST(ProgramStore, FreshEngineHasNoProgramButReadsDefaults) {
  TPlugCore core;
  EXPECT_EQ(core.CurrentProgramIndex(), -1);
  EXPECT_EQ(Name(core, 5), "Program 6");
  EXPECT_EQ(core.GetParam(tagSteps), 16);
  EXPECT_EQ(core.GetParam(tagMIDIOut_Ch), 1);
  EXPECT_FLOAT_EQ(core.GetParamNormalized(tagSteps), 15.0f / 63.0f);
}

TEST(ProgramStore, SelectingTheFirstProgramInitialisesRowZero) {
  TPlugCore core;
  core.SelectProgram(0);
  for (int tag = 1; tag < kNumParams; ++tag) {
    if (IsDefinedTag(tag) && tag != tagProgName) {
      EXPECT_EQ(TEngineProbe(core).Programs()[0][tag], CParamDef[tag]) << "tag " << tag;
    }
  }
  EXPECT_EQ(TEngineProbe(core).Programs()[0][tagProgName], 9);  // "Program 1" is stored
  EXPECT_EQ(Name(core, 0), "Program 1");
  EXPECT_EQ(TEngineProbe(core).Programs()[0][5], 0) << "undefined tags are never initialised";
}

TEST(ProgramStore, SelectionWrapsOutOfRangeIndexes) {
  TPlugCore core;
  core.SelectProgram(-1);
  EXPECT_EQ(core.CurrentProgramIndex(), 63);
  EXPECT_EQ(TEngineProbe(core).Programs()[0][tagCurProgram], 63);
  core.SelectProgram(64);
  EXPECT_EQ(core.CurrentProgramIndex(), 0);
}

TEST(ProgramStore, StartingOnAnotherProgramStillGivesSaneGlobals) {
  // A host that selects program 5 first must not be left with output channel 0.
  TPlugCore core;
  core.SelectProgram(5);
  EXPECT_EQ(TEngineProbe(core).Programs()[0][tagMIDIOut_Ch], 1);
  EXPECT_EQ(TEngineProbe(core).Programs()[0][tagArpEnabled], 1);
  EXPECT_EQ(TEngineProbe(core).Programs()[5][tagSteps], 16);
  EXPECT_EQ(TEngineProbe(core).Programs()[0][tagSteps], 0) << "program 0 itself stays uninitialised";
}

TEST(ProgramStore, LeavingALatchedProgramForgetsEveryKey) {
  TPlugCore core;
  core.SelectProgram(3);
  core.SetParamFromEditor(tagLatch, 1, false);
  core.HandleMidiIn(0, 0x90, 60, 100);
  core.HandleMidiIn(0, 0x90, 64, 100);
  core.HandleMidiIn(0, 0x80, 64, 0);
  EXPECT_EQ(TEngineProbe(core).KeyFilter().ActiveCount(), 2);
  core.SelectProgram(4);  // Latch 0
  EXPECT_EQ(TEngineProbe(core).KeyFilter().ActiveCount(), 0);
  core.HandleMidiIn(0, 0x80, 60, 0);  // the physical release afterwards changes nothing
  EXPECT_EQ(TEngineProbe(core).KeyFilter().ActiveCount(), 0);
}

TEST(ProgramStore, ShiftUpFromTheFirstProgramSwapsWithTheLast) {
  TPlugCore core;
  core.SelectProgram(63);
  core.SetProgramName("Last");
  core.SelectProgram(0);
  core.SetProgramName("First");
  core.ShiftProgram(-1);
  EXPECT_EQ(core.CurrentProgramIndex(), 63);
  EXPECT_EQ(Name(core, 63), "First");
  EXPECT_EQ(Name(core, 0), "Last");
}

TEST(ProgramStore, NamesAreCutToFortyEightCharacters) {
  TPlugCore core;
  core.SelectProgram(2);
  core.SetProgramName(std::string(60, 'x'));
  EXPECT_EQ(TEngineProbe(core).Programs()[2][tagProgName], 48);
  EXPECT_EQ(Name(core, 2), std::string(48, 'x'));
  core.SetProgramName("");
  EXPECT_EQ(Name(core, 2), "Program 3");
  EXPECT_EQ(core.GetProgramName(2, 4).Str(), "Prog");
  EXPECT_EQ(core.GetProgramName(64).Str(), "") << "out of range reads nothing";
}

struct ShiftCase {
  int delta;
  std::vector<int> expected;
};

TEST(ProgramStore, ShiftPatternRotatesOnlyTheStepsInUse) {
  for (const ShiftCase& c : {ShiftCase{1, {40, 10, 20, 30, 50}}, ShiftCase{-1, {20, 30, 40, 10, 50}},
                             ShiftCase{4, {10, 20, 30, 40, 50}}, ShiftCase{0, {10, 20, 30, 40, 50}}}) {
    TPlugCore core;
    core.SelectProgram(0);
    core.SetParamFromEditor(tagSteps, 4, false);
    for (int i = 0; i < 5; ++i) core.SetParamFromEditor(tagVelocity + i, 10 * (i + 1), false);
    core.SetParamFromEditor(tagKey_select + 1, 6, false);
    core.ShiftPattern(c.delta);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(core.GetParam(tagVelocity + i), c.expected[i]) << "delta " << c.delta;
    if (c.delta == 1) {
      EXPECT_EQ(core.GetParam(tagKey_select + 2), 6) << "every block rotates";
    }
  }
}

TEST(ProgramStore, PastePageCopiesAllFiveBlocks) {
  TPlugCore core;
  core.SelectProgram(7);
  for (int j = 0; j < 16; ++j) {
    core.SetParamFromEditor(tagSemitone + j, j % 12, false);
    core.SetParamFromEditor(tagVelocity + j, 100 + j, false);
  }
  core.SelectProgram(1);
  core.PastePage(7, 0, 2);
  for (int j = 0; j < 16; ++j) {
    EXPECT_EQ(core.GetParam(tagSemitone + 32 + j), j % 12);
    EXPECT_EQ(core.GetParam(tagVelocity + 32 + j), 100 + j);
    EXPECT_EQ(core.GetParam(tagVelocity + j), 96) << "the source page of the target is untouched";
  }
}

TEST(ProgramStore, RecallRestoresTheRowAsLastLoaded) {
  TPlugCore core;
  core.SelectProgram(0);
  std::vector<int8_t> bank(kBankChunkSize);
  const void* data;
  core.GetChunk(false, &data);
  std::memcpy(bank.data(), data, bank.size());
  bank[2 * kNumParams + tagSteps] = 12;
  core.SetChunk(bank.data(), kBankChunkSize, false);
  core.SelectProgram(2);
  core.SelectProgram(9);
  core.SetParamFromEditor(tagSteps, 33, false);
  core.SelectProgram(2);
  core.PasteProgram(9);
  EXPECT_EQ(core.GetParam(tagSteps), 33);
  core.RecallProgram();
  EXPECT_EQ(core.GetParam(tagSteps), 12);
}

TEST(ProgramStore, BankInitialisationResetsGlobalsOnce) {
  TPlugCore core;
  core.SelectProgram(5);
  core.SetParamFromEditor(tagSteps, 3, false);
  core.SetParamFromEditor(tagMIDIOut_Ch, 9, false);
  core.InitializeBank();
  EXPECT_EQ(core.CurrentProgramIndex(), 0);
  EXPECT_EQ(TEngineProbe(core).Programs()[5][tagSteps], 16);
  EXPECT_EQ(core.GetParam(tagMIDIOut_Ch), 1);
  EXPECT_EQ(Name(core, 5), "Program 6");
}

// ---- Host writes and reads ----------------------------------------------------------------

struct WriteCase {
  const char* what;
  int tag;
  float x;
  int stored;
};

TEST(HostParameters, WritesRoundHalfToEvenAndStayInRange) {
  const float nan = std::nanf("");
  for (const WriteCase& c : {
           WriteCase{"32.5 rounds to even", tagSteps, 0.5f, 32},
           WriteCase{"top of Sync", tagSync, 1.0f, 11},
           WriteCase{"above 1 stores the maximum", tagSync, 7.5f, 11},
           WriteCase{"negative is ignored", tagGate, -0.5f, 100},
           WriteCase{"NaN is ignored", tagGate, nan, 100},
           WriteCase{"signed range", tagSwing, 0.0f, -50},
           WriteCase{"step block", tagVelocity + 63, 1.0f, 127},
       }) {
    TPlugCore core;
    core.SelectProgram(0);
    core.SetParamNormalized(c.tag, c.x);
    EXPECT_EQ(core.GetParam(c.tag), c.stored) << c.what;
  }
}

TEST(HostParameters, WritesToUndefinedTagsLeaveTheNameAlone) {
  TPlugCore core;
  core.SelectProgram(0);
  core.SetProgramName("Bassline");
  for (int tag = tagProgName + 1; tag <= 198; ++tag) core.SetParamNormalized(tag, 0.7f);
  core.SetParamNormalized(5, 1.0f);
  EXPECT_EQ(Name(core, 0), "Bassline");
  EXPECT_EQ(TEngineProbe(core).Programs()[0][5], 0);
  EXPECT_EQ(core.GetParamNormalized(5), 0.0f) << "a tag with an empty range reads 0";
  EXPECT_EQ(core.GetParamNormalized(-1), 0.0f);
  EXPECT_EQ(core.GetParamNormalized(576), 0.0f);
}

TEST(HostParameters, CurChainFollowsNumChains) {
  TPlugCore core;
  core.SelectProgram(0);
  core.SetParamNormalized(tagCurChain, 0.125f);
  EXPECT_EQ(core.GetParam(tagCurChain), 1) << "0..1 spans 'none' and the 8 chains";
  EXPECT_FLOAT_EQ(core.GetParamNormalized(tagCurChain), 0.125f);
  EXPECT_TRUE(TEngineProbe(core).ChainSwitchRequested());
  core.SetParamNormalized(tagNumChains, 1.0f);
  EXPECT_EQ(core.GetParam(tagNumChains), 16);
  core.SetParamNormalized(tagCurChain, 1.0f);
  EXPECT_EQ(core.GetParam(tagCurChain), 16);
  // The range is the instance's own: another engine keeps 8.
  TPlugCore other;
  EXPECT_EQ(other.CurChainMax(), 8);
}

TEST(HostParameters, NamesAndDisplays) {
  TPlugCore core;
  EXPECT_EQ(core.GetParamName(tagSteps).Str(), "Steps");
  EXPECT_EQ(core.GetParamName(0).Str(), "Param0");
  EXPECT_EQ(core.GetParamName(600).Str(), "");
  EXPECT_EQ(core.GetParamDisplay(tagSync).Str(), "1/16");
  core.SelectProgram(0);
  core.SetParamFromEditor(tagSemitone, -12, false);
  EXPECT_EQ(core.GetParamDisplay(tagSemitone).Str(), "-12");
  EXPECT_EQ(core.GetParamDisplay(tagProgName).Str(), "9");
  EXPECT_TRUE(TPlugCore::CanBeAutomated(255));
  EXPECT_FALSE(TPlugCore::CanBeAutomated(256));
}

TEST(HostParameters, TheHostsEchoOfAnEditorChangeIsNotStoredAgain) {
  TPlugCore core;
  core.SelectProgram(0);
  struct Echo : TEngineHostRecorder {
    TPlugCore* core;
    std::vector<std::pair<int, float>>& calls = automations;
    void AutomateParam(int tag, float x) override {
      TEngineHostRecorder::AutomateParam(tag, x);
      core->SetParamNormalized(tag, 0.0f);  // a host echoing something else
    }
  } echo;
  echo.core = &core;
  core.SetHost(&echo);
  core.SetParamFromEditor(tagGate, 50, true);
  ASSERT_EQ(echo.calls.size(), 1u);
  EXPECT_FLOAT_EQ(echo.calls[0].second, 49.0f / 99.0f);
  EXPECT_EQ(core.GetParam(tagGate), 50);
  // The reactions still run during the echo.
  core.SetParamFromEditor(tagArpEnabled, 0, true);
  EXPECT_TRUE(TEngineProbe(core).ReleaseAllRequested());
}

// ---- Change delivery ----------------------------------------------------------------------

TEST(ChangeDelivery, MarkedTagsReachTheEditorOnceInOrder) {
  TPlugCore core;
  core.SelectProgram(0);
  struct Log : TEditorListenerStub {
    std::vector<int> display, react;
    int redraws = 0;
    void OnParamDisplay(int tag, int) override { display.push_back(tag); }
    void OnParamReact(int tag, int) override { react.push_back(tag); }
    void OnPatternRedraw() override { ++redraws; }
  } log;
  core.SetEditorListener(&log);

  core.DeliverChanges();
  EXPECT_TRUE(log.display.empty()) << "nothing reaches the editor while it is still opening";

  core.SetEditorBusy(false);
  core.DeliverChanges();  // everything the selection marked
  log.display.clear();
  log.react.clear();
  log.redraws = 0;
  core.MarkChanged(300);
  core.MarkChanged(211);
  core.MarkChanged(5);  // undefined: pending, but delivers nothing
  core.DeliverChanges();
  EXPECT_EQ(log.display, (std::vector<int>{211, 300}));
  EXPECT_EQ(log.react, (std::vector<int>{211}));
  EXPECT_EQ(log.redraws, 1);
  core.DeliverChanges();
  EXPECT_EQ(log.display.size(), 2u) << "flags are cleared once delivered";
}

}  // namespace
