// Standard MIDI Files as moltrin-render reads them: any bytes give a song or a one-line
// reason. A song is well formed (channel messages of their size, in time order, inside the
// song), its times convert to samples in order and to bar positions, and written out and read
// again it gives the same events.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/MidiFile.h"
#include "tests/fuzz/FuzzChecks.h"
#include "tools/render/MeterMap.h"
#include "tools/render/Renderer.h"
#include "tools/render/TempoMap.h"

namespace {

void CheckSong(const TMidiSong& song) {
  int64_t last = 0;
  for (const TMidiFileEvent& e : song.events) {
    Require(e.tick >= last && e.tick <= song.endTick, "events out of order or beyond the song's end");
    Require(e.size == ChannelMessageSize(e.data[0]) && e.size != 0, "an event of the wrong size");
    for (int i = 1; i < e.size; ++i) Require(e.data[i] < 0x80, "a data byte with its top bit set");
    last = e.tick;
  }
  for (const TTempoChange& t : song.tempos)
    Require(t.microsPerQuarter >= 1 && t.microsPerQuarter <= 0xFFFFFF, "a tempo outside the file's range");
  for (const TTimeSignature& m : song.meters)
    Require(m.numerator >= 1 && m.denominator >= 1 && m.denominator <= 64 && (m.denominator & (m.denominator - 1)) == 0,
            "a time signature outside its range");
}

// The render's view of the song: its length, every event's sample and bar position.
void CheckTimes(const TMidiSong& song) {
  const TTempoMap map(song.division, song.tempos, 44100);
  const TMeterMap meters(song.division, song.meters);
  if (RenderLength(song, map, TRenderSettings{}) < 0) return;  // too long to render: refused there
  int64_t last = 0;
  for (const TMidiFileEvent& e : song.events) {
    const int64_t sample = map.SampleAtTick(e.tick);
    Require(sample >= last, "samples out of order");
    Require(map.NearestTickAtSample(sample) <= e.tick, "a sample maps back beyond its tick");
    Require(!meters.Format(e.tick).empty(), "an event without a bar position");
    last = sample;
  }
}

void CheckRewrite(const TMidiSong& song) {
  const std::vector<uint8_t> file = BuildMidiFile(song.division, song.tempos, song.meters, {{"", song.events}});
  TMidiSong again;
  Require(ParseMidiFile(file, again).ok, "a written file is refused");
  Require(again.events.size() == song.events.size(), "a written file reads back other events");
  for (size_t i = 0; i < song.events.size(); ++i) {
    const TMidiFileEvent &a = song.events[i], &b = again.events[i];
    Require(a.tick == b.tick && a.size == b.size && std::equal(a.data, a.data + a.size, b.data),
            "a written file reads back other events");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMidiSong song;
  const TMidiFileResult result = ParseMidiFile(std::span<const uint8_t>(data, size), song);
  if (!result.ok) {
    Require(!result.message.empty() && result.message.find('\n') == std::string::npos,
            "a refusal without a one-line reason");
    return 0;
  }
  CheckSong(song);
  CheckTimes(song);
  CheckRewrite(song);
  return 0;
}
