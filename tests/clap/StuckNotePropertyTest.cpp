// Seeded random walks through what a CLAP host and a player do to moltrin.clap: keys as CLAP
// notes and as MIDI on several channels, at frames inside blocks; parameter values and program
// choices inside blocks and through flush; program change messages; the transport playing,
// stopping, jumping and changing tempo; blocks of any size; deactivation, reset, states saved
// and loaded; a note-off for every key at once. Whatever happened, once latch is off, the keys
// are let go and the transport stops, two seconds of blocks must end every note started.
//
// MOLTRIN_STUCK_SEQUENCES=n runs n walks instead of the default; MOLTRIN_STUCK_SEED=s replays
// the one walk a failure names.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "tests/clap/ClapScript.h"
#include "tests/support/SeededRng.h"

namespace {

using Rng = testsupport::SeededRng;
using clapscript::kProgram;

constexpr int kDefaultSequences = 300;
constexpr int kActionsPerSequence = 1500;

enum class Kind { Key, Midi, Param, FlushParam, Play, Stop, Tempo, Locate, Blocks, Reactivate, Reset, Save, Load, AllOff };

struct Action {
  Kind kind = Kind::Blocks;
  int a = 0, b = 0, c = 0;  // Key: channel, key, velocity (0: up); Midi: bytes; Param: id, value; Blocks: count, frames
  uint32_t frame = 0;       // inside the next block
  bool asMidi = false;      // a key sent as a MIDI message instead of a CLAP note
};

const int kTags[] = {tagMTransp_oct, tagMTransp_semi, tagForceScale, tagInRange_Low, tagInRange_High,
                     tagOutRange_Low, tagOutRange_High, tagMIDIOut_Ch, tagMIDIIn_Ch, tagLatch, tagLatch,
                     tagArpEnabled, tagArpEnabled, tagMIDIThruOn, tagSteps, tagSync, tagGate, tagInQuantize,
                     tagRestartOnKey, tagSwing, tagLockPage, tagSortOrder, tagCurChain, tagNumChains,
                     tagChainProg, tagStep_mode + 1, tagKey_select, tagOctave + 2};

std::vector<Action> Generate(Rng& rng, int count) {
  std::vector<Action> actions;
  std::vector<std::pair<int, int>> held;
  const std::vector<int> channels = {0, 0, 0, rng.Int(0, 15)};
  while (static_cast<int>(actions.size()) < count) {
    Action x;
    x.frame = static_cast<uint32_t>(rng.Chance(50) ? 0 : rng.Int(0, 4095));
    const int r = rng.Int(0, 999);
    if (r < 280) {
      x.kind = Kind::Blocks;
      x.a = rng.Int(1, 6);
      x.b = rng.Chance(85) ? -1 : rng.Int(0, 4096);
    } else if (r < 450) {
      x.kind = Kind::Key;
      x.a = rng.Pick(channels);
      x.b = rng.Int(48, 76);
      x.c = rng.Int(1, 127);
      x.asMidi = rng.Chance(30);
      held.emplace_back(x.a, x.b);
    } else if (r < 600) {
      x.kind = Kind::Key;
      x.asMidi = rng.Chance(30);
      if (!held.empty() && rng.Chance(85)) {
        const size_t i = static_cast<size_t>(rng.Int(0, static_cast<int>(held.size()) - 1));
        x.a = held[i].first;
        x.b = held[i].second;
        held.erase(held.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        x.a = rng.Pick(channels);
        x.b = rng.Int(0, 127);
      }
    } else if (r < 780) {
      x.kind = rng.Chance(70) ? Kind::Param : Kind::FlushParam;
      if (rng.Chance(8)) {
        x.a = static_cast<int>(kProgram);
        x.b = rng.Int(1, 64);
      } else {
        x.a = kTags[rng.Int(0, static_cast<int>(std::size(kTags)) - 1)];
        x.b = rng.Int(CParamMin[x.a], x.a == tagCurChain ? 16 : CParamMax[x.a]);
      }
    } else if (r < 820) {
      x.kind = Kind::Midi;
      const int ch = rng.Pick(channels);
      switch (rng.Int(0, 3)) {
        case 0: x.a = 0xC0 | ch; x.b = rng.Int(0, 70); break;
        case 1: x.a = 0xB0 | ch; x.b = 1; x.c = rng.Int(0, 127); break;
        case 2: x.a = 0xE0 | ch; x.b = rng.Int(0, 127); x.c = rng.Int(0, 127); break;
        default: x.a = 0xB0 | ch; x.b = 123; break;  // all notes off, as a controller
      }
    } else if (r < 860) {
      x.kind = Kind::Play;
    } else if (r < 900) {
      x.kind = Kind::Stop;
    } else if (r < 915) {
      x.kind = Kind::Tempo;
      x.a = rng.Int(30, 300);
    } else if (r < 930) {
      x.kind = Kind::Locate;
      x.a = rng.Int(-16, 400);
    } else if (r < 950) {
      x.kind = Kind::Reactivate;
      x.a = rng.Chance(50) ? 44100 : 96000;
    } else if (r < 960) {
      x.kind = Kind::Reset;
    } else if (r < 985) {
      x.kind = rng.Chance(50) ? Kind::Save : Kind::Load;
    } else {
      x.kind = Kind::AllOff;
    }
    actions.push_back(x);
  }
  return actions;
}

std::string Describe(const Action& x) {
  std::ostringstream s;
  switch (x.kind) {
    case Kind::Key:
      s << (x.c > 0 ? "key down" : "key up") << " ch" << x.a + 1 << " " << x.b << (x.asMidi ? " (MIDI)" : " (note)")
        << " @" << x.frame;
      break;
    case Kind::Midi: s << "MIDI " << std::hex << x.a << std::dec << " " << x.b << " " << x.c << " @" << x.frame; break;
    case Kind::Param: s << "value " << x.a << " = " << x.b << " @" << x.frame; break;
    case Kind::FlushParam: s << "value " << x.a << " = " << x.b << " through flush"; break;
    case Kind::Play: s << "transport plays"; break;
    case Kind::Stop: s << "transport stops"; break;
    case Kind::Tempo: s << "tempo " << x.a; break;
    case Kind::Locate: s << "jump to beat " << x.a / 4.0; break;
    case Kind::Blocks: s << x.a << " blocks" << (x.b >= 0 ? " of " + std::to_string(x.b) : ""); break;
    case Kind::Reactivate: s << "deactivate, activate at " << x.a << " Hz"; break;
    case Kind::Reset: s << "reset"; break;
    case Kind::Save: s << "save state"; break;
    case Kind::Load: s << "load the saved state"; break;
    case Kind::AllOff: s << "note-off for every key on every channel"; break;
  }
  return s.str();
}

struct Outcome {
  bool ok = true;
  int channel = 0, key = 0, noteOns = 0;
};

Outcome Replay(int blockSize, const std::vector<Action>& actions) {
  claphost::Host host;
  EXPECT_TRUE(host.Start(44100, blockSize)) << host.LastError();
  std::map<std::pair<int, int>, int> down;  // keys held, as the plug-in counts them
  std::vector<uint8_t> saved;
  auto frameIn = [&](uint32_t f) { return f % static_cast<uint32_t>(blockSize); };
  for (const Action& x : actions) {
    switch (x.kind) {
      case Kind::Key:
        if (x.asMidi)
          host.Midi(static_cast<uint8_t>((x.c > 0 ? 0x90 : 0x80) | x.a), static_cast<uint8_t>(x.b),
                    static_cast<uint8_t>(x.c), frameIn(x.frame));
        else
          host.Note(x.c > 0, x.a, x.b, x.c / 127.0, frameIn(x.frame));
        if (x.c > 0) {
          ++down[{x.a, x.b}];
        } else if (auto found = down.find({x.a, x.b}); found != down.end() && --found->second == 0) {
          down.erase(found);
        }
        break;
      case Kind::Midi:
        host.Midi(static_cast<uint8_t>(x.a), static_cast<uint8_t>(x.b), static_cast<uint8_t>(x.c), frameIn(x.frame));
        break;
      case Kind::Param: host.ParamValue(static_cast<clap_id>(x.a), x.b, frameIn(x.frame)); break;
      case Kind::FlushParam:
        host.RunBlock();  // what is queued belongs to a block
        host.SetParam(static_cast<clap_id>(x.a), x.b);
        break;
      case Kind::Play: host.transport.playing = true; break;
      case Kind::Stop: host.transport.playing = false; break;
      case Kind::Tempo: host.transport.tempo = x.a; break;
      case Kind::Locate: host.transport.ppq = x.a / 4.0; break;
      case Kind::Blocks: host.RunBlocks(x.a, x.b >= 0 ? x.b : blockSize); break;
      case Kind::Reactivate:
        host.RunBlock();
        host.Deactivate();
        host.Activate(x.a, blockSize);
        host.StartProcessing();
        break;
      case Kind::Reset:
        host.RunBlock();
        host.StopProcessing();
        host.Reset();
        host.StartProcessing();
        break;
      case Kind::Save:
        if (auto state = host.SaveState()) saved = *state;
        break;
      case Kind::Load:
        if (!saved.empty()) host.LoadState(saved);
        break;
      case Kind::AllOff:
        host.Note(false, -1, -1, 0, frameIn(x.frame));
        down.clear();
        break;
    }
  }
  // The player's ending: what was sent takes effect in a block (a program with latch on may come
  // in), then latch off, every key up as often as it went down, the transport stopped, two seconds.
  host.RunBlock();
  host.ParamValue(tagLatch, 0);
  for (const auto& [key, n] : down)
    for (int i = 0; i < n; ++i) host.Note(false, key.first, key.second, 0);
  host.transport.playing = false;
  host.RunBlocks(static_cast<int>(2 * host.sampleRate) / blockSize + 1);
  Outcome out;
  for (const claphost::Sent& s : host.SentEvents()) {
    uint8_t b[3];
    out.noteOns += s.AsMidi(b) && (b[0] & 0xF0) == 0x90 && b[2] > 0;
  }
  out.ok = clapscript::Sounding(host.SentEvents(), &out.channel, &out.key) == 0;
  return out;
}

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != 0 ? std::strtoull(text, nullptr, 0) : fallback;
}

TEST(ClapStuckNoteProperty, EveryNoteStartedEndsOnceKeysAndTransportStop) {
  std::vector<uint64_t> seeds;
  if (const uint64_t only = EnvNumber("MOLTRIN_STUCK_SEED", 0); only != 0) {
    seeds.push_back(only);
  } else {
    for (uint64_t i = 1; i <= EnvNumber("MOLTRIN_STUCK_SEQUENCES", kDefaultSequences); ++i)
      seeds.push_back(0xC1A90000ull + i);
  }
  long long noteOns = 0;
  for (uint64_t seed : seeds) {
    Rng rng(seed);
    const int sizes[] = {1, 32, 64, 256, 512, 1024};
    const int blockSize = sizes[rng.Int(0, 5)];
    const std::vector<Action> walk = Generate(rng, blockSize == 1 ? kActionsPerSequence / 10 : kActionsPerSequence);
    const Outcome outcome = Replay(blockSize, walk);
    noteOns += outcome.noteOns;
    if (!outcome.ok) {
      // The shortest prefix that still leaves a note sounding, to read.
      size_t lo = 1, hi = walk.size();
      while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (!Replay(blockSize, std::vector<Action>(walk.begin(), walk.begin() + static_cast<std::ptrdiff_t>(mid))).ok)
          hi = mid;
        else
          lo = mid + 1;
      }
      std::ostringstream s;
      s << "seed " << seed << " (MOLTRIN_STUCK_SEED=" << seed << "), blocks of " << blockSize << ": note " << outcome.key
        << " on channel " << outcome.channel + 1 << " never ended; the walk fails from action " << hi << ":\n";
      for (size_t i = hi > 12 ? hi - 12 : 0; i < hi; ++i) s << "  " << i + 1 << ". " << Describe(walk[i]) << "\n";
      FAIL() << s.str();
    }
  }
  std::printf("%zu walks, %lld note-ons, every one ended\n", seeds.size(), noteOns);
}

}  // namespace
