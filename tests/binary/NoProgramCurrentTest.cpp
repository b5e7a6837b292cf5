// A fresh instance without its factory bank has no program current until something needs one.
// Its bank chunk, applied to another fresh instance, reads back byte for byte, and both play the
// same notes.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "hosts/vst2/Host.h"

namespace {

using namespace vst2host;

std::vector<std::tuple<int, int, int, int, int>> Played(Host& h) {
  h.ClearRecords();
  h.SendMidi({NoteOn(0, 60, 100), NoteOn(0, 64, 100), NoteOn(0, 67, 100)});
  h.PlayBlocks(40);
  std::vector<std::tuple<int, int, int, int, int>> played;
  for (const MidiOut& m : h.MidiOutEvents()) played.emplace_back(m.block, m.deltaFrames, m.bytes[0], m.bytes[1], m.bytes[2]);
  return played;
}

TEST(NoProgramCurrent, TheBankChunkReadsBackByteForByteAndPlaysTheSame) {
  Host fresh;
  ASSERT_NE(fresh.Start(), nullptr) << fresh.LastError();
  ASSERT_EQ(fresh.Program(), -1);
  const std::vector<uint8_t> saved = fresh.GetChunk(false);
  Host loaded;
  ASSERT_NE(loaded.Start(), nullptr);
  ASSERT_EQ(loaded.SetChunk(saved, false), 36864);
  EXPECT_EQ(loaded.GetChunk(false), saved);
  const auto heard = Played(fresh);
  EXPECT_FALSE(heard.empty());
  EXPECT_EQ(Played(loaded), heard);
}

}  // namespace
