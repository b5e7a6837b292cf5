// Host writes through the LV2 bundle, as LV2 hosts make them: every control port set to the value
// the engine holds (a host that restores a session by its ports), every port sent again while
// notes sound, a chain and its own settings set before one block, and a panic's "all notes off"
// and "all sound off".
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "host/lv2/Lv2Ports.h"
#include "tests/support/ResendScenes.h"
#include "tests/lv2/Lv2Session.h"

namespace {

using lv2test::Get;

std::vector<uint8_t> Bank(lv2host::Host& host) {
  for (const lv2host::Property& p : host.SaveProperties())
    if (p.key == MOLTRIN_LV2_BANK) return p.value;
  return {};
}

std::vector<uint32_t> ControlPorts(const std::string& order) {
  std::vector<uint32_t> ports{kPortProgram};
  for (uint32_t port = kFirstSettingPort; port < kPortCount; ++port) ports.push_back(port);
  if (order == "descending") std::reverse(ports.begin(), ports.end());
  if (order == "shuffled") std::shuffle(ports.begin(), ports.end(), std::mt19937(23));
  return ports;
}

// Each control port set to the value the engine holds now, in the given order.
void SetEveryPortToTheEnginesValue(lv2host::Host& host, const std::string& order) {
  const auto engine = lv2test::EngineOf(host);
  ASSERT_TRUE(engine);
  for (uint32_t port : ControlPorts(order))
    host.SetControl(port, port == kPortProgram ? static_cast<float>(engine->CurrentProgram())
                                               : static_cast<float>(Get(*engine, SettingOfPort(port)->tag)));
}

std::vector<int> ChainSlots(const TPlugin& engine) {
  std::vector<int> slots;
  for (int slot = 0; slot < 8; ++slot) slots.push_back(Get(engine, tagChainProg + slot));
  return slots;
}

TEST(Lv2HostWrites, EveryPortSetToItsValueInAnyOrderLeavesEveryChainAsTheFactoryBankMadeIt) {
  for (const std::string order : {"ascending", "descending", "shuffled"}) {
    SCOPED_TRACE(order);
    auto host = lv2test::StartedHost();
    ASSERT_TRUE(host);
    host->RunBlock(64);
    const std::vector<uint8_t> bank = Bank(*host);
    SetEveryPortToTheEnginesValue(*host, order);
    host->RunBlock(64);
    host->SetControl("current_chain", 2);
    host->RunBlock(64);
    SetEveryPortToTheEnginesValue(*host, order);  // the chosen chain's values
    host->RunBlock(64);
    host->SetControl("current_chain", 0);
    host->SetControl(kPortProgram, 0);
    host->RunBlock(64);
    EXPECT_EQ(Bank(*host), bank) << "every program and every chain as the bank made them";

    host->SetControl("current_chain", 1);
    host->RunBlock(64);
    auto engine = lv2test::EngineOf(*host);
    EXPECT_EQ(ChainSlots(*engine), (std::vector<int>{44, 44, 45, 46, 0, 0, 0, 0}));
    EXPECT_EQ(engine->CurrentProgram(), 43);
    host->SetControl("current_chain", 2);
    host->RunBlock(64);
    engine = lv2test::EngineOf(*host);
    EXPECT_EQ(ChainSlots(*engine), (std::vector<int>{47, 48, 47, 49, 0, 0, 0, 0}));
    EXPECT_EQ(engine->ProgramName(engine->CurrentProgram()).Str(), "Bass Verse A");
  }
}

using testsupport::TResendScene;

// Four seconds of a scene; with `resend`, every control port set again to the value it holds
// before six blocks while notes sound. Answers everything sent.
std::vector<golden::Event> Render(const TResendScene& scene, bool resend) {
  auto host = lv2test::StartedHost();
  if (!host) return {};
  host->SetControl(kPortProgram, 0);
  // The settings no port carries (a chain's slots) are left out: the factory chain plays.
  for (const auto& [tag, value] : scene.settings)
    if (PortOfTag(tag) >= 0) host->SetControl(static_cast<uint32_t>(PortOfTag(tag)), static_cast<float>(value));
  if (scene.playing) host->SendPosition(0, lv2test::PositionAt(0, 44100, 120, true));
  host->RunBlock(256);
  host->ClearOut();
  for (int block = 0; block < 700; ++block) {
    if (block == 2)
      for (int key : {48, 55, 64}) host->SendMidi(17, {0x90, static_cast<uint8_t>(key), 100});
    if (block == (scene.keysUpEarly ? 20 : 600))
      for (int key : {48, 55, 64}) host->SendMidi(5, {0x80, static_cast<uint8_t>(key), 0});
    if (resend && block % 97 == 41)
      for (uint32_t port : ControlPorts("ascending")) host->SetControl(port, host->Control(port));
    host->RunBlock(256);
  }
  return lv2test::SentEvents(*host, 256);
}

TEST(Lv2HostWrites, PortsSentAgainWhileNotesSoundChangeNothingThatPlays) {
  for (const TResendScene& scene : testsupport::ResendScenes()) {
    const std::vector<golden::Event> plain = Render(scene, false);
    EXPECT_GE(plain.size(), 6u) << scene.what;
    EXPECT_EQ(golden::Difference(plain, Render(scene, true)), "") << scene.what;
  }
}

TEST(Lv2HostWrites, AChainsSettingsSetWithItsChoiceSurviveTheSwitch) {
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  host->SetControl("midi_out_channel", 1);
  host->RunBlock(64);
  host->ClearOut();
  host->SetControl("current_chain", 2);
  host->SetControl("send_patch", 6);
  host->SetControl("send_volume", 91);
  host->RunBlock(64);
  std::vector<std::vector<int>> sent;
  for (const lv2host::MidiOut& m : host->Out()) sent.push_back({m.bytes[0], m.bytes[1], m.bytes[2]});
  EXPECT_EQ(sent, (std::vector<std::vector<int>>{{0xC0, 5, 0}, {0xB0, 7, 90}})) << "the switch sends the new settings";
  const auto engine = lv2test::EngineOf(*host);
  EXPECT_EQ(Get(*engine, tagCurChain), 2);
  EXPECT_EQ(Get(*engine, tagSendPatchNum), 6);
  EXPECT_EQ(Get(*engine, tagSendVolume), 91);
  EXPECT_EQ(ChainSlots(*engine), (std::vector<int>{47, 48, 47, 49, 0, 0, 0, 0}));
}

TEST(Lv2HostWrites, AllNotesOffAndAllSoundOffEndEveryNoteAndForgetTheKeys) {
  for (const int controller : {123, 120}) {
    SCOPED_TRACE(controller);
    auto host = lv2test::StartedHost();
    ASSERT_TRUE(host);
    host->SetControl(kPortProgram, 0);
    host->SetControl("latch", 1);
    host->SetControl("gate", 100);  // a note sounds at every moment
    host->SetControl("midi_out_channel", 3);
    host->RunBlock(256);
    host->SendMidi(10, {0x90, 60, 100});
    host->SendMidi(10, {0x90, 64, 100});
    host->SendMidi(20, {0x80, 60, 0});
    for (int block = 0; block < 60; ++block) host->RunBlock(256);
    const int panic = host->BlocksRun();
    host->SendMidi(100, {0xB0, static_cast<uint8_t>(controller), 0});
    for (int block = 0; block < 200; ++block) host->RunBlock(256);
    int sounding[128] = {};
    bool passed = false;
    for (const lv2host::MidiOut& m : host->Out()) {
      if (m.IsNoteOn()) {
        EXPECT_LT(m.block, panic) << "nothing plays after it";
        sounding[m.bytes[1]] = 1;
      }
      if (m.IsNoteOff()) sounding[m.bytes[1]] = 0;
      if (m.bytes[0] == 0xB2 && m.bytes[1] == controller) passed = m.block == panic && m.frame == 100;
    }
    EXPECT_EQ(std::count(std::begin(sounding), std::end(sounding), 1), 0) << "every note ended";
    EXPECT_TRUE(passed) << "the controller goes on to the instrument, on the output channel, at its frame";
  }
}

}  // namespace
