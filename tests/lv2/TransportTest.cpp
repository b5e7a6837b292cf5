// The transport as time:Position objects tell it: the same song position and tempo in any
// form a host may use (beats of another unit, the running beat, bar and beat in the bar) plays
// the same notes, and a position that tells only some of its keys keeps the others.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/lv2/Lv2Session.h"

namespace {

constexpr double kRate = 48000;

// A held triad through the default program, the transport told once at the first frame.
std::vector<golden::Event> Play(const std::function<void(lv2host::Host&)>& tell, int blocks = 200) {
  auto host = lv2test::StartedHost(kRate);
  if (!host) return {};
  EXPECT_EQ(host->RestoreProperties({lv2test::BankProperty(nullptr)}), 0);
  tell(*host);
  for (int n : {60, 64, 67}) host->SendMidi(0, {0x90, static_cast<uint8_t>(n), 100});
  for (int i = 0; i < blocks; ++i) host->RunBlock(512);
  return lv2test::SentEvents(*host, 512);
}

TEST(Lv2Transport, OneSongPositionInEveryFormPlaysTheSameNotes) {
  // Beat 7.25 in quarters at 60 quarter notes a minute, playing.
  const auto quarters = Play([](lv2host::Host& h) {
    lv2host::Position p;
    p.bpm = 60;
    p.speed = 1;
    p.beatsPerBar = 4;
    p.beatUnit = 4;
    p.bar = 1;
    p.barBeat = 3.25;
    p.frame = 0;
    h.SendPosition(0, p);
  });
  ASSERT_GT(quarters.size(), 10u);
  lv2host::Position eighths;  // 6/8 at 120 eighths a minute: bar 1, beat 8.5 of the bar
  eighths.bpm = 120;
  eighths.speed = 1;
  eighths.beatsPerBar = 6;
  eighths.beatUnit = 8;
  eighths.bar = 1;
  eighths.barBeat = 8.5;
  eighths.frame = 0;
  lv2host::Position running;  // the running beat alone, which wins over bar and beat in the bar
  running.bpm = 60;
  running.speed = 1;
  running.beat = 7.25;
  running.bar = 99;
  running.beatsPerBar = 4;
  running.barBeat = 0;
  running.frame = 0;
  for (const lv2host::Position& p : {eighths, running})
    EXPECT_EQ(golden::Difference(quarters, Play([&p](lv2host::Host& h) { h.SendPosition(0, p); })), "");
  // Half speed at 120 moves through the song as 60 does.
  lv2host::Position half = running;
  half.bpm = 120;
  half.speed = 0.5;
  EXPECT_EQ(golden::Difference(quarters, Play([&half](lv2host::Host& h) { h.SendPosition(0, half); })), "");
}

TEST(Lv2Transport, APositionTellingSomeKeysKeepsTheOthers) {
  // The song rolls at 60; later a position with the speed alone stops it, and one with the
  // speed alone starts it again where it stopped: as if the host had told everything.
  const auto whole = [](double beat, double speed) {
    lv2host::Position p;
    p.bpm = 60;
    p.speed = speed;
    p.beat = beat;
    p.frame = static_cast<int64_t>(beat * kRate);
    return p;
  };
  const auto told = [&whole](bool everything) {
    return [&whole, everything](lv2host::Host& h) {
      h.SendPosition(0, whole(0, 1));
      for (int i = 0; i < 40; ++i) h.RunBlock(512);  // 20480 frames: beat 0.4266...
      lv2host::Position stop, start;
      stop.speed = 0;
      start.speed = 1;
      const double at = 40 * 512 / kRate;
      h.SendPosition(0, everything ? whole(at, 0) : stop);
      for (int i = 0; i < 40; ++i) h.RunBlock(512);
      h.SendPosition(0, everything ? whole(at, 1) : start);
    };
  };
  const auto full = Play(told(true)), partial = Play(told(false));
  ASSERT_GT(full.size(), 10u);
  EXPECT_EQ(golden::Difference(full, partial), "");
}

}  // namespace
