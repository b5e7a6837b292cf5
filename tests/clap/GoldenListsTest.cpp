// The CLAP build sends what the VST 2.x build sends: the same notes and messages on the same
// frames as the lists kept in tests/golden/ExactTiming, at several block sizes, with keys,
// controllers and bends inside blocks, whether the host's ports take MIDI or only CLAP notes.
// And a parameter value inside a block acts on its own frame: every block size plays what
// single-frame blocks play.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/clap/ClapScript.h"

namespace {

using clapscript::At;
using clapscript::Down;
using clapscript::Script;
using clapscript::Up;

constexpr int kKeyGrid = 4096;
constexpr long kTwoBars = 8 * 44100 * 60 / 140;  // 151200 samples at 140 quarter notes per minute

struct Case {
  const char* what;  // the configuration's name in ExactTiming
  std::function<void(Script&)> setup;
  std::vector<At> events;
  long length = kTwoBars;
  bool playing = true;
};

std::vector<At> Keys(std::initializer_list<std::tuple<long, std::vector<int>, std::vector<int>>> changes) {
  std::vector<At> events;
  for (const auto& [sample, down, up] : changes) {
    for (int k : up) events.push_back(Up(sample, k));
    for (int k : down) events.push_back(Down(sample, k));
  }
  return events;
}

std::vector<golden::Event> Render(const Case& c, int blockSize, uint32_t dialects) {
  Script s(dialects);
  if (!s.ok) return {};
  s.host.transport.tempo = 140;
  s.host.transport.playing = c.playing;
  c.setup(s);
  std::vector<At> events = c.events;
  std::stable_sort(events.begin(), events.end(), [](const At& a, const At& b) { return a.sample < b.sample; });
  return s.Render(events, c.length, blockSize);
}

// Controller 1 and pitch bend moving inside blocks, as ExactTiming has them.
std::vector<At> Ramps(long length, long every) {
  std::vector<At> r;
  for (long t = 37, i = 0; t < length; t += every, ++i) {
    r.push_back(clapscript::Message(t, 0xB0, 1, static_cast<int>(i % 128)));
    r.push_back(clapscript::Message(t + every / 3, 0xE0, static_cast<int>(i % 128), static_cast<int>((i / 2) % 128)));
  }
  return r;
}

TEST(ClapGolden, EveryBlockSizeSendsTheKeptListsThroughEitherDialect) {
  const std::vector<At> triad = Keys({{0, {60, 64, 67}, {}}});
  std::vector<At> thru = Keys({{3000, {60}, {}}, {4000, {}, {60}}, {5001, {64, 67}, {}}, {9999, {}, {64}}, {70001, {}, {67}}});
  const std::vector<At> ramps = Ramps(kTwoBars, 701);
  thru.insert(thru.end(), ramps.begin(), ramps.end());
  const Case cases[] = {
      {"held triad at 1/48", [](Script& s) { s.Set(tagSync, 0); }, triad},
      {"swing +30 at 1/16", [](Script& s) { s.Set(tagSwing, 30); }, triad},
      {"rests and ties",
       [](Script& s) {
         s.Set(tagSteps, 6);
         s.Set(tagGate, 70);
         const int modes[] = {1, 2, 1, 3, 0, 1}, keys[] = {1, 2, 3, 1, 2, 6};
         for (int i = 0; i < 6; ++i) {
           s.Set(tagStep_mode + i, modes[i]);
           s.Set(tagKey_select + i, keys[i]);
         }
       },
       triad},
      {"a chain of three programs advancing on each wrap",
       [](Script& s) {
         for (int program : {2, 4, 6}) {
           s.SelectProgram(program);
           s.Set(tagSteps, 4 + program);
           s.Set(tagSync, 1);
           s.Set(tagVelocity, 30 + program);
         }
         s.SelectProgram(0);
         s.Set(tagCurChain, 1);
         s.Set(tagChainProg + 0, 3);
         s.Set(tagChainProg + 1, 5);
         s.Set(tagChainProg + 2, 7);
       },
       triad},
      {"keys pressed and released inside blocks, input quantize none", [](Script& s) { s.Set(tagInQuantize, 0); },
       Keys({{1234, {60}, {}}, {12101, {64}, {}}, {29899, {}, {60}}, {40013, {67, 72}, {64}}, {77777, {}, {67}},
             {99001, {}, {72}}, {120003, {65}, {}}})},
      {"keys inside blocks with input quantize 1 step and restart on key", [](Script& s) { s.Set(tagRestartOnKey, 1); },
       Keys({{2999, {60, 64}, {}}, {31111, {}, {60, 64}}, {45678, {62}, {}}, {88889, {67}, {62}}})},
      {"own clock started and stopped by keys inside blocks", [](Script& s) { s.Set(tagSync, 0); },
       Keys({{777, {60}, {}}, {20001, {}, {60}}, {30303, {64, 67}, {}}, {50505, {}, {64, 67}}, {120000, {62}, {}},
             {130001, {}, {62}}}),
       2 * kTwoBars, false},
      {"input quantize 2 steps with keys changing",
       [](Script& s) {
         s.Set(tagInQuantize, 2);
         s.Set(tagSync, 1);
         for (int i = 0; i < 16; ++i) s.Set(tagKey_select + i, 1 + i % 3);
       },
       Keys({{0, {60, 64}, {}}, {4 * kKeyGrid, {67}, {60}}, {9 * kKeyGrid, {}, {64, 67}}})},
      {"thru notes, controller 1 and pitch bend inside blocks",
       [](Script& s) {
         s.Set(tagArpEnabled, 0);
         s.Set(tagMIDIThruOn, 1);
       },
       thru},
  };
  struct Run {
    int blockSize;
    uint32_t dialects;
  };
  const Run runs[] = {{1, CLAP_NOTE_DIALECT_MIDI},
                      {37, CLAP_NOTE_DIALECT_CLAP},
                      {512, CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI},
                      {4096, CLAP_NOTE_DIALECT_CLAP}};
  for (const Case& c : cases) {
    for (const Run& run : runs) {
      const std::string what = std::string(c.what) + ", blocks of " + std::to_string(run.blockSize) +
                               (run.dialects & CLAP_NOTE_DIALECT_MIDI ? ", MIDI out" : ", CLAP notes out");
      EXPECT_TRUE(golden::MatchesList("ExactTiming/" + golden::Slug(c.what), "(kept by the VST 2.x tests)",
                                      Render(c, run.blockSize, run.dialects)))
          << what;
    }
  }
}

TEST(ClapGolden, ParameterValuesInsideBlocksActOnTheirFrames) {
  // Gate, velocity, sync, transpose and the program change at frames no block size divides,
  // while a triad plays through steps that end and begin around them. Single-frame blocks hold
  // every value at a block's start: what they send is what every block size must send.
  std::vector<At> events = Keys({{0, {60, 64, 67}, {}}});
  const std::pair<long, std::pair<int, int>> values[] = {
      {5003, {tagGate, 20}},       {9001, {tagVelocity, 40}},      {17777, {tagSync, 1}},
      {23456, {tagMTransp_semi, 5}}, {31000, {tagGate, 90}},       {40404, {clapscript::kProgram, 3}},
      {48888, {tagSync, 4}},       {61234, {tagMTransp_semi, -7}}, {70000, {clapscript::kProgram, 1}},
  };
  for (const auto& [sample, v] : values) events.push_back(clapscript::Value(sample, v.first, v.second));
  std::stable_sort(events.begin(), events.end(), [](const At& a, const At& b) { return a.sample < b.sample; });
  auto render = [&](int blockSize) {
    Script s;
    if (!s.ok) return std::vector<golden::Event>{};
    s.host.transport.tempo = 140;
    s.host.transport.playing = true;
    s.SelectProgram(2);  // program 3 plays at 1/8, so its change shows
    s.Set(tagSync, 4);
    s.SelectProgram(0);
    return s.Render(events, 80000, blockSize);
  };
  const std::vector<golden::Event> reference = render(1);
  ASSERT_GT(reference.size(), 40u);
  // The values took effect: after the transpose at 23456 the triad plays 5 semitones up (until
  // program 3 comes in at 40404), after 61234 7 down.
  bool up = false, down = false;
  for (const golden::Event& e : reference) {
    if ((e.status & 0xF0) != 0x90 || e.data2 == 0) continue;
    if (e.sample >= 23456 && e.sample < 40404) up = up || e.data1 == 65 || e.data1 == 69 || e.data1 == 72;
    if (e.sample >= 61234 && e.sample < 70000) down = down || e.data1 == 53 || e.data1 == 57 || e.data1 == 60;
  }
  EXPECT_TRUE(up && down);
  for (int blockSize : {64, 100, 1024, 4096, 8192}) {
    const std::vector<golden::Event> events2 = render(blockSize);
    EXPECT_EQ(golden::Difference(reference, events2), "") << "blocks of " << blockSize;
  }
}

}  // namespace
