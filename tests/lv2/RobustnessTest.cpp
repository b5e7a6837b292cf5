// Hosts that misbehave: ports connected late or to null, blocks of no frames, sequences with
// atoms the plug-in does not know, events past the block or out of order, events that claim more
// bytes than the sequence holds, output buffers too small, positions with absurd values, a
// deactivation while notes sound, and no host time at all. Nothing crashes and no note is left
// sounding.
#include <gtest/gtest.h>

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <vector>

#include "tests/lv2/Lv2Session.h"

namespace {

constexpr double kRate = 44100;

// Notes started and not ended, by channel and pitch.
int Sounding(const std::vector<lv2host::MidiOut>& out) {
  std::map<std::pair<int, int>, int> on;
  for (const lv2host::MidiOut& m : out) {
    const auto key = std::make_pair(m.bytes[0] & 15, static_cast<int>(m.bytes[1]));
    if (m.IsNoteOn()) ++on[key];
    if (m.IsNoteOff()) on[key] = 0;
  }
  int count = 0;
  for (const auto& [key, n] : on) count += n > 0;
  return count;
}

void ExpectFramesInBlocks(const lv2host::Host& host, int blockSize) {
  long long last = -1;
  for (const lv2host::MidiOut& m : host.Out()) {
    EXPECT_GE(m.frame, 0);
    EXPECT_LT(m.frame, blockSize);
    const long long sample = static_cast<long long>(m.block) * blockSize + m.frame;
    EXPECT_GE(sample, last) << "out of frame order";
    last = sample;
  }
}

TEST(Lv2Robustness, PortsConnectedLateOrToNullAndBlocksOfNoFrames) {
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  for (uint32_t port = 0; port < host->PortCount(); ++port) host->ConnectRaw(port, nullptr);
  host->RunBlock(512);
  host->RunBlock(0);
  host->ReconnectAll();
  host->ConnectRaw(kPortMidiOut, nullptr);  // keys in, nowhere to send to
  host->SendMidi(0, {0x90, 60, 100});
  host->RunBlock(0);
  host->RunBlock(512);
  host->ReconnectAll();
  for (int i = 0; i < 40; ++i) host->RunBlock(i % 3 == 0 ? 0 : 512);
  EXPECT_GT(host->Out().size(), 2u) << "the key plays once the ports are there";
  host->SendMidi(0, {0x80, 60, 0});
  for (int i = 0; i < 100; ++i) host->RunBlock(512);
  EXPECT_EQ(Sounding(host->Out()), 0);
  ExpectFramesInBlocks(*host, 512);
}

TEST(Lv2Robustness, UnknownAtomsAndEventsPastTheBlockOrOutOfOrder) {
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  ASSERT_EQ(host->RestoreProperties({lv2test::BankProperty([](TPlugin& p) {
              lv2test::Set(p, tagArpEnabled, 0);  // thru: every key leaves at its own frame
              lv2test::Set(p, tagMIDIThruOn, 1);
            })}),
            0);
  host->RunBlock(256);
  host->ClearOut();
  host->SendAtom(3, host->Map(LV2_ATOM__String), {'h', 'i', 0});
  host->SendAtom(4, host->Map(LV2_ATOM__Object), std::vector<uint8_t>(8, 0));  // an object of no known type
  host->SendMidi(5, std::vector<uint8_t>{});               // no bytes
  host->SendMidi(6, {0x3C, 0x40});                         // no status byte
  host->SendMidi(7, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7});  // system exclusive
  host->SendMidi(100, {0x90, 62, 100});
  host->SendMidi(50, {0x90, 64, 100});                     // before the one above
  host->SendMidi(-20, {0x90, 65, 100});                    // before the block
  host->SendMidi(1000000, {0x90, 67, 100});                // far past the block
  host->RunBlock(256);
  // Taken in frame order, as the VST 2.x module takes its lists; outside the block at its edges.
  const auto out = host->Out();
  ASSERT_EQ(out.size(), 4u);
  const int expected[4][2] = {{65, 0}, {64, 50}, {62, 100}, {67, 255}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(out[i].bytes[1], expected[i][0]) << i;
    EXPECT_EQ(out[i].frame, expected[i][1]) << i;
  }
  EXPECT_EQ(host->OtherOutputEvents(), 0);
}

