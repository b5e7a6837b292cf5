// Whatever a host does in whatever order, the plug-in neither crashes, nor writes past the
// texts it gives, nor stops working.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "hosts/vst2/Host.h"

using vst2host::Host;
using vst2host::NoteOff;
using vst2host::NoteOn;

namespace {

// After any mistreatment the instance still answers and still plays thru notes.
void ExpectStillWorking(Host& h, const std::string& what) {
  EXPECT_EQ(h.Text(effGetEffectName), "Moltrin") << what;
  h.SetProgram(1);
  EXPECT_EQ(h.Program(), 1) << what;
  h.SetParam(3, 0.0f);  // ArpEnabled off: notes pass thru
  h.RunBlock(64);
  h.ClearRecords();
  h.SendMidi({NoteOn(0, 70, 100)});
  h.RunBlock(256);
  auto out = h.MidiOutEvents();
  ASSERT_EQ(out.size(), 1u) << what;
  EXPECT_EQ(out[0].bytes[1], 70) << what;
}

}  // namespace

TEST(Robustness, OddCallOrders) {
  struct Case {
    const char* name;
    void (*run)(Host&);
  };
  const Case cases[] = {
      {"blocks and events before effOpen", [](Host& h) {
         h.SendMidi({NoteOn(0, 60, 100)});
         h.PlayBlocks(8);
       }},
      {"blocks before resume", [](Host& h) {
         h.Dispatch(effOpen);
         h.SendMidi({NoteOn(0, 60, 100)});
         h.PlayBlocks(8);
       }},
      {"effOpen twice", [](Host& h) {
         h.Dispatch(effOpen);
         h.Dispatch(effOpen);
       }},
      {"suspend without resume, twice", [](Host& h) {
         h.Dispatch(effMainsChanged, 0, 0);
         h.Dispatch(effMainsChanged, 0, 0);
       }},
      {"sample rate and block size 0", [](Host& h) {
         h.Dispatch(effSetSampleRate, 0, 0, nullptr, 0.0f);
         h.Dispatch(effSetBlockSize, 0, 0);
         h.Dispatch(effSetBlockSizeAndSampleRate, 0, 0, nullptr, 0.0f);
         h.Dispatch(effMainsChanged, 0, 1);
         h.transport.sampleRate = 0;
         h.SendMidi({NoteOn(0, 60, 100)});
         h.PlayBlocks(8);
         h.transport.sampleRate = 44100;
       }},
      {"negative and zero block lengths", [](Host& h) {
         h.Dispatch(effSetBlockSize, 0, -512);
         h.SendMidi({NoteOn(0, 60, 100)});
         h.PlayBlocks(4, 0);
         h.PlayBlocks(4, -512);
         h.Stop();
       }},
      {"editor closed without opening, idled while closed", [](Host& h) {
         h.Dispatch(effEditClose);
         h.Dispatch(effEditIdle);
         h.Dispatch(effEditClose);
       }},
      {"program changes while keys are held", [](Host& h) {
         h.Dispatch(effMainsChanged, 0, 1);
         h.SendMidi({NoteOn(0, 60, 100), NoteOn(0, 64, 100)});
         h.PlayBlocks(20);
         for (int p = 0; p < 64; p += 7) {
           h.SetProgram(p);
           h.RunBlock(512);
         }
         h.SendMidi({NoteOff(0, 60), NoteOff(0, 64)});
       }},
      {"chunk applied mid-play", [](Host& h) {
         h.Dispatch(effMainsChanged, 0, 1);
         h.SendMidi({NoteOn(0, 60, 100)});
         h.PlayBlocks(20);
         std::vector<uint8_t> bank = h.GetChunk(false);
         h.SetChunk(bank, false);
         h.PlayBlocks(20);
         h.SendMidi({NoteOff(0, 60)});
       }},
  };
  for (const Case& c : cases) {
    Host h;
    ASSERT_NE(h.Load(), nullptr);
    c.run(h);
    ExpectStillWorking(h, c.name);
  }
}

