// Keys let go through the binary interface: a key struck twice and released once, and a host's
// panic ("all notes off", controller 123, and "all sound off", controller 120). No pattern plays
// on with no key held, and no note is left sounding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/binary/ArpScript.h"

namespace {

using arp::Script;

struct Scene {
  const char* what;
  std::vector<std::pair<int, int>> settings;
  bool playing;
  int settle = 0;  // blocks after the keys go up in which notes may still start
};

const Scene kScenes[] = {
    {"arpeggio, own clock", {}, false},
    {"arpeggio, transport playing", {}, true},
    // Keys let go are heard until the next quantize point, two beats on at most.
    {"arpeggio with input quantize of 2 beats, own clock", {{tagInQuantize, 6}}, false, 200},
    {"thru notes", {{tagArpEnabled, 0}}, false},
};

// The note-ons sent from block `from` on.
int NoteOnsFrom(const Script& s, int from) {
  int count = 0;
  for (const arp::Note& n : s.NoteOns()) count += n.block >= from;
  return count;
}

TEST(HeldKeys, AKeyStruckTwiceAndReleasedOnceEndsWhatItPlayed) {
  for (const Scene& scene : kScenes) {
    Script s(256);
    for (auto [tag, value] : scene.settings) s.Set(tag, value);
    s.host.transport.playing = scene.playing;
    s.Run(1);
    s.Keys({60, 64});
    s.Run(10);
    s.Keys({60});  // struck again: a second controller, or a doubled note in a track
    s.Run(10);
    s.Release({60, 64});
    s.Run(1);
    const int released = s.Block();
    s.Run(600);  // three seconds and a half
    EXPECT_EQ(NoteOnsFrom(s, released + scene.settle), 0) << scene.what << ": nothing plays once no key is held";
    EXPECT_EQ(s.Sounding(), 0) << scene.what;
  }
}

TEST(HeldKeys, AKeyStruckTwiceUnderLatchStaysLatchedUntilTheNextKey) {
  Script s(256);
  s.Set(tagLatch, 1);
  s.Run(1);
  s.Keys({60});
  s.Keys({60});
  s.Release({60});
  s.Run(100);
  EXPECT_GT(NoteOnsFrom(s, 50), 0) << "latched, it plays on";
  s.Keys({67});
  s.Release({67});
  s.Clear();
  s.Run(100);
  for (const arp::Note& n : s.NoteOns()) EXPECT_EQ(n.pitch % 12, 67 % 12) << "the next key replaced it";
  s.Set(tagLatch, 0);
  s.Run(300);
  const int off = s.Block();
  s.Run(100);
  EXPECT_EQ(NoteOnsFrom(s, off), 0) << "latch off: no key is held";
  EXPECT_EQ(s.Sounding(), 0);
}

struct PanicCase {
  const char* what;
  int inputChannel;  // MIDIIn_Ch: 0 all, n channel n
  int panicChannel;  // 0..15
  bool ends;
};

TEST(HeldKeys, AllNotesOffAndAllSoundOffEndEveryNoteAndForgetEveryKey) {
  const PanicCase channels[] = {
      {"omni input, any channel", 0, 9, true},
      {"input on channel 5, the panic there", 5, 4, true},
      {"input on channel 5, the panic on channel 3", 5, 2, false},
  };
  for (const int controller : {123, 120}) {
    for (const bool latch : {false, true}) {
      for (const Scene& scene : kScenes) {
        for (const PanicCase& c : channels) {
          const std::string what = std::to_string(controller) + (latch ? ", latched, " : ", ") + scene.what + ", " + c.what;
          Script s(256);
          for (auto [tag, value] : scene.settings) s.Set(tag, value);
          s.Set(tagLatch, latch ? 1 : 0);
          s.Set(tagMIDIIn_Ch, c.inputChannel);
          s.Set(tagMIDIOut_Ch, 3);
          s.Set(tagGate, 100);
          s.host.transport.playing = scene.playing;
          s.Run(1);
          const int keyChannel = c.inputChannel == 0 ? 0 : c.inputChannel - 1;
          s.Keys({60, 64}, 100, keyChannel);
          if (latch) s.Release({60}, keyChannel);
          s.Run(20);
          const int panic = s.Block();
          s.host.SendMidi({vst2host::Controller(c.panicChannel, controller, 0)});
          s.Run(1);
          const int sounding = s.Sounding();
          s.Run(400);
          bool passed = false;
          for (const vst2host::MidiOut& m : s.host.MidiOutEvents())
            passed |= m.block == panic && m.bytes[0] == 0xB2 && m.bytes[1] == controller;
          if (c.ends) {
            EXPECT_EQ(sounding, 0) << what << ": every note ends in the block of the panic";
            EXPECT_EQ(NoteOnsFrom(s, panic), 0) << what << ": nothing plays after it";
            EXPECT_TRUE(passed) << what << ": the controller goes on to the instrument";
          } else {
            EXPECT_GT(sounding, 0) << what << ": plays on";
            EXPECT_FALSE(passed) << what;
          }
        }
      }
    }
  }
}

}  // namespace
