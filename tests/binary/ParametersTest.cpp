// Programs and parameters as the host reads and writes them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "hosts/vst2/Host.h"

using vst2host::Host;

TEST(Programs, NumberRules) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  EXPECT_EQ(h.Program(), -1) << "no program is current before the first selection";
  h.SetProgram(5);
  EXPECT_EQ(h.Program(), 5);

  // Out of range, including numbers that would wrap into range if narrowed carelessly.
  const VstIntPtr ignored[] = {64, -1, 1000, std::numeric_limits<VstInt32>::min(),
                               (VstIntPtr{1} << 32) + 3, -(VstIntPtr{1} << 32) + 3};
  for (VstIntPtr n : ignored) {
    h.SetProgram(n);
    EXPECT_EQ(h.Program(), 5) << "effSetProgram " << n;
  }
  h.SetProgram(63);
  EXPECT_EQ(h.Program(), 63);
  h.SetProgram(0);
  EXPECT_EQ(h.Program(), 0);
}

TEST(Programs, Names) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  EXPECT_EQ(h.ProgramNameIndexed(5), "Program 6");
  EXPECT_EQ(h.ProgramNameIndexed(63), "Program 64");
  EXPECT_EQ(h.ProgramName(), "") << "no current program yet";

  h.SetProgram(3);
  EXPECT_EQ(h.ProgramName(), "Program 4");
  char name[] = "Lead Arp";
  h.Dispatch(effSetProgramName, 0, 0, name);
  EXPECT_EQ(h.ProgramName(), "Lead Arp");
  EXPECT_EQ(h.ProgramNameIndexed(3), "Lead Arp");
  EXPECT_EQ(h.ProgramNameIndexed(4), "Program 5");

  // A long name keeps 48 characters; a host text without a terminating zero is read no
  // further than 255 bytes.
  std::string longName(60, 'x');
  h.Dispatch(effSetProgramName, 0, 0, longName.data());
  EXPECT_EQ(h.ProgramName(), std::string(48, 'x'));
  std::vector<char> unterminated(255, 'A');
  h.Dispatch(effSetProgramName, 0, 0, unterminated.data());
  EXPECT_EQ(h.ProgramName(), std::string(48, 'A'));
}

TEST(Programs, NameIndexOutOfRangeGivesEmptyText) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  for (VstInt32 index : {64, -1, 1000, std::numeric_limits<VstInt32>::max()}) {
    char buffer[80];
    std::memset(buffer, 'q', sizeof buffer);
    EXPECT_EQ(h.Dispatch(effGetProgramNameIndexed, index, 0, buffer), 0) << index;
    EXPECT_EQ(buffer[0], 0) << index;
  }
}

TEST(Parameters, HostWritesRoundToNearestEven) {
  struct Case {
    VstInt32 tag;
    float x;
    const char* display;
    const char* why;
  };
  const Case cases[] = {
      {210, 0.5f, "32", "Steps: 0.5 * 63 + 1 = 32.5 rounds to even"},
      {210, 0.0f, "1", "Steps minimum"},
      {210, 1.0f, "64", "Steps maximum"},
      {212, 1.0f, "3/8", "Sync maximum, shown as the editor shows it"},
      {225, 0.5f, "0", "Swing -50..50 middle"},
      {225, 0.0f, "-50", "Swing minimum"},
      {256, 0.0f, "-12", "Semitone of step 1, negative display"},
      {575, 1.0f, "127", "Velocity of step 64"},
      {221, 0.25f, "-2 oct", "MTransp_oct: 0.25 * 6 - 3 = -1.5 rounds to even"},
      {211, 7.0f, "100", "above 1.0 is brought into range"},
  };
  for (const Case& c : cases) {
    Host h;
    ASSERT_NE(h.Load(), nullptr);
    h.SetProgram(0);
    h.SetParam(c.tag, c.x);
    EXPECT_EQ(h.ParamDisplay(c.tag), c.display) << c.why;
  }
}

TEST(Parameters, HostReadsNormalise) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  h.SetProgram(0);
  h.SetParam(212, 1.0f);
  EXPECT_EQ(h.GetParam(212), 1.0f);
  EXPECT_FLOAT_EQ(h.GetParam(211), 1.0f) << "Gate default 100 of 1..100";
  EXPECT_FLOAT_EQ(h.GetParam(575), 96.0f / 127.0f) << "Velocity default";
  EXPECT_FLOAT_EQ(h.GetParam(256), 0.5f) << "Semitone default 0 of -12..12";

  // Tags whose minimum equals their maximum, and indexes outside the catalogue.
  for (VstInt32 tag : {5, 6, 100, 199, 255, 576, -1, 100000, std::numeric_limits<VstInt32>::min()})
    EXPECT_EQ(h.GetParam(tag), 0.0f) << tag;
}

