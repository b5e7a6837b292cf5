// Seeded random walks through what a player and an LV2 host do: keys on several channels,
// program changes by MIDI and by the program port, setting ports, positions inside blocks
// (starts, stops, locates, tempo changes), blocks of any size and of none, deactivations, state
// saved and restored. Whatever happened, once latch is off, every key is up and the transport
// stops, two seconds of blocks end every note the plug-in started.
//
// MOLTRIN_STUCK_SEQUENCES=n runs n walks instead of the default; MOLTRIN_STUCK_SEED=s replays
// the one walk a failure names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/lv2/Lv2Session.h"
#include "tests/support/SeededRng.h"

namespace {

using Rng = testsupport::SeededRng;
constexpr double kRate = 48000;
constexpr int kDefaultWalks = 150;
constexpr int kActionsPerWalk = 600;

// The first note left sounding, as "channel/pitch", or "".
std::string SoundingNote(const std::vector<lv2host::MidiOut>& out) {
  std::map<std::pair<int, int>, int> on;
  for (const lv2host::MidiOut& m : out) {
    const auto key = std::make_pair(m.bytes[0] & 15, static_cast<int>(m.bytes[1]));
    if (m.IsNoteOn()) ++on[key];
    if (m.IsNoteOff()) on[key] = 0;
  }
  for (const auto& [key, n] : on)
    if (n > 0) return std::to_string(key.first) + "/" + std::to_string(key.second);
  return "";
}

lv2host::Position Transport(Rng& rng, bool playing, double& ppq) {
  if (rng.Chance(40)) ppq = rng.Int(0, 4000) / 4.0;
  lv2host::Position p;
  p.bpm = rng.Chance(10) ? rng.Int(1, 999) : rng.Int(60, 200);
  p.speed = playing ? 1.0 : 0.0;
  p.beatsPerBar = 4;
  p.beatUnit = 4;
  p.bar = static_cast<double>(static_cast<long>(ppq / 4));
  p.barBeat = ppq - *p.bar * 4;
  p.frame = static_cast<int64_t>(ppq * kRate / 2);
  return p;
}

// Runs one walk; "" when every note ended, else what was left sounding.
std::string Walk(uint64_t seed) {
  Rng rng(seed);
  lv2host::Host host;
  if (!host.Start(kRate, 8192)) return "no host: " + host.LastError();
  std::vector<int> channels = {0};
  if (rng.Chance(40)) channels.push_back(rng.Int(1, 15));
  std::map<std::pair<int, int>, int> held;
  std::vector<lv2host::Property> saved;
  bool playing = false;
  double ppq = 0;
  int blockSize = rng.Pick(std::vector<int>{16, 64, 256, 512, 1024});
  for (int i = 0; i < kActionsPerWalk; ++i) {
    const int r = rng.Int(0, 999);
    // Often one of a few frames, so that keys and positions meet on a frame.
    const int frame = rng.Chance(50) ? rng.Pick(std::vector<int>{0, blockSize / 2, blockSize - 1}) : rng.Int(0, blockSize - 1);
    const auto channel = static_cast<uint8_t>(rng.Pick(channels));
    if (r < 280) {
      for (int b = rng.Int(1, 4); b > 0; --b) host.RunBlock(rng.Chance(5) ? 0 : static_cast<uint32_t>(blockSize));
    } else if (r < 450) {
      const auto note = static_cast<uint8_t>(rng.Int(48, 72));
      host.SendMidi(frame, {static_cast<uint8_t>(0x90 | channel), note, static_cast<uint8_t>(rng.Int(1, 127))});
      ++held[{channel, note}];
    } else if (r < 620) {
      if (held.empty()) continue;
      auto it = held.begin();
      std::advance(it, rng.Int(0, static_cast<int>(held.size()) - 1));
      const auto [ch, note] = it->first;
      host.SendMidi(frame, {static_cast<uint8_t>(0x80 | ch), static_cast<uint8_t>(note), 0});
      if (--it->second == 0) held.erase(it);
    } else if (r < 800) {
      const uint32_t port = static_cast<uint32_t>(rng.Int(static_cast<int>(kPortProgram), static_cast<int>(kPortCount) - 1));
      const TPortRange range = RangeOfPort(port);
      host.SetControl(port, static_cast<float>(rng.Int(range.min, range.max)));
    } else if (r < 830) {
      host.SendMidi(frame, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(rng.Int(0, 63))});
    } else if (r < 900) {
      playing = rng.Chance(60);
      host.SendPosition(frame, Transport(rng, playing, ppq));
    } else if (r < 920) {
      host.Deactivate();
      if (rng.Chance(50)) host.RunBlock(static_cast<uint32_t>(blockSize));  // a host that runs anyway
      host.Activate();
    } else if (r < 950) {
      saved = host.SaveProperties();
    } else if (r < 970) {
      if (!saved.empty()) host.RestoreProperties(saved);
    } else {
      blockSize = rng.Pick(std::vector<int>{1, 16, 64, 333, 512, 4096});
    }
  }
  // Let go: the events so far take effect; latch off in the program in force (the port moved so
  // that the engine hears it, whatever the port held); every key up; the transport stops.
  host.RunBlock(static_cast<uint32_t>(blockSize));
  host.SetControl("latch", 1);
  host.RunBlock(64);
  host.SetControl("latch", 0);
  for (const auto& [key, count] : held)
    for (int c = 0; c < count; ++c)
      host.SendMidi(0, {static_cast<uint8_t>(0x80 | key.first), static_cast<uint8_t>(key.second), 0});
  host.SendPosition(0, Transport(rng, false, ppq));
  for (int i = 0; i < static_cast<int>(2 * kRate / 512) + 1; ++i) host.RunBlock(512);
  return SoundingNote(host.Out());
}

TEST(Lv2StuckNotes, EveryWalkEndsEveryNoteOnceThePlayerLetsGo) {
  std::vector<uint64_t> seeds;
  if (const char* one = std::getenv("MOLTRIN_STUCK_SEED")) {
    seeds.push_back(std::strtoull(one, nullptr, 0));
  } else {
    const char* count = std::getenv("MOLTRIN_STUCK_SEQUENCES");
    const int walks = count != nullptr ? std::atoi(count) : kDefaultWalks;
    for (int i = 0; i < walks; ++i) seeds.push_back(0x1F2E3D4C5B6A7980ull + static_cast<uint64_t>(i) * 7919);
  }
  int failures = 0;
  for (uint64_t seed : seeds) {
    const std::string left = Walk(seed);
    if (left.empty()) continue;
    ADD_FAILURE() << "MOLTRIN_STUCK_SEED=" << seed << ": note " << left << " left sounding";
    if (++failures == 3) break;
  }
}

}  // namespace
