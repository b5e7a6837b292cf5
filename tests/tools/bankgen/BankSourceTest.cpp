// The factory bank's source format: what a file may say, what it must not, and how sources
// that clash with each other are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/EngineProbe.h"
#include "engine/PlugCore.h"
#include "tools/bankgen/BankBuilder.h"
#include "tools/bankgen/BankSource.h"

namespace {

const std::string kHeader = "# What it is for.\n";

std::map<int, int> ValuesOf(const TSource& s) {
  std::map<int, int> values;
  for (const auto& setting : s.settings) values[setting.tag] = setting.value;
  return values;
}

struct GoodCase {
  const char* guards;
  const char* file;
  std::string text;
  std::map<int, int> expected;  // tag -> value; other tags are not set
};

TEST(SourceFormat, ReadsSettingsAsTheEditorShowsThem) {
  const GoodCase cases[] = {
      {"list texts", "01-a.txt",
       kHeader + "name: A\nSync = 1/16\nSortOrder = by pitch, desc.\nMissing_key = cyclic, +1 oct.\n"
                 "RestartOnKey = key\nInQuantize = 1 beat\n",
       {{tagSync, 3}, {tagSortOrder, 3}, {tagMissing_key, 2}, {tagRestartOnKey, 1}, {tagInQuantize, 5}}},
      {"three-part rates and the last texts of their lists", "02-a.txt",
       kHeader + "name: A\nSync = 3/8\nSortOrder = chord, as played\nMissing_key = fixed key, -1 oct.\n",
       {{tagSync, 11}, {tagSortOrder, 7}, {tagMissing_key, 12}}},
      {"note names, sharps and flats", "03-a.txt",
       kHeader + "name: A\nInRange_Low = C4\nInRange_High = G#9\nFixed_key = Eb3\nOutRange_Low = C0\n",
       {{tagInRange_Low, 48}, {tagInRange_High, 116}, {tagFixed_key, 39}, {tagOutRange_Low, 0}}},
      {"scale key and scale", "04-a.txt", kHeader + "name: A\nForceScale_Key = Bb\nForceScale = minor harmonic\n",
       {{tagForceScale_Key, 11}, {tagForceScale, 4}}},
      {"percent with or without the sign, signed numbers", "05-a.txt",
       kHeader + "name: A\nGate = 75%\nSwing = -20%\nSteps = 12\n", {{tagGate, 75}, {tagSwing, -20}, {tagSteps, 12}}},
      {"transpose texts", "06-a.txt", kHeader + "name: A\nMTransp_oct = -1 oct\nMTransp_semi = +3\n",
       {{tagMTransp_oct, -1}, {tagMTransp_semi, 3}}},
      {"transpose none", "07-a.txt", kHeader + "name: A\nMTransp_oct = none\nMTransp_semi = none\nGate = 5\n",
       {{tagMTransp_oct, 0}, {tagMTransp_semi, 0}, {tagGate, 5}}},
      {"check boxes as on/off and as numbers", "08-a.txt",
       kHeader + "name: A\nLatch = on\nFollowChord = 1\nScroll = off\nLockPage = 0\n",
       {{tagLatch, 1}, {tagFollowChord, 1}, {tagScroll, 0}, {tagLockPage, 0}}},
      {"step rows from step 1, bars ignored", "09-a.txt",
       kHeader + "name: A\nStep_mode: Nrm Rst | Tie Off\nKey_select: Fix k1 k5 Chr\nSemitone: +7 -12 0\n",
       {{tagStep_mode + 0, 1}, {tagStep_mode + 1, 2}, {tagStep_mode + 2, 3}, {tagStep_mode + 3, 0},
        {tagKey_select + 0, 0}, {tagKey_select + 1, 1}, {tagKey_select + 2, 5}, {tagKey_select + 3, 6},
        {tagSemitone + 0, 7}, {tagSemitone + 1, -12}, {tagSemitone + 2, 0}}},
      {"a row from a later step, a single step by its catalogue name", "10-a.txt",
       kHeader + "name: A\nSteps = 32\nVelocity 17: 127 1\nOctave_32 = -2\n",
       {{tagSteps, 32}, {tagVelocity + 16, 127}, {tagVelocity + 17, 1}, {tagOctave + 31, -2}}},
      {"comments and blank lines between settings, CRLF line ends", "11-a.txt",
       kHeader + "\r\n# more\r\nname: A\r\n\r\n# why\r\nGate = 50\r\n", {{tagGate, 50}}},
      {"a chain with an empty slot and its messages", "chain-2.txt",
       kHeader + "ChainProg: 3 - 5\nSendVolume = ---\nSendPatchNum = 10\n",
       {{tagChainProg, 3}, {tagChainProg + 1, 0}, {tagChainProg + 2, 5}, {tagSendVolume, -1}, {tagSendPatchNum, 10}}},
  };
  for (const auto& c : cases) {
    TSource source;
    TSourceError error;
    ASSERT_TRUE(ParseSource(c.file, c.text, source, error)) << c.guards << ": " << error.Text();
    EXPECT_EQ(ValuesOf(source), c.expected) << c.guards;
  }
}

TEST(SourceFormat, TheFileNameGivesKindAndNumber) {
  TSource source;
  TSourceError error;
  ASSERT_TRUE(ParseSource("data/factory/07-chord-stabs.txt", kHeader + "name: Chord Stabs\n", source, error));
  EXPECT_EQ(source.kind, TSourceKind::Program);
  EXPECT_EQ(source.number, 7);
  EXPECT_EQ(source.name, "Chord Stabs");
  EXPECT_EQ(source.nameLine, 2);
  ASSERT_TRUE(ParseSource("C:\\bank\\chain-8.txt", kHeader + "ChainProg: 1\n", source, error));
  EXPECT_EQ(source.kind, TSourceKind::Chain);
  EXPECT_EQ(source.number, 8);
  const std::string longest(kNameChars, 'x');
  ASSERT_TRUE(ParseSource("64-last.txt", kHeader + "name: " + longest + "\n", source, error)) << error.Text();
  EXPECT_EQ(source.name, longest);
}

struct BadCase {
  const char* guards;
  const char* file;
  std::string text;
  int line;
  const char* message;  // a part of the message
};

TEST(SourceFormat, RefusesFaultsWithTheLineAndTheReason) {
  const std::string ok = kHeader + "name: A\n";  // lines 1 and 2
  const BadCase cases[] = {
      {"file name without number", "up.txt", ok, 0, "name the file NN-name.txt"},
      {"program 0", "00-a.txt", ok, 0, "name the file"},
      {"program 65", "65-a.txt", ok, 0, "name the file"},
      {"file name with a blank", "01-a b.txt", ok, 0, "name the file"},
      {"other extension", "01-a.md", ok, 0, "name the file"},
      {"chain beyond those in use", "chain-9.txt", kHeader + "ChainProg: 1\n", 0, "name the file"},
      {"chain 0", "chain-0.txt", kHeader + "ChainProg: 1\n", 0, "name the file"},
      {"no header comment", "01-a.txt", "name: A\n", 1, "start the file with a comment"},
      {"unknown setting", "01-a.txt", ok + "Synk = 1/16\n", 3, "unknown setting \"Synk\""},
      {"setting names are case-sensitive", "01-a.txt", ok + "sync = 1/16\n", 3, "unknown setting \"sync\""},
      {"unknown text, with the list", "01-a.txt", ok + "Sync = 1/15\n", 3, "unknown value \"1/15\" for Sync (1/48 | 1/32"},
      {"a number where the editor shows a text", "01-a.txt", ok + "Sync = 3\n", 3, "write Sync 3 as \"1/16\""},
      {"a number where the editor shows a note", "01-a.txt", ok + "InRange_Low = 60\n", 3, "as \"C5\""},
      {"unsigned transpose", "01-a.txt", ok + "MTransp_semi = 3\n", 3, "as \"+3\""},
      {"unknown note name", "01-a.txt", ok + "Fixed_key = H4\n", 3, "unknown value \"H4\" for Fixed_key"},
      {"above the range", "01-a.txt", ok + "Steps = 65\n", 3, "Steps 65 is outside 1 .. 64"},
      {"below the range", "01-a.txt", ok + "Gate = 0%\n", 3, "Gate 0% is outside 1 .. 100"},
      {"swing beyond 50", "01-a.txt", ok + "Swing = 51\n", 3, "outside -50 .. 50"},
      {"velocity beyond 127", "01-a.txt", ok + "Velocity: 100 128\n", 3, "Velocity_2 128 is outside 0 .. 127"},
      {"number too large for any integer", "01-a.txt", ok + "Steps = 99999999999999999999\n", 3, "unknown value"},
      {"double sign", "01-a.txt", ok + "Semitone: +-5\n", 3, "unknown value \"+-5\""},
      {"percent where there is no percent", "01-a.txt", ok + "Steps = 8%\n", 3, "unknown value \"8%\""},
      {"unknown step text", "01-a.txt", ok + "Step_mode: Nrm Hold\n", 3, "unknown value \"Hold\" for Step_mode_2"},
      {"a global", "01-a.txt", ok + "MIDIOut_Ch = 2\n", 3, "MIDIOut_Ch is a global setting"},
      {"the chain in force is a global", "chain-1.txt", kHeader + "CurChain = 1\nChainProg: 1\n", 2, "global setting"},
      {"ChainInit", "chain-1.txt", kHeader + "ChainInit = 1\n", 2, "ChainInit is written by the generator"},
      {"a chain slot in a program", "01-a.txt", ok + "ChainProg_1 = 3\n", 3, "belongs in a chain file"},
      {"a chain row in a program", "01-a.txt", ok + "ChainProg: 3\n", 3, "belongs in a chain file"},
      {"a program setting in a chain", "chain-1.txt", kHeader + "Steps = 8\n", 2, "belongs in a program file"},
      {"a step row in a chain", "chain-1.txt", kHeader + "Velocity: 8\n", 2, "belongs in a program file"},
      {"the name's length byte", "01-a.txt", ok + "ProgName = 3\n", 3, "\"name: ...\""},
      {"pattern rotation", "01-a.txt", ok + "PatternShift = 1\n", 3, "PatternShift rotates"},
      {"a setting twice", "01-a.txt", ok + "Steps = 8\nSteps = 8\n", 4, "Steps is already set on line 3"},
      {"a step set by a row and again by name", "01-a.txt", ok + "Velocity: 1 2\nVelocity_2 = 3\n", 4,
       "Velocity_2 is already set on line 3"},
      {"overlapping rows", "01-a.txt", ok + "Steps = 32\nOctave: 0 0\nOctave 2: 1\n", 5, "Octave_2 is already set"},
      {"a row longer than the pattern store", "01-a.txt", ok + "Steps = 64\nVelocity 60: 1 2 3 4 5 6\n", 4,
       "Velocity has only 64 steps"},
      {"a row from step 0", "01-a.txt", ok + "Velocity 0: 1\n", 3, "first step must be 1..64"},
      {"a row from step 65", "01-a.txt", ok + "Velocity 65: 1\n", 3, "first step must be 1..64"},
      {"a row without values", "01-a.txt", ok + "Velocity: |\n", 3, "Velocity row without values"},
      {"misspelt row", "01-a.txt", ok + "Velocty: 1\n", 3, "unknown row \"Velocty\""},
      {"more than nine slots", "chain-1.txt", kHeader + "ChainProg: 1 2 3 4 5 6 7 8 9\n", 2, "has only 8 slots"},
      {"steps beyond the pattern", "01-a.txt", ok + "Velocity: 1 2 3 4 5\nSteps = 4\n", 3,
       "Velocity_5 lies beyond the pattern's 4 steps"},
      {"steps beyond the default length", "01-a.txt", ok + "Velocity 17: 1\n", 3, "beyond the pattern's 16 steps"},
      {"no name", "01-a.txt", kHeader + "Steps = 8\n", 0, "no \"name: ...\" line"},
      {"two names", "01-a.txt", ok + "name: B\n", 3, "the name is already given on line 2"},
      {"empty name", "01-a.txt", kHeader + "name:\n", 2, "the name is empty"},
      {"name too long", "01-a.txt", kHeader + "name: " + std::string(kNameChars + 1, 'x') + "\n", 2, "at most 48 fit"},
      {"name beyond ASCII", "01-a.txt", kHeader + "name: Caf\xc3\xa9\n", 2, "plain ASCII"},
      {"a chain with a name", "chain-1.txt", kHeader + "name: A\n", 2, "a chain has no name"},
      {"a chain of empty slots", "chain-1.txt", kHeader + "ChainProg: - -\n", 0, "the chain names no program"},
      {"a line that is neither", "01-a.txt", ok + "Steps 8\n", 3, "expected \"Setting = value\""},
      {"a setting without value", "01-a.txt", ok + "Steps =\n", 3, "Steps has no value"},
  };
  for (const auto& c : cases) {
    TSource source;
    TSourceError error;
    EXPECT_FALSE(ParseSource(c.file, c.text, source, error)) << c.guards;
    EXPECT_EQ(error.path, c.file) << c.guards;
    EXPECT_EQ(error.line, c.line) << c.guards << ": " << error.Text();
    EXPECT_NE(error.message.find(c.message), std::string::npos) << c.guards << ": " << error.Text();
  }
}

TEST(SourceFormat, ErrorTextIsOneLineNamingFileAndLine) {
  TSource source;
  TSourceError error;
  ASSERT_FALSE(ParseSource("data/factory/01-a.txt", kHeader + "name: A\nSy\rnc\x01 = 1\n", source, error));
  EXPECT_EQ(error.Text(), "data/factory/01-a.txt:3: unknown setting \"Sy?nc?\"");
  ASSERT_FALSE(ParseSource("data/factory/01-a.txt", kHeader, source, error));
  EXPECT_EQ(error.Text(), "data/factory/01-a.txt: no \"name: ...\" line");
}

TEST(SourceFormat, AnyBytesGiveASourceOrAnErrorNeverACrash) {
  const std::string good = kHeader + "name: Fuzz\nSteps = 8\nSync = 3/16\nKey_select: k1 k2 | Chr Fix\n"
                                     "Velocity: 100 +5 0 127\nForceScale_Key = C#\n";
  std::mt19937 random(1234);
  auto check = [](const std::string& text) {
    TSource source;
    TSourceError error;
    if (ParseSource("01-fuzz.txt", text, source, error)) {
      for (const auto& s : source.settings) {
        EXPECT_TRUE(IsDefinedTag(s.tag));
        EXPECT_GE(s.value, CParamMin[s.tag]);
        EXPECT_LE(s.value, CParamMax[s.tag]);
      }
    } else {
      EXPECT_GE(error.line, 0);
      EXPECT_EQ(error.Text().find('\n'), std::string::npos);
    }
  };
  for (size_t cut = 0; cut <= good.size(); ++cut) check(good.substr(0, cut));
  for (int round = 0; round < 2000; ++round) {
    std::string text = good;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i) text[random() % text.size()] = static_cast<char>(random() % 256);
    check(text);
  }
}

