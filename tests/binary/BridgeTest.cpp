// The real-time bridge seen from the host: incoming MIDI, blocks, the host clock and the
// events the plug-in sends back.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "hosts/vst2/Host.h"

using vst2host::Host;
using vst2host::MidiIn;
using vst2host::MidiOut;
using vst2host::NoteOff;
using vst2host::NoteOn;

namespace {

// An instance whose notes pass straight through: arpeggiator off, thru on.
void StartThru(Host& h) {
  ASSERT_NE(h.Start(), nullptr) << h.LastError();
  h.SetProgram(0);
  h.SetParam(3, 0.0f);  // ArpEnabled off
  h.RunBlock(64);       // let the switch take effect
  h.ClearRecords();
}

std::vector<uint8_t> Bytes(const MidiOut& m) { return {m.bytes[0], m.bytes[1], m.bytes[2]}; }

// A host-built list with the given count and pointers, for lists no well-behaved host sends.
struct RawList {
  VstInt32 numEvents;
  VstIntPtr reserved;
  VstEvent* events[4];
};

}  // namespace

TEST(Bridge, EventsReachTheEngineInListOrder) {
  Host h;
  StartThru(h);
  EXPECT_EQ(h.SendMidi({NoteOn(1, 60, 100), NoteOn(2, 62, 90), NoteOn(3, 64, 80)}), 1);
  h.RunBlock(512);
  auto out = h.MidiOutEvents();
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(Bytes(out[0]), (std::vector<uint8_t>{0x90, 60, 100}));
  EXPECT_EQ(Bytes(out[1]), (std::vector<uint8_t>{0x90, 62, 90}));
  EXPECT_EQ(Bytes(out[2]), (std::vector<uint8_t>{0x90, 64, 80}));
  for (const MidiOut& m : out) {
    EXPECT_EQ(m.block, 1) << "sent at the end of the block that followed";
    EXPECT_EQ(m.deltaFrames, 0);
    EXPECT_TRUE(m.wellFormed);
  }
  EXPECT_EQ(h.ProcessEventsCalls(), 1) << "one host call per block";
}

TEST(Bridge, StatusAndDataBytesAreSplitAndMasked) {
  struct Case {
    MidiIn in;
    std::vector<uint8_t> out;  // empty: nothing comes out
    const char* what;
  };
  const Case cases[] = {
      {{0xEF, 0xC5, 0x80}, {0xE0, 0x45, 0x00}, "pitch bend on channel 16, data bytes masked to 7 bits"},
      {{0xD3, 0x85, 0x00}, {0xD0, 0x05, 0x00}, "channel pressure"},
      {{0xA0, 0x3C, 0x7F}, {0xA0, 0x3C, 0x7F}, "polyphonic pressure"},
      {{0xB4, 0x01, 0x40}, {0xB0, 0x01, 0x40}, "modulation wheel"},
      {{0x9F, 0xC5, 0x80}, {}, "note-on whose masked velocity is 0 is a note-off"},
      {{0x45, 0x10, 0x10}, {}, "a data byte in the status place is split the same way and dropped"},
  };
  for (const Case& c : cases) {
    Host h;
    StartThru(h);
    h.SendMidi({c.in});
    h.RunBlock(512);
    auto out = h.MidiOutEvents();
    if (c.out.empty()) {
      EXPECT_TRUE(out.empty()) << c.what;
    } else {
      ASSERT_EQ(out.size(), 1u) << c.what;
      EXPECT_EQ(Bytes(out[0]), c.out) << c.what;
    }
  }
}

TEST(Bridge, OutputChannelComesFromTheSettings) {
  Host h;
  StartThru(h);
  h.SetParam(2, 1.0f);  // MIDIOut_Ch 16
  h.SendMidi({NoteOn(0, 60, 100)});
  h.RunBlock(512);
  auto out = h.MidiOutEvents();
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].bytes[0], 0x9F);
}

TEST(Bridge, NonMidiEventsAreSkipped) {
  Host h;
  StartThru(h);
  EXPECT_EQ(h.SendMidi({vst2host::SysEx(), NoteOn(0, 60, 100), vst2host::SysEx()}), 1);
  h.RunBlock(512);
  auto out = h.MidiOutEvents();
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].bytes[1], 60);
}