TEST(Lv2Robustness, KeysOnAPositionsOwnFrameLeaveOnThatFrame) {
  // The block is split at the position: keys listed before it on its frame go with the frames
  // after it, at the split's first frame, not one frame early and not lost.
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  ASSERT_EQ(host->RestoreProperties({lv2test::ThruBank()}), 0);
  host->SendPosition(0, lv2test::PositionAt(0, kRate, 120, false));
  host->RunBlock(256);
  host->ClearOut();
  host->SendMidi(100, {0x90, 60, 100});
  host->SendMidi(100, {0x90, 64, 100});
  host->SendPosition(100, lv2test::PositionAt(0, kRate, 90, false));  // a new tempo, still stopped
  host->SendMidi(100, {0x80, 60, 0});
  host->RunBlock(256);
  const auto out = host->Out();
  ASSERT_EQ(out.size(), 3u);
  for (const lv2host::MidiOut& m : out) EXPECT_EQ(m.frame, 100);
  EXPECT_TRUE(out[0].IsNoteOn() && out[0].bytes[1] == 60);
  EXPECT_TRUE(out[1].IsNoteOn() && out[1].bytes[1] == 64);
  EXPECT_TRUE(out[2].IsNoteOff() && out[2].bytes[1] == 60);
}

TEST(Lv2Robustness, EventsAndSequencesClaimingMoreBytesThanThereAre) {
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  alignas(8) uint8_t buffer[128] = {};
  auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(buffer);
  seq->atom.type = host->Map(LV2_ATOM__Sequence);
  auto* first = reinterpret_cast<LV2_Atom_Event*>(seq + 1);
  first->time.frames = 0;
  first->body.type = host->Map(LV2_MIDI__MidiEvent);
  first->body.size = 3;
  const uint8_t note[3] = {0x90, 60, 100};
  std::memcpy(first + 1, note, 3);
  auto* second = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(first + 1) + 8);
  second->time.frames = 1;
  second->body.type = host->Map(LV2_MIDI__MidiEvent);
  second->body.size = 0x7FFFFFF0;
  seq->atom.size = static_cast<uint32_t>(sizeof(LV2_Atom_Sequence_Body) + 2 * sizeof(LV2_Atom_Event) + 8 + 8);
  host->ConnectRaw(kPortMidiIn, buffer);
  host->RunBlock(64);
  host->ReconnectAll();
  for (int i = 0; i < 20; ++i) host->RunBlock(512);
  EXPECT_GT(host->Out().size(), 0u) << "the key before the event that claims too much plays";
  // A sequence claiming more than the buffers the host said it has (1 MiB): read up to their end.
  std::vector<uint64_t> large((1 << 20) / 8, 0);
  std::memcpy(large.data(), buffer, sizeof buffer);
  reinterpret_cast<uint8_t*>(large.data())[sizeof(LV2_Atom_Sequence) + sizeof(LV2_Atom_Event)] = 0x80;  // the key up
  reinterpret_cast<LV2_Atom_Sequence*>(large.data())->atom.size = 0xFFFFFFF0u;
  host->ConnectRaw(kPortMidiIn, large.data());
  host->RunBlock(64);
  host->ReconnectAll();
  for (int i = 0; i < 200; ++i) host->RunBlock(512);
  EXPECT_EQ(Sounding(host->Out()), 0);
}

TEST(Lv2Robustness, AnOutputBufferTooSmallTakesWhatFits) {
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  ASSERT_EQ(host->RestoreProperties({lv2test::ThruBank()}), 0);
  host->RunBlock(64);
  // Room for two events of 24 bytes after the sequence's header: one note, and room for its end.
  host->SetOutputCapacity(sizeof(LV2_Atom) + sizeof(LV2_Atom_Sequence_Body) + 2 * 24);
  for (int n : {60, 64, 67}) host->SendMidi(0, {0x90, static_cast<uint8_t>(n), 100});
  host->RunBlock(64);
  EXPECT_EQ(host->Out().size(), 1u);
  host->ClearOut();
  host->SetOutputCapacity(sizeof(LV2_Atom) + 4);  // not even the sequence's header
  host->SendMidi(0, {0x80, 60, 0});
  host->RunBlock(64);
  EXPECT_TRUE(host->Out().empty());
}

