// Seeded random walks through everything a player and a host do to the plug-in: keys on any
// channel, program changes by MIDI and by the host, parameter writes, chunks, transport
// starts, stops, jumps and tempo changes, blocks of any size. Whatever happened, once the
// keys are let go (latch off) and the transport stops, two seconds of blocks must end every
// note the plug-in started.
//
// MOLTRIN_STUCK_SEQUENCES=n runs n walks instead of the default; MOLTRIN_STUCK_SEED=s replays
// the one walk a failure names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/support/SeededRng.h"
#include "engine/ParamNames.h"
#include "tests/support/NoteLedger.h"
#include "hosts/vst2/Host.h"

namespace {

using vst2host::Host;
using vst2host::MidiIn;

constexpr int kDefaultSequences = 1000;
constexpr int kActionsPerSequence = 2000;

using Rng = testsupport::SeededRng;

enum class Kind { Midi, SetProgram, Param, Play, Stop, Tempo, Locate, Blocks, SaveChunk, LoadChunk, Flood };

struct Action {
  Kind kind = Kind::Midi;
  MidiIn midi;    // Midi
  int tag = 0;    // Param: tag; Blocks: block count; chunks: 1 = program, 0 = bank; Flood: message count
  int value = 0;  // Param: stored value; SetProgram: index; Tempo: bpm; Locate: quarter beats;
                  // Blocks: frames (-1: the walk's block size); Flood: seed of its messages
};

// The settings of one walk that are not actions.
struct WalkSetup {
  uint64_t seed = 0;
  float sampleRate = 44100;
  int blockSize = 64;
};

// The parameters a walk writes, with their relative weights.
struct WeightedTag {
  int tag;
  int weight;
};
const WeightedTag kSingleTags[] = {
    {tagMTransp_oct, 4},   {tagMTransp_semi, 4},  {tagForceScale, 4},     {tagForceScale_Key, 4},
    {tagInRange_Low, 3},   {tagInRange_High, 3},  {tagOutRange_Low, 3},   {tagOutRange_High, 3},
    {tagMIDIOut_Ch, 4},    {tagMIDIIn_Ch, 3},     {tagLatch, 5},          {tagArpEnabled, 5},
    {tagMIDIThruOn, 4},    {tagSteps, 4},         {tagSync, 4},           {tagGate, 4},
    {tagInQuantize, 4},    {tagRestartOnKey, 4},  {tagSwing, 3},          {tagLockPage, 3},
    {tagSelectedPage, 3},  {tagFollowChord, 2},   {tagSortOrder, 3},      {tagMissing_key, 3},
    {tagFixed_key, 1},     {tagCurChain, 2},      {tagChainQuantize, 2},  {tagChainProg, 1},
    {tagChainProg + 1, 1}, {tagChainProg + 2, 1}, {tagNumChains, 1},
};

int PickSingleTag(Rng& rng) {
  int total = 0;
  for (const WeightedTag& w : kSingleTags) total += w.weight;
  int r = rng.Int(0, total - 1);
  for (const WeightedTag& w : kSingleTags) {
    if (r < w.weight) return w.tag;
    r -= w.weight;
  }
  return tagSteps;
}

// A message the plug-in passes on unchanged (controller 1, pitch bend, pressures) or drops.
MidiIn PassedMessage(Rng& rng, int channel) {
  const auto data = [&rng] { return static_cast<uint8_t>(rng.Int(0, 127)); };
  switch (rng.Int(0, 4)) {
    case 0: return vst2host::Controller(channel, 1, data());
    case 1: return vst2host::Controller(channel, data(), data());
    case 2: return {static_cast<uint8_t>(0xE0 | channel), data(), data()};
    case 3: return {static_cast<uint8_t>(0xA0 | channel), data(), data()};
    default: return {static_cast<uint8_t>(0xD0 | channel), data(), 0};
  }
}

// A walk's actions follow from its seed alone; the keys it holds are tracked so that most
// key-ups let go of a key that is down.
std::vector<Action> Generate(Rng& rng, int count) {
  std::vector<int> channels = {0};
  if (rng.Chance(40))
    for (int i = rng.Int(1, 3); i > 0; --i) channels.push_back(rng.Int(0, 15));
  std::vector<std::pair<int, int>> held;  // channel, note
  std::vector<Action> actions;
  actions.reserve(static_cast<size_t>(count));
  while (static_cast<int>(actions.size()) < count) {
    Action a;
    a.kind = Kind::Midi;
    const int r = rng.Int(0, 999);  // per mille
    if (r < 300) {
      a.kind = Kind::Blocks;
      a.tag = rng.Chance(75) ? rng.Int(1, 4) : rng.Int(5, 64);
      a.value = rng.Chance(90) ? -1 : rng.Int(0, 4096);  // -1: the walk's block size
    } else if (r < 480) {
      const int channel = rng.Pick(channels);
      const int note = rng.Chance(75) ? rng.Int(48, 72) : rng.Int(0, 127);
      a.midi = vst2host::NoteOn(channel, note, rng.Int(1, 127));
      held.emplace_back(channel, note);
    } else if (r < 660) {
      int channel = rng.Pick(channels), note = rng.Int(0, 127);
      if (!held.empty() && rng.Chance(85)) {
        const size_t i = static_cast<size_t>(rng.Int(0, static_cast<int>(held.size()) - 1));
        std::tie(channel, note) = held[i];
        held.erase(held.begin() + static_cast<std::ptrdiff_t>(i));
      }
      a.midi = rng.Chance(20) ? vst2host::NoteOn(channel, note, 0) : vst2host::NoteOff(channel, note, rng.Int(0, 127));
    } else if (r < 840) {
      a.kind = Kind::Param;
      a.tag = rng.Chance(70) ? PickSingleTag(rng)
                             : kStepBlockBases[static_cast<size_t>(rng.Int(0, 4))] + (rng.Chance(70) ? rng.Int(0, 15) : rng.Int(0, 63));
      a.value = rng.Int(CParamMin[a.tag], CParamMax[a.tag]);
      if (a.tag == tagMIDIIn_Ch && rng.Chance(50)) a.value = rng.Chance(50) ? 0 : rng.Pick(channels) + 1;
      if (a.tag == tagCurChain) a.value = rng.Int(1, 8);
    } else if (r < 860) {
      a.midi = vst2host::ProgramChange(rng.Pick(channels), rng.Int(0, 127));
    } else if (r < 880) {
      a.kind = Kind::SetProgram;
      a.value = rng.Int(0, 63);
    } else if (r < 900) {
      a.midi = PassedMessage(rng, rng.Pick(channels));
    } else if (r < 930) {
      a.kind = Kind::Play;
    } else if (r < 960) {
      a.kind = Kind::Stop;
    } else if (r < 970) {
      a.kind = Kind::Tempo;
      a.value = rng.Chance(90) ? rng.Int(40, 240) : (rng.Chance(50) ? 1 : rng.Int(241, 999));
    } else if (r < 980) {
      a.kind = Kind::Locate;
      a.value = rng.Int(-32, 256);
    } else if (r < 995) {
      a.kind = rng.Chance(50) ? Kind::SaveChunk : Kind::LoadChunk;
      a.tag = rng.Chance(50) ? 1 : 0;
    } else {
      a.kind = Kind::Flood;  // more messages in one list than a block can send
      a.tag = rng.Int(1000, 4000);
      a.value = rng.Int(0, 1 << 30);
    }
    actions.push_back(a);
  }
  return actions;
}

std::string Describe(const Action& a) {
  std::ostringstream s;
  switch (a.kind) {
    case Kind::Midi: {
      const int status = a.midi.status & 0xF0, channel = (a.midi.status & 0x0F) + 1;
      const int d1 = a.midi.data1, d2 = a.midi.data2;
      if (status == 0x90 && d2 > 0) s << "key down ch" << channel << " " << d1 << " v" << d2;
      else if (status == 0x90 || status == 0x80) s << "key up ch" << channel << " " << d1 << (status == 0x90 ? " (on, v0)" : "");
      else if (status == 0xC0) s << "MIDI program change ch" << channel << " " << d1;
      else s << "MIDI ch" << channel << " status 0x" << std::hex << status << std::dec << " " << d1 << " " << d2;
      break;
    }
    case Kind::SetProgram: s << "host selects program " << a.value; break;
    case Kind::Param: s << "host writes " << CatalogueName(a.tag) << " = " << a.value; break;
    case Kind::Play: s << "transport plays"; break;
    case Kind::Stop: s << "transport stops"; break;
    case Kind::Tempo: s << "tempo " << a.value; break;
    case Kind::Locate: s << "host jumps to beat " << a.value / 4.0; break;
    case Kind::Blocks: s << a.tag << " blocks" << (a.value >= 0 ? " of " + std::to_string(a.value) + " frames" : ""); break;
    case Kind::Flood: s << a.tag << " controller, bend and pressure messages in the list"; break;
    case Kind::SaveChunk: s << "host saves the " << (a.tag ? "program" : "bank") << " chunk"; break;
    case Kind::LoadChunk: s << "host restores the saved " << (a.tag ? "program" : "bank") << " chunk"; break;
  }
  return s.str();
}

// The host writes a stored value through its 0..1 parameter.
float Normalized(int tag, int value) {
  const int lo = CParamMin[tag], hi = CParamMax[tag];
  return static_cast<float>(value - lo) / static_cast<float>(hi - lo);
}

struct Outcome {
  bool ok = true;
  int channel = 0, pitch = 0;  // the first note left sounding
  int noteOns = 0;
  std::string error;
};

Outcome Replay(const WalkSetup& setup, const std::vector<Action>& actions) {
  Outcome out;
  Host host;
  if (host.Start(setup.sampleRate, setup.blockSize) == nullptr) {
    out.ok = false;
    out.error = host.LastError();
    return out;
  }
  std::vector<MidiIn> pending;  // MIDI between two other actions travels as one list
  auto flush = [&] {
    if (!pending.empty()) host.SendMidi(pending);
    pending.clear();
  };
  std::vector<uint8_t> saved[2];
  testsupport::KeyLedger keys;
  for (const Action& a : actions) {
    if (a.kind != Kind::Midi && a.kind != Kind::Flood) flush();
    switch (a.kind) {
      case Kind::Midi: {
        pending.push_back(a.midi);
        keys.Count(a.midi);
        break;
      }
      case Kind::Flood: {
        Rng rng(static_cast<uint64_t>(a.value));
        for (int i = 0; i < a.tag; ++i) pending.push_back(PassedMessage(rng, rng.Int(0, 15)));
        break;
      }
      case Kind::SetProgram: host.SetProgram(a.value); break;
      case Kind::Param: host.SetParam(a.tag, Normalized(a.tag, a.value)); break;
      case Kind::Play: host.transport.playing = true; break;
      case Kind::Stop: host.transport.playing = false; break;
      case Kind::Tempo: host.transport.tempo = a.value; break;
      case Kind::Locate: host.transport.ppq = a.value / 4.0; break;
      case Kind::Blocks: host.RunBlocks(a.tag, a.value >= 0 ? a.value : setup.blockSize); break;
      case Kind::SaveChunk: saved[a.tag] = host.GetChunk(a.tag == 1); break;
      case Kind::LoadChunk:
        if (!saved[a.tag].empty()) host.SetChunk(saved[a.tag], a.tag == 1);
        break;
    }
  }
  flush();

  testsupport::LetGoAndRunOut(host, keys, setup.blockSize);
  const std::vector<vst2host::MidiOut> sent = host.MidiOutEvents();
  for (const vst2host::MidiOut& m : sent) out.noteOns += m.IsNoteOn() ? 1 : 0;
  if (const auto left = testsupport::FirstSoundingNote(sent)) out = {false, left->channel, left->pitch, out.noteOns, ""};
  return out;
}

// Drops stretches of actions for as long as the walk still leaves a note sounding, halving
// the stretch each round; stops after a budget of replays.
std::vector<Action> Shrink(const WalkSetup& setup, std::vector<Action> actions) {
  int budget = 3000;
  for (size_t chunk = actions.size() / 2; chunk >= 1 && budget > 0; chunk /= 2) {
    for (size_t start = 0; start < actions.size() && budget > 0; --budget) {
      std::vector<Action> trial(actions.begin(), actions.begin() + static_cast<std::ptrdiff_t>(start));
      trial.insert(trial.end(), actions.begin() + static_cast<std::ptrdiff_t>(std::min(start + chunk, actions.size())),
                   actions.end());
      if (!Replay(setup, trial).ok)
        actions = std::move(trial);
      else
        start += chunk;
    }
  }
  return actions;
}

WalkSetup MakeSetup(uint64_t seed, Rng& rng) {
  WalkSetup setup;
  setup.seed = seed;
  const float rates[] = {44100.0f, 48000.0f, 96000.0f};
  const int sizes[] = {32, 64, 64, 128, 256, 512, 1024};
  setup.sampleRate = rates[rng.Int(0, 2)];
  setup.blockSize = sizes[rng.Int(0, 6)];
  return setup;
}

std::string Report(const WalkSetup& setup, const Outcome& failure, const std::vector<Action>& minimal) {
  std::ostringstream s;
  if (setup.seed != 0) s << "seed " << setup.seed << " (replay with MOLTRIN_STUCK_SEED=" << setup.seed << "): ";
  s << "note " << failure.pitch << " on channel " << failure.channel + 1 << " never ended\n";
  s << "minimal walk: " << setup.sampleRate << " Hz, blocks of " << setup.blockSize << " frames, "
    << minimal.size() << " actions\n";
  for (size_t i = 0; i < minimal.size(); ++i) s << "  " << i + 1 << ". " << Describe(minimal[i]) << "\n";
  s << "  then: Latch off, every key up, transport stopped, 2 s of blocks\n";
  return s.str();
}

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != 0 ? std::strtoull(text, nullptr, 0) : fallback;
}

