// Standard MIDI Files: what the reader takes from a file, what it refuses, and files the
// writer makes read back the same.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/MidiFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Be32(uint32_t v) {
  return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
          static_cast<uint8_t>(v)};
}

Bytes Header(int format, int tracks, int division, uint32_t length = 6) {
  Bytes b{'M', 'T', 'h', 'd'};
  for (uint8_t x : Be32(length)) b.push_back(x);
  b.insert(b.end(), {0, static_cast<uint8_t>(format), 0, static_cast<uint8_t>(tracks),
                     static_cast<uint8_t>(division >> 8), static_cast<uint8_t>(division)});
  for (uint32_t i = 6; i < length; ++i) b.push_back(0xEE);
  return b;
}

Bytes Chunk(const char* id, const Bytes& body, int64_t declaredLength = -1) {
  Bytes b(id, id + 4);
  for (uint8_t x : Be32(static_cast<uint32_t>(declaredLength < 0 ? body.size() : declaredLength))) b.push_back(x);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const Bytes kEndOfTrack{0x00, 0xFF, 0x2F, 0x00};

TMidiSong Parse(const Bytes& file) {
  TMidiSong song;
  const TMidiFileResult r = ParseMidiFile(file, song);
  EXPECT_TRUE(r.ok) << r.message;
  return song;
}

std::vector<std::vector<int>> EventsOf(const TMidiSong& song) {
  std::vector<std::vector<int>> out;
  for (const TMidiFileEvent& e : song.events) {
    std::vector<int> row{static_cast<int>(e.tick)};
    for (int i = 0; i < e.size; ++i) row.push_back(e.data[i]);
    out.push_back(row);
  }
  return out;
}

TEST(MidiFileRead, FollowsRunningStatusAndSkipsMetaAndSysex) {
  const Bytes track{
      0x00, 0xFF, 0x03, 0x04, 'L', 'e', 'a', 'd',  // track name
      0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,    // tempo 500000
      0x00, 0x90, 60, 100,                         // note on
      0x60, 64, 90,                                // running status: another note on
      0x00, 0xF0, 0x03, 0x7E, 0x01, 0xF7,          // system exclusive
      0x10, 67, 80,                                // running status survives the sysex
      0x81, 0x00, 0xC3, 5,                         // delta 128, program change (two bytes)
      0x00, 5 + 0,                                 // running status with one data byte
      0x00, 0xF7, 0x02, 0x01, 0x02,                // sysex continuation packet
      0x00, 0xFF, 0x58, 0x04, 3, 3, 24, 8,         // 3/8
      0x00, 0x80, 60, 0,
  };
  const TMidiSong song = Parse(Cat({Header(0, 1, 96), Chunk("MTrk", Cat({track, kEndOfTrack}))}));
  EXPECT_EQ(song.format, 0);
  EXPECT_EQ(song.division, 96);
  const std::vector<std::vector<int>> expected{{0, 0x90, 60, 100}, {0x60, 0x90, 64, 90}, {0x70, 0x90, 67, 80},
                                               {0xF0, 0xC3, 5},    {0xF0, 0xC3, 5},      {0xF0, 0x80, 60, 0}};
  EXPECT_EQ(EventsOf(song), expected);
  ASSERT_EQ(song.tempos.size(), 1u);
  EXPECT_EQ(song.tempos[0].microsPerQuarter, 500000u);
  ASSERT_EQ(song.meters.size(), 1u);
  EXPECT_EQ(song.meters[0].numerator, 3);
  EXPECT_EQ(song.meters[0].denominator, 8);
  EXPECT_EQ(song.endTick, 0xF0);
}

TEST(MidiFileRead, MergesTracksByTimeKeepingTrackOrderOnTies) {
  const Bytes conductor{0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x83, 0x60, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
  const Bytes first{0x00, 0x90, 60, 1, 0x83, 0x60, 0x90, 61, 2};
  const Bytes second{0x00, 0x91, 70, 3, 0x00, 0x91, 71, 4, 0x81, 0x70, 0x91, 72, 5};
  const TMidiSong song = Parse(Cat({Header(1, 3, 480), Chunk("MTrk", Cat({conductor, kEndOfTrack})),
                                    Chunk("MTrk", Cat({first, kEndOfTrack})), Chunk("MTrk", second)}));
  const std::vector<std::vector<int>> expected{{0, 0x90, 60, 1},   {0, 0x91, 70, 3},   {0, 0x91, 71, 4},
                                               {240, 0x91, 72, 5}, {480, 0x90, 61, 2}};
  EXPECT_EQ(EventsOf(song), expected);
  ASSERT_EQ(song.tempos.size(), 2u);
  EXPECT_EQ(song.tempos[1].tick, 480);
  EXPECT_EQ(song.endTick, 480);
}

TEST(MidiFileRead, SkipsForeignChunksLongHeadersAndBytesAfterTheEnd) {
  const Bytes track{0x00, 0x90, 60, 1, 0x00, 0xFF, 0x2F, 0x00, 0x00, 0x90, 61, 1};  // a note after the end
  const TMidiSong song =
      Parse(Cat({Header(0, 1, 480, 10), Chunk("XFIH", {1, 2, 3}), Chunk("MTrk", track), Bytes{0xAA, 0xBB}}));
  EXPECT_EQ(EventsOf(song), (std::vector<std::vector<int>>{{0, 0x90, 60, 1}}));
}

TEST(MidiFileRead, RefusesDamagedFilesWithAReason) {
  const Bytes note{0x00, 0x90, 60, 100};
  const struct {
    const char* name;
    Bytes file;
    const char* says;
  } cases[] = {
      {"empty", {}, "not a Standard MIDI File"},
      {"a RIFF file", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E'}, "not a Standard MIDI File"},
      {"header cut", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0}, "header is truncated"},
      {"header length 4", Cat({Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 4, 0, 0, 0, 1, 0, 96}}), "header is too short"},
      {"header longer than the file", Header(0, 1, 96, 6) /* patched below */, "header is truncated"},
      {"type 2", Cat({Header(2, 1, 96), Chunk("MTrk", kEndOfTrack)}), "type 2"},
      {"type 7", Cat({Header(7, 1, 96), Chunk("MTrk", kEndOfTrack)}), "unknown MIDI file type 7"},
      {"SMPTE", Cat({Header(0, 1, 0xE728), Chunk("MTrk", kEndOfTrack)}), "SMPTE"},
      {"division 0", Cat({Header(0, 1, 0), Chunk("MTrk", kEndOfTrack)}), "division is 0"},
      {"track longer than the file", Cat({Header(0, 1, 96), Chunk("MTrk", note, 400)}), "track 1 is truncated"},
      {"note cut by its track", Cat({Header(0, 1, 96), Chunk("MTrk", {0x00, 0x90, 60})}), "track 1 is truncated"},
      {"meta longer than its track", Cat({Header(0, 1, 96), Chunk("MTrk", {0x00, 0xFF, 0x01, 0x20, 'a'})}),
       "track 1 is truncated"},
      {"delta cut", Cat({Header(0, 1, 96), Chunk("MTrk", {0x81})}), "track 1 is truncated"},
      {"data without status", Cat({Header(0, 1, 96), Chunk("MTrk", {0x00, 0x40, 0x40})}), "without a status byte"},
      {"system common byte", Cat({Header(0, 1, 96), Chunk("MTrk", {0x00, 0xF4, 0x00})}), "unexpected status byte 0xF4"},
      {"status inside a message", Cat({Header(0, 1, 96), Chunk("MTrk", {0x00, 0x90, 0x90, 0x40})}),
       "where a data byte belongs"},
      {"five-byte delta", Cat({Header(0, 1, 96), Chunk("MTrk", {0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 1, 1})}),
       "longer than 4 bytes"},
      {"missing track", Cat({Header(1, 2, 96), Chunk("MTrk", kEndOfTrack)}), "declares 2 tracks but ends after 1"},
      {"second track bad", Cat({Header(1, 2, 96), Chunk("MTrk", kEndOfTrack), Chunk("MTrk", {0x00, 0x40})}),
       "track 2:"},
  };
  for (const auto& c : cases) {
    Bytes file = c.file;
    if (std::string(c.name) == "header longer than the file") file[7] = 60;
    TMidiSong song;
    const TMidiFileResult r = ParseMidiFile(file, song);
    EXPECT_FALSE(r.ok) << c.name;
    EXPECT_NE(r.message.find(c.says), std::string::npos) << c.name << ": " << r.message;
    EXPECT_EQ(r.message.find('\n'), std::string::npos) << c.name;
  }
}

TEST(MidiFileRead, ReadsFromDiskAndNamesUnopenableFiles) {
  TMidiSong song;
  EXPECT_FALSE(ReadMidiFile("/nonexistent/moltrin/none.mid", song).ok);
  const std::string path = ::testing::TempDir() + "moltrin_read.mid";
  const Bytes file = BuildMidiFile(480, {}, {}, {{"", {TMidiFileEvent{5, {0x90, 60, 1}, 3}}}});
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
  ASSERT_TRUE(ReadMidiFile(path, song).ok);
  EXPECT_EQ(EventsOf(song), (std::vector<std::vector<int>>{{5, 0x90, 60, 1}}));
}

TEST(MidiFileWrite, ReadsBackWhatWasWritten) {
  const std::vector<TTempoChange> tempos{{0, 500000}, {960, 400000}};
  const std::vector<TTimeSignature> meters{{0, 4, 4}, {1920, 6, 8}};
  const std::vector<TMidiFileEvent> out{{0, {0x90, 60, 100}, 3},  {0, {0xC1, 7, 0}, 2},     {480, {0x80, 60, 0}, 3},
                                    {480, {0xE0, 0, 64}, 3},  {2000, {0xB0, 7, 99}, 3}};
  const std::vector<TMidiFileEvent> in{{10, {0x90, 48, 50}, 3}, {700, {0x80, 48, 0}, 3}};

  TMidiSong single = Parse(BuildMidiFile(96, tempos, meters, {{"Out", out}}));
  EXPECT_EQ(single.format, 0);
  EXPECT_EQ(single.division, 96);
  ASSERT_EQ(single.events.size(), out.size());
  for (size_t i = 0; i < out.size(); ++i) {
    EXPECT_EQ(single.events[i].tick, out[i].tick) << i;
    EXPECT_EQ(single.events[i].size, out[i].size) << i;
    EXPECT_EQ(std::memcmp(single.events[i].data, out[i].data, out[i].size), 0) << i;
  }
  ASSERT_EQ(single.tempos.size(), 2u);
  EXPECT_EQ(single.tempos[1].tick, 960);
  EXPECT_EQ(single.tempos[1].microsPerQuarter, 400000u);
  ASSERT_EQ(single.meters.size(), 2u);
  EXPECT_EQ(single.meters[1].denominator, 8);

  TMidiSong two = Parse(BuildMidiFile(96, tempos, meters, {{"Out", out}, {"In", in}}));
  EXPECT_EQ(two.format, 1);
  EXPECT_EQ(two.events.size(), out.size() + in.size());
  EXPECT_EQ(two.events[2].tick, 10);
}

TEST(MidiFileWrite, KeepsOnlyChannelMessagesAndTheirDataBits) {
  const std::vector<TMidiFileEvent> events{{0, {0xF8, 0, 0}, 1},  {0, {0x45, 1, 2}, 3}, {0, {0x90, 0xFF, 0x80}, 3},
                                       {0, {0x90, 60}, 2},    {-5, {0x80, 1, 0}, 3}};
  const TMidiSong song = Parse(BuildMidiFile(480, {}, {}, {{"", events}}));
  // The negative time sorts first and is written at 0.
  EXPECT_EQ(EventsOf(song), (std::vector<std::vector<int>>{{0, 0x80, 1, 0}, {0, 0x90, 0x7F, 0}}));
}

TEST(MidiFileWrite, BridgesGapsLongerThanOneDelta) {
  const int64_t far = int64_t{0x0FFFFFFF} * 2 + 17;
  const TMidiSong song = Parse(BuildMidiFile(480, {}, {}, {{"", {{far, {0x90, 60, 1}, 3}}}}));
  ASSERT_EQ(song.events.size(), 1u);
  EXPECT_EQ(song.events[0].tick, far);
}

}  // namespace
