// Host writes through moltrin.clap, as CLAP hosts make them: every value read and written back
// into a fresh instance (through flush before activation, inside blocks after), every value sent
// again while notes sound, a chain and its own settings inside one block, and a panic's
// "all notes off" and "all sound off".
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "tests/support/ResendScenes.h"
#include "tests/clap/ClapScript.h"

namespace {

using clapscript::kProgram;

std::vector<clap_id> AllIds(const claphost::Host& host, const std::string& order) {
  std::vector<clap_id> ids;
  for (const clap_param_info_t& info : host.AllInfo()) ids.push_back(info.id);
  std::sort(ids.begin(), ids.end());
  if (order == "descending") std::reverse(ids.begin(), ids.end());
  if (order == "shuffled") std::shuffle(ids.begin(), ids.end(), std::mt19937(23));
  return ids;
}

// Every value as the host reads it, queued back in the given order (for a flush or a block).
void QueueEveryValue(claphost::Host& host, const std::string& order) {
  std::vector<std::pair<clap_id, double>> read;
  for (clap_id id : AllIds(host, order)) read.emplace_back(id, host.Value(id).value_or(0));
  for (auto [id, value] : read) host.ParamValue(id, value);
}

std::vector<int> ChainSlots(const claphost::Host& host) {
  std::vector<int> slots;
  for (int slot = 0; slot < 8; ++slot) slots.push_back(static_cast<int>(*host.Value(tagChainProg + slot)));
  return slots;
}

// A fresh instance with the factory bank beside the module, as a user's host has it.
struct FactoryInstance {
  claphost::Host host;
  FactoryInstance() {
    host.noFactoryBank = false;
    EXPECT_TRUE(host.Create()) << host.LastError();
  }
};

TEST(ClapHostWrites, EveryValueWrittenBackInAnyOrderLeavesEveryChainAsTheFactoryBankMadeIt) {
  for (const std::string order : {"ascending", "descending", "shuffled"}) {
    SCOPED_TRACE(order);
    FactoryInstance fresh;
    claphost::Host& host = fresh.host;
    const auto state = host.SaveState();
    ASSERT_TRUE(state);
    const double program = *host.Value(kProgram);
    QueueEveryValue(host, order);
    host.Flush();  // on the main thread, before activation
    ASSERT_TRUE(host.Activate(44100, 256));
    host.StartProcessing();
    QueueEveryValue(host, order);
    host.RunBlock();  // inside a block
    host.SetParam(tagCurChain, 2);
    QueueEveryValue(host, order);  // after the host read the chosen chain's values
    host.RunBlock();
    host.SetParam(tagCurChain, 0);
    host.RunBlock();
    host.SetParam(kProgram, program);  // the chain chose its own
    host.RunBlock();
    EXPECT_EQ(host.SaveState(), state) << "every program and every chain as the bank made them";

    host.SetParam(tagCurChain, 1);
    host.RunBlock();
    EXPECT_EQ(ChainSlots(host), (std::vector<int>{44, 44, 45, 46, 0, 0, 0, 0}));
    EXPECT_EQ(host.Value(kProgram), 44.0);
    host.SetParam(tagCurChain, 2);
    host.RunBlock();
    EXPECT_EQ(ChainSlots(host), (std::vector<int>{47, 48, 47, 49, 0, 0, 0, 0}));
    EXPECT_EQ(host.Value(kProgram), 47.0) << "Bass Verse A";
  }
}

using testsupport::TResendScene;

// Four seconds of a scene; with `resend`, every value (the program's too) sent again inside six
// blocks while notes sound. Answers everything sent, as MIDI.
std::vector<golden::Event> Render(const TResendScene& scene, bool resend) {
  clapscript::Script s;
  for (auto [tag, value] : scene.settings) s.Set(tag, value);
  std::vector<clapscript::At> keys;
  const long keysUp = scene.keysUpEarly ? 5000 : 150000;
  for (int key : {48, 55, 64}) keys.push_back(clapscript::Down(600, key));
  for (int key : {48, 55, 64}) keys.push_back(clapscript::Up(keysUp, key));
  s.host.transport.playing = scene.playing;
  if (!s.host.Activate(44100, 256)) return {};
  s.host.StartProcessing();
  std::vector<golden::Event> sent;
  size_t next = 0;
  for (int block = 0; block < 700; ++block) {
    const long start = block * 256L;
    for (; next < keys.size() && keys[next].sample < start + 256; ++next)
      s.host.Note(keys[next].kind == clapscript::At::KeyDown, 0, keys[next].b, 0.8,
                  static_cast<uint32_t>(keys[next].sample - start));
    if (resend && block % 97 == 41) QueueEveryValue(s.host, "ascending");
    s.host.ClearRecords();
    s.host.RunBlock(256);
    for (const claphost::Sent& e : s.host.SentEvents()) {
      uint8_t bytes[3];
      if (e.block >= 0 && e.AsMidi(bytes)) sent.push_back({start + e.time, bytes[0], bytes[1], bytes[2]});
    }
  }
  return sent;
}

TEST(ClapHostWrites, ValuesSentAgainWhileNotesSoundChangeNothingThatPlays) {
  for (const TResendScene& scene : testsupport::ResendScenes()) {
    const std::vector<golden::Event> plain = Render(scene, false);
    EXPECT_GE(plain.size(), 6u) << scene.what;
    EXPECT_EQ(golden::Difference(plain, Render(scene, true)), "") << scene.what;
  }
}

TEST(ClapHostWrites, AChainsSettingsWrittenInTheBlockThatChoosesItSurviveTheSwitch) {
  for (const bool inFlush : {false, true}) {
    SCOPED_TRACE(inFlush ? "through flush before activation" : "inside one block");
    FactoryInstance fresh;
    claphost::Host& host = fresh.host;
    host.SetParam(tagMIDIOut_Ch, 1);
    host.ParamValue(tagCurChain, 2);
    host.ParamValue(tagChainProg + 2, 10);
    host.ParamValue(tagSendPatchNum, 6);
    host.ParamValue(tagSendVolume, 91, 3);
    if (inFlush) host.Flush();
    ASSERT_TRUE(host.Activate(44100, 256));
    host.StartProcessing();
    host.RunBlock();
    EXPECT_EQ(ChainSlots(host), (std::vector<int>{47, 48, 10, 49, 0, 0, 0, 0}));
    EXPECT_EQ(host.Value(tagSendPatchNum), 6.0);
    EXPECT_EQ(host.Value(tagSendVolume), 91.0);
    EXPECT_EQ(host.Value(kProgram), 47.0);
    std::vector<std::vector<int>> sent;
    for (const claphost::Sent& e : host.SentEvents()) {
      uint8_t bytes[3];
      if (e.AsMidi(bytes)) sent.push_back({bytes[0], bytes[1], bytes[2]});
    }
    // Inside a block the value at frame 3 comes after the switch at frame 0: it is kept, and the
    // switch sent what the chain held then.
    const std::vector<std::vector<int>> expected =
        inFlush ? std::vector<std::vector<int>>{{0xC0, 5, 0}, {0xB0, 7, 90}} : std::vector<std::vector<int>>{{0xC0, 5, 0}};
    EXPECT_EQ(sent, expected);
  }
}

TEST(ClapHostWrites, AllNotesOffAndAllSoundOffEndEveryNoteAndForgetTheKeys) {
  for (const int controller : {123, 120}) {
    for (const bool latch : {false, true}) {
      SCOPED_TRACE("controller " + std::to_string(controller) + (latch ? ", latched" : ""));
      clapscript::Script s;
      s.Set(tagLatch, latch ? 1 : 0);
      s.Set(tagMIDIOut_Ch, 3);
      const std::vector<golden::Event> sent = s.Render(
          {clapscript::Down(100, 60), clapscript::Down(100, 64), clapscript::Down(200, 60),
           clapscript::Up(300, 60), clapscript::Message(30000, 0xB0, controller, 0)},
          88200, 256);
      int sounding[128] = {};
      bool after = false, passed = false;
      for (const golden::Event& e : sent) {
        const bool on = (e.status & 0xF0) == 0x90 && e.data2 > 0;
        if (e.sample >= 30000 && on) after = true;
        if (e.status == 0xB2 && e.data1 == controller) passed = e.sample == 30000;
        if (on) sounding[e.data1] = 1;
        if ((e.status & 0xF0) == 0x80 || ((e.status & 0xF0) == 0x90 && e.data2 == 0)) sounding[e.data1] = 0;
      }
      EXPECT_EQ(std::count(std::begin(sounding), std::end(sounding), 1), 0) << "every note ended";
      EXPECT_FALSE(after) << "nothing plays after it";
      EXPECT_TRUE(passed) << "the controller goes on to the instrument, on the output channel, at its frame";
    }
  }
}

}  // namespace
