// An LV2 host whose output buffer holds only a few events. A note-on goes only while room stays
// for the offs of every note sounding; an off that does not fit goes at the start of the next
// block; so however small the buffer, no note the host received is left sounding.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/lv2/Lv2Session.h"

namespace {

constexpr double kRate = 48000;
constexpr uint32_t kBlock = 2048;

// Room in the output sequence for `events` MIDI events of 3 bytes (24 bytes each).
uint32_t CapacityFor(int events) {
  return static_cast<uint32_t>(sizeof(LV2_Atom) + sizeof(LV2_Atom_Sequence_Body) + 24 * events);
}

// Notes the host received and never saw ended, as "channel/key" (one off ends every on of its key).
std::vector<std::string> SoundingNotes(const std::vector<lv2host::MidiOut>& out) {
  std::map<std::pair<int, int>, int> on;
  for (const lv2host::MidiOut& m : out) {
    const auto key = std::make_pair(m.bytes[0] & 15, static_cast<int>(m.bytes[1]));
    if (m.IsNoteOn()) ++on[key];
    if (m.IsNoteOff()) on[key] = 0;
  }
  std::vector<std::string> left;
  for (const auto& [key, n] : on)
    if (n > 0) left.push_back(std::to_string(key.first) + "/" + std::to_string(key.second));
  return left;
}

TEST(Lv2OutputBuffer, ASmallBufferNeverLeavesANoteSounding) {
  for (const int room : {0, 1, 2, 3, 6}) {
    const std::string what = "room for " + std::to_string(room) + " events";
    auto host = lv2test::StartedHost(kRate);
    ASSERT_TRUE(host);
    // Fast steps at full gate, with the keys sounding through as well.
    ASSERT_EQ(host->RestoreProperties({lv2test::BankProperty([](TPlugin& p) {
                lv2test::Set(p, tagSync, 0);
                lv2test::Set(p, tagGate, 100);
                lv2test::Set(p, tagMIDIThruOn, 1);
              })}),
              0);
    host->RunBlock(64);
    host->ClearOut();
    host->SetOutputCapacity(CapacityFor(room));
    const uint8_t keys[] = {48, 52, 55, 60, 64, 67, 72};
    for (uint8_t k : keys) host->SendMidi(k, {0x90, k, 100});
    bool playing = false;
    double sample = 0;
    for (int block = 0; block < 240; ++block) {
      if (block % 17 == 0) {
        playing = !playing;
        host->SendPosition(0, lv2test::PositionAt(sample, kRate, 240, playing));
      }
      if (block % 5 == 0) host->SendMidi(100, {0x80, keys[block % 7], 0});
      if (block % 5 == 2) host->SendMidi(1000, {0x90, keys[block % 7], 70});
      if (playing && block % 40 == 30) {  // stopped and started again inside one block
        host->SendPosition(300, lv2test::PositionAt(sample + 300, kRate, 240, false));
        host->SendPosition(900, lv2test::PositionAt(sample + 300, kRate, 240, true));
        sample -= 600;
      }
      host->RunBlock(kBlock);
      sample += kBlock;
    }
    // The player lets go and stops the transport; the buffer stays as small.
    for (uint8_t k : keys) host->SendMidi(0, {0x80, k, 0});
    host->SendPosition(0, lv2test::PositionAt(sample, kRate, 240, false));
    for (int i = 0; i < 200; ++i) host->RunBlock(kBlock);

    std::map<int, int> perBlock;
    int ons = 0;
    for (const lv2host::MidiOut& m : host->Out()) {
      ++perBlock[m.block];
      ons += m.IsNoteOn() ? 1 : 0;
    }
    if (room >= 2) {
      EXPECT_GT(ons, 0) << what << ": notes still play through a small buffer";
    } else {
      EXPECT_EQ(ons, 0) << what << ": a note-on goes only with room for its off as well";
    }
    for (const auto& [block, n] : perBlock) ASSERT_LE(n, room) << what << ", block " << block;
    EXPECT_EQ(SoundingNotes(host->Out()), std::vector<std::string>{}) << what;
    // With room again, nothing is owed.
    host->SetOutputCapacity(CapacityFor(64));
    host->ClearOut();
    host->RunBlock(kBlock);
    EXPECT_TRUE(host->Out().empty()) << what;
  }
}

// What the plug-in had started ends even when the buffer shrinks to nothing for a while: the
// offs wait for room and lead the first block that has it.
TEST(Lv2OutputBuffer, OffsThatFoundNoRoomLeadTheNextBlockWithRoom) {
  auto host = lv2test::StartedHost(kRate);
  ASSERT_TRUE(host);
  ASSERT_EQ(host->RestoreProperties({lv2test::ThruBank()}), 0);
  host->RunBlock(64);
  for (uint8_t k : {60, 64, 67}) host->SendMidi(10, {0x90, k, 100});
  host->RunBlock(64);
  ASSERT_EQ(SoundingNotes(host->Out()).size(), 3u);
  host->ClearOut();
  host->SetOutputCapacity(CapacityFor(0));
  for (uint8_t k : {60, 64, 67}) host->SendMidi(20, {0x80, k, 0});
  host->SendMidi(30, {0x90, 72, 100});  // no room for it and its end: dropped
  host->RunBlock(64);
  host->RunBlock(64);
  EXPECT_TRUE(host->Out().empty());
  host->SetOutputCapacity(CapacityFor(2));
  host->RunBlock(64);
  host->RunBlock(64);
  std::vector<std::pair<int, int>> offs;  // block, key
  for (const lv2host::MidiOut& m : host->Out()) {
    EXPECT_TRUE(m.IsNoteOff()) << "only the offs owed";
    EXPECT_EQ(m.frame, 0) << "at the block's first frame";
    offs.emplace_back(m.block - host->BlocksRun() + 2, m.bytes[1]);
  }
  EXPECT_EQ(offs, (std::vector<std::pair<int, int>>{{0, 60}, {0, 64}, {1, 67}}));
}

}  // namespace
