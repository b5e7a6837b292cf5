// What a CLAP host sees of the settings: every tag by its own id with the catalogue's name,
// group, range, default and flags; every value of every id written, read back and turned into
// its text and back; the stepped "Program" parameter; the host told to read values anew when a
// program changes; ids and texts that are no parameter refused.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "engine/ParamNames.h"
#include "tests/clap/ClapScript.h"

namespace {

using clapscript::kProgram;

class ClapParameters : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host.Create()) << host.LastError(); }
  claphost::Host host;
};

TEST_F(ClapParameters, EveryTagIsListedByItsIdWithTheCataloguesDescription) {
  const std::vector<clap_param_info_t> all = host.AllInfo();
  std::set<clap_id> ids;
  int tags = 0;
  for (const clap_param_info_t& info : all) {
    EXPECT_TRUE(ids.insert(info.id).second) << "id " << info.id << " listed twice";
    EXPECT_TRUE(info.flags & CLAP_PARAM_IS_STEPPED) << info.id;
    if (info.id == kProgram) continue;
    ++tags;
    const int tag = static_cast<int>(info.id);
    ASSERT_TRUE(IsDefinedTag(tag)) << "id " << info.id << " is no setting";
    EXPECT_EQ(info.name, HostParamName(tag).Str()) << tag;
    EXPECT_EQ(info.min_value, CParamMin[tag]) << tag;
    EXPECT_EQ(info.max_value, tag == tagCurChain ? CParamMax[tagNumChains] : CParamMax[tag]) << tag;
    EXPECT_EQ(info.default_value, CParamDef[tag]) << tag;
    EXPECT_EQ((info.flags & CLAP_PARAM_IS_AUTOMATABLE) != 0, tag < 256) << "the step rows are not automated: " << tag;
  }
  int defined = 0;
  for (int tag = 0; tag < kNumParams; ++tag) defined += IsDefinedTag(tag);
  EXPECT_EQ(tags, defined) << "every setting is listed";
  ASSERT_TRUE(ids.count(kProgram));

  struct Group {
    int tag;
    const char* module;
  };
  for (const Group& g : {Group{tagSync, "Pattern"}, Group{tagMIDIIn_Ch, "Global"}, Group{tagChainProg, "Chains"},
                         Group{tagVelocity + 5, "Steps/Velocity"}, Group{tagSemitone + 63, "Steps/Semitone"},
                         Group{tagStep_mode, "Steps/Mode"}}) {
    const auto info = host.Info(static_cast<clap_id>(g.tag));
    ASSERT_TRUE(info) << g.tag;
    EXPECT_STREQ(info->module, g.module) << info->name;
  }
  const auto program = host.Info(kProgram);
  EXPECT_STREQ(program->name, "Program");
  EXPECT_EQ(program->min_value, 1);
  EXPECT_EQ(program->max_value, 64);
  EXPECT_TRUE(program->flags & CLAP_PARAM_IS_AUTOMATABLE);
}

TEST_F(ClapParameters, IdsStayWhatSessionsSavedThemAs) {
  // Hosts keep automation and parameter values by id in their sessions: these never move.
  const std::pair<clap_id, const char*> pinned[] = {
      {1, "MIDIIn_Ch"},    {3, "ArpEnabled"},     {9, "SelectedBar"}, {18, "CurChain"},
      {85, "ChainProg_1"}, {210, "Steps"},        {211, "Gate"},      {212, "Sync"},
      {256, "Semitone_1"}, {384, "Step_mode_1"},  {512, "Velocity_1"}, {575, "Velocity_64"},
      {1000000, "Program"},
  };
  for (const auto& [id, name] : pinned) {
    const auto info = host.Info(id);
    ASSERT_TRUE(info) << id;
    EXPECT_STREQ(info->name, name) << id;
  }
}

