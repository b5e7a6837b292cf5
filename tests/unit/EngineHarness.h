#pragma once
// Drives a TPlugCore directly, standing in for the plug-in object: a scripted host clock
// and a record of every message the engine sends, with the block it left in.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/PlugCore.h"

struct SentMsg {
  int block;
  uint8_t message, channel, data1, data2;
  bool IsNoteOn() const { return message == 0x90 && data2 > 0; }
  bool IsNoteOff() const { return message == 0x80 || (message == 0x90 && data2 == 0); }
};

class EngineHarness {
 public:
  TPlugCore core;
  THostTime time;           // what the host reports on the next block
  bool hostGivesTime = true;
  std::vector<SentMsg> sent;
  int block = 0;
  int blockSize = 64;

  EngineHarness() {
    time.sampleRate = 44100;
    time.tempo = 120;
    core.GetTimeInfo.Bind(
        [](void* ctx, THostTime& t) {
          auto* self = static_cast<EngineHarness*>(ctx);
          if (!self->hostGivesTime) return false;
          t = self->time;
          return true;
        },
        this);
    core.SendMidi.Bind(
        [](void* ctx, uint8_t message, uint8_t channel, uint8_t d1, uint8_t d2, int32_t) {
          auto* self = static_cast<EngineHarness*>(ctx);
          self->sent.push_back({self->block, message, channel, d1, d2});
        },
        this);
  }

  void Set(int tag, int value) { core.SetParamFromEditor(tag, value, false); }
  void NoteOn(int note, int velocity = 100, int channel = 0) { core.HandleMidiIn(channel, 0x90, note, velocity); }
  void NoteOff(int note, int channel = 0) { core.HandleMidiIn(channel, 0x80, note, 0); }

  void Play(double ppq = 0) {
    time.playing = true;
    time.ppqPos = ppq;
  }
  void Stop() { time.playing = false; }

  // One block; the host clock advances afterwards while it plays.
  void Block() {
    core.ProcessBlock(blockSize);
    ++block;
    time.samplePos += blockSize;
    if (time.playing) time.ppqPos += blockSize / time.sampleRate * time.tempo / 60.0;
  }
  void Blocks(int n) {
    for (int i = 0; i < n; ++i) Block();
  }
  // Runs blocks until the host clock reaches `ppq` (playing).
  void RunTo(double ppq) {
    while (time.ppqPos < ppq) Block();
  }

  std::vector<SentMsg> NoteOns() const {
    std::vector<SentMsg> r;
    for (const auto& m : sent)
      if (m.IsNoteOn()) r.push_back(m);
    return r;
  }
  std::vector<int> NoteOnPitches() const {
    std::vector<int> r;
    for (const auto& m : NoteOns()) r.push_back(m.data1);
    return r;
  }
  // Notes on without a matching off, by (channel, pitch) count.
  int Sounding() const {
    int count[16][128] = {};
    for (const auto& m : sent) {
      if (m.IsNoteOn()) count[m.channel][m.data1]++;
      if (m.IsNoteOff() && count[m.channel][m.data1] > 0) count[m.channel][m.data1] = 0;
    }
    int total = 0;
    for (auto& c : count)
      for (int v : c) total += v > 0;
    return total;
  }
};
