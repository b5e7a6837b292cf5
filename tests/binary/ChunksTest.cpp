// Program and bank chunks through effGetChunk and effSetChunk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "hosts/vst2/Host.h"

using vst2host::Host;

namespace {

constexpr size_t kProgramBytes = 576;
constexpr size_t kBankBytes = 36864;

// An instance whose programs differ from the defaults in several places.
void Customise(Host& h) {
  h.SetProgram(0);
  h.SetParam(2, 1.0f);     // MIDIOut_Ch 16
  h.SetParam(210, 0.5f);   // Steps 32
  char first[] = "First";
  h.Dispatch(effSetProgramName, 0, 0, first);
  h.SetProgram(9);
  h.SetParam(212, 0.0f);   // Sync 1/48
  h.SetParam(256, 0.0f);   // Semitone step 1: -12
  char ninth[] = "Ninth one";
  h.Dispatch(effSetProgramName, 0, 0, ninth);
  h.SetProgram(63);
  h.SetParam(575, 0.0f);   // Velocity step 64: 0
}

// Old format-7 records of 512 bytes.
std::vector<uint8_t> OldChunk(int records) {
  std::vector<uint8_t> chunk(static_cast<size_t>(records) * 512, 0);
  for (int r = 0; r < records; ++r) {
    uint8_t* old = chunk.data() + r * 512;
    old[0] = 7;
    old[2] = 3;           // MIDIOut_Ch (global part)
    old[10] = 8 + r;      // Steps
    old[11] = 50;         // Gate
    old[12] = 5;          // Sync
    old[64] = 5;          // Semitone step 1
    old[64 + 64] = 0xFF;  // Octave step 1: -1
    old[383] = 100;       // Velocity step 64
    old[384] = 4;         // name length, characters follow
    std::memcpy(old + 385, r == 0 ? "Bass" : "Keys", 4);
  }
  return chunk;
}

}  // namespace

TEST(Chunks, SizesAndFormatByte) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  std::vector<uint8_t> bank = h.GetChunk(false);
  ASSERT_EQ(bank.size(), kBankBytes);
  for (size_t row = 0; row < 64; ++row) EXPECT_EQ(bank[row * kProgramBytes], 8) << "row " << row;
  std::vector<uint8_t> program = h.GetChunk(true);
  ASSERT_EQ(program.size(), kProgramBytes);
  EXPECT_EQ(program[0], 8);
}

TEST(Chunks, NullVariableOrDataIsNothingToDo) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  EXPECT_EQ(h.Dispatch(effGetChunk, 0, 0, nullptr), 0);
  EXPECT_EQ(h.Dispatch(effSetChunk, 0, 36864, nullptr), 0);
  uint8_t byte = 8;
  EXPECT_EQ(h.Dispatch(effSetChunk, 0, 0, &byte), 0);
  EXPECT_EQ(h.Dispatch(effSetChunk, 1, -5, &byte), 0);
  EXPECT_EQ(h.Program(), -1) << "nothing was applied";
}

TEST(Chunks, BankRoundTripBetweenInstances) {
  Host a;
  ASSERT_NE(a.Load(), nullptr);
  Customise(a);
  const std::vector<uint8_t> bank = a.GetChunk(false);

  Host b;
  ASSERT_NE(b.Load(), nullptr);
  EXPECT_EQ(b.SetChunk(bank, false), static_cast<VstIntPtr>(kBankBytes));
  EXPECT_EQ(b.GetChunk(false), bank) << "the bytes come back identical";

  b.SetProgram(9);
  EXPECT_EQ(b.ProgramName(), "Ninth one");
  EXPECT_EQ(b.ParamDisplay(212), "1/48");
  EXPECT_EQ(b.ParamDisplay(256), "-12");
  EXPECT_EQ(b.ParamDisplay(2), "16") << "globals travel in the bank";
  EXPECT_EQ(b.ProgramNameIndexed(0), "First");
  EXPECT_EQ(b.ProgramNameIndexed(5), "Program 6");
}

