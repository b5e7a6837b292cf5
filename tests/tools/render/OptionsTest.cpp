// The command line and parameter assignments: what is accepted and how refusals read.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/ParamNames.h"
#include "tools/common/CommandText.h"
#include "tools/common/NoteSpelling.h"
#include "tools/common/ToolError.h"
#include "tools/render/Options.h"
#include "tools/render/PluginSetup.h"

namespace {

std::string RefusalOf(const std::vector<std::string>& args) {
  try {
    ParseOptions(args);
  } catch (const TToolError& e) {
    return e.what();
  }
  return "";
}

TEST(Options, ParsesEveryOption) {
  const TRenderOptions o =
      ParseOptions({"--plugin", "p.so", "--bank=b.fxb", "--preset", "p.fxp", "--program", "64", "--set", "Steps=8",
                    "--set=Sync=1/16", "--free-run", "--tail", "1.5", "--sample-rate", "48000", "--block-size", "64",
                    "--ppq", "1920", "--keep-input", "--png", "r.png", "--list", "--json", "o.json", "--quiet", "in.mid",
                    "out.mid"});
  EXPECT_EQ(o.pluginPath, "p.so");
  EXPECT_EQ(o.bankPath, "b.fxb");
  EXPECT_EQ(o.presetPath, "p.fxp");
  EXPECT_EQ(o.program, 64);
  EXPECT_EQ(o.assignments, (std::vector<std::string>{"Steps=8", "Sync=1/16"}));
  EXPECT_TRUE(o.freeRun && o.keepInput && o.list && o.quiet);
  EXPECT_DOUBLE_EQ(*o.tailSeconds, 1.5);
  EXPECT_EQ(o.sampleRate, 48000);
  EXPECT_EQ(o.blockSize, 64);
  EXPECT_EQ(o.ppq, 1920);
  EXPECT_EQ(o.pngPath, "r.png");
  EXPECT_EQ(o.jsonPath, "o.json");
  EXPECT_EQ(o.inputPath, "in.mid");
  EXPECT_EQ(o.outputPath, "out.mid");
}

TEST(Options, RefusesBadCommandLines) {
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"--frobnicate", "a.mid", "b.mid"}, "unknown option '--frobnicate'"},
      {{"--program", "0", "a.mid", "b.mid"}, "out of range 1..64"},
      {{"--program", "65", "a.mid", "b.mid"}, "out of range 1..64"},
      {{"--program", "two", "a.mid", "b.mid"}, "not a whole number"},
      {{"--block-size", "0", "a.mid", "b.mid"}, "out of range"},
      {{"--tail", "-1", "a.mid", "b.mid"}, "out of range"},
      {{"--tail", "nan", "a.mid", "b.mid"}, "not a number of seconds"},
      {{"--ppq", "0", "a.mid", "b.mid"}, "out of range 1..32767"},
      {{"--ppq", "32768", "a.mid", "b.mid"}, "out of range 1..32767"},
      {{"--list=yes", "a.mid", "b.mid"}, "takes no value"},
      {{"a.mid", "b.mid", "--bank"}, "needs a value"},
      {{"a.mid"}, "expected INPUT.mid and OUTPUT.mid"},
      {{"a.mid", "b.mid", "c.mid"}, "expected INPUT.mid and OUTPUT.mid"},
  };
  for (const auto& c : cases) EXPECT_NE(RefusalOf(c.args).find(c.says), std::string::npos) << RefusalOf(c.args);
  EXPECT_TRUE(ParseOptions({"--help"}).help);
  EXPECT_TRUE(ParseOptions({"--version", "--bogus"}).version);
}

TEST(ParamAssignment, ResolvesNamesTagsAndTexts) {
  const struct {
    const char* text;
    int tag;
    int value;
  } cases[] = {
      {"Steps=8", tagSteps, 8},        {"steps=8", tagSteps, 8},     {"Velocity_5=120", tagVelocity + 4, 120},
      {"212=5", tagSync, 5},           {"Sync=1/16", tagSync, 3},    {"Swing=-10", tagSwing, -10},
      // The forms of the factory bank's sources.
      {"Gate=50%", tagGate, 50},       {"Swing=-20%", tagSwing, -20}, {"Latch=on", tagLatch, 1},
      {"LockPage=off", tagLockPage, 0}, {"MTransp_semi=+3", tagMTransp_semi, 3},
      {"SortOrder=BY PITCH", tagSortOrder, 2}, {"InRange_Low=C5", tagInRange_Low, 60},
      // Texts in any case, and notes in either spelling.
      {"Latch=On", tagLatch, 1},       {"Latch=OFF", tagLatch, 0},   {"Step_mode_1=tie", tagStep_mode, 3},
      {"ForceScale=MAJOR", tagForceScale, 1}, {"Fixed_key=D#5", tagFixed_key, 63},
      {"Fixed_key=eb5", tagFixed_key, 63}, {"InRange_High=A#4", tagInRange_High, 58},
      {"OutRange_Low=bb4", tagOutRange_Low, 58}, {"ForceScale_Key=A#", tagForceScale_Key, 11},
      {"ForceScale_Key=db", tagForceScale_Key, 2},
      // Texts in any spacing, with or without their final full stop, around the "=" too.
      {"SortOrder=by pitch, desc", tagSortOrder, 3}, {"SortOrder=by velocity, desc.", tagSortOrder, 5},
      {" SortOrder = By  Pitch,Desc. ", tagSortOrder, 3}, {"Missing_key=cyclic,+1 oct", tagMissing_key, 2},
      {"InQuantize=2steps", tagInQuantize, 2},
  };
  for (const auto& c : cases) {
    const TParamAssignment a = ParseAssignment(c.text);
    EXPECT_EQ(a.tag, c.tag) << c.text;
    EXPECT_EQ(a.value, c.value) << c.text;
    const float expected = static_cast<float>(c.value - CParamMin[c.tag]) / (CParamMax[c.tag] - CParamMin[c.tag]);
    EXPECT_FLOAT_EQ(a.normalized, expected) << c.text;
  }
}