// Single actions for written walks.
Action Down(int channel, int note) { return {Kind::Midi, vst2host::NoteOn(channel, note, 100)}; }
Action Up(int channel, int note) { return {Kind::Midi, vst2host::NoteOff(channel, note)}; }
Action Write(int tag, int value) { return {Kind::Param, {}, tag, value}; }
Action Select(int program) { return {Kind::SetProgram, {}, 0, program}; }
Action Blocks(int blocks) { return {Kind::Blocks, {}, blocks, -1}; }
Action Flood(int messages) { return {Kind::Flood, {}, messages, 1}; }

}  // namespace

// Walks the random search once shrank to a few actions, each named after the fault it found.
TEST(StuckNoteProperty, FaultsFoundByTheSearch) {
  struct Case {
    const char* fault;
    std::vector<Action> walk;
  };
  const Case cases[] = {
      {"the arpeggiator switched on over a key held with the transport stopped plays a step from the "
       "stale host position, and no clock ever ends it",
       {Write(tagArpEnabled, 0), Blocks(1), Down(0, 56), Write(tagArpEnabled, 1), Blocks(1)}},
      {"a key-up on a channel the input filter rejects since its key-down never reaches the key "
       "filter: the own clock plays on",
       {Down(0, 53), Blocks(1), Write(tagMIDIIn_Ch, 12), Blocks(1)}},
      {"a list with more passed messages than a block can send crowds out a thru note-off",
       {Write(tagArpEnabled, 0), Blocks(1), Down(0, 60), Blocks(1), Flood(4000), Up(0, 60), Blocks(1)}},
      {"a key-up with restart on key stops the own clock but leaves its key wait, so the next key-down "
       "starts no clock",
       {Down(0, 60), Up(0, 60), Write(tagRestartOnKey, 1), Up(0, 61), Down(0, 62), Blocks(2)}},
      {"a program without latch, selected over latched keys, forgets on which channels they came in, "
       "so the key-up of a thru note on a channel the input filter now rejects is dropped",
       {Write(tagArpEnabled, 0), Write(tagLatch, 1), Blocks(1), Down(0, 71), Select(62), Write(tagMIDIIn_Ch, 3)}},
      {"a key held twice on one channel: the first key-up, with the key filter emptied meanwhile, forgets the "
       "channel while the thru note still has a hold, and the second key-up is dropped",
       {Write(tagArpEnabled, 0), Blocks(1), Down(0, 71), Down(0, 71), Write(tagLatch, 1), Blocks(1), Select(34),
        Write(tagMIDIIn_Ch, 12)}},
  };
  const WalkSetup setup{0, 44100.0f, 64};
  for (const Case& c : cases) {
    const Outcome outcome = Replay(setup, c.walk);
    ASSERT_TRUE(outcome.error.empty()) << outcome.error;
    EXPECT_TRUE(outcome.ok) << c.fault << "\n" << Report(setup, outcome, c.walk);
  }
}