// A bank restored while a program is current leaves that program current, and a bank saved
// afterwards names it, not the program the restored bank had named.
TEST(Chunks, BankRestoredOverACurrentProgramKeepsNamingIt) {
  Host a;
  ASSERT_NE(a.Load(), nullptr);
  Customise(a);  // ends with program 63 current
  a.SetProgram(3);
  const std::vector<uint8_t> bank = a.GetChunk(false);

  Host b;
  ASSERT_NE(b.Load(), nullptr);
  b.SetProgram(9);
  b.SetChunk(bank, false);
  EXPECT_EQ(b.Program(), 9);
  const std::vector<uint8_t> saved = b.GetChunk(false);
  EXPECT_EQ(saved[8], 9) << "CurProgram";
  b.SetChunk(saved, false);
  EXPECT_EQ(b.GetChunk(false), saved) << "and it stays so through a round trip";

  Host c;
  ASSERT_NE(c.Load(), nullptr);
  c.SetChunk(saved, false);
  c.RunBlock(64);  // a block needs a current program: the one the bank remembers
  EXPECT_EQ(c.Program(), 9);
}

// A latched arpeggio plays on the own clock; a program or bank chunk that switches Latch off
// ends it, as the host's write of Latch 0 does.
TEST(Chunks, AChunkSwitchingLatchOffEndsTheLatchedArpeggio) {
  for (bool preset : {true, false}) {
    Host h;
    ASSERT_NE(h.Start(), nullptr);
    h.SetProgram(0);
    h.SetParam(213, 1.0f);  // Latch
    h.SendMidi({vst2host::NoteOn(0, 60, 100), vst2host::NoteOn(0, 64, 100)});
    h.SendMidi({vst2host::NoteOff(0, 60), vst2host::NoteOff(0, 64)});
    h.RunBlocks(40);
    ASSERT_FALSE(h.MidiOutEvents().empty()) << "the latched keys play";
    std::vector<uint8_t> chunk = h.GetChunk(preset);
    chunk[213] = 0;  // the first program's Latch
    h.SetChunk(chunk, preset);
    h.RunBlocks(40);
    h.ClearRecords();
    h.RunBlocks(200);
    EXPECT_TRUE(h.MidiOutEvents().empty()) << (preset ? "program" : "bank") << " chunk: the arpeggio goes on";
  }
}

// A bank chunk cut short inside a program that was never used: the program's values past the
// cut are zeros, which the plug-in brings into range as for any value it is given.
TEST(Chunks, ABankCutInsideAProgramLeavesItsValuesInRange) {
  Host a;
  ASSERT_NE(a.Load(), nullptr);
  std::vector<uint8_t> bank = a.GetChunk(false);
  bank[60 * kProgramBytes + 210] = 16;             // Steps of program 61, a program never used
  bank.resize(60 * kProgramBytes + 211);          // cut right after it, before Gate
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  h.SetChunk(bank, false);
  h.SetProgram(60);
  EXPECT_EQ(h.ParamDisplay(211), "1") << "Gate";
}

TEST(Chunks, ProgramRoundTripBetweenInstances) {
  Host a;
  ASSERT_NE(a.Load(), nullptr);
  Customise(a);
  a.SetProgram(9);
  const std::vector<uint8_t> program = a.GetChunk(true);
  ASSERT_EQ(program.size(), kProgramBytes);

  // Into the first program, whose global part is the live one, every byte comes back.
  Host b;
  ASSERT_NE(b.Load(), nullptr);
  b.SetProgram(0);
  EXPECT_EQ(b.SetChunk(program, true), static_cast<VstIntPtr>(kProgramBytes)) << "the first chunk is whole";
  EXPECT_EQ(b.GetChunk(true), program);
  EXPECT_EQ(b.ProgramName(), "Ninth one");
  EXPECT_EQ(b.ParamDisplay(256), "-12");

  // Later program chunks leave the global part alone.
  b.SetProgram(5);
  EXPECT_EQ(b.SetChunk(program, true), static_cast<VstIntPtr>(kProgramBytes - 80));
  EXPECT_EQ(b.ProgramName(), "Ninth one");
}