TEST(ParamAssignment, RefusesWhatIsNotAParameterValue) {
  const struct {
    const char* text;
    const char* says;
  } cases[] = {
      {"Steps", "expected NAME=VALUE"},       {"=8", "expected NAME=VALUE"},
      {"Steps=", "expected NAME=VALUE"},      {"Stepz=8", "unknown parameter 'Stepz'"},
      {"Steps=65", "outside the range of Steps (1..64)"}, {"Steps=0", "outside the range"},
      {"Sync=1/17", "unknown value \"1/17\" for Sync (1/48 | 1/32"},    {"9999=1", "not a parameter tag"},
      {"CurChain=17", "outside the range of CurChain (0..16)"}, {"Gate=150%", "Gate 150% is outside 1 .. 100"},
      {" = 8", "expected NAME=VALUE"},        {"Steps = ", "expected NAME=VALUE"},
      {"Steps=on", "unknown value \"on\" for Steps (see --list-params)"},
      {"Fixed_key=H5", "unknown value \"H5\" for Fixed_key"}, {"Fixed_key=G#10", "unknown value"},
      {"ForceScale_Key=A#4", "unknown value"},
  };
  for (const auto& c : cases) {
    try {
      ParseAssignment(c.text);
      ADD_FAILURE() << c.text << " was accepted";
    } catch (const TToolError& e) {
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
}

// Every value's own text, in the editor's spelling and squeezed or spaced out, sets that value
// and no other: no two texts of one setting differ only by case, spacing or a full stop.
TEST(ParamAssignment, EveryTextOfEverySettingSetsItsOwnValue) {
  for (int tag = 0; tag < kNumParams; ++tag) {
    const std::string name = CatalogueName(tag);
    if (!IsDefinedTag(tag) || name.empty()) continue;
    const auto [lo, hi] = AssignableRange(tag);
    for (int v = lo; v <= hi; ++v) {
      const std::string text = ValueText(tag, v);
      std::string squeezed;
      for (char ch : text)
        if (ch != ' ') squeezed += ch;
      for (const std::string& written : {text, squeezed, " " + text + " "}) {
        try {
          ASSERT_EQ(ParseAssignment(name + "=" + written).value, v) << name << "=" << written;
        } catch (const TToolError& e) {
          FAIL() << name << "=" << written << ": " << e.what();
        }
      }
    }
  }
}

TEST(ParamAssignment, CurChainTakesNoChainAsHostsDo) {
  EXPECT_EQ(ParseAssignment("CurChain=0").value, 0);
  EXPECT_EQ(ParseAssignment("CurChain=---").value, 0);
  EXPECT_EQ(AssignableRange(tagCurChain), (std::pair<int, int>{0, 16}));
}

TEST(CommandText, ListsAndWords) {
  EXPECT_EQ(ListItems("C5, E5 ,G5"), (std::vector<std::string>{"C5", "E5", "G5"}));
  EXPECT_EQ(ListItems(" 60 "), std::vector<std::string>{"60"});
  EXPECT_EQ(ListItems("C5,,G5"), (std::vector<std::string>{"C5", "", "G5"}));
  EXPECT_TRUE(SameWords("by velocity, desc", "By Velocity,Desc."));
  EXPECT_FALSE(SameWords("cyclic, +1 oct.", "cyclic, -1 oct."));
  EXPECT_FALSE(SameWords("by pitch", "by pitch, desc."));
}

TEST(NoteSpelling, EitherSpellingInAnyCaseInsideTheMidiRange) {
  const struct {
    const char* text;
    std::optional<int> note, key;  // with its octave; without
  } cases[] = {
      {"C5", 60, {}},      {"c5", 60, {}},     {"D#5", 63, {}},    {"Eb5", 63, {}},    {"EB5", 63, {}},
      {"bb4", 58, {}},     {"A#4", 58, {}},    {"B#4", 60, {}},    {"Cb5", 59, {}},    {"C0", 0, {}},
      {"G10", 127, {}},    {"G#10", {}, {}},   {"Cb0", {}, {}},    {"C-1", {}, {}},    {"C100", {}, {}},
      {"Bb", {}, 10},      {"a#", {}, 10},     {"Cb", {}, 11},     {"B#", {}, 0},      {"H5", {}, {}},
      {"C##5", {}, {}},    {"", {}, {}},       {"5", {}, {}},      {"Fix", {}, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseNoteName(c.text), c.note) << c.text;
    EXPECT_EQ(ParsePitchClass(c.text), c.key) << c.text;
  }
  EXPECT_TRUE(SameNote("Eb5", "d#5"));
  EXPECT_TRUE(SameNote("Bb", "A#"));
  EXPECT_FALSE(SameNote("Bb4", "A#"));  // a note is not a key without octave
  EXPECT_FALSE(SameNote("Nrm", "Nrm"));
}

}  // namespace