TEST(Lv2Robustness, AbsurdPositionsAreIgnoredAndTheLastSaneValuesKept) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  lv2host::Position absurd;
  absurd.bpm = nan;
  absurd.speed = nan;
  absurd.bar = -1e300;
  absurd.barBeat = inf;
  absurd.beatsPerBar = 0;
  absurd.beatUnit = -4;
  absurd.frame = std::numeric_limits<int64_t>::min();
  lv2host::Position zeroTempo;
  zeroTempo.bpm = 0;
  zeroTempo.speed = 1;
  for (const lv2host::Position& p : {absurd, zeroTempo}) {
    auto host = lv2test::StartedHost();
    ASSERT_TRUE(host);
    host->SendPosition(0, lv2test::PositionAt(0, kRate, 120, true));
    host->SendMidi(0, {0x90, 60, 100});
    host->RunBlock(512);
    host->SendPosition(100, p);
    for (int i = 0; i < 100; ++i) host->RunBlock(512);
    EXPECT_GT(host->Out().size(), 10u) << "the pattern plays on";
    host->SendMidi(0, {0x80, 60, 0});
    host->SendPosition(0, lv2test::PositionAt(0, kRate, 120, false));
    for (int i = 0; i < 200; ++i) host->RunBlock(512);
    EXPECT_EQ(Sounding(host->Out()), 0);
    ExpectFramesInBlocks(*host, 512);
  }
}

TEST(Lv2Robustness, DeactivatedWithNotesSoundingTheKeysAreLetGoAtTheNextRun) {
  // The host held a triad, deactivated the plug-in and dropped the key-ups meanwhile. At the
  // next run the keys are let go: the notes sounding end, and the pattern stops.
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  host->SendPosition(0, lv2test::PositionAt(0, kRate, 120, true));
  for (int n : {60, 64, 67}) host->SendMidi(0, {0x90, static_cast<uint8_t>(n), 100});
  for (int i = 0; i < 50 && (i < 10 || Sounding(host->Out()) == 0); ++i) host->RunBlock(512);
  ASSERT_GT(Sounding(host->Out()), 0) << "a note should sound when the host deactivates";
  host->Deactivate();
  host->Activate();
  host->ClearOut();
  for (int i = 0; i < 200; ++i) host->RunBlock(512);
  EXPECT_EQ(Sounding(host->Out()), 0);
  int lateOns = 0;
  for (const lv2host::MidiOut& m : host->Out()) lateOns += m.IsNoteOn() && m.block > 30;
  EXPECT_EQ(lateOns, 0) << "the pattern goes on without keys";
}

TEST(Lv2Robustness, WithoutHostTimeTheOwnClockPlaysAsWithAStoppedTransport) {
  // The list the VST 2.x module keeps for a host that gives no time at all.
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  ASSERT_EQ(host->RestoreProperties({lv2test::BankProperty(nullptr)}), 0);
  host->SendMidi(0, {0x90, 60, 100});
  const int blocks = static_cast<int>(std::ceil((4 * 5512.5 + 512) / 64)) + 1;
  for (int i = 0; i < blocks; ++i) host->RunBlock(64);
  EXPECT_TRUE(lv2test::MatchesKeptList("ArpPattern/AHostWithoutTimeStillArpeggiates.no-time-information",
                                       lv2test::SentEvents(*host, 64)));
}

TEST(Lv2Robustness, AHostWithoutUridMapGetsNoInstance) {
  lv2host::Host host;
  lv2host::Features features;
  features.map = false;
  EXPECT_FALSE(host.Start(kRate, 512, features));
}

}  // namespace