TEST(Chunks, OldFormatIsConverted) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  EXPECT_EQ(h.SetChunk(OldChunk(2), false), 2 * static_cast<VstIntPtr>(kProgramBytes));

  const std::vector<uint8_t> bank = h.GetChunk(false);
  ASSERT_EQ(bank.size(), kBankBytes);
  EXPECT_EQ(bank[0], 8) << "converted records are format 8";

  h.SetProgram(0);
  EXPECT_EQ(h.ProgramName(), "Bass");
  EXPECT_EQ(h.ParamDisplay(2), "3");
  EXPECT_EQ(h.ParamDisplay(210), "8");
  EXPECT_EQ(h.ParamDisplay(211), "50");
  EXPECT_EQ(h.ParamDisplay(212), "1/8");
  EXPECT_EQ(h.ParamDisplay(256), "5");
  EXPECT_EQ(h.ParamDisplay(320), "-1");
  EXPECT_EQ(h.ParamDisplay(575), "100");
  EXPECT_EQ(h.ParamDisplay(213), "0") << "old bytes 27..63 have no place in the new record";
  h.SetProgram(1);
  EXPECT_EQ(h.ProgramName(), "Keys");
  EXPECT_EQ(h.ParamDisplay(210), "9");
}

TEST(Chunks, GarbageIsBroughtIntoRange) {
  // Random bytes of many sizes, as a bank and as a program, with and without the format-7
  // marker. Afterwards every parameter reads within 0..1, each setting shows a value of its
  // range, and the engine plays without fault.
  std::mt19937 random(20240611);
  const size_t sizes[] = {1, 79, 80, 511, 512, 575, 576, 577, 1024, 36863, 36864};
  for (size_t size : sizes) {
    for (bool preset : {false, true}) {
      for (int marker : {-1, 7, 8}) {
        std::vector<uint8_t> junk(size);
        for (uint8_t& b : junk) b = static_cast<uint8_t>(random());
        if (marker >= 0) junk[0] = static_cast<uint8_t>(marker);
        std::vector<uint8_t> padded = junk;
        padded.resize(kBankBytes + 1024, 0xEE);  // never read: only `size` bytes are the host's

        Host h;
        ASSERT_NE(h.Start(), nullptr);
        h.Dispatch(effSetChunk, preset ? 1 : 0, static_cast<VstIntPtr>(size), padded.data());
        const std::string what = "size " + std::to_string(size) + (preset ? " program" : " bank") +
                                 " marker " + std::to_string(marker);
        for (int program : {0, 1, 63}) {
          h.SetProgram(program);
          for (VstInt32 tag = 0; tag < 576; ++tag) {
            float v = h.GetParam(tag);
            ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << what << " tag " << tag;
          }
          struct Range {
            VstInt32 tag;
            int lo, hi;
          };
          for (const Range& r : {Range{210, 1, 64}, Range{212, 0, 11}, Range{219, 0, 7}, Range{214, 0, 12},
                                 Range{384, 0, 3}, Range{447, 0, 3}, Range{448, 0, 6}, Range{2, 1, 16}}) {
            const std::string shown = h.ParamDisplay(r.tag);
            bool inRange = false;
            for (int v = r.lo; v <= r.hi; ++v) inRange = inRange || ValueText(r.tag, v) == shown;
            EXPECT_TRUE(inRange) << what << " tag " << r.tag << " shows " << shown;
          }
        }
        h.SendMidi({vst2host::NoteOn(0, 60, 100), vst2host::NoteOn(0, 67, 90), vst2host::NoteOn(0, 72, 80)});
        h.PlayBlocks(40);
        h.SendMidi({vst2host::NoteOff(0, 60), vst2host::NoteOff(0, 67), vst2host::NoteOff(0, 72)});
        h.Stop();
        h.RunBlocks(4);
      }
    }
  }
}
