// Every step at any buffer size, on its exact frame. The same input and program rendered through
// the binary interface with blocks of 1 to 8192 frames give the same events in the same order,
// each at the same sample position within one frame. A block of one frame is the reference:
// there the clock is read at every frame. Input lands anywhere inside a block, at its frame.
// What every block size sends is also held against the list kept in tests/golden/ExactTiming.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/binary/ArpScript.h"
#include "tests/binary/Timeline.h"
#include "tests/support/GoldenList.h"

namespace {

using arp::Script;
using timeline::At;
using timeline::Sent;

constexpr int kBlockSizes[] = {1, 32, 64, 256, 512, 1024, 2048, 4096, 8192};
constexpr int kKeyGrid = 4096;

struct KeyChange {
  long sample;
  std::vector<int> down, up;
};

struct Case {
  const char* what;
  std::function<void(Script&)> setup;  // parameter writes, before any block
  std::vector<KeyChange> keys;
  long length;  // samples rendered
  bool playing = true;
  double tempo = 140;
  std::vector<At> other = {};  // more incoming messages, in sample order
  // Steps that fall halfway between two frames may take either, by where blocks start: such a
  // case keeps a list for each block size instead of one for all.
  bool listPerBlockSize = false;
};

std::vector<Sent> Render(const Case& c, int blockSize) {
  Script s(blockSize);
  EXPECT_NE(s.fx, nullptr) << s.host.LastError();
  if (s.fx == nullptr) return {};
  s.host.transport.tempo = c.tempo;
  s.host.transport.playing = c.playing;
  c.setup(s);
  std::vector<At> events;
  for (const KeyChange& k : c.keys) {
    for (int n : k.up) events.push_back({k.sample, vst2host::NoteOff(0, n)});
    for (int n : k.down) events.push_back({k.sample, vst2host::NoteOn(0, n, 100)});
  }
  events.insert(events.end(), c.other.begin(), c.other.end());
  std::stable_sort(events.begin(), events.end(), [](const At& a, const At& b) { return a.sample < b.sample; });
  return timeline::Play(s, events, c.length, blockSize);
}

// Controller 1 and pitch bend moving inside blocks: a value every `every` samples.
std::vector<At> Ramps(long length, long every) {
  std::vector<At> r;
  for (long t = 37, i = 0; t < length; t += every, ++i) {
    r.push_back({t, vst2host::Controller(0, 1, static_cast<int>(i % 128))});
    r.push_back({t + every / 3, vst2host::MidiIn{0xE0, static_cast<uint8_t>(i % 128), static_cast<uint8_t>((i / 2) % 128)}});
  }
  return r;
}

// Events in frame order; at one frame note-offs before note-ons.
void ExpectFrameOrder(const std::vector<Sent>& events, const std::string& what) {
  for (size_t i = 1; i < events.size(); ++i) {
    EXPECT_LE(events[i - 1].sample, events[i].sample) << what << " event " << i;
    const bool onThenOff = (events[i - 1].status & 0xF0) == 0x90 && (events[i].status & 0xF0) == 0x80 &&
                           events[i - 1].data1 != events[i].data1;
    EXPECT_FALSE(events[i - 1].sample == events[i].sample && onThenOff)
        << what << ": a note-on before a note-off at sample " << events[i].sample;
  }
}

std::vector<golden::Event> AsGolden(const std::vector<Sent>& events) {
  std::vector<golden::Event> list;
  for (const Sent& e : events) list.push_back({e.sample, e.status, e.data1, e.data2});
  return list;
}

// Every block size sends exactly the list kept for the case in tests/golden/ExactTiming.
testing::AssertionResult MatchesGolden(const Case& c, const std::vector<Sent>& events, int blockSize) {
  std::string name = "ExactTiming/" + golden::Slug(c.what);
  std::string header = "ExactTiming.EveryBlockSizePlaysTheSameNotesOnTheSameFrames, ";
  header.append(c.what).append(": blocks of ");
  if (c.listPerBlockSize) {
    name.append(".blocks-").append(std::to_string(blockSize));
    header.append(std::to_string(blockSize)).append(" frames at 44100 Hz");
  } else {
    header.append("any size at 44100 Hz");
  }
  return golden::MatchesList(name, header, AsGolden(events));
}

void ExpectSameAsReference(const Case& c) {
  const std::vector<Sent> reference = Render(c, 1);
  ASSERT_FALSE(reference.empty()) << c.what;
  ExpectFrameOrder(reference, c.what);
  EXPECT_TRUE(MatchesGolden(c, reference, 1));
  for (int blockSize : kBlockSizes) {
    if (blockSize == 1) continue;
    const std::vector<Sent> events = Render(c, blockSize);
    const std::string what = std::string(c.what) + ", blocks of " + std::to_string(blockSize);
    ExpectFrameOrder(events, what);
    EXPECT_TRUE(MatchesGolden(c, events, blockSize)) << what;
    ASSERT_EQ(events.size(), reference.size()) << what;
    for (size_t i = 0; i < events.size(); ++i) {
      const Sent &e = events[i], &r = reference[i];
      EXPECT_TRUE(e.status == r.status && e.data1 == r.data1 && e.data2 == r.data2 && std::labs(e.sample - r.sample) <= 1)
          << what << ": event " << i << " is " << e << ", reference " << r;
    }
  }
}

void Steps(Script& s, int base, std::initializer_list<int> values) { s.SetSteps(base, values); }

TEST(ExactTiming, EveryBlockSizePlaysTheSameNotesOnTheSameFrames) {
  const long twoBars = 8 * 44100 * 60 / 140;  // 151200 samples at 140 quarter notes per minute
  const std::vector<KeyChange> triad = {{0, {60, 64, 67}, {}}};
  const Case cases[] = {
      {"held triad at 1/48", [](Script& s) { s.Set(tagSync, 0); }, triad, twoBars},
      {"chord steps at 1/32, half gate",
       [](Script& s) {
         s.Set(tagSync, 1);
         s.Set(tagGate, 50);
         for (int i = 0; i < 16; ++i) s.Set(tagKey_select + i, 6);
       },
       triad, twoBars},
      {"swing +30 at 1/16", [](Script& s) { s.Set(tagSwing, 30); }, triad, twoBars},
      {"swing -40 at 1/32", [](Script& s) {
         s.Set(tagSwing, -40);
         s.Set(tagSync, 1);
       }, triad, twoBars},
      {"three-part rate 3/32 with 7 steps",  // a step is 7087.5 samples
       [](Script& s) {
         s.Set(tagSync, 9);
         s.Set(tagSteps, 7);
       },
       triad, twoBars, true, 140, {}, true},
      {"rests and ties",
       [](Script& s) {
         s.Set(tagSteps, 6);
         s.Set(tagGate, 70);
         Steps(s, tagStep_mode, {1, 2, 1, 3, 0, 1});
         Steps(s, tagKey_select, {1, 2, 3, 1, 2, 6});
       },
       triad, twoBars},
      {"restart on key, key mid-bar",
       [](Script& s) {
         s.Set(tagRestartOnKey, 1);
         s.Set(tagInQuantize, 0);
         s.Set(tagSync, 1);
       },
       {{3 * kKeyGrid, {60, 64}, {}}}, twoBars},
      {"restart on key snapped to the beat",
       [](Script& s) {
         s.Set(tagRestartOnKey, 1);
         s.Set(tagInQuantize, 5);
       },
       {{5 * kKeyGrid, {62}, {}}}, twoBars},
      {"input quantize 2 steps with keys changing",
       [](Script& s) {
         s.Set(tagInQuantize, 2);
         s.Set(tagSync, 1);
         for (int i = 0; i < 16; ++i) s.Set(tagKey_select + i, 1 + i % 3);
       },
       {{0, {60, 64}, {}}, {4 * kKeyGrid, {67}, {60}}, {9 * kKeyGrid, {}, {64, 67}}}, twoBars},
      {"input quantize none, keys changing",
       [](Script& s) { s.Set(tagInQuantize, 0); },
       {{0, {60}, {}}, {2 * kKeyGrid, {65}, {60}}, {7 * kKeyGrid, {}, {65}}, {11 * kKeyGrid, {72}, {}}}, twoBars},
      {"page lock on the second page of 32 steps",
       [](Script& s) {
         s.Set(tagSteps, 32);
         s.Set(tagSync, 1);
         s.Set(tagLockPage, 1);
         s.Set(tagSelectedPage, 1);
         for (int i = 0; i < 32; ++i) s.Set(tagVelocity + i, 20 + i);
       },
       triad, twoBars},
      {"a chain of three programs advancing on each wrap",
       [](Script& s) {
         for (int program : {2, 4, 6}) {
           s.host.SetProgram(program);
           s.Set(tagSteps, 4 + program);
           s.Set(tagSync, 1);
           s.Set(tagVelocity, 30 + program);
         }
         s.host.SetProgram(0);
         s.host.SetParam(tagCurChain, 1.0f / 8.0f);  // chain 1
         s.Set(tagChainProg + 0, 3);
         s.Set(tagChainProg + 1, 5);
         s.Set(tagChainProg + 2, 7);
       },
       triad, twoBars},
      {"own clock with the transport stopped, then the key wait", [](Script& s) { s.Set(tagSync, 1); },
       {{0, {60, 67}, {}}, {6 * kKeyGrid, {}, {60, 67}}, {7 * kKeyGrid, {64}, {}}, {9 * kKeyGrid, {}, {64}}},
       2 * twoBars, false},
      // Input inside blocks, at frames no block size divides.
      {"keys pressed and released inside blocks, input quantize none",
       [](Script& s) { s.Set(tagInQuantize, 0); },
       {{1234, {60}, {}}, {12101, {64}, {}}, {29899, {}, {60}}, {40013, {67, 72}, {64}}, {77777, {}, {67}},
        {99001, {}, {72}}, {120003, {65}, {}}},
       twoBars},
      {"keys inside blocks with input quantize 1 step and restart on key",
       [](Script& s) { s.Set(tagRestartOnKey, 1); },
       {{2999, {60, 64}, {}}, {31111, {}, {60, 64}}, {45678, {62}, {}}, {88889, {67}, {62}}}, twoBars},
      {"own clock started and stopped by keys inside blocks", [](Script& s) { s.Set(tagSync, 0); },
       {{777, {60}, {}}, {20001, {}, {60}}, {30303, {64, 67}, {}}, {50505, {}, {64, 67}}, {120000, {62}, {}},
        {130001, {}, {62}}},
       2 * twoBars, false},
      {"thru notes, controller 1 and pitch bend inside blocks",
       [](Script& s) {
         s.Set(tagArpEnabled, 0);
         s.Set(tagMIDIThruOn, 1);
       },
       {{3000, {60}, {}}, {4000, {}, {60}}, {5001, {64, 67}, {}}, {9999, {}, {64}}, {70001, {}, {67}}}, twoBars,
       true, 140, Ramps(twoBars, 701)},
  };
  for (const Case& c : cases) ExpectSameAsReference(c);
}

TEST(ExactTiming, StepsLandOnTheGridAtEveryBlockSize) {
  // 140 quarter notes per minute at 44.1 kHz and 1/48: a step is exactly 1575 samples. A held
  // triad plays 96 steps in two bars, each on its own frame, with the accented first step too.
  for (int blockSize : kBlockSizes) {
    Script s(blockSize);
    ASSERT_NE(s.fx, nullptr) << s.host.LastError();
    s.host.transport.tempo = 140;
    s.Set(tagSync, 0);
    s.Set(tagVelocity, 127);
    s.Keys({60, 64, 67});
    s.Clear();
    constexpr long kTwoBars = 8 * 44100 * 60 / 140;
    s.Play(static_cast<int>((kTwoBars + blockSize - 1) / blockSize));
    std::vector<long> onsets;
    std::vector<int> velocities;
    for (const vst2host::MidiOut& m : s.host.MidiOutEvents()) {
      const long sample = static_cast<long>(m.block) * blockSize + m.deltaFrames;
      if (!m.IsNoteOn() || sample >= kTwoBars) continue;
      onsets.push_back(sample);
      velocities.push_back(m.bytes[2]);
    }
    ASSERT_EQ(onsets.size(), 96u) << "blocks of " << blockSize;
    // Within a frame: positions are single precision, as the host's song position is taken.
    for (size_t k = 0; k < onsets.size(); ++k)
      EXPECT_NEAR(onsets[k], 1575 * static_cast<long>(k), 1) << "blocks of " << blockSize << ", step " << k;
    EXPECT_EQ(velocities[0], 127) << "the accented first step, blocks of " << blockSize;
  }
}

TEST(ExactTiming, EveryDownbeatOfALongSongPlaysTheNewChord) {
  // I-vi-IV-V, a chord per bar, changed on the bar line; every step plays the lowest key. The
  // downbeat step takes the keys of the chord that changes on its own frame, at the song's
  // start and three hours in, at every common sample rate. The host reports its position in
  // double precision, as hosts do.
  const std::vector<std::vector<int>> chords = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
  constexpr int kBlock = 512;
  constexpr int kBars = 12;
  for (double rate : {44100.0, 48000.0, 96000.0}) {
    for (double startBeat : {0.0, 21600.0}) {  // 21600 quarter notes: three hours at 120
      const std::string what = std::to_string(static_cast<int>(rate)) + " Hz from beat " + std::to_string(startBeat);
      Script s(kBlock, rate);
      ASSERT_NE(s.fx, nullptr) << s.host.LastError();
      s.Set(tagSortOrder, 2);  // by pitch: key 1 is the lowest
      const long bar = static_cast<long>(2 * rate);
      const double startSample = startBeat * rate / 2;
      std::vector<At> events;
      for (int k = 0; k < kBars; ++k) {
        for (int n : chords[(k + 3) % 4])
          if (k > 0) events.push_back({k * bar, vst2host::NoteOff(0, n)});
        for (int n : chords[k % 4]) events.push_back({k * bar, vst2host::NoteOn(0, n, 100)});
      }
      s.Clear();
      const int first = s.Block();
      s.host.transport.playing = true;
      size_t next = 0;
      for (long t = 0; t < kBars * bar; t += kBlock) {
        std::vector<vst2host::MidiIn> list;
        for (; next < events.size() && events[next].sample < t + kBlock; ++next) {
          list.push_back(events[next].event);
          list.back().deltaFrames = static_cast<int32_t>(events[next].sample - t);
        }
        if (!list.empty()) s.host.SendMidi(list);
        s.host.transport.samplePos = startSample + t;
        s.host.transport.ppq = (startSample + t) / rate * 2;
        s.host.RunBlock(kBlock);
      }
      int downbeats = 0;
      for (const auto& n : s.NoteOns()) {
        const long sample = static_cast<long>(n.block - first) * kBlock + n.frame;
        if (sample % bar != 0 || sample >= kBars * bar) continue;
        ++downbeats;
        EXPECT_EQ(n.pitch, chords[(sample / bar) % 4][0]) << what << ", bar " << sample / bar + 1;
      }
      EXPECT_EQ(downbeats, kBars) << what << ": every downbeat on the bar's first frame";
    }
  }
}

TEST(ExactTiming, LateInALongSongNoStepIsLostOrPlayedTwice) {
  // Three hours in, a song position in single precision is coarser than a frame: where one
  // block's clock ended and the next block's host position begins may differ by dozens of
  // frames. Each step still plays once, about a step after the one before.
  for (int blockSize : {64, 4096}) {
    Script s(blockSize);
    ASSERT_NE(s.fx, nullptr) << s.host.LastError();
    s.host.transport.ppq = 21600.25;
    s.host.transport.samplePos = 21600.25 * 22050;
    s.Set(tagSync, 0);  // 1/48: a step is 1837.5 samples at 120 quarter notes per minute
    s.Keys({60, 64, 67});
    s.Play(8 * 22050 / blockSize);
    const auto ons = s.NoteOns();
    ASSERT_GE(ons.size(), 94u) << "blocks of " << blockSize;
    ASSERT_LE(ons.size(), 97u) << "blocks of " << blockSize;
    for (size_t i = 1; i < ons.size(); ++i) {
      const long gap = s.Sample(ons[i]) - s.Sample(ons[i - 1]);
      EXPECT_GT(gap, 1837 / 2) << "blocks of " << blockSize << ", note " << i;
      EXPECT_LT(gap, 1837 * 3 / 2) << "blocks of " << blockSize << ", note " << i;
    }
  }
}

}  // namespace
