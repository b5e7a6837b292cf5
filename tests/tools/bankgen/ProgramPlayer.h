#pragma once
// Plays programs of a loaded bank the way a keyboard player tries them: keys held from the
// downbeat, the host transport running at 120 quarter notes a minute, every message the
// engine sends recorded with the block and frame it left on.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/KeyUtils.h"
#include "engine/PlugCore.h"

struct TSentMessage {
  int block;
  int frame;
  uint8_t message, channel, data1, data2;
  bool IsNoteOn() const { return message == 0x90 && data2 > 0; }
  bool IsNoteOff() const { return message == 0x80 || (message == 0x90 && data2 == 0); }
};

struct TPlayedNote {
  double beat;  // song position of the frame the note left on
  int pitch;
  int velocity;
};

class TProgramPlayer {
 public:
  static constexpr int kBlockSize = 64;
  static constexpr double kSampleRate = 44100;
  static constexpr double kTempo = 120;

  std::unique_ptr<TPlugCore> owned = std::make_unique<TPlugCore>();  // large: kept off the stack
  TPlugCore& core = *owned;
  std::vector<TSentMessage> sent;

  TProgramPlayer() = default;

  void NoteOn(int note) { core.HandleMidiIn(0, 0x90, note, 100); }
  void NoteOff(int note) { core.HandleMidiIn(0, 0x80, note, 0); }
  void Play() { playing = true; }
  void Stop() { playing = false; }
  double Beat() const { return BeatOfBlock(block); }
  static double BeatOfBlock(int b, int frame = 0) { return (b * kBlockSize + frame) / kSampleRate * kTempo / 60.0; }

  void Blocks(int n) {
    for (int i = 0; i < n; ++i) {
      const THostTime time{Beat(), block * double(kBlockSize), kSampleRate, kTempo, playing};
      for (const TMidiOut& m : core.ProcessBlock(kBlockSize, &time))
        sent.push_back({block, m.frame, static_cast<uint8_t>(m.status & 0xF0), static_cast<uint8_t>(m.status & 0x0F),
                        m.data1, m.data2});
      ++block;
    }
  }
  // Runs blocks until the song position reaches `beat`; the transport counts from block 0.
  void RunTo(double beat) {
    while (Beat() < beat) Blocks(1);
  }

  // Selects `program`, starts the transport, holds `keys` and runs the blocks that end within
  // `beats` quarter notes. The player keeps running afterwards, so callers can release the keys
  // and go on.
  std::vector<TPlayedNote> Play(int program, const std::vector<int>& keys, double beats) {
    core.SelectProgram(program);
    Play();
    for (int key : keys) NoteOn(key);
    while (BeatOfBlock(block + 1) <= beats) Blocks(1);
    return NoteOns();
  }

  std::vector<TPlayedNote> NoteOns() const {
    std::vector<TPlayedNote> notes;
    for (const auto& m : sent)
      if (m.IsNoteOn()) notes.push_back({BeatOfBlock(m.block, m.frame), m.data1, m.data2});
    return notes;
  }

  // Pitches sent on and not yet off.
  int Sounding() const {
    int count[16][128] = {};
    for (const auto& m : sent) {
      if (m.IsNoteOn()) count[m.channel & 15][m.data1 & 127]++;
      if (m.IsNoteOff()) count[m.channel & 15][m.data1 & 127] = 0;
    }
    int total = 0;
    for (const auto& channel : count)
      for (int c : channel) total += c > 0;
    return total;
  }

 private:
  int block = 0;
  bool playing = false;
};

// The pitches as note names, "C5 E5 G5 C6".
inline std::string PitchText(const std::vector<TPlayedNote>& notes) {
  std::string text;
  for (const auto& n : notes) {
    if (!text.empty()) text.push_back(' ');
    text.append(NoteName(n.pitch).View());
  }
  return text;
}