TEST(Parameters, EveryTagReadsWithinZeroToOne) {
  for (bool selected : {false, true}) {
    Host h;
    ASSERT_NE(h.Load(), nullptr);
    if (selected) h.SetProgram(7);
    for (VstInt32 tag = 0; tag < 576; ++tag) {
      float v = h.GetParam(tag);
      EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << "tag " << tag << " reads " << v;
    }
  }
}

TEST(Parameters, IgnoredWrites) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  h.SetProgram(0);
  const std::vector<uint8_t> before = h.GetChunk(false);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();  // +Inf stores the maximum
  for (float x : {-0.1f, -1.0f, nan, -inf}) h.SetParam(210, x);
  for (VstInt32 tag : {576, -1, 1000, std::numeric_limits<VstInt32>::min()}) h.SetParam(tag, 0.5f);
  EXPECT_EQ(h.GetChunk(false), before);
}

TEST(Parameters, CurChainFollowsNumChains) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  h.SetProgram(0);
  // The host reads and writes the chain in force over 0..NumChains, "none" included.
  struct Case {
    float x;
    const char* display;
  };
  for (const Case& c : {Case{0.0f, "---"}, Case{0.125f, "1"}, Case{0.5f, "4"}, Case{1.0f, "8"}}) {
    h.SetParam(tagCurChain, c.x);
    EXPECT_EQ(h.ParamDisplay(tagCurChain), c.display) << c.x;
    EXPECT_FLOAT_EQ(h.GetParam(tagCurChain), c.x) << c.x;
  }

  h.SetParam(tagNumChains, 1.0f);  // 16 chains
  h.SetParam(tagCurChain, 1.0f);
  EXPECT_EQ(h.ParamDisplay(tagCurChain), "16");
  h.SetParam(tagCurChain, 6.0f / 16.0f);
  h.SetParam(tagNumChains, 2.0f / 15.0f);  // 3 chains: chain 6 is no longer in use
  EXPECT_EQ(h.ParamDisplay(tagCurChain), "3") << "the last chain in use is in force";
  EXPECT_FLOAT_EQ(h.GetParam(tagCurChain), 1.0f);
}

// A host that restores a session and then writes back every value it read (Qtractor does)
// must change nothing: for every tag and every value it can hold, setParameter(i, getParameter(i))
// over all 576 tags leaves every setting as it was. Round k gives each tag the value
// min + k modulo its range, every chain count and chain in force among them.
TEST(Parameters, EveryValueOfEveryTagSurvivesTheHostsRoundTrip) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  h.SetProgram(5);
  const auto reads = [&h] {
    std::vector<float> x(576);
    for (VstInt32 tag = 0; tag < 576; ++tag) x[static_cast<size_t>(tag)] = h.GetParam(tag);
    return x;
  };
  for (int k = 0; k < 16 * 17; ++k) {
    const int chains = 1 + k % 16;
    std::vector<uint8_t> record(576);
    for (int tag = 0; tag < 576; ++tag) {
      int value = (tag * 7 + k) & 0x7F;  // undefined tags and the name's characters: any byte
      if (IsDefinedTag(tag)) {
        const int lo = CParamMin[tag], hi = tag == tagFormatVersion ? 127 : CParamMax[tag];
        value = lo + k % (hi - lo + 1);
      }
      if (tag == tagNumChains) value = chains;
      if (tag == tagCurChain) value = k / 16 % (chains + 1);
      record[static_cast<size_t>(tag)] = static_cast<uint8_t>(value);
    }
    std::vector<uint8_t> bank;
    for (int program = 0; program < 64; ++program) bank.insert(bank.end(), record.begin(), record.end());
    ASSERT_EQ(h.SetChunk(bank, false), 36864);

    const std::vector<uint8_t> chunk = h.GetChunk(false);
    const std::vector<float> read = reads();
    for (VstInt32 tag = 0; tag < 576; ++tag) h.SetParam(tag, read[static_cast<size_t>(tag)]);
    const std::vector<float> after = reads();
    for (VstInt32 tag = 0; tag < 576; ++tag)
      ASSERT_EQ(after[static_cast<size_t>(tag)], read[static_cast<size_t>(tag)])
          << "tag " << tag << " holding " << int{static_cast<int8_t>(record[static_cast<size_t>(tag)])} << " with "
          << chains << " chains";
    ASSERT_EQ(h.GetChunk(false), chunk) << "round " << k;
    ASSERT_EQ(h.Program(), 5);
  }
}

