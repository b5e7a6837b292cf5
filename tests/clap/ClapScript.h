#pragma once
// Plays moltrin.clap the way a CLAP host does, with a scripted transport: settings written as
// the host writes them (plain values through flush, before activation), keys and messages at
// their frames inside blocks, parameter values inside blocks, and what comes out read back as
// sample positions from the first block played.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "hosts/clap/ClapHost.h"
#include "tests/clap/Sounding.h"
#include "tests/support/GoldenList.h"

namespace clapscript {

constexpr clap_id kProgram = 1000000;  // the "Program" parameter's id

// One incoming event at a sample position of the render: a key (as a CLAP note), a MIDI
// message, or a parameter value.
struct At {
  enum Kind { KeyDown, KeyUp, Midi, Param } kind;
  long sample;
  int a = 0, b = 0, c = 0;  // key: channel, key, velocity; MIDI: three bytes; param: id, value
};
inline At Down(long sample, int key, int velocity = 100) { return {At::KeyDown, sample, 0, key, velocity}; }
inline At Up(long sample, int key) { return {At::KeyUp, sample, 0, key, 0}; }
inline At Message(long sample, int status, int data1, int data2) { return {At::Midi, sample, status, data1, data2}; }
inline At Value(long sample, int id, int value) { return {At::Param, sample, id, value, 0}; }

class Script {
 public:
  claphost::Host host;
  bool ok = false;

  // Created with the plain defaults and program 1 current; activated by Play.
  explicit Script(uint32_t dialects = CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI) {
    host.dialects = dialects;
    ok = host.Create();
    EXPECT_TRUE(ok) << host.LastError();
    if (ok) host.SetParam(kProgram, 1);
  }
  void Set(int tag, int value) { host.SetParam(static_cast<clap_id>(tag), value); }
  void SelectProgram(int index) { host.SetParam(kProgram, index + 1); }

  // Activates (if not yet) and plays `events` (in sample order) for `length` samples in blocks
  // of `blockSize`, each event in the list of the block its sample lies in. Answers everything
  // sent in that time as MIDI, at sample positions from the render's start.
  std::vector<golden::Event> Render(const std::vector<At>& events, long length, int blockSize, double rate = 44100) {
    if (!host.Active()) {
      EXPECT_TRUE(host.Activate(rate, blockSize));
      host.StartProcessing();
    }
    host.ClearRecords();
    const int first = host.BlocksRun();
    size_t next = 0;
    for (long start = 0; start < length; start += blockSize) {
      for (; next < events.size() && events[next].sample < start + blockSize; ++next) {
        const At& e = events[next];
        const auto frame = static_cast<uint32_t>(e.sample - start);
        switch (e.kind) {
          case At::KeyDown: host.Note(true, e.a, e.b, e.c / 127.0, frame); break;
          case At::KeyUp: host.Note(false, e.a, e.b, 0, frame); break;
          case At::Midi:
            host.Midi(static_cast<uint8_t>(e.a), static_cast<uint8_t>(e.b), static_cast<uint8_t>(e.c), frame);
            break;
          case At::Param: host.ParamValue(static_cast<clap_id>(e.a), e.b, frame); break;
        }
      }
      host.RunBlock(blockSize);
    }
    std::vector<golden::Event> sent;
    for (const claphost::Sent& s : host.SentEvents()) {
      uint8_t bytes[3];
      if (s.block < 0 || !s.AsMidi(bytes)) continue;
      EXPECT_LT(s.time, static_cast<uint32_t>(blockSize));
      const long long sample = static_cast<long long>(s.block - first) * blockSize + s.time;
      if (sample < length) sent.push_back({sample, bytes[0], bytes[1], bytes[2]});
    }
    return sent;
  }
};

}  // namespace clapscript
