// The block loop of the render.
#include "tools/render/Renderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "tools/render/MeterMap.h"

namespace {

// Notes sounding, by channel and key, counted from note-on and note-off messages.
class TSoundingNotes {
 public:
  void Add(const uint8_t* data) {
    const int kind = data[0] & 0xF0;
    if (kind != 0x80 && kind != 0x90) return;
    int& n = count[static_cast<size_t>((data[0] & 0x0F) * 128 + (data[1] & 0x7F))];
    if (kind == 0x90 && data[2] > 0) {
      ++n;
      ++open;
    } else if (n > 0) {
      --n;
      --open;
    }
  }
  int Open() const { return open; }
  // A note-off for every note still sounding, each as often as it sounds.
  template <typename Fn>
  void ForEachNoteOff(Fn fn) const {
    for (size_t i = 0; i < count.size(); ++i)
      for (int k = 0; k < count[i]; ++k) fn(static_cast<uint8_t>(0x80 | (i / 128)), static_cast<uint8_t>(i % 128));
  }

 private:
  std::array<int, 16 * 128> count{};
  int open = 0;
};

VstMidiEvent MidiRecord(const uint8_t* data, size_t size) {
  VstMidiEvent r;
  std::memset(&r, 0, sizeof r);
  r.type = kVstMidiType;
  r.byteSize = sizeof(VstMidiEvent) - 2 * sizeof(VstInt32);  // the record less type and byteSize
  std::memcpy(r.midiData, data, std::min<size_t>(size, 3));
  return r;
}

}  // namespace

int64_t RenderLength(const TMidiSong& song, const TTempoMap& map, const TRenderSettings& settings) {
  const int64_t lastTick = song.events.empty() ? 0 : song.events.back().tick;
  // Checked in seconds first: the sample position of an absurd tick would not fit.
  if (map.SecondsAtTick(lastTick) + settings.tailSeconds > kMaxRenderSeconds) return -1;
  const int64_t last = map.SampleAtTick(lastTick);
  const int64_t tail = std::llround(settings.tailSeconds * settings.sampleRate);
  return std::max(last + 1, last + tail);
}

TRenderResult RenderSong(const TMidiSong& song, THostedPlugin& plugin, const TRenderSettings& settings,
                         const TProgressFn& progress) {
  const TTempoMap map(song.division, song.tempos, settings.sampleRate);
  const TMeterMap meters(song.division, song.meters);
  const int64_t block = settings.blockSize;
  const int64_t length = std::max<int64_t>(RenderLength(song, map, settings), 1);
  const int64_t blocks = (length + block - 1) / block;

  // Every input event as the record the plug-in receives, made once.
  std::vector<VstMidiEvent> records(song.events.size());
  std::vector<int64_t> samples(song.events.size());
  TSoundingNotes held;  // input keys still down at the end
  for (size_t i = 0; i < song.events.size(); ++i) {
    records[i] = MidiRecord(song.events[i].data, song.events[i].size);
    samples[i] = map.SampleAtTick(song.events[i].tick);
    held.Add(song.events[i].data);
  }

  TRenderResult result;
  VstTimeInfo& time = plugin.Time();
  time.sampleRate = settings.sampleRate;
  // A stopped transport stays at the song start and keeps its tempo there, as a host parked
  // at the start does: the plug-in's own clock then keeps its steps even across the song's
  // tempo changes, which a stopped host does not play through.
  const auto setTime = [&](int64_t start, bool playing) {
    const bool wasPlaying = (time.flags & kVstTransportPlaying) != 0;
    time.flags = kVstPpqPosValid | kVstTempoValid | (playing ? kVstTransportPlaying : 0) |
                 (playing != wasPlaying ? kVstTransportChanged : 0);
    if (!playing && !wasPlaying && start > 0) return;  // parked where it stopped
    const double tick = map.TickAtSample(start);
    time.samplePos = static_cast<double>(start);
    time.ppqPos = tick / song.division;
    time.tempo = map.TempoAtSample(start);
    const TMeterMap::TSignature signature = meters.SignatureAt(static_cast<int64_t>(tick));
    time.timeSigNumerator = signature.numerator;
    time.timeSigDenominator = signature.denominator;
    time.barStartPos = static_cast<double>(signature.barStart) / song.division;
  };

  time.flags = settings.freeRun ? 0 : kVstTransportPlaying;
  size_t next = 0;
  for (int64_t b = 0; b < blocks; ++b) {
    const int64_t start = b * block;
    const size_t first = next;
    while (next < records.size() && samples[next] < start + block) {
      records[next].deltaFrames = static_cast<VstInt32>(std::max<int64_t>(samples[next] - start, 0));
      ++next;
    }
    if (next > first) plugin.SendEvents(std::span<VstMidiEvent>(records.data() + first, next - first));
    setTime(start, !settings.freeRun);
    plugin.Process(start);
    if (progress && (b & 4095) == 4095) progress(static_cast<double>(b + 1) / static_cast<double>(blocks));
  }

  // The end: with notes still sounding, the keys still down are let go and the transport
  // stops, as a host stops, and blocks run until the plug-in has released its notes.
  TSoundingNotes sounding;
  size_t counted = 0;
  const auto countSent = [&] {
    for (; counted < plugin.Sent().size(); ++counted) sounding.Add(plugin.Sent()[counted].data);
  };
  countSent();
  int64_t end = blocks;
  if (sounding.Open() > 0 || held.Open() > 0) {
    std::vector<VstMidiEvent> keysUp;
    held.ForEachNoteOff([&](uint8_t status, uint8_t key) {
      const uint8_t off[3] = {status, key, 0};
      keysUp.push_back(MidiRecord(off, 3));
    });
    if (!keysUp.empty()) plugin.SendEvents(keysUp);
    const int64_t releaseBlocks = std::llround(kReleaseSeconds * settings.sampleRate) / block + 1;
    do {
      setTime(end * block, false);
      plugin.Process(end * block);
      countSent();
      ++end;
    } while (sounding.Open() > 0 && end < blocks + releaseBlocks);
  }

  result.endSample = end * block;
  result.endTick = map.NearestTickAtSample(result.endSample);
  result.sent = plugin.Sent();
  result.output.reserve(result.sent.size() + static_cast<size_t>(sounding.Open()));
  for (const TSentEvent& s : result.sent) {
    const int size = ChannelMessageSize(s.data[0]);
    if (size == 0) continue;
    TMidiEvent e;
    e.tick = map.NearestTickAtSample(s.sample);
    e.size = static_cast<uint8_t>(size);
    std::memcpy(e.data, s.data, static_cast<size_t>(size));
    result.output.push_back(e);
  }
  // Whatever the plug-in still holds is ended at the last tick: a written note always ends.
  sounding.ForEachNoteOff([&](uint8_t status, uint8_t key) {
    result.output.push_back({result.endTick, {status, key, 0}, 3});
    ++result.notesEndedByHost;
  });
  if (progress) progress(1.0);
  return result;
}