TEST(Robustness, NullPointerForEveryOpcode) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  for (VstInt32 opcode = 0; opcode < 100; ++opcode) {
    if (opcode == effClose) continue;
    for (VstInt32 index : {0, 5, -1})
      for (VstIntPtr value : {VstIntPtr{0}, VstIntPtr{1}, VstIntPtr{36864}}) {
        // Speaker-arrangement opcodes take a pointer in `value` too.
        VstIntPtr v = (opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement) ? 0 : value;
        h.Dispatch(opcode, index, v, nullptr, 0.0f);
      }
  }
  h.Dispatch(effEditClose);
  ExpectStillWorking(h, "after null pointers");
}

TEST(Robustness, TextsNeverPassSixtyFourBytes) {
  // Text opcodes with ordinary and absurd indexes; a program name set as long as the host
  // cares to make it. Nothing may be written from byte 64 on.
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  h.SetProgram(2);
  std::string longName(300, 'n');
  h.Dispatch(effSetProgramName, 0, 0, longName.data());

  const VstInt32 textOpcodes[] = {effGetProgramName,   effGetParamLabel,    effGetParamDisplay,
                                  effGetParamName,     effGetProgramNameIndexed, effGetEffectName,
                                  effGetVendorString,  effGetProductString, effGetErrorText,
                                  effShellGetNextPlugin, effGetMidiKeyName, effString2Parameter};
  for (VstInt32 opcode : textOpcodes) {
    for (VstInt32 index : {0, 2, 150, 575, 576, -1, 1 << 30}) {
      unsigned char buffer[512];
      std::memset(buffer, 0x7F, sizeof buffer);
      h.Dispatch(opcode, index, 0, buffer);
      for (size_t i = 64; i < sizeof buffer; ++i)
        ASSERT_EQ(buffer[i], 0x7F) << "opcode " << opcode << " index " << index << " wrote byte " << i;
    }
  }
}

// Run under ThreadSanitizer by the test script (the name matches its filter).
TEST(ThreadStress, AudioAndUserInterfaceThreadsTogether) {
  Host h;
  AEffect* fx = h.Start();
  ASSERT_NE(fx, nullptr);
  h.SetProgram(0);
  const std::vector<uint8_t> bank = h.GetChunk(false);
  const std::vector<uint8_t> program = h.GetChunk(true);

  std::atomic<bool> done{false};
  std::thread audio([&] {
    // The audio thread: events and blocks, straight through the record.
    h.transport.playing = true;
    for (int block = 0; block < 3000; ++block) {
      if (block % 16 == 0) h.SendMidi({NoteOn(0, 48 + block % 24, 100), NoteOff(0, 48 + (block + 8) % 24)});
      h.RunBlock(128);
    }
    done = true;
  });
  // The user-interface thread: parameters, programs, chunks, editor idle.
  char name[] = "Busy";
  int i = 0;
  while (!done) {
    fx->setParameter(fx, 210 + i % 20, static_cast<float>(i % 11) / 10.0f);
    (void)fx->getParameter(fx, 256 + i % 64);
    switch (i % 7) {
      case 0: fx->dispatcher(fx, effSetProgram, 0, i % 64, nullptr, 0.0f); break;
      case 1: fx->dispatcher(fx, effSetProgramName, 0, 0, name, 0.0f); break;
      case 2: h.SetChunk(program, true); break;
      case 3: if (i % 70 == 3) h.SetChunk(bank, false); break;
      case 4: (void)h.GetChunk(i % 2 == 0); break;
      case 5: (void)h.ParamDisplay(i % 576); break;
      default: fx->dispatcher(fx, effEditIdle, 0, 0, nullptr, 0.0f); break;
    }
    ++i;
  }
  audio.join();
  h.SendMidi({NoteOff(0, 0)});
  for (int n = 48; n < 72; ++n) h.SendMidi({NoteOff(0, n)});
  h.Stop();
  h.RunBlocks(50);
  h.SetChunk(bank, false);  // the settings the stress left are anyone's guess
  ExpectStillWorking(h, "after the stress");
}