TEST(StuckNoteProperty, EveryNoteStartedEndsOnceKeysAndTransportStop) {
  std::vector<uint64_t> seeds;
  if (const uint64_t only = EnvNumber("MOLTRIN_STUCK_SEED", 0); only != 0) {
    seeds.push_back(only);
  } else {
    const uint64_t n = EnvNumber("MOLTRIN_STUCK_SEQUENCES", kDefaultSequences);
    for (uint64_t i = 1; i <= n; ++i) seeds.push_back(0x5EED0000ull + i);
  }
  long long actions = 0, noteOns = 0;
  for (uint64_t seed : seeds) {
    Rng rng(seed);
    const WalkSetup setup = MakeSetup(seed, rng);
    const std::vector<Action> walk = Generate(rng, kActionsPerSequence);
    const Outcome outcome = Replay(setup, walk);
    ASSERT_TRUE(outcome.error.empty()) << outcome.error;
    actions += static_cast<long long>(walk.size());
    noteOns += outcome.noteOns;
    if (!outcome.ok) {
      const std::vector<Action> minimal = Shrink(setup, walk);
      const Outcome again = Replay(setup, minimal);
      FAIL() << Report(setup, again.ok ? outcome : again, minimal);
    }
  }
  std::printf("%zu walks, %lld actions, %lld note-ons, every one ended\n", seeds.size(), actions, noteOns);
}
