// The command line, parameter assignments and preset headers: what is accepted and how
// refusals read.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/ParamNames.h"
#include "tools/render/Options.h"
#include "tools/render/PluginSetup.h"
#include "tools/render/PresetFile.h"
#include "tools/render/ToolError.h"

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
                    "--keep-input", "--png", "r.png", "--list", "--json", "o.json", "--quiet", "in.mid", "out.mid"});
  EXPECT_EQ(o.pluginPath, "p.so");
  EXPECT_EQ(o.bankPath, "b.fxb");
  EXPECT_EQ(o.presetPath, "p.fxp");
  EXPECT_EQ(o.program, 64);
  EXPECT_EQ(o.assignments, (std::vector<std::string>{"Steps=8", "Sync=1/16"}));
  EXPECT_TRUE(o.freeRun && o.keepInput && o.list && o.quiet);
  EXPECT_DOUBLE_EQ(*o.tailSeconds, 1.5);
  EXPECT_EQ(o.sampleRate, 48000);
  EXPECT_EQ(o.blockSize, 64);
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
      {{"--list=yes", "a.mid", "b.mid"}, "takes no value"},
      {{"a.mid", "b.mid", "--bank"}, "needs a value"},
      {{"a.mid"}, "expected INPUT.mid and OUTPUT.mid"},
      {{"a.mid", "b.mid", "c.mid"}, "expected INPUT.mid and OUTPUT.mid"},
  };
  for (const auto& c : cases) EXPECT_NE(RefusalOf(c.args).find(c.says), std::string::npos) << RefusalOf(c.args);
  EXPECT_TRUE(ParseOptions({"--help"}).help);
}

TEST(ParamAssignment, ResolvesNamesTagsAndTexts) {
  const struct {
    const char* text;
    int tag;
    int value;
  } cases[] = {
      {"Steps=8", tagSteps, 8},        {"steps=8", tagSteps, 8},     {"Velocity_5=120", tagVelocity + 4, 120},
      {"212=5", tagSync, 5},           {"Sync=1/16", tagSync, 3},    {"Swing=-10", tagSwing, -10},
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
      {"Sync=1/17", "not a value of Sync"},    {"9999=1", "not a parameter tag"},
      {"CurChain=0", "outside the range of CurChain (1..16)"},
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

std::vector<uint8_t> PresetFile(const char* magic, const char* fxMagic, const char* id, size_t size) {
  std::vector<uint8_t> f(size, 0);
  std::memcpy(f.data(), magic, 4);
  if (size >= 12) std::memcpy(f.data() + 8, fxMagic, 4);
  if (size >= 20) std::memcpy(f.data() + 16, id, 4);
  return f;
}

TEST(PresetFile, ChecksHeadersAsThePluginDoes) {
  const struct {
    const char* name;
    std::vector<uint8_t> file;
    TPresetKind kind;
    const char* says;  // "" when accepted
    size_t chunkSize;
  } cases[] = {
      {"program file", PresetFile("CcnK", "FPCh", "Kq4v", 636), TPresetKind::program, "", 576},
      {"byte-reversed magic", PresetFile("KncC", "FPCh", "Kq4v", 636), TPresetKind::program, "", 576},
      {"bank file", PresetFile("CcnK", "FBCh", "Kq4v", 37024), TPresetKind::bank, "", 36864},
      {"longer file is cut at one program", PresetFile("CcnK", "FPCh", "Kq4v", 700), TPresetKind::program, "", 576},
      {"bare chunk", std::vector<uint8_t>(576, 8), TPresetKind::program, "", 576},
      {"empty", {}, TPresetKind::program, "is empty", 0},
      {"another plug-in", PresetFile("CcnK", "FPCh", "Abcd", 636), TPresetKind::program, "another plug-in (ID 'Abcd')", 0},
      {"parameter list", PresetFile("CcnK", "FxCk", "Kq4v", 636), TPresetKind::program, "type 'FxCk'", 0},
      {"bank as program", PresetFile("CcnK", "FBCh", "Kq4v", 37024), TPresetKind::program, "use --bank", 0},
      {"program as bank", PresetFile("CcnK", "FPCh", "Kq4v", 636), TPresetKind::bank, "use --preset", 0},
      {"header cut short", PresetFile("CcnK", "FPCh", "Kq4v", 40), TPresetKind::program, "shorter than its header", 0},
      {"header only", PresetFile("CcnK", "FPCh", "Kq4v", 60), TPresetKind::program, "no data after its header", 0},
  };
  for (const auto& c : cases) {
    TPresetImage image;
    std::string why;
    const bool ok = ExtractPreset(c.file, c.kind, image, why);
    if (*c.says == 0) {
      EXPECT_TRUE(ok) << c.name << ": " << why;
      EXPECT_EQ(image.chunk.size(), c.chunkSize) << c.name;
    } else {
      EXPECT_FALSE(ok) << c.name;
      EXPECT_NE(why.find(c.says), std::string::npos) << c.name << ": " << why;
    }
  }
}

TEST(PresetFile, TakesABanksCurrentProgramOnlyInRange) {
  for (const auto& [stored, expected] : {std::pair{5u, 5}, {63u, 63}, {70u, -1}, {0xFFFFFFFFu, -1}}) {
    std::vector<uint8_t> f = PresetFile("CcnK", "FBCh", "Kq4v", 37024);
    for (int i = 0; i < 4; ++i) f[28 + i] = static_cast<uint8_t>(stored >> (24 - 8 * i));
    TPresetImage image;
    std::string why;
    ASSERT_TRUE(ExtractPreset(f, TPresetKind::bank, image, why));
    EXPECT_EQ(image.currentProgram, expected) << stored;
  }
}

}  // namespace
