// The plug-in's state: the whole bank with the current program, saved, restored into another
// instance and saved again byte for byte; a session kept by lilv as hosts keep it restores every
// program; a damaged or foreign state is refused and changes nothing.
#include <gtest/gtest.h>

#include <lv2/state/state.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/lv2/Lv2Session.h"

namespace {

using lv2test::Set;

// A bank unlike the factory's or the defaults, in several programs, step rows included.
void OwnBank(TPlugin& p) {
  for (int program : {0, 7, 33, 63}) {
    p.SelectProgram(program);
    Set(p, tagSteps, 5 + program % 40);
    Set(p, tagSync, program % 12);
    Set(p, tagSemitone + 3, (program % 24) - 12);
    Set(p, tagVelocity + 17, 1 + program);
    p.SetProgramName("Own " + std::to_string(program));
  }
  p.SelectProgram(7);
}

std::vector<uint8_t> BankChunk(TPlugin& p) {
  const void* data = nullptr;
  const int size = p.GetChunk(false, &data);
  return {static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size};
}

TEST(Lv2State, SavedRestoredIntoANewInstanceAndSavedAgainByteForByte) {
  auto first = lv2test::StartedHost();
  ASSERT_TRUE(first);
  ASSERT_EQ(first->RestoreProperties({lv2test::BankProperty(OwnBank)}), 0);
  first->RunBlock(64);  // the first block after a restore takes the ports as the state's
  first->SetControl("gate", 42);
  first->RunBlock(64);
  const auto saved = first->SaveProperties();
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].key, MOLTRIN_LV2_BANK);
  EXPECT_EQ(saved[0].type, "http://lv2plug.in/ns/ext/atom#Chunk");
  EXPECT_EQ(saved[0].flags, static_cast<uint32_t>(LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE));

  auto second = lv2test::StartedHost();
  ASSERT_TRUE(second);
  ASSERT_EQ(second->RestoreProperties(saved), 0);
  const auto again = second->SaveProperties();
  ASSERT_EQ(again.size(), 1u);
  EXPECT_TRUE(again[0].value == saved[0].value) << "the state saved again differs";
  const auto engine = lv2test::EngineOf(*second);
  EXPECT_EQ(engine->CurrentProgram(), 7);
  EXPECT_EQ(lv2test::Get(*engine, tagGate), 42);
}

// A copy of the built bundle without its factory bank, in a folder of its own.
class TBundleWithoutBank {
 public:
  TBundleWithoutBank() {
    char pattern[] = "/tmp/moltrin-lv2-nobank-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    folder = pattern;
    path = folder + "/moltrin.lv2";
    std::filesystem::copy(lv2host::DefaultBundle(), path, std::filesystem::copy_options::recursive);
    std::filesystem::remove(path + "/Moltrin_FactoryBank.fxb");
  }
  ~TBundleWithoutBank() {
    std::error_code ec;
    if (!folder.empty()) std::filesystem::remove_all(folder, ec);
  }
  std::string folder, path;
};

// An instance without its factory bank has no program current until something needs one. Its
// state, restored into a fresh instance, saves back the same bytes and plays the same notes.
TEST(Lv2State, AStateSavedWithNoProgramCurrentRestoresAndSavesAgainByteForByte) {
  const TBundleWithoutBank bundle;
  ASSERT_FALSE(bundle.path.empty());
  const auto play = [](lv2host::Host& host) {
    // The copy's description still names the bank's values as the ports' defaults: the ports
    // are set to what the instance holds, as a host that restored them with the state has them.
    const auto engine = lv2test::EngineOf(host);
    for (const TLv2Setting& setting : kLv2Settings) host.SetControl(setting.symbol, lv2test::Get(*engine, setting.tag));
    host.SetControl(kPortProgram, static_cast<float>(engine->CurrentProgram()));
    host.ClearOut();
    host.SendPosition(0, lv2test::PositionAt(0, 44100, 120, true));
    for (uint8_t key : {60, 64, 67}) host.SendMidi(0, {0x90, key, 100});
    for (int i = 0; i < 40; ++i) host.RunBlock(512);
    return lv2test::SentEvents(host, 512);
  };
  lv2host::Host fresh(bundle.path);
  ASSERT_TRUE(fresh.Start(44100, 512)) << fresh.LastError();
  const auto saved = fresh.SaveProperties();
  ASSERT_EQ(saved.size(), 1u);
  lv2host::Host restored(bundle.path);
  ASSERT_TRUE(restored.Start(44100, 512)) << restored.LastError();
  ASSERT_EQ(restored.RestoreProperties(saved), 0);
  const auto again = restored.SaveProperties();
  ASSERT_EQ(again.size(), 1u);
  EXPECT_TRUE(again[0].value == saved[0].value) << "the state saved again differs";
  const auto heard = play(fresh);
  EXPECT_FALSE(heard.empty());
  EXPECT_EQ(play(restored), heard) << "the restored instance plays what the saved one plays";
}