// ---- Sources against each other --------------------------------------------------------

TSource Parsed(const std::string& file, const std::string& body) {
  TSource source;
  TSourceError error;
  EXPECT_TRUE(ParseSource(file, kHeader + body, source, error)) << error.Text();
  return source;
}

TEST(SourceSet, RefusesClashesNamingTheLaterFile) {
  struct Case {
    const char* guards;
    std::vector<TSource> sources;
    const char* path;
    int line;
    const char* message;
  };
  const Case cases[] = {
      {"two files for one program",
       {Parsed("f/01-b.txt", "name: B\n"), Parsed("f/01-a.txt", "name: A\n")},
       "f/01-b.txt", 0, "program 1 is already described by f/01-a.txt"},
      {"the number counts, not the spelling",
       {Parsed("f/1-a.txt", "name: A\n"), Parsed("f/01-b.txt", "name: B\n")},
       "f/1-a.txt", 0, "program 1 is already described by f/01-b.txt"},
      {"two files for one chain",
       {Parsed("f/01-a.txt", "name: A\n"), Parsed("f/chain-1.txt", "ChainProg: 1\n"),
        Parsed("g/chain-1.txt", "ChainProg: 1\n")},
       "g/chain-1.txt", 0, "chain 1 is already described by f/chain-1.txt"},
      {"one name for two programs",
       {Parsed("f/01-a.txt", "name: Same\n"), Parsed("f/02-a.txt", "\nname: Same\n")},
       "f/02-a.txt", 3, "the name \"Same\" is already used by f/01-a.txt"},
      {"a chain naming an undescribed program",
       {Parsed("f/01-a.txt", "name: A\n"), Parsed("f/chain-2.txt", "ChainProg: 1 1\nChainProg_5 = 9\n")},
       "f/chain-2.txt", 3, "slot 5 names program 9, which no file describes"},
  };
  for (const auto& c : cases) {
    TSourceError error;
    EXPECT_FALSE(CheckSources(c.sources, error)) << c.guards;
    EXPECT_EQ(error.path, c.path) << c.guards;
    EXPECT_EQ(error.line, c.line) << c.guards;
    EXPECT_NE(error.message.find(c.message), std::string::npos) << c.guards << ": " << error.Text();
  }
}