TEST(Bridge, OddEventListsAreHarmless) {
  Host h;
  StartThru(h);
  EXPECT_EQ(h.SendMidi(std::vector<MidiIn>{}), 1);
  EXPECT_EQ(h.Dispatch(effProcessEvents, 0, 0, nullptr), 1);

  VstMidiEvent note{};
  note.type = kVstMidiType;
  note.byteSize = 24;
  note.midiData[0] = 0x90;
  note.midiData[1] = 61;
  note.midiData[2] = 99;
  RawList negative{-5, 0, {reinterpret_cast<VstEvent*>(&note), nullptr, nullptr, nullptr}};
  EXPECT_EQ(h.Dispatch(effProcessEvents, 0, 0, &negative), 1);
  RawList withNulls{3, 0, {nullptr, reinterpret_cast<VstEvent*>(&note), nullptr, nullptr}};
  EXPECT_EQ(h.Dispatch(effProcessEvents, 0, 0, &withNulls), 1);
  h.RunBlock(512);
  auto out = h.MidiOutEvents();
  ASSERT_EQ(out.size(), 1u) << "only the one real event of the list with holes";
  EXPECT_EQ(out[0].bytes[1], 61);
}

TEST(Bridge, QuietBlocksMakeNoHostCallButAskTheTime) {
  Host h;
  ASSERT_NE(h.Start(), nullptr);
  h.SetProgram(0);
  h.ClearRecords();
  h.RunBlocks(10);
  EXPECT_EQ(h.ProcessEventsCalls(), 0);
  auto times = h.CallbacksOf(audioMasterGetTime);
  ASSERT_EQ(times.size(), 10u) << "one time request per block";
  for (const auto& c : times) EXPECT_EQ(c.value, 0x1603);
}

TEST(Bridge, ProcessAndProcessReplacingAreTheSame) {
  std::vector<std::vector<uint8_t>> results[2];
  for (int replacing = 0; replacing < 2; ++replacing) {
    Host h;
    ASSERT_NE(h.Start(), nullptr);
    h.SetProgram(0);
    h.SendMidi({NoteOn(0, 60, 100), NoteOn(0, 64, 100)});
    h.transport.playing = true;
    for (int i = 0; i < 100; ++i) h.RunBlock(512, replacing == 1);
    for (const MidiOut& m : h.MidiOutEvents()) results[replacing].push_back(Bytes(m));
  }
  EXPECT_FALSE(results[1].empty());
  EXPECT_EQ(results[0], results[1]);
}

TEST(Bridge, AudioBuffersAreLeftAlone) {
  Host h;
  AEffect* fx = h.Start();
  ASSERT_NE(fx, nullptr);
  h.SetProgram(0);
  h.SendMidi({NoteOn(0, 60, 100)});
  std::vector<float> left(256, 0.25f), right(256, -0.5f);
  float* outputs[2] = {left.data(), right.data()};
  float* inputs[2] = {left.data(), right.data()};
  fx->processReplacing(fx, inputs, outputs, 256);
  fx->process(fx, inputs, outputs, 256);
  for (size_t i = 0; i < left.size(); ++i) {
    ASSERT_EQ(left[i], 0.25f) << i;
    ASSERT_EQ(right[i], -0.5f) << i;
  }
}

TEST(Bridge, HostWithoutTimeStillRuns) {
  Host h;
  StartThru(h);
  h.transport.available = false;
  h.SendMidi({NoteOn(0, 60, 100)});
  h.RunBlocks(4);
  h.SendMidi({NoteOff(0, 60)});
  h.RunBlocks(4);
  auto out = h.MidiOutEvents();
  ASSERT_EQ(out.size(), 2u);
  EXPECT_TRUE(out[0].IsNoteOn());
  EXPECT_TRUE(out[1].IsNoteOff());
}

TEST(Bridge, PlayedPatternLeavesNoNoteSounding) {
  // Keys held while the transport plays, then released and stopped: every note-on the
  // plug-in sent has its note-off.
  Host h;
  ASSERT_NE(h.Start(), nullptr);
  h.SetProgram(0);
  h.SendMidi({NoteOn(0, 60, 100), NoteOn(0, 64, 100), NoteOn(0, 67, 100)});
  h.PlayBlocks(200);
  h.SendMidi({NoteOff(0, 60), NoteOff(0, 64), NoteOff(0, 67)});
  h.RunBlocks(20);
  h.Stop();
  h.RunBlocks(200);

  std::map<int, int> sounding;  // (channel, pitch) -> notes on minus notes off
  int noteOns = 0;
  for (const MidiOut& m : h.MidiOutEvents()) {
    int key = m.Channel() * 128 + m.bytes[1];
    if (m.IsNoteOn()) {
      ++sounding[key];
      ++noteOns;
    } else if (m.IsNoteOff()) {
      --sounding[key];
    }
  }
  EXPECT_GT(noteOns, 10) << "the pattern played";
  for (const auto& [key, count] : sounding) EXPECT_EQ(count, 0) << "pitch " << key % 128;
}