TEST_F(ClapParameters, EveryValueOfEveryIdSurvivesTheHostsRoundTrip) {
  host.SetParam(tagNumChains, 16);  // the chain in force reaches its whole range
  for (const clap_param_info_t& info : host.AllInfo()) {
    if (info.id == kProgram) continue;
    const auto range = host.Info(info.id);  // the chain in force follows the count
    for (int v = static_cast<int>(range->min_value); v <= static_cast<int>(range->max_value); ++v) {
      if (info.id == tagNumChains) continue;  // would narrow the chain's range under the walk
      if (info.id == tagFormatVersion && v > 127) continue;  // held in one signed byte
      host.SetParam(info.id, v);
      const std::string where = std::string(info.name) + " = " + std::to_string(v);
      ASSERT_EQ(host.Value(info.id), v) << where;
      const std::string text = host.Text(info.id, v);
      EXPECT_EQ(text, ValueLabel(static_cast<int>(info.id), v).Str()) << where;
      EXPECT_EQ(host.ValueOfText(info.id, text), v) << where << " shown as \"" << text << "\"";
    }
  }
}

TEST_F(ClapParameters, TheProgramParameterSwitchesProgramsAndTheHostReadsValuesAnew) {
  host.SetParam(kProgram, 5);
  host.SetParam(tagSync, 7);
  host.SetParam(kProgram, 9);
  EXPECT_EQ(host.Value(kProgram), 9);
  EXPECT_EQ(host.Value(tagSync), CParamDef[tagSync]) << "program 9 has its own settings";
  host.SetParam(kProgram, 5);
  EXPECT_EQ(host.Value(tagSync), 7);
  EXPECT_EQ(host.Text(kProgram, 5), "5 Program 5");
  EXPECT_EQ(host.ValueOfText(kProgram, "12"), 12);
  EXPECT_EQ(host.ValueOfText(kProgram, "12 Program 12"), 12);
  EXPECT_FALSE(host.ValueOfText(kProgram, "65"));
  EXPECT_FALSE(host.ValueOfText(kProgram, "Program"));

  // While processing, a program chosen by the host acts before the next block, and the host
  // is asked (on its main thread) to read every value anew.
  ASSERT_TRUE(host.Activate(44100, 256));
  host.StartProcessing();
  host.ClearRecords();
  host.ParamValue(kProgram, 9, 100);
  host.RunBlock();
  EXPECT_EQ(host.Value(kProgram), 9);
  EXPECT_GT(host.CallbackRequests(), 0);
  EXPECT_EQ(host.RescanCalls(CLAP_PARAM_RESCAN_VALUES), 0) << "rescans happen on the main thread only";
  host.RunMainThreadCallbacks();
  EXPECT_EQ(host.RescanCalls(CLAP_PARAM_RESCAN_VALUES), 1);
}

TEST_F(ClapParameters, WhatIsNoParameterIsRefusedAndNoValueIsStored) {
  const clap_id notParams[] = {151, 576, 4096, kProgram + 1, CLAP_INVALID_ID};  // 151: a name character
  for (clap_id id : notParams) {
    EXPECT_FALSE(host.Value(id)) << id;
    EXPECT_EQ(host.Text(id, 1), "<refused>") << id;
    EXPECT_FALSE(host.ValueOfText(id, "1")) << id;
    host.SetParam(id, 1);
  }
  EXPECT_FALSE(host.ValueOfText(tagSync, "1/17"));
  EXPECT_FALSE(host.ValueOfText(tagGate, "fast"));
  clap_param_info_t info{};
  EXPECT_FALSE(host.Params()->get_info(host.Plugin(), host.Params()->count(host.Plugin()), &info));

  // Values out of range are brought into it; a value that is no number changes nothing.
  host.SetParam(tagGate, 1e9);
  EXPECT_EQ(host.Value(tagGate), CParamMax[tagGate]);
  host.SetParam(tagGate, -5);
  EXPECT_EQ(host.Value(tagGate), CParamMin[tagGate]);
  host.SetParam(tagGate, std::nan(""));
  EXPECT_EQ(host.Value(tagGate), CParamMin[tagGate]);
}

TEST_F(ClapParameters, TheChainInForceIsOfferedUpToTheMostChainsThereCanBe) {
  host.SetParam(tagNumChains, 3);
  EXPECT_EQ(host.Info(tagCurChain)->max_value, CParamMax[tagNumChains]) << "one range, whatever the count";
  host.SetParam(tagCurChain, 3);
  EXPECT_EQ(host.Value(tagCurChain), 3);
  EXPECT_EQ(host.Text(tagCurChain, 0), ValueLabel(tagCurChain, 0).Str());
}

}  // namespace
