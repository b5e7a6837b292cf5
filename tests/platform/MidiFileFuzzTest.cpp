// The MIDI reader under damaged input: seeded mutations of valid files must give a song or
// a reason, never a crash, and every song it answers must be well formed.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/MidiFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<Bytes> SeedFiles() {
  std::vector<TMidiFileEvent> notes;
  for (int i = 0; i < 24; ++i) {
    notes.push_back({i * 120, {static_cast<uint8_t>(0x90 | (i % 3)), static_cast<uint8_t>(48 + i), 100}, 3});
    notes.push_back({i * 120 + 60, {static_cast<uint8_t>(0x80 | (i % 3)), static_cast<uint8_t>(48 + i), 0}, 3});
    if (i % 5 == 0) notes.push_back({i * 120, {0xC0, static_cast<uint8_t>(i), 0}, 2});
    if (i % 7 == 0) notes.push_back({i * 120, {0xE0, 0, 64}, 3});
  }
  std::vector<Bytes> seeds;
  seeds.push_back(BuildMidiFile(480, {{0, 500000}, {960, 300000}}, {{0, 3, 4}}, {{"One", notes}}));
  seeds.push_back(BuildMidiFile(96, {{0, 600000}}, {}, {{"A", notes}, {"B", {notes.begin(), notes.begin() + 10}}}));
  // Hand-made: running status, sysex, a foreign chunk.
  seeds.push_back({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96, 'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2,
                   'M', 'T', 'r', 'k', 0, 0, 0, 22, 0x00, 0x90, 60, 100, 0x10, 62, 90, 0x00, 0xF0, 0x02, 0x01,
                   0xF7, 0x10, 64, 80, 0x81, 0x00, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00});
  return seeds;
}

Bytes Mutate(const Bytes& seed, std::mt19937& rng) {
  Bytes b = seed;
  const auto pick = [&](size_t n) { return n == 0 ? size_t{0} : static_cast<size_t>(rng() % n); };
  const int edits = 1 + static_cast<int>(rng() % 4);
  for (int e = 0; e < edits; ++e) {
    switch (rng() % 7) {
      case 0: if (!b.empty()) b[pick(b.size())] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
      case 1: if (!b.empty()) b[pick(b.size())] = static_cast<uint8_t>(rng()); break;
      case 2: b.insert(b.begin() + static_cast<long>(pick(b.size() + 1)), static_cast<uint8_t>(rng())); break;
      case 3: if (!b.empty()) b.erase(b.begin() + static_cast<long>(pick(b.size()))); break;
      case 4: b.resize(pick(b.size() + 1)); break;
      case 5:  // a length or count field made huge or small
        if (b.size() > 8) {
          const size_t at = pick(b.size() - 3);
          const uint8_t v = (rng() & 1) ? 0xFF : 0x00;
          for (size_t i = 0; i < 4; ++i) b[at + i] = v;
        }
        break;
      default:  // a stretch of bytes that look like status bytes
        if (!b.empty()) {
          const size_t at = pick(b.size());
          for (size_t i = at; i < std::min(b.size(), at + 6); ++i) b[i] = static_cast<uint8_t>(0x80 | rng());
        }
        break;
    }
  }
  return b;
}

TEST(MidiFileFuzz, MutatedFilesGiveASongOrAReason) {
  const std::vector<Bytes> seeds = SeedFiles();
  std::mt19937 rng(20240611);
  int accepted = 0, refused = 0;
  for (int i = 0; i < 4000; ++i) {
    const Bytes file = Mutate(seeds[static_cast<size_t>(i) % seeds.size()], rng);
    TMidiSong song;
    const TMidiFileResult r = ParseMidiFile(file, song);
    if (!r.ok) {
      ++refused;
      ASSERT_FALSE(r.message.empty()) << "case " << i;
      continue;
    }
    ++accepted;
    ASSERT_GT(song.division, 0) << "case " << i;
    for (size_t k = 0; k < song.events.size(); ++k) {
      const TMidiFileEvent& e = song.events[k];
      ASSERT_EQ(e.size, ChannelMessageSize(e.data[0])) << "case " << i;
      for (int d = 1; d < e.size; ++d) ASSERT_LT(e.data[d], 0x80) << "case " << i;
      if (k > 0) {
        ASSERT_LE(song.events[k - 1].tick, e.tick) << "case " << i;
      }
      ASSERT_LE(e.tick, song.endTick) << "case " << i;
    }
    for (size_t k = 1; k < song.tempos.size(); ++k) ASSERT_LE(song.tempos[k - 1].tick, song.tempos[k].tick);
    for (const TTempoChange& t : song.tempos) ASSERT_GE(t.microsPerQuarter, 1u);
    // What was read can be written again and reads back the same.
    TMidiSong again;
    ASSERT_TRUE(ParseMidiFile(BuildMidiFile(song.division, song.tempos, song.meters, {{"", song.events}}), again).ok);
    ASSERT_EQ(again.events.size(), song.events.size()) << "case " << i;
  }
  // The mutations reach both outcomes, so neither path goes untested.
  EXPECT_GT(accepted, 200);
  EXPECT_GT(refused, 200);
}

}  // namespace
