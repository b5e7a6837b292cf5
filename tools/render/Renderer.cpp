// The block loop of the render.
#include "tools/render/Renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tools/render/MeterMap.h"

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
  for (size_t i = 0; i < song.events.size(); ++i) {
    VstMidiEvent& r = records[i];
    std::memset(&r, 0, sizeof r);
    r.type = kVstMidiType;
    r.byteSize = sizeof(VstMidiEvent) - 2 * sizeof(VstInt32);  // the record less type and byteSize
    std::memcpy(r.midiData, song.events[i].data, song.events[i].size);
    samples[i] = map.SampleAtTick(song.events[i].tick);
  }

  TRenderResult result;
  VstTimeInfo& time = plugin.Time();
  time.sampleRate = settings.sampleRate;
  time.flags = kVstPpqPosValid | kVstTempoValid | (settings.freeRun ? 0 : kVstTransportPlaying);
  size_t next = 0;
  for (int64_t b = 0; b < blocks; ++b) {
    const int64_t start = b * block;
    const size_t first = next;
    while (next < records.size() && samples[next] < start + block) {
      records[next].deltaFrames = static_cast<VstInt32>(std::max<int64_t>(samples[next] - start, 0));
      ++next;
    }
    if (next > first) plugin.SendEvents(std::span<VstMidiEvent>(records.data() + first, next - first));

    // A stopped transport stays at the song start; the tempo follows the file either way.
    const double tick = settings.freeRun ? 0.0 : map.TickAtSample(start);
    time.samplePos = settings.freeRun ? 0.0 : static_cast<double>(start);
    time.ppqPos = tick / song.division;
    time.tempo = map.TempoAtSample(start);
    const TMeterMap::TSignature signature = meters.SignatureAt(static_cast<int64_t>(tick));
    time.timeSigNumerator = signature.numerator;
    time.timeSigDenominator = signature.denominator;
    time.barStartPos = static_cast<double>(signature.barStart) / song.division;
    plugin.Process(start);

    if (progress && (b & 4095) == 4095) progress(static_cast<double>(b + 1) / static_cast<double>(blocks));
  }

  result.endSample = blocks * block;
  result.endTick = map.NearestTickAtSample(result.endSample);
  result.sent = plugin.Sent();
  result.output.reserve(result.sent.size());
  for (const TSentEvent& s : result.sent) {
    const int size = ChannelMessageSize(s.data[0]);
    if (size == 0) continue;
    TMidiEvent e;
    e.tick = map.NearestTickAtSample(s.sample);
    e.size = static_cast<uint8_t>(size);
    std::memcpy(e.data, s.data, static_cast<size_t>(size));
    result.output.push_back(e);
  }
  if (progress) progress(1.0);
  return result;
}
