// The state a CLAP host keeps: saved, loaded into a new instance and saved again it gives the
// same bytes, with the program in force; damaged or foreign states are refused and change
// nothing; a state kept in the tree (saved by one system) loads on either system and saves
// back byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "engine/ParamNames.h"
#include "host/clap/StateHeader.h"
#include "tests/clap/ClapScript.h"
#include "tests/support/GoldenList.h"

namespace {

using clapscript::kProgram;
using Bytes = std::vector<uint8_t>;

// A session's worth of changes: several programs edited, one renamed by its settings, the
// sixth in force.
void Configure(claphost::Host& host) {
  for (int program : {2, 6, 40}) {
    host.SetParam(kProgram, program);
    host.SetParam(tagSync, program % 10);
    host.SetParam(tagSteps, 8 + program % 20);
    host.SetParam(tagVelocity + 3, 20 + program);
    host.SetParam(tagMTransp_semi, -program % 12);
  }
  host.SetParam(tagMIDIIn_Ch, 4);  // a global setting
  host.SetParam(kProgram, 6);
  host.SetParam(tagGate, 33);  // an edit of the program in force, not saved into its row by hand
}

Bytes Save(const claphost::Host& host) {
  const auto state = host.SaveState();
  EXPECT_TRUE(state.has_value());
  return state.value_or(Bytes{});
}

std::string KeptStatePath() { return golden::Folder() + "/ClapState/session.mltn"; }

TEST(ClapState, SavedLoadedAndSavedAgainGivesTheSameBytes) {
  claphost::Host first;
  ASSERT_TRUE(first.Create()) << first.LastError();
  Configure(first);
  const Bytes saved = Save(first);
  ASSERT_EQ(saved.size(), clapstate::kHeaderSize + 64u * 576u);

  for (bool active : {false, true}) {
    claphost::Host second;
    ASSERT_TRUE(active ? second.Start() : second.Create()) << second.LastError();
    second.SetParam(kProgram, 50);  // something in force before the load
    second.SetParam(tagGate, 80);
    ASSERT_TRUE(second.LoadState(saved, 1000));  // a stream that hands over 1000 bytes a read
    EXPECT_EQ(second.Value(kProgram), 6);
    EXPECT_EQ(second.Value(tagGate), 33);
    EXPECT_EQ(second.Value(tagSync), 6);
    EXPECT_EQ(second.Value(tagMIDIIn_Ch), 4);
    const Bytes again = Save(second);
    EXPECT_EQ(again, saved) << (active ? "while active" : "inactive");
    second.SetParam(kProgram, 40);
    EXPECT_EQ(second.Value(tagVelocity + 3), 60);
    second.RunMainThreadCallbacks();
    EXPECT_GT(second.RescanCalls(CLAP_PARAM_RESCAN_VALUES), 0) << "the host reads the loaded values";
  }
}

// An instance without its factory bank has no program current until something needs one. Its
// state, loaded into a fresh instance, saves back the same bytes and plays the same notes.
TEST(ClapState, AStateSavedWithNoProgramCurrentLoadsAndSavesAgainByteForByte) {
  const auto play = [](claphost::Host& host) {
    EXPECT_TRUE(host.Activate(44100, 512));
    host.StartProcessing();
    for (int key : {60, 64, 67}) host.Note(true, 0, key, 0.8);
    host.PlayBlocks(40);
    std::vector<std::tuple<int, uint32_t, int, int>> notes;
    for (const claphost::Sent& e : host.SentEvents()) notes.emplace_back(e.block, e.time, e.type, e.key);
    return notes;
  };
  claphost::Host fresh;
  ASSERT_TRUE(fresh.Create()) << fresh.LastError();
  const Bytes saved = Save(fresh);
  claphost::Host loaded;
  ASSERT_TRUE(loaded.Create());
  ASSERT_TRUE(loaded.LoadState(saved));
  EXPECT_EQ(Save(loaded), saved);
  claphost::Host again;
  ASSERT_TRUE(again.Create());
  ASSERT_TRUE(again.LoadState(Save(loaded)));
  EXPECT_EQ(Save(again), saved);
  const auto heard = play(fresh);
  EXPECT_FALSE(heard.empty());
  EXPECT_EQ(play(loaded), heard) << "the loaded instance plays what the saved one plays";
}

TEST(ClapState, DamagedOrForeignStatesAreRefusedAndChangeNothing) {
  claphost::Host source;
  ASSERT_TRUE(source.Create());
  Configure(source);
  const Bytes good = Save(source);
  const std::span<const uint8_t> chunk(good.data() + clapstate::kHeaderSize, good.size() - clapstate::kHeaderSize);

  struct Case {
    const char* what;
    std::function<Bytes()> make;
  };
  const Case cases[] = {
      {"empty", [] { return Bytes{}; }},
      {"cut short by a byte", [&] { return Bytes(good.begin(), good.end() - 1); }},
      {"cut inside the header", [&] { return Bytes(good.begin(), good.begin() + 10); }},
      {"a byte more", [&] { Bytes b = good; b.push_back(0); return b; }},
      {"a byte of the chunk changed", [&] { Bytes b = good; b[clapstate::kHeaderSize + 5000] ^= 0x10; return b; }},
      {"another magic", [&] { Bytes b = good; b[0] = 'X'; return b; }},
      {"a later format version", [&] { return clapstate::Build(6, chunk, 2); }},
      {"a program out of range", [&] { return clapstate::Build(64, chunk); }},
      {"a length that is not the bank's",
       [&] { Bytes b = good; b[12] ^= 1; return b; }},
      {"the bare bank chunk of a VST 2.x host", [&] { return Bytes(chunk.begin(), chunk.end()); }},
      {"a program chunk inside our header", [&] { return clapstate::Build(0, chunk.subspan(0, 576)); }},
  };
  claphost::Host host;
  ASSERT_TRUE(host.Create());
  host.SetParam(kProgram, 3);
  host.SetParam(tagSync, 2);
  const Bytes before = Save(host);
  for (const Case& c : cases) {
    EXPECT_FALSE(host.LoadState(c.make())) << c.what;
    EXPECT_EQ(host.Value(kProgram), 3) << c.what;
    EXPECT_EQ(host.Value(tagSync), 2) << c.what;
    EXPECT_EQ(Save(host), before) << c.what << " changed the state";
  }

  // A stream that fails half way is refused too.
  const clap_istream_t failing{nullptr, [](const clap_istream_t*, void*, uint64_t) -> int64_t { return -1; }};
  EXPECT_FALSE(host.State()->load(host.Plugin(), &failing));
  EXPECT_EQ(Save(host), before);
}

TEST(ClapState, AStateSavedOnOneSystemLoadsOnTheOther) {
  // session.mltn was saved by the Linux build from Configure (MOLTRIN_GOLDEN_UPDATE=1 writes it
  // anew); both builds load it and save the same bytes back.
  claphost::Host host;
  ASSERT_TRUE(host.Create()) << host.LastError();
  if (golden::Updating()) {
    Configure(host);
    std::filesystem::create_directories(std::filesystem::path(KeptStatePath()).parent_path());
    const Bytes state = Save(host);
    std::ofstream(KeptStatePath(), std::ios::binary).write(reinterpret_cast<const char*>(state.data()),
                                                           static_cast<std::streamsize>(state.size()));
  }
  std::ifstream in(KeptStatePath(), std::ios::binary);
  ASSERT_TRUE(in) << "no kept state " << KeptStatePath();
  const Bytes kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_TRUE(host.LoadState(kept));
  EXPECT_EQ(host.Value(kProgram), 6);
  EXPECT_EQ(host.Value(tagGate), 33);
  EXPECT_EQ(Save(host), kept);
}

}  // namespace
