#pragma once
// Plays the plug-in the way a host does, with a scripted clock: values are written as the
// host writes them (normalised through the catalogue ranges), keys arrive in event lists
// before a block, and what comes out is read back with the block it left in.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "hosts/vst2/Host.h"
#include "tests/support/GoldenList.h"

namespace arp {

using vst2host::MidiOut;

constexpr double kSampleRate = 44100;

struct Note {
  int block;
  int pitch;
  int velocity;
  bool on;
  int channel = 0;
  int frame = 0;  // deltaFrames: the frame of its block at which it leaves
  bool operator==(const Note&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Note& n) {
  return os << (n.on ? "on " : "off ") << n.pitch << " v" << n.velocity << " ch" << n.channel << " @" << n.block
            << "+" << n.frame;
}

class Script {
 public:
  vst2host::Host host;
  AEffect* fx = nullptr;

  explicit Script(int blockSize = 64, double sampleRate = kSampleRate) {
    host.transport.sampleRate = sampleRate;
    fx = host.Start(static_cast<float>(sampleRate), blockSize);
    host.blockSize = blockSize;
    if (fx != nullptr) host.SetProgram(0);
  }

  // Writes a value through the host's 0..1 parameter.
  void Set(int tag, int value) {
    const int lo = CParamMin[tag], hi = CParamMax[tag];
    host.SetParam(tag, static_cast<float>(value - lo) / static_cast<float>(hi - lo));
  }
  // Writes one value into each of the first steps of a step block.
  void SetSteps(int base, std::initializer_list<int> values) {
    int step = 0;
    for (int v : values) Set(base + step++, v);
  }

  void Keys(std::initializer_list<int> notes, int velocity = 100, int channel = 0) {
    std::vector<vst2host::MidiIn> events;
    for (int n : notes) events.push_back(vst2host::NoteOn(channel, n, velocity));
    host.SendMidi(events);
  }
  void Release(std::initializer_list<int> notes, int channel = 0) {
    std::vector<vst2host::MidiIn> events;
    for (int n : notes) events.push_back(vst2host::NoteOff(channel, n));
    host.SendMidi(events);
  }

  void Play(int blocks) { host.PlayBlocks(blocks); }
  void Run(int blocks) { host.RunBlocks(blocks); }
  void Stop() { host.Stop(); }
  // Plays until the host clock reaches `ppq`.
  void PlayTo(double ppq) {
    host.transport.playing = true;
    while (host.transport.ppq < ppq - 1e-9) host.RunBlock(host.blockSize);
  }
  int Block() const { return host.BlocksRun(); }
  // The sample position at which a note left: its block's start plus its frame.
  long Sample(const Note& n) const { return static_cast<long>(n.block) * host.blockSize + n.frame; }
  double BlockPpq(int block) const { return block * host.blockSize / kSampleRate * host.transport.tempo / 60.0; }

  std::vector<Note> Notes() const {
    std::vector<Note> notes;
    for (const MidiOut& m : host.MidiOutEvents())
      if (m.IsNoteOn() || m.IsNoteOff())
        notes.push_back({m.block, m.bytes[1], m.bytes[2], m.IsNoteOn(), m.Channel(), m.deltaFrames});
    return notes;
  }
  std::vector<Note> NoteOns() const {
    std::vector<Note> r;
    for (const Note& n : Notes())
      if (n.on) r.push_back(n);
    return r;
  }
  // Pitches (or velocities) of the note-ons in order.
  std::vector<int> OnPitches() const {
    std::vector<int> r;
    for (const Note& n : NoteOns()) r.push_back(n.pitch);
    return r;
  }
  std::vector<int> OnVelocities() const {
    std::vector<int> r;
    for (const Note& n : NoteOns()) r.push_back(n.velocity);
    return r;
  }
  // Notes still sounding: a note-on not yet followed by a note-off of the same channel and pitch.
  int Sounding() const {
    int count[16][128] = {};
    for (const Note& n : Notes()) {
      if (n.on)
        count[n.channel][n.pitch]++;
      else
        count[n.channel][n.pitch] = 0;
    }
    int total = 0;
    for (auto& channel : count)
      for (int c : channel) total += c > 0;
    return total;
  }
  void Clear() { host.ClearRecords(); }

  // Everything the module sent since the last Clear, in the order sent, each at its sample
  // position from the first block.
  std::vector<golden::Event> Sent() const {
    std::vector<golden::Event> sent;
    for (const MidiOut& m : host.MidiOutEvents())
      sent.push_back({static_cast<long long>(m.block) * host.blockSize + m.deltaFrames, m.bytes[0], m.bytes[1], m.bytes[2]});
    return sent;
  }
};

// Whether what the script's module sent is the list kept for the running test as
// tests/golden/<suite>/<test>.txt, or <test>.<case>.txt for one of several cases.
inline testing::AssertionResult MatchesGolden(const Script& s, const std::string& what = "") {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  const std::string suite = test->test_suite_name(), name = test->name();
  std::string path = suite + "/" + name, header = suite + "." + name;
  if (!what.empty()) {
    path.append(".").append(golden::Slug(what));
    header.append(", ").append(what);
  }
  header.append(": blocks of ").append(std::to_string(s.host.blockSize)).append(" frames at ");
  header.append(std::to_string(static_cast<int>(s.host.transport.sampleRate))).append(" Hz");
  return golden::MatchesList(path, header, s.Sent());
}

// The first block whose start lies at or after sample position `samples`.
inline int BlockAt(double samples, int blockSize) { return static_cast<int>(std::ceil(samples / blockSize)); }
// The first frame at or after a position given in samples: where a step or note end that lies
// there is sent (within one frame: positions are single precision).
inline long FrameAt(double samples) { return static_cast<long>(std::ceil(samples - 1e-9)); }

}  // namespace arp
