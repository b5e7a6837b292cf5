// The generated factory bank: where the build puts it, that it is what the sources say, and
// that a fresh instance loading it gets every described program and chain back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/EngineProbe.h"
#include "engine/PlugCore.h"
#include "tools/bankgen/BankBuilder.h"
#include "tools/bankgen/BankSource.h"

namespace fs = std::filesystem;

namespace {

const std::string kBankBesideModule = std::string(MODULE_FILE_DIR) + "/Moltrin_FactoryBank.fxb";

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FactoryBank : public ::testing::Test {
 protected:
  static std::vector<TSource> sources;
  static std::vector<uint8_t> bank;

  static void SetUpTestSuite() {
    for (const auto& entry : fs::directory_iterator(FACTORY_SOURCE_DIR)) {
      if (entry.path().extension() != ".txt") continue;
      TSource source;
      TSourceError error;
      ASSERT_TRUE(ParseSourceFile(entry.path().string(), source, error)) << error.Text();
      sources.push_back(source);
    }
    TSourceError error;
    ASSERT_TRUE(CheckSources(sources, error)) << error.Text();
    bank = ReadBytes(kBankBesideModule);
  }

  static std::vector<const TSource*> OfKind(TSourceKind kind) {
    std::vector<const TSource*> r;
    for (const auto& s : sources)
      if (s.kind == kind) r.push_back(&s);
    return r;
  }

  // A fresh instance as it starts beside the module: with the bank.
  static std::unique_ptr<TPlugCore> LoadedInstance() {
    auto core = std::make_unique<TPlugCore>();
    const TLoadResult result = core->LoadFactoryBank(bank);
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_FALSE(core->IsChunkLoaded()) << "a host's first program chunk still brings its global settings";
    return core;
  }
};

std::vector<TSource> FactoryBank::sources;
std::vector<uint8_t> FactoryBank::bank;

TEST_F(FactoryBank, SitsBesideTheModuleAndIsWhatTheSourcesSay) {
  ASSERT_EQ(bank.size(), static_cast<size_t>(kFxbSize)) << kBankBesideModule;
  EXPECT_TRUE(fs::equivalent(kBankBesideModule, FACTORY_BANK_PATH));
  EXPECT_EQ(bank, BuildFactoryBank(sources)) << "the bank is stale: the build did not regenerate it";
}

TEST_F(FactoryBank, HoldsTheProgramsAndChainsAPlayerExpects) {
  EXPECT_GE(OfKind(TSourceKind::Program).size(), 32u);
  std::set<int> chains;
  for (const auto* c : OfKind(TSourceKind::Chain)) chains.insert(c->number);
  EXPECT_EQ(chains, (std::set<int>{1, 2}));
}

TEST_F(FactoryBank, EveryDescribedProgramReadsBackWithItsSettings) {
  auto core = LoadedInstance();
  EXPECT_EQ(core->CurrentProgramIndex(), 0) << "the bank opens on its first program";
  std::set<int> described;
  for (const auto* s : OfKind(TSourceKind::Program)) {
    const int index = s->number - 1;
    described.insert(index);
    core->SelectProgram(index);
    EXPECT_EQ(core->GetProgramName(index).Str(), s->name) << s->path;
    std::vector<bool> set(kNumParams, false);
    for (const auto& setting : s->settings) {
      set[setting.tag] = true;
      EXPECT_EQ(core->GetParam(setting.tag), setting.value) << s->path << ":" << setting.line;
    }
    for (int tag = tagSteps; tag < kNumParams; ++tag)
      if (IsDefinedTag(tag) && !set[tag]) {
        EXPECT_EQ(core->GetParam(tag), CParamDef[tag]) << s->path << " " << CatalogueName(tag);
      }
  }
  for (int index = 0; index < kNumPrograms; ++index) {
    if (described.count(index)) continue;
    EXPECT_EQ(core->GetProgramName(index).Str(), "Program " + std::to_string(index + 1));
    core->SelectProgram(index);
    for (int tag = tagSteps; tag < kNumParams; ++tag)
      if (IsDefinedTag(tag)) {
        ASSERT_EQ(core->GetParam(tag), CParamDef[tag]) << "Program " << index + 1 << " " << CatalogueName(tag);
      }
  }
}

TEST_F(FactoryBank, GlobalsStayAtTheirDefaultsAndNoChainIsInForce) {
  auto core = LoadedInstance();
  for (int tag = 1; tag < kFirstChainTag; ++tag)
    if (IsDefinedTag(tag)) {
      EXPECT_EQ(core->GetParam(tag), CParamDef[tag]) << CatalogueName(tag);
    }
  EXPECT_EQ(core->GetParam(tagCurChain), 0);
  EXPECT_FALSE(TEngineProbe(*core).ChainSwitchRequested()) << "loading the bank must not start a chain";
}

TEST_F(FactoryBank, ChainSectionsHoldTheChains) {
  auto core = LoadedInstance();
  std::vector<const TSource*> byChain(kNumPrograms, nullptr);
  for (const auto* c : OfKind(TSourceKind::Chain)) byChain[c->number] = c;
  for (int chain = 0; chain < kNumPrograms; ++chain) {
    // Chain c's settings are those of row c, live while c is the chain in force.
    core->SetCurrentChainIndex(chain);
    EXPECT_EQ(core->GetParam(tagChainInit), 1) << "chain " << chain;
    std::vector<bool> set(kNumParams, false);
    if (const TSource* c = byChain[chain]) {
      for (const auto& setting : c->settings) {
        set[setting.tag] = true;
        EXPECT_EQ(core->GetParam(setting.tag), setting.value) << c->path << ":" << setting.line;
      }
    }
    for (int tag = tagSendPatchNum; tag < kFirstProgramTag; ++tag)
      if (IsDefinedTag(tag) && !set[tag]) {
        EXPECT_EQ(core->GetParam(tag), CParamDef[tag]) << "chain " << chain;
      }
  }
}

TEST_F(FactoryBank, ProgramsAreDistinct) {
  // Two programs that differ only in their names, or in what only the editor reads, would be
  // one program twice.
  auto core = LoadedInstance();
  auto sound = [](const TProgramRow& row) {
    std::vector<int8_t> s(row.begin() + tagSteps, row.end());
    s[tagScroll - tagSteps] = 1;
    s[tagSelectedPage - tagSteps] = row[tagLockPage] ? row[tagSelectedPage] : 0;
    return s;
  };
  TProgramRow defaults{};
  for (int tag = tagSteps; tag < kNumParams; ++tag) defaults[tag] = static_cast<int8_t>(CParamDef[tag]);
  std::vector<std::pair<std::string, std::vector<int8_t>>> seen = {{"the default program", sound(defaults)}};
  for (const auto* s : OfKind(TSourceKind::Program)) {
    const auto mine = sound(TEngineProbe(*core).Programs()[s->number - 1]);
    for (const auto& [name, other] : seen) EXPECT_NE(mine, other) << s->name << " sounds like " << name;
    seen.push_back({s->name, mine});
  }
}

TEST_F(FactoryBank, SurvivesARoundTripByteForByte) {
  auto core = std::make_unique<TPlugCore>();
  ASSERT_TRUE(core->ApplyFxb(bank.data(), bank.size()).ok);
  const auto again = core->BuildFxb();
  EXPECT_EQ(std::vector<uint8_t>(again.begin(), again.end()), bank);
}

}  // namespace