// A host listing the parameters before the editor has ever opened (a generic parameter view,
// an automation lane) sees the names and the texts the editor shows.
TEST(Parameters, NamesDisplaysAndLabels) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  struct Case {
    VstInt32 tag;
    const char* name;
    const char* display;
  };
  const Case cases[] = {
      {tagSync, "Sync", "1/16"},           {tagGate, "Gate", "100"},
      {tagMIDIIn_Ch, "MIDIIn_Ch", "all"},  {tagCurChain, "CurChain", "---"},
      {tagSendVolume, "SendVolume", "---"}, {tagChainProg + 5, "ChainProg_6", "-"},
      {tagFixed_key, "Fixed_key", "E5"},   {tagMTransp_semi, "MTransp_semi", "none"},
      {300, "Semitone_45", "0"},           {tagKey_select + 2, "Key_select_3", "k1"},
      {575, "Velocity_64", "96"},          {tagSelectedBar, "SelectedBar", "2"},
      {tagPatternShift, "PatternShift", "0"},
      // Tags no control shows keep their numbers.
      {tagFormatVersion, "Param0", "8"},   {tagCurProgram, "Param8", "0"},
      {tagChainInit, "Param80", "1"},      {tagSelectedPage, "Param231", "0"},
      {5, "Param5", "0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(h.ParamName(c.tag), c.name) << c.tag;
    EXPECT_EQ(h.ParamDisplay(c.tag), c.display) << c.tag;
  }

  h.SetProgram(0);
  char name[] = "Bass";
  h.Dispatch(effSetProgramName, 0, 0, name);
  EXPECT_EQ(h.ParamDisplay(150), "4") << "the program-name slot shows the name's length";

  // Out of range: an empty text, nothing read outside the tables.
  for (VstInt32 tag : {576, -1, 100000, std::numeric_limits<VstInt32>::min()}) {
    EXPECT_EQ(h.Text(effGetParamName, tag, 0, 'q'), "") << tag;
    EXPECT_EQ(h.Text(effGetParamDisplay, tag, 0, 'q'), "") << tag;
  }
  // No unit: the label leaves the host's buffer as it was.
  EXPECT_EQ(h.Text(effGetParamLabel, 211, 0, 'q'), std::string(1023, 'q'));
}

TEST(Parameters, OnlyTagsBelow256CanBeAutomated) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  struct Case {
    VstInt32 tag;
    VstIntPtr answer;
  };
  for (const Case& c : {Case{0, 1}, Case{211, 1}, Case{255, 1}, Case{256, 0}, Case{575, 0}, Case{576, 0},
                        Case{-1, 0}})
    EXPECT_EQ(h.Dispatch(effCanBeAutomated, c.tag), c.answer) << c.tag;
}

TEST(Parameters, HostWritesAreNotReportedBack) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  h.SetProgram(0);
  h.ClearRecords();
  h.SetParam(211, 0.5f);
  h.SetParam(300, 0.5f);
  EXPECT_TRUE(h.Automations().empty()) << "only editor changes are automation";
}

TEST(HostVersion, WantMidiOnSuspendAndResumeForOlderHosts) {
  struct Case {
    VstInt32 version;
    bool wants;
  };
  const Case cases[] = {{1, false},    {1999, false}, {2000, true},  {2100, true},
                        {2399, true},  {2400, false}, {2500, false}, {-5, false}};
  for (const Case& c : cases) {
    Host h(c.version);
    ASSERT_NE(h.Load(), nullptr);
    h.Dispatch(effMainsChanged, 0, 1);
    h.Dispatch(effMainsChanged, 0, 0);
    h.Dispatch(effMainsChanged, 0, 7);  // any non-zero value resumes
    std::vector<VstIntPtr> expected;
    if (c.wants) expected = {1, 0, 1};
    EXPECT_EQ(h.WantMidiValues(), expected) << "host version " << c.version;
  }
}