TEST(SourceSet, ProgramsGoToTheirRowsAndChainsToTheirChainSections) {
  const std::vector<TSource> sources = {
      Parsed("f/03-c.txt", "name: Three\nSteps = 8\nVelocity: 5 6\n"),
      Parsed("f/10-j.txt", "name: Ten\nLatch = on\n"),
      Parsed("f/chain-2.txt", "ChainProg: 10 - 3\nSendVolume = 101\n"),
  };
  TSourceError error;
  ASSERT_TRUE(CheckSources(sources, error)) << error.Text();
  auto core = std::make_unique<TPlugCore>();
  ApplySources(*core, sources);

  EXPECT_EQ(core->CurrentProgramIndex(), 0);
  EXPECT_EQ(core->CurrentChainIndex(), 0);
  EXPECT_EQ(core->GetParam(tagCurChain), 0) << "a fresh instance starts outside any chain";
  for (int tag = 1; tag < kFirstChainTag; ++tag)
    if (IsDefinedTag(tag)) {
      EXPECT_EQ(core->GetParam(tag), CParamDef[tag]) << CatalogueName(tag);
    }

  EXPECT_EQ(core->GetProgramName(2).Str(), "Three");
  EXPECT_EQ(TEngineProbe(*core).Programs()[2][tagSteps], 8);
  EXPECT_EQ(TEngineProbe(*core).Programs()[2][tagVelocity + 1], 6);
  EXPECT_EQ(TEngineProbe(*core).Programs()[2][tagVelocity + 2], CParamDef[tagVelocity]);
  EXPECT_EQ(TEngineProbe(*core).Programs()[9][tagLatch], 1);
  EXPECT_EQ(core->GetProgramName(1).Str(), "Program 2");
  EXPECT_EQ(TEngineProbe(*core).Programs()[1][tagSteps], CParamDef[tagSteps]) << "undescribed programs hold the defaults";

  // Chain c lives in the chain section of row c.
  EXPECT_EQ(TEngineProbe(*core).Programs()[2][tagChainProg], 10);
  EXPECT_EQ(TEngineProbe(*core).Programs()[2][tagChainProg + 1], 0);
  EXPECT_EQ(TEngineProbe(*core).Programs()[2][tagChainProg + 2], 3);
  EXPECT_EQ(TEngineProbe(*core).Programs()[2][tagSendVolume], 101);
  for (int row = 0; row < kNumPrograms; ++row) {
    EXPECT_EQ(TEngineProbe(*core).Programs()[row][tagChainInit], 1) << "chain section of row " << row;
    if (row != 2) {
      EXPECT_EQ(TEngineProbe(*core).Programs()[row][tagChainProg], 0) << "chain section of row " << row;
    }
  }
}

TEST(SourceSet, TheBankIsTheSameWhateverTheFileOrder) {
  std::vector<TSource> sources = {
      Parsed("f/03-c.txt", "name: Three\nSteps = 8\n"),
      Parsed("f/01-a.txt", "name: One\nSwing = 20\n"),
      Parsed("f/chain-1.txt", "ChainProg: 3 1\n"),
  };
  const auto bank = BuildFactoryBank(sources);
  std::reverse(sources.begin(), sources.end());
  EXPECT_EQ(BuildFactoryBank(sources), bank);
  EXPECT_EQ(bank.size(), static_cast<size_t>(kFxbSize));
}

}  // namespace
