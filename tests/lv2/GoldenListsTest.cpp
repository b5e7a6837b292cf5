// The kept event lists of tests/golden/ExactTiming through LV2: the same notes on the same frames
// as the VST 2.x module sends, at several block sizes, with the input inside blocks and with the
// transport's position told again inside blocks (the plug-in splits a block there). Then real
// position changes inside blocks (tempo, locate, start and stop), held against the VST 2.x module
// given the same changes at the same samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <tuple>
#include <string>
#include <vector>

#include "hosts/vst2/Host.h"
#include "tests/lv2/Lv2Session.h"
#include "tests/support/GoldenList.h"

namespace {

using lv2test::Set;

constexpr double kRate = 44100;
constexpr int kKeyGrid = 4096;
constexpr long kTwoBars = 8 * 44100 * 60 / 140;  // at 140 quarter notes per minute

struct In {
  long sample;
  std::vector<uint8_t> bytes;
};

struct Case {
  const char* what;  // the kept list's description
  std::function<void(TPlugin&)> setup;
  std::vector<In> input;  // in sample order
  long length;
  bool playing = true;
  bool listPerBlockSize = false;
};

In On(long sample, int note) { return {sample, {0x90, static_cast<uint8_t>(note), 100}}; }
In Off(long sample, int note) { return {sample, {0x80, static_cast<uint8_t>(note), 0}}; }

std::vector<In> Keys(std::initializer_list<std::tuple<long, std::vector<int>, std::vector<int>>> changes) {
  std::vector<In> list;
  for (const auto& [sample, down, up] : changes) {
    for (int n : up) list.push_back(Off(sample, n));
    for (int n : down) list.push_back(On(sample, n));
  }
  return list;
}

// Controller 1 and pitch bend moving inside blocks, a value every `every` samples.
std::vector<In> Ramps(long length, long every) {
  std::vector<In> r;
  for (long t = 37, i = 0; t < length; t += every, ++i) {
    r.push_back({t, {0xB0, 1, static_cast<uint8_t>(i % 128)}});
    r.push_back({t + every / 3, {0xE0, static_cast<uint8_t>(i % 128), static_cast<uint8_t>((i / 2) % 128)}});
  }
  return r;
}

void Steps(TPlugin& p, int base, std::initializer_list<int> values) {
  int step = 0;
  for (int v : values) Set(p, base + step++, v);
}

std::vector<Case> Cases() {
  const std::vector<In> triad = Keys({{0, {60, 64, 67}, {}}});
  std::vector<In> thru = Keys({{3000, {60}, {}}, {4000, {}, {60}}, {5001, {64, 67}, {}}, {9999, {}, {64}}, {70001, {}, {67}}});
  const std::vector<In> ramps = Ramps(kTwoBars, 701);
  thru.insert(thru.end(), ramps.begin(), ramps.end());
  std::stable_sort(thru.begin(), thru.end(), [](const In& a, const In& b) { return a.sample < b.sample; });
  return {
      {"held triad at 1/48", [](TPlugin& p) { Set(p, tagSync, 0); }, triad, kTwoBars},
      {"chord steps at 1/32, half gate",
       [](TPlugin& p) {
         Set(p, tagSync, 1);
         Set(p, tagGate, 50);
         for (int i = 0; i < 16; ++i) Set(p, tagKey_select + i, 6);
       },
       triad, kTwoBars},
      {"rests and ties",
       [](TPlugin& p) {
         Set(p, tagSteps, 6);
         Set(p, tagGate, 70);
         Steps(p, tagStep_mode, {1, 2, 1, 3, 0, 1});
         Steps(p, tagKey_select, {1, 2, 3, 1, 2, 6});
       },
       triad, kTwoBars},
      {"three-part rate 3/32 with 7 steps",
       [](TPlugin& p) {
         Set(p, tagSync, 9);
         Set(p, tagSteps, 7);
       },
       triad, kTwoBars, true, true},
      {"restart on key snapped to the beat",
       [](TPlugin& p) {
         Set(p, tagRestartOnKey, 1);
         Set(p, tagInQuantize, 5);
       },
       Keys({{5 * kKeyGrid, {62}, {}}}), kTwoBars},
      {"a chain of three programs advancing on each wrap",
       [](TPlugin& p) {
         for (int program : {2, 4, 6}) {
           p.SelectProgram(program);
           Set(p, tagSteps, 4 + program);
           Set(p, tagSync, 1);
           Set(p, tagVelocity, 30 + program);
         }
         p.SelectProgram(0);
         p.SetNormalized(tagCurChain, 1.0f / 8.0f);  // chain 1
         Set(p, tagChainProg + 0, 3);
         Set(p, tagChainProg + 1, 5);
         Set(p, tagChainProg + 2, 7);
       },
       triad, kTwoBars},
      {"keys pressed and released inside blocks, input quantize none",
       [](TPlugin& p) { Set(p, tagInQuantize, 0); },
       Keys({{1234, {60}, {}}, {12101, {64}, {}}, {29899, {}, {60}}, {40013, {67, 72}, {64}}, {77777, {}, {67}},
             {99001, {}, {72}}, {120003, {65}, {}}}),
       kTwoBars},
      {"own clock started and stopped by keys inside blocks", [](TPlugin& p) { Set(p, tagSync, 0); },
       Keys({{777, {60}, {}}, {20001, {}, {60}}, {30303, {64, 67}, {}}, {50505, {}, {64, 67}}, {120000, {62}, {}},
             {130001, {}, {62}}}),
       2 * kTwoBars, false},
      {"thru notes, controller 1 and pitch bend inside blocks",
       [](TPlugin& p) {
         Set(p, tagArpEnabled, 0);
         Set(p, tagMIDIThruOn, 1);
       },
       thru, kTwoBars},
  };
}

std::vector<golden::Event> Sent(const lv2host::Host& host, int blockSize, long length) {
  std::vector<golden::Event> sent;
  for (const lv2host::MidiOut& m : host.Out()) {
    EXPECT_GE(m.frame, 0);
    EXPECT_LT(m.frame, blockSize);
    const long long sample = static_cast<long long>(m.block) * blockSize + m.frame;
    if (sample < length) sent.push_back({sample, m.bytes[0], m.bytes[1], m.bytes[2]});
  }
  return sent;
}

// Plays a case in blocks of `blockSize`. The transport's position comes at the first frame;
// with `retell`, it is told again, unchanged, at a frame inside every third block.
std::vector<golden::Event> Render(const Case& c, int blockSize, bool retell) {
  auto host = lv2test::StartedHost(kRate, std::max(blockSize, 8192));
  if (!host) return {};
  EXPECT_EQ(host->RestoreProperties({lv2test::BankProperty(c.setup)}), 0);
  size_t next = 0;
  for (long start = 0, block = 0; start < c.length; start += blockSize, ++block) {
    const long retellAt = retell && block % 3 == 1 && blockSize > 1 ? blockSize * 3 / 7 : -1;
    if (start == 0) host->SendPosition(0, lv2test::PositionAt(0, kRate, 140, c.playing));
    bool told = false;
    for (; next < c.input.size() && c.input[next].sample < start + blockSize; ++next) {
      const long frame = c.input[next].sample - start;
      if (!told && retellAt >= 0 && frame >= retellAt) {
        host->SendPosition(retellAt, lv2test::PositionAt(start + retellAt, kRate, 140, c.playing));
        told = true;
      }
      host->SendMidi(frame, c.input[next].bytes);
    }
    if (!told && retellAt >= 0) host->SendPosition(retellAt, lv2test::PositionAt(start + retellAt, kRate, 140, c.playing));
    host->RunBlock(static_cast<uint32_t>(blockSize));
  }
  return Sent(*host, blockSize, c.length);
}

testing::AssertionResult MatchesKept(const Case& c, const std::vector<golden::Event>& sent, int blockSize,
                                     bool slack = false) {
  std::string name = "ExactTiming/" + golden::Slug(c.what);
  if (c.listPerBlockSize) name += ".blocks-" + std::to_string(blockSize);
  return lv2test::MatchesKeptList(name, sent, slack) << ", blocks of " << blockSize;
}

TEST(Lv2GoldenLists, TheKeptListsPlayThroughLv2AtEveryBlockSize) {
  for (const Case& c : Cases())
    for (int blockSize : {1, 64, 256, 4096}) {
      if (blockSize == 1 && c.length > kTwoBars) continue;  // the own clock's long case: larger blocks
      EXPECT_TRUE(MatchesKept(c, Render(c, blockSize, false), blockSize)) << c.what;
    }
}

TEST(Lv2GoldenLists, APositionToldAgainInsideABlockChangesNothing) {
  for (const Case& c : Cases())
    for (int blockSize : {64, 512, 4096}) {
      if (c.listPerBlockSize && blockSize == 512) continue;  // no list kept for 512 of this case
      EXPECT_TRUE(MatchesKept(c, Render(c, blockSize, true), blockSize, c.listPerBlockSize))
          << c.what << ", position told again";
    }
}

// A change of the host's transport at a sample: tempo, song position, rolling or not.
struct TransportChange {
  long sample;
  double bpm;
  bool playing;
  double ppq = -1;  // where the song jumps to; -1: it goes on from where it is
};

TEST(Lv2GoldenLists, PositionChangesInsideBlocksPlayAsTheVst2ModulePlaysThem) {
  // A held triad at 1/16 through a tempo change, a locate, a stop and a start. The VST 2.x
  // module hears each change at the start of a 64-frame block; the LV2 plug-in at its frame
  // inside blocks of 1000 and 4096 frames. Both send the same notes on the same samples.
  const std::vector<TransportChange> changes = {
      {0, 120, true}, {20032, 150, true}, {40000, 150, true, 33.25}, {60032, 150, false}, {70016, 100, true, 40.0}};
  constexpr long kLength = 100032;
  constexpr int kVstBlock = 64;
  const auto setup = [](TPlugin& p) {
    Set(p, tagSync, 3);
    Set(p, tagGate, 60);
  };

  // VST 2.x: the changes at block starts, the song position noted where each takes effect.
  vst2host::Host vst;
  ASSERT_NE(vst.Start(kRate, kVstBlock), nullptr) << vst.LastError();
  vst.SetProgram(0);
  vst.SetParam(tagSync, 3.0f / 11.0f);
  vst.SetParam(tagGate, 59.0f / 99.0f);
  vst.SendMidi({vst2host::NoteOn(0, 60, 100), vst2host::NoteOn(0, 64, 100), vst2host::NoteOn(0, 67, 100)});
  std::vector<double> ppqAt;
  size_t next = 0;
  for (long t = 0; t < kLength; t += kVstBlock) {
    if (next < changes.size() && changes[next].sample == t) {
      const TransportChange& c = changes[next++];
      vst.transport.tempo = c.bpm;
      vst.transport.playing = c.playing;
      if (c.ppq >= 0) vst.transport.ppq = c.ppq;
      ppqAt.push_back(vst.transport.ppq);
    }
    vst.RunBlock(kVstBlock);
  }
  ASSERT_EQ(ppqAt.size(), changes.size());
  std::vector<golden::Event> expected;
  for (const vst2host::MidiOut& m : vst.MidiOutEvents())
    expected.push_back({static_cast<long long>(m.block) * kVstBlock + m.deltaFrames, m.bytes[0], m.bytes[1], m.bytes[2]});
  ASSERT_GT(expected.size(), 20u);

  for (int blockSize : {1000, 4096}) {
    auto host = lv2test::StartedHost(kRate);
    ASSERT_TRUE(host);
    ASSERT_EQ(host->RestoreProperties({lv2test::BankProperty(setup)}), 0);
    host->SendMidi(0, {0x90, 60, 100});
    host->SendMidi(0, {0x90, 64, 100});
    host->SendMidi(0, {0x90, 67, 100});
    size_t change = 0;
    for (long start = 0; start < kLength; start += blockSize) {
      for (; change < changes.size() && changes[change].sample < start + blockSize; ++change) {
        const TransportChange& c = changes[change];
        lv2host::Position p;
        p.bpm = c.bpm;
        p.speed = c.playing ? 1.0 : 0.0;
        p.beatsPerBar = 4;
        p.beatUnit = 4;
        p.bar = std::floor(ppqAt[change] / 4);
        p.barBeat = ppqAt[change] - *p.bar * 4;
        p.frame = c.sample;
        host->SendPosition(c.sample - start, p);
      }
      host->RunBlock(static_cast<uint32_t>(std::min<long>(blockSize, kLength - start)));
    }
    std::vector<golden::Event> sent;
    for (const lv2host::MidiOut& m : host->Out())
      sent.push_back({static_cast<long long>(m.block) * blockSize + m.frame, m.bytes[0], m.bytes[1], m.bytes[2]});
    EXPECT_EQ(golden::Difference(expected, sent), "") << "blocks of " << blockSize;
  }
}

}  // namespace
