// What a CLAP host is told, and when. After the factory bank at creation and after a state load
// it is asked to read the values again (on its main thread); a state it loads itself is not
// called stale, nor is a program chosen inside a block. The chain in force keeps one range for
// good, values above the chain count acting as the last chain, and the host hears when another
// count changes the texts of those values.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/ParamNames.h"
#include "hosts/clap/ClapHost.h"

namespace {

constexpr clap_id kProgram = 1000000;

TEST(ClapHostTold, AfterTheFactoryBankTheHostReadsTheBanksValues) {
  for (const bool bank : {true, false}) {
    claphost::Host host;
    host.noFactoryBank = !bank;
    ASSERT_TRUE(host.Create()) << host.LastError();
    // A host lists the parameters with the defaults their descriptions name...
    EXPECT_EQ(host.Info(tagSteps)->default_value, CParamDef[tagSteps]);
    EXPECT_EQ(host.Info(tagGate)->default_value, CParamDef[tagGate]);
    // ...and, on its main thread, is asked to read what the instance holds.
    host.RunMainThreadCallbacks();
    EXPECT_EQ(host.RescanCalls(CLAP_PARAM_RESCAN_VALUES), bank ? 1 : 0) << (bank ? "with" : "without") << " the bank";
    EXPECT_EQ(host.DirtyMarks(), 0) << "a new instance has no change to save";
    if (bank) {
      EXPECT_EQ(host.Text(kProgram, *host.Value(kProgram)), "1 Up Classic");
      EXPECT_EQ(host.Value(tagSteps), 4) << "the bank's first program";
      EXPECT_EQ(host.Value(tagGate), 70);
    }
  }
}

TEST(ClapHostTold, AStateLoadAsksForValuesAndTextsAtOnceAndCallsNothingStale) {
  claphost::Host source;
  ASSERT_TRUE(source.Create());
  source.SetParam(kProgram, 7);
  source.SetParam(tagGate, 33);
  source.SetParam(tagNumChains, 5);
  const auto saved = source.SaveState();
  ASSERT_TRUE(saved);
  for (const bool active : {false, true}) {
    claphost::Host host;
    host.noFactoryBank = false;
    ASSERT_TRUE(active ? host.Start() : host.Create());
    host.RunMainThreadCallbacks();
    host.ClearRecords();
    ASSERT_TRUE(host.LoadState(*saved));
    EXPECT_GE(host.RescanCalls(CLAP_PARAM_RESCAN_VALUES), 1) << "within the load, on the main thread";
    EXPECT_GE(host.RescanCalls(CLAP_PARAM_RESCAN_TEXT), 1) << "program names and the chain count came with it";
    host.RunMainThreadCallbacks();
    EXPECT_EQ(host.DirtyMarks(), 0) << "the host's own state is no change to save";
    EXPECT_EQ(host.Value(tagGate), 33);
  }
}

TEST(ClapHostTold, TheChainInForceKeepsOneRangeAndValuesAboveTheCountActAsTheLast) {
  for (const bool active : {false, true}) {
    for (const int count : {1, 4, 8, 16}) {
      claphost::Host host;
      ASSERT_TRUE(active ? host.Start() : host.Create());
      host.SetParam(tagNumChains, count);
      const auto info = host.Info(tagCurChain);
      ASSERT_TRUE(info);
      EXPECT_EQ(info->min_value, 0);
      EXPECT_EQ(info->max_value, 16) << count << " chains: the range a host keeps whatever the count";
      for (const int chain : {0, 1, 6, 12, 16}) {
        const int inForce = std::min(chain, count);
        host.SetParam(tagCurChain, chain);
        EXPECT_EQ(host.Value(tagCurChain), inForce) << count << " chains, chain " << chain << " written";
        EXPECT_EQ(host.Text(tagCurChain, chain), host.Text(tagCurChain, inForce)) << count << " chains";
      }
    }
  }
}

TEST(ClapHostTold, AnotherChainCountAsksTheHostToShowTheTextsAgain) {
  claphost::Host host;
  ASSERT_TRUE(host.Start(44100, 256));
  host.SetParam(tagCurChain, 6);
  host.RunMainThreadCallbacks();
  host.ClearRecords();
  const std::string sixth = host.Text(tagCurChain, 6);

  // Written inside a block: the count, then the same count again.
  host.ParamValue(tagNumChains, 4, 10);
  host.RunBlock();
  EXPECT_EQ(host.RescanCalls(CLAP_PARAM_RESCAN_TEXT), 0) << "rescans happen on the main thread only";
  host.RunMainThreadCallbacks();
  EXPECT_EQ(host.RescanCalls(CLAP_PARAM_RESCAN_TEXT), 1);
  EXPECT_EQ(host.RescanCalls(CLAP_PARAM_RESCAN_VALUES), 1) << "the chain in force moved to the last";
  EXPECT_EQ(host.Value(tagCurChain), 4);
  EXPECT_NE(host.Text(tagCurChain, 6), sixth);
  host.ParamValue(tagNumChains, 4, 10);
  host.RunBlock();
  host.RunMainThreadCallbacks();
  EXPECT_EQ(host.RescanCalls(CLAP_PARAM_RESCAN_TEXT), 1) << "an unchanged count changes no text";

  // Written through flush while inactive, on the main thread.
  host.Deactivate();
  host.SetParam(tagNumChains, 12);
  host.RunMainThreadCallbacks();
  EXPECT_EQ(host.RescanCalls(CLAP_PARAM_RESCAN_TEXT), 2);
  EXPECT_EQ(host.Text(tagCurChain, 6), sixth);
}

TEST(ClapHostTold, AProgramChosenInABlockIsReadAnewAndCallsNoStateStale) {
  claphost::Host host;
  ASSERT_TRUE(host.Start(44100, 256));
  host.RunBlock();
  host.RunMainThreadCallbacks();
  host.ClearRecords();
  host.Midi(0xC0, 11, 0, 100);  // a program change message on the input channel
  host.RunBlock();
  host.RunMainThreadCallbacks();
  EXPECT_EQ(host.Value(kProgram), 12);
  EXPECT_EQ(host.RescanCalls(CLAP_PARAM_RESCAN_VALUES), 1);
  EXPECT_EQ(host.DirtyMarks(), 0) << "the host's own message, played again with the song";
}

}  // namespace
