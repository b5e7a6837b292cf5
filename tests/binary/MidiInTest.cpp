// Incoming messages through the binary interface: which are admitted, what passes through,
// and what chains send when they switch.
#include <vector>

#include "tests/binary/ArpScript.h"

namespace {

using arp::Note;
using arp::Script;
using vst2host::MidiIn;
using vst2host::MidiOut;

std::vector<std::vector<int>> Sent(const Script& s) {
  std::vector<std::vector<int>> r;
  for (const MidiOut& m : s.host.MidiOutEvents()) r.push_back({m.bytes[0], m.bytes[1], m.bytes[2]});
  return r;
}

struct PassCase {
  const char* what;
  MidiIn in;
  std::vector<std::vector<int>> out;  // on output channel 2
};

TEST(MidiIn, ControllersAndPressurePassOnTheOutputChannel) {
  for (const PassCase& c : {
           PassCase{"modulation wheel", vst2host::Controller(5, 1, 77), {{0xB1, 1, 77}}},
           PassCase{"volume from the host is dropped", vst2host::Controller(0, 7, 100), {}},
           PassCase{"pitch bend", MidiIn{0xE3, 0x10, 0x40}, {{0xE1, 0x10, 0x40}}},
           PassCase{"channel pressure", MidiIn{0xD0, 0x55, 0}, {{0xD1, 0x55, 0}}},
           PassCase{"key pressure", MidiIn{0xA9, 60, 30}, {{0xA1, 60, 30}}},
           PassCase{"system exclusive is skipped", vst2host::SysEx(), {}},
       }) {
    Script s;
    s.Set(tagMIDIOut_Ch, 2);
    s.host.SendMidi({c.in});
    s.Run(1);
    EXPECT_EQ(Sent(s), c.out) << c.what;
  }
}

TEST(MidiIn, TheInputChannelFilterDropsWholeMessages) {
  Script s;
  s.Set(tagMIDIIn_Ch, 16);
  s.host.SendMidi({vst2host::ProgramChange(0, 9), vst2host::Controller(3, 1, 5)});
  s.Run(1);
  EXPECT_EQ(s.host.Program(), 0) << "a program change on another channel is ignored";
  s.host.SendMidi({vst2host::ProgramChange(15, 9)});
  s.Run(1);
  EXPECT_EQ(s.host.Program(), 9);
  s.host.SendMidi({vst2host::ProgramChange(15, 100)});
  s.Run(1);
  EXPECT_EQ(s.host.Program(), 63) << "program changes beyond the bank select the last program";
  EXPECT_TRUE(Sent(s).empty());
}

TEST(MidiIn, InputRangeDropsKeyDownsButNotKeyUps) {
  Script s;
  s.Set(tagArpEnabled, 0);
  s.Set(tagInRange_Low, 48);
  s.Run(1);
  s.host.SendMidi({vst2host::NoteOn(0, 40, 90), vst2host::NoteOn(0, 50, 90), MidiIn{0x90, 50, 0},
                   vst2host::NoteOff(0, 40)});
  s.Run(1);
  EXPECT_EQ(s.Notes(), (std::vector<Note>{{1, 50, 90, true}, {1, 50, 0, false}}))
      << "velocity 0 is a note-off; a key-up below the range finds nothing to release";
}

TEST(MidiIn, TwoKeysOnOneThruPitchSoundOnce) {
  // Forced into C major, C# and D both become D: one note-on, and the note-off comes with
  // the second release.
  Script s;
  s.Set(tagArpEnabled, 0);
  s.Set(tagForceScale_Key, 1);
  s.Set(tagForceScale, 1);
  s.Run(1);
  s.Keys({61});
  s.Keys({62});
  s.Run(1);
  EXPECT_EQ(s.OnPitches(), (std::vector<int>{62}));
  s.Release({61});
  s.Run(1);
  EXPECT_EQ(s.Sounding(), 1);
  s.Release({62});
  s.Run(1);
  EXPECT_EQ(s.Sounding(), 0);
}

// A host may switch the arpeggiator off and pass a key on before the next block: the switch
// ends the arpeggio that sounded, and the key sounds through until it is let go.
TEST(MidiIn, AKeyAfterTheArpeggiatorIsSwitchedOffSoundsThroughAtOnce) {
  Script s;
  s.Set(tagMIDIThruOn, 1);
  s.Keys({60});
  s.Play(8);
  ASSERT_EQ(s.Sounding(), 1) << "the arpeggio's note";
  s.Clear();
  s.Set(tagArpEnabled, 0);
  s.Keys({64});
  s.Play(4);
  EXPECT_EQ(s.Notes(), (std::vector<Note>{{s.Block() - 4, 60, 96, false}, {s.Block() - 4, 64, 100, true}}))
      << "the arpeggio ends, then the key sounds through";
  s.Release({64, 60});
  s.Run(1);
  EXPECT_EQ(s.Sounding(), 0);
}

TEST(MidiIn, SwitchingChainsSendsBankProgramAndVolume) {
  Script s;
  auto choose = [&](int chain) {
    s.host.SetParam(tagCurChain, chain / 8.0f);
    s.Run(1);
  };
  choose(1);
  s.Set(tagSendBankNum, 3);   // sends bank 2
  s.Set(tagSendPatchNum, 1);  // sends program 0
  s.Set(tagSendVolume, 101);  // sends volume 100
  choose(2);                  // chain 2 sends nothing: its values are "---"
  s.Clear();
  choose(1);
  EXPECT_EQ(Sent(s), (std::vector<std::vector<int>>{{0xB0, 0, 2}, {0xC0, 0, 0}, {0xB0, 7, 100}}));
  s.Clear();
  s.Set(tagSendPatchNum, 0);  // 0 sends nothing either
  choose(2);
  choose(1);
  EXPECT_EQ(Sent(s), (std::vector<std::vector<int>>{{0xB0, 0, 2}, {0xB0, 7, 100}}));
}

TEST(MidiIn, ChainsHoldStillWithPageLockOrWithoutQuantize) {
  for (int variant = 0; variant < 2; ++variant) {
    Script s;
    s.host.SetProgram(4);
    s.host.SetProgram(0);
    s.host.SetParam(tagCurChain, 1.0f / 8.0f);
    s.Run(1);
    s.Set(tagChainProg, 1);
    s.Set(tagChainProg + 1, 5);
    if (variant == 0) s.Set(tagLockPage, 1);
    if (variant == 1) s.Set(tagChainQuantize, 0);
    s.Keys({60});
    s.Play(3000);  // two pattern cycles
    EXPECT_EQ(s.host.Program(), 0) << (variant == 0 ? "page lock" : "no chain quantize");
  }
}

TEST(MidiIn, ANoteStillSoundingIsNotSentAgainAndEndsOnce) {
  // A tie runs the first step's note into the second, which plays the same pitch: the second
  // joins the sounding note instead of starting it again, and the wrap ends both together,
  // so the next cycle plays again.
  Script s;
  s.Set(tagSteps, 2);
  s.SetSteps(tagStep_mode, {1, 3});
  s.Keys({60});
  s.Play(3 * 172 + 10);  // the starts of four cycles of two sixteenths
  std::vector<bool> onOff;
  for (const Note& n : s.Notes()) onOff.push_back(n.on);
  EXPECT_EQ(onOff, (std::vector<bool>{true, false, true, false, true, false, true}))
      << "one note per cycle, each ended once";
}

TEST(MidiIn, WithoutInputQuantizeTheLastKeyUpEndsEveryNote) {
  Script s;
  s.Set(tagInQuantize, 0);
  s.Set(tagGate, 100);
  s.Keys({60, 64});
  s.Play(50);
  ASSERT_GT(s.Sounding(), 0);
  s.Release({60, 64});
  s.Play(1);
  EXPECT_EQ(s.Sounding(), 0);
}

}  // namespace