TEST(Lv2State, ASessionKeptByLilvRestoresEveryProgram) {
  auto first = lv2test::StartedHost();
  ASSERT_TRUE(first);
  ASSERT_EQ(first->RestoreProperties({lv2test::BankProperty(OwnBank)}), 0);
  first->RunBlock(64);
  const std::string session = first->SaveStateText();
  ASSERT_NE(session.find(MOLTRIN_LV2_BANK), std::string::npos) << session.substr(0, 2000);

  auto second = lv2test::StartedHost();
  ASSERT_TRUE(second);
  ASSERT_TRUE(second->RestoreStateText(session));
  second->RunBlock(64);
  const auto a = lv2test::EngineOf(*first), b = lv2test::EngineOf(*second);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(b->CurrentProgram(), 7);
  EXPECT_TRUE(BankChunk(*a) == BankChunk(*b)) << "a program differs after the session came back";
  EXPECT_EQ(b->ProgramName(63).View(), "Own 63");
  // The ports came back as the first host held them: at the factory program's values, since
  // nothing told it of the bank. The blocks after the restore take them as they are.
  EXPECT_NE(second->Control(static_cast<uint32_t>(second->PortIndex("steps"))), 5 + 7);
  second->RunBlock(64);
  EXPECT_TRUE(BankChunk(*lv2test::EngineOf(*second)) == BankChunk(*b));
}

TEST(Lv2State, ADamagedOrForeignStateIsRefusedAndChangesNothing) {
  const lv2host::Property good = lv2test::BankProperty(OwnBank);
  const auto damaged = [&good](const std::function<void(lv2host::Property&)>& change) {
    lv2host::Property p = good;
    change(p);
    return p;
  };
  const auto word = [](lv2host::Property& p, size_t at, uint32_t v) { std::memcpy(p.value.data() + at, &v, 4); };
  const struct {
    const char* what;
    lv2host::Property property;
  } cases[] = {
      {"empty", damaged([](lv2host::Property& p) { p.value.clear(); })},
      {"cut inside the header", damaged([](lv2host::Property& p) { p.value.resize(10); })},
      {"cut inside the chunk", damaged([](lv2host::Property& p) { p.value.resize(p.value.size() - 100); })},
      {"another magic", damaged([](lv2host::Property& p) { p.value[0] = 'X'; })},
      {"a later version", damaged([&word](lv2host::Property& p) { word(p, 4, 2); })},
      {"a program under the bank's name", damaged([&word](lv2host::Property& p) { word(p, 8, 1); })},
      {"a current program out of range", damaged([&word](lv2host::Property& p) { word(p, 12, 64); })},
      {"a byte of the chunk changed", damaged([](lv2host::Property& p) { p.value[5000] ^= 0x20; })},
      {"a shorter chunk with its own size and checksum",
       damaged([&word](lv2host::Property& p) {
         p.value.resize(kStateHeaderSize + 576);
         word(p, 16, 576);
         word(p, 20, Crc32(std::span(p.value).subspan(kStateHeaderSize)));
       })},
      {"a foreign type", damaged([](lv2host::Property& p) { p.type = "http://lv2plug.in/ns/ext/atom#String"; })},
      {"a VST 2.x bank chunk without our header",
       damaged([](lv2host::Property& p) { p.value.erase(p.value.begin(), p.value.begin() + kStateHeaderSize); })},
  };
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  host->RunBlock(64);
  const auto before = host->SaveProperties();
  for (const auto& c : cases) {
    EXPECT_NE(host->RestoreProperties({c.property}), 0) << c.what;
    host->RunBlock(64);
    const auto after = host->SaveProperties();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_TRUE(after[0].value == before[0].value) << c.what << " changed the state";
  }
  EXPECT_NE(host->RestoreProperties({}), 0) << "no property at all";
  EXPECT_EQ(host->RestoreProperties({good}), 0) << "the undamaged state";
}

}  // namespace
