// Incoming MIDI takes effect at its own frame inside the block, whatever the block size: keys
// reach the key filter there, thru notes and passed messages leave there, and at one frame the
// input goes before the step. Lists out of frame order, or with frames outside the block, are
// brought into it in frame order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/binary/ArpScript.h"
#include "tests/binary/Timeline.h"

namespace {

using arp::Script;
using timeline::At;
using timeline::Sent;

constexpr double kRate = 48000;  // a sixteenth at 120 quarter notes per minute is 6000 samples

std::vector<Sent> NoteEvents(const std::vector<Sent>& sent) {
  std::vector<Sent> r;
  for (const Sent& e : sent)
    if ((e.status & 0xE0) == 0x80) r.push_back(e);
  return r;
}

TEST(InputTiming, AKeyPlaysAndEndsOnItsOwnFrameAtEveryBlockSize) {
  // A key pressed at sample 12100 and released at 29900, 1/16 at 120 and 48 kHz.
  struct Case {
    int quantize;
    long firstOn;  // the first note-on
  };
  for (const Case& c : {Case{0, 12100}, Case{1, 18000}}) {
    for (int blockSize : {1, 32, 64, 256, 1024, 4096, 8192}) {
      const std::string what = "quantize " + std::to_string(c.quantize) + ", blocks of " + std::to_string(blockSize);
      Script s(blockSize, kRate);
      ASSERT_NE(s.fx, nullptr) << s.host.LastError();
      s.Set(tagInQuantize, c.quantize);
      s.host.transport.playing = true;
      std::vector<At> events;
      timeline::Keys(events, 12100, {60});
      timeline::Keys(events, 29900, {}, {60});
      const std::vector<Sent> notes = NoteEvents(timeline::Play(s, events, 40000, blockSize));
      ASSERT_FALSE(notes.empty()) << what;
      EXPECT_EQ(notes.front(), (Sent{c.firstOn, 0x90, 60, 96})) << what;
      if (c.quantize == 0) {
        EXPECT_EQ(notes.back(), (Sent{29900, 0x80, 60, 96})) << what << ": the key-up ends it";
      }
      for (const Sent& n : notes) EXPECT_GE(n.sample, 12100) << what << ": nothing before the key";
    }
  }
}

TEST(InputTiming, ThruNotesAndPassedMessagesLeaveOnTheirFrames) {
  Script s(4096, kRate);
  ASSERT_NE(s.fx, nullptr) << s.host.LastError();
  s.Set(tagArpEnabled, 0);
  s.Set(tagMIDIThruOn, 1);
  s.host.transport.playing = true;
  const std::vector<At> events = {
      {50, vst2host::MidiIn{0xE0, 0, 64}},  {100, vst2host::Controller(0, 1, 10)},
      {2000, vst2host::Controller(0, 1, 20)}, {3000, vst2host::NoteOn(0, 60, 90)},
      {4000, vst2host::NoteOff(0, 60)},      {4095, vst2host::MidiIn{0xD0, 33, 0}},
  };
  const std::vector<Sent> expected = {{50, 0xE0, 0, 64},   {100, 0xB0, 1, 10},   {2000, 0xB0, 1, 20},
                                      {3000, 0x90, 60, 90}, {4000, 0x80, 60, 0}, {4095, 0xD0, 33, 0}};
  EXPECT_EQ(timeline::Play(s, events, 4096, 4096), expected) << "a thru note of 1000 samples, inside one block";
}

TEST(InputTiming, AtOneFrameTheInputGoesBeforeTheStep) {
  // Steps every 6000 samples. At 12000 one key is released and another pressed in the same
  // list: the step there plays the new key. At 24000 the last key is released: that step is
  // silent. With input quantize "none" and "1 step" alike.
  for (int quantize : {0, 1}) {
    for (int blockSize : {64, 4096}) {
      const std::string what = "quantize " + std::to_string(quantize) + ", blocks of " + std::to_string(blockSize);
      Script s(blockSize, kRate);
      ASSERT_NE(s.fx, nullptr) << s.host.LastError();
      s.Set(tagInQuantize, quantize);
      s.host.transport.playing = true;
      std::vector<At> events;
      timeline::Keys(events, 0, {60});
      timeline::Keys(events, 12000, {64}, {60});
      timeline::Keys(events, 24000, {}, {64});
      std::vector<long> ons;
      std::vector<int> pitches;
      for (const Sent& n : NoteEvents(timeline::Play(s, events, 36000, blockSize)))
        if ((n.status & 0xF0) == 0x90) {
          ons.push_back(n.sample);
          pitches.push_back(n.data1);
        }
      EXPECT_EQ(ons, (std::vector<long>{0, 6000, 12000, 18000})) << what;
      EXPECT_EQ(pitches, (std::vector<int>{60, 60, 64, 64})) << what;
    }
  }
}

TEST(InputTiming, HostileFramesAreBroughtIntoTheBlockInFrameOrder) {
  // Frames before the block, past it, and a list out of order: each message takes effect inside
  // the block, in frame order, keeping the list's order among messages of one frame.
  Script s(1024, kRate);
  ASSERT_NE(s.fx, nullptr) << s.host.LastError();
  auto cc = [](int value, int frame) {
    vst2host::MidiIn e = vst2host::Controller(0, 1, value);
    e.deltaFrames = frame;
    return e;
  };
  s.Clear();
  s.host.SendMidi({cc(1, 700), cc(2, -50), cc(3, 5000), cc(4, 200), cc(5, 200), cc(6, 0), cc(7, 1 << 30)});
  s.host.RunBlock(1024);
  std::vector<std::vector<int>> got;
  for (const vst2host::MidiOut& m : s.host.MidiOutEvents()) got.push_back({m.bytes[2], m.deltaFrames});
  EXPECT_EQ(got, (std::vector<std::vector<int>>{{2, 0}, {6, 0}, {4, 200}, {5, 200}, {1, 700}, {3, 1023}, {7, 1023}}));
}

TEST(InputTiming, AListSentAfterAnotherTakesEffectAfterIt) {
  // Two lists before one block: the second, sent later, never takes effect ahead of the first,
  // whatever its frames say. A key pressed at frame 60 and released by a later list "at frame 0"
  // is released, so the arpeggiator plays nothing.
  Script s(64, kRate);
  ASSERT_NE(s.fx, nullptr) << s.host.LastError();
  s.host.transport.playing = true;
  vst2host::MidiIn down = vst2host::NoteOn(0, 50, 100), up = vst2host::NoteOff(0, 50);
  down.deltaFrames = 60;
  s.Clear();
  s.host.SendMidi({down});
  s.host.SendMidi({up});
  s.Play(400);
  EXPECT_EQ(s.Sounding(), 0);
  EXPECT_LE(s.NoteOns().size(), 1u) << "at most the note the key-down played at once";
}

TEST(InputTiming, ListsOfManyCallsAddUpAndNoneIsLost) {
  // Two lists before one block take effect together; a list longer than a block keeps still
  // reaches the engine whole, the part beyond at the block's start.
  Script s(512, kRate);
  ASSERT_NE(s.fx, nullptr) << s.host.LastError();
  s.Set(tagArpEnabled, 0);
  s.Set(tagMIDIThruOn, 1);
  s.Clear();
  std::vector<vst2host::MidiIn> flood;
  for (int i = 0; i < 5000; ++i) {
    flood.push_back(vst2host::NoteOn(0, 60 + i % 8, 100));
    flood.push_back(vst2host::NoteOff(0, 60 + i % 8));
  }
  s.host.SendMidi(flood);
  s.host.SendMidi({vst2host::NoteOn(0, 72, 100)});
  s.Run(4);
  s.Release({72});
  s.Run(1);
  EXPECT_EQ(s.Sounding(), 0) << "every key-up was taken";
  s.Keys({74});
  s.Run(1);
  EXPECT_EQ(s.OnPitches().back(), 74) << "and the thru path still plays";
}

}  // namespace
