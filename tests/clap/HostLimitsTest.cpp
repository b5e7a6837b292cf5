// A CLAP host at the edges of what its lists hold: more incoming messages at one frame than a
// block keeps, and an output list that refuses events. Whatever the host does, every message is
// taken and no note the host received is left sounding.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "hosts/clap/ClapHost.h"
#include "tests/clap/Sounding.h"

namespace {

using clapscript::Sounding;

// Notes sounding through (the arpeggiator off, thru on), a key of each held on channels 1 to 3.
void HoldThruKeys(claphost::Host& host) {
  host.SetParam(tagArpEnabled, 0);
  host.SetParam(tagMIDIThruOn, 1);
  ASSERT_TRUE(host.Start(44100, 256));
  for (int channel = 0; channel < 3; ++channel) host.Note(true, channel, 60 + 4 * channel, 0.8);
  host.RunBlock();
  ASSERT_EQ(Sounding(host.SentEvents()), 3);
  host.ClearRecords();
}

TEST(ClapHostLimits, MoreMessagesAtOneFrameThanABlockKeepsAreAllTaken) {
  struct Case {
    const char* what;
    std::function<void(claphost::Host&)> send;  // the flood, at frame 5
  };
  const Case cases[] = {
      // Each expands into 16 x 128 note-offs: 6144 messages at one frame.
      {"three note-offs for every key on every channel",
       [](claphost::Host& h) {
         for (int i = 0; i < 3; ++i) h.Note(false, -1, -1, 0, 5);
       }},
      {"5000 controllers, then the keys let go",
       [](claphost::Host& h) {
         for (int i = 0; i < 5000; ++i) h.Midi(0xB0, 1, static_cast<uint8_t>(i % 128), 5);
         for (int channel = 0; channel < 3; ++channel) h.Note(false, channel, 60 + 4 * channel, 0, 5);
       }},
      {"5000 key-ups of keys never held, then the held ones",
       [](claphost::Host& h) {
         for (int i = 0; i < 5000; ++i) h.Midi(0x80 | (i % 16), static_cast<uint8_t>(i % 40), 0, 5);
         for (int channel = 0; channel < 3; ++channel) h.Note(false, channel, 60 + 4 * channel, 0, 5);
       }},
  };
  for (const Case& c : cases) {
    claphost::Host host;
    ASSERT_TRUE(host.Create());
    HoldThruKeys(host);
    c.send(host);
    host.RunBlock();
    EXPECT_EQ(Sounding(host.SentEvents()), 0) << c.what;
    for (const claphost::Sent& s : host.SentEvents()) {
      uint8_t b[3];
      if (s.AsMidi(b) && (b[0] & 0xF0) == 0x80) {
        EXPECT_EQ(s.time, 5u) << c.what << ": each note ends on the frame of its key";
      }
    }
    host.RunBlocks(4);  // the plug-in goes on as before
    EXPECT_EQ(host.LastStatus(), CLAP_PROCESS_CONTINUE) << c.what;
  }
}

// The arpeggiator plays fast chords while the transport starts and stops and keys come and go;
// the host's list takes only a few events a block. Note-ons that do not fit are dropped, a
// note-off never: one the list refused goes at the start of the next block.
TEST(ClapHostLimits, AnOutputListThatRefusesEventsLeavesNoNoteSounding) {
  for (const uint32_t dialect : {uint32_t{CLAP_NOTE_DIALECT_MIDI}, uint32_t{CLAP_NOTE_DIALECT_CLAP}}) {
    for (const int room : {0, 1, 2, 3, 6}) {
      const std::string what = std::string(dialect == CLAP_NOTE_DIALECT_MIDI ? "MIDI" : "CLAP notes") + ", room " +
                               std::to_string(room);
      claphost::Host host;
      host.dialects = dialect;
      ASSERT_TRUE(host.Create());
      host.SetParam(tagSync, 0);        // the fastest steps
      host.SetParam(tagGate, 100);      // each note lasts up to the next
      host.SetParam(tagMIDIThruOn, 1);  // and the keys sound through as well
      ASSERT_TRUE(host.Activate(44100, 2048));
      host.StartProcessing();
      host.outputRoom = room;
      host.transport.tempo = 240;
      const int keys[] = {48, 52, 55, 60, 64, 67, 72};
      for (int k : keys) host.Note(true, 0, k, 0.8, static_cast<uint32_t>(k));
      for (int block = 0; block < 240; ++block) {
        if (block % 17 == 0) host.transport.playing = !host.transport.playing;
        if (block % 5 == 0) host.Note(false, 0, keys[block % 7], 0, 100);
        if (block % 5 == 2) host.Note(true, 0, keys[block % 7], 0.6, 1000);
        if (block % 40 == 30) {  // stopped and started again inside one block
          host.TransportAt({true, false, host.transport.ppq, 240, host.transport.samplePos}, 300);
          host.TransportAt({true, true, host.transport.ppq, 240, host.transport.samplePos}, 900);
        }
        host.RunBlock();
      }
      // The player lets go and stops the transport; the list takes a few events a block still.
      for (int k : keys) host.Note(false, 0, k, 0);
      host.transport.playing = false;
      host.RunBlocks(200);
      std::vector<int> perBlock(static_cast<size_t>(host.BlocksRun()));
      int ons = 0;
      for (const claphost::Sent& s : host.SentEvents()) {
        uint8_t b[3];
        if (s.block >= 0 && s.AsMidi(b)) ++perBlock[static_cast<size_t>(s.block)];
        if (s.AsMidi(b) && (b[0] & 0xF0) == 0x90 && b[2] > 0) ++ons;
      }
      if (room > 0) {
        EXPECT_GT(ons, 0) << what << ": notes still play through a small list";
      } else {
        EXPECT_EQ(ons, 0) << what;
      }
      for (int n : perBlock) ASSERT_LE(n, room) << what;
      int channel = -1, key = -1;
      EXPECT_EQ(Sounding(host.SentEvents(), &channel, &key), 0) << what << ": " << channel << "/" << key << " sounds on";
      // With room again, nothing is owed.
      host.outputRoom = -1;
      host.ClearRecords();
      host.RunBlocks(2);
      EXPECT_TRUE(host.SentEvents().empty()) << what;
    }
  }
}

}  // namespace
