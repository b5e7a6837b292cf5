// The block loop of the render.
#include "tools/render/Renderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <deque>

#include "tools/render/MeterMap.h"
#include "tools/render/Resolution.h"

namespace {

bool IsNoteOn(const uint8_t* data) { return (data[0] & 0xF0) == 0x90 && data[2] > 0; }

bool IsNoteOff(const uint8_t* data) {
  const int kind = data[0] & 0xF0;
  return kind == 0x80 || (kind == 0x90 && data[2] == 0);
}

size_t KeyIndex(const uint8_t* data) { return static_cast<size_t>((data[0] & 0x0F) * 128 + (data[1] & 0x7F)); }

// Notes sounding, by channel and key, counted from note-on and note-off messages.
class TSoundingNotes {
 public:
  void Add(const uint8_t* data) {
    int& n = count[KeyIndex(data)];
    if (IsNoteOn(data)) {
      ++n;
      ++open;
    } else if (IsNoteOff(data) && n > 0) {
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

struct TNoteKey {
  uint8_t channel = 0;
  uint8_t key = 0;
};

// What is written of what the plug-in sent: every message sent before `end`, and the note-off
// of each note begun before it, whenever that came. A note-off ends the earliest sounding note
// of its channel and key. The notes begun before `end` that never ended go to `neverEnded`.
std::vector<TSentEvent> WrittenPart(const std::vector<TSentEvent>& sent, int64_t end,
                                    std::vector<TNoteKey>& neverEnded) {
  std::vector<TSentEvent> kept;
  std::array<std::deque<bool>, 16 * 128> sounding;  // by channel and key: whether each note is written
  for (const TSentEvent& s : sent) {
    bool keep = s.sample < end;
    if (IsNoteOn(s.data)) {
      sounding[KeyIndex(s.data)].push_back(keep);
    } else if (auto& notes = sounding[KeyIndex(s.data)]; IsNoteOff(s.data) && !notes.empty()) {
      keep = notes.front();
      notes.pop_front();
    }
    if (keep) kept.push_back(s);
  }
  for (size_t i = 0; i < sounding.size(); ++i)
    for (bool written : sounding[i])
      if (written) neverEnded.push_back({static_cast<uint8_t>(i / 128), static_cast<uint8_t>(i % 128)});
  return kept;
}

VstMidiEvent MidiRecord(const uint8_t* data, size_t size) {
  VstMidiEvent r;
  std::memset(&r, 0, sizeof r);
  r.type = kVstMidiType;
  r.byteSize = sizeof(VstMidiEvent) - 2 * sizeof(VstInt32);  // the record less type and byteSize
  std::memcpy(r.midiData, data, std::min<size_t>(size, 3));
  return r;
}

}  // namespace

int64_t SongEndTick(const TMidiSong& song) {
  return std::max(song.endTick, song.events.empty() ? int64_t{0} : song.events.back().tick);
}

int64_t RenderLength(const TMidiSong& song, const TTempoMap& map, const TRenderSettings& settings) {
  const int64_t endTick = SongEndTick(song);
  // Checked in seconds first: the sample position of an absurd tick would not fit.
  if (map.SecondsAtTick(endTick) + settings.tailSeconds > kMaxRenderSeconds) return -1;
  const int64_t last = map.SampleAtTick(endTick);
  const int64_t tail = std::llround(settings.tailSeconds * settings.sampleRate);
  return std::max(last + 1, last + tail);
}

TRenderResult RenderSong(const TMidiSong& song, THostedPlugin& plugin, const TRenderSettings& settings,
                         const TProgressFn& progress) {
  const TTempoMap map(song.division, song.tempos, settings.sampleRate);
  const int division = settings.division > 0 ? settings.division : song.division;
  const TTempoMap written(division, RescaleTempos(song.tempos, song.division, division), settings.sampleRate);
  const TMeterMap meters(song.division, song.meters);
  const int64_t block = settings.blockSize;
  const int64_t length = std::max<int64_t>(RenderLength(song, map, settings), 1);
  const int64_t blocks = (length + block - 1) / block;
  const int64_t end = length;  // what begins here or later is not written

  // Every input event as the record the plug-in receives, made once, and a key-up at the
  // song's end for every key still down there.
  std::vector<VstMidiEvent> records;
  std::vector<int64_t> samples;
  records.reserve(song.events.size());
  samples.reserve(song.events.size());
  TSoundingNotes held;
  for (const TMidiFileEvent& e : song.events) {
    records.push_back(MidiRecord(e.data, e.size));
    samples.push_back(map.SampleAtTick(e.tick));
    held.Add(e.data);
  }
  const int64_t songEnd = map.SampleAtTick(SongEndTick(song));
  held.ForEachNoteOff([&](uint8_t status, uint8_t key) {
    const uint8_t off[3] = {status, key, 0};
    records.push_back(MidiRecord(off, 3));
    samples.push_back(songEnd);
  });

  VstTimeInfo& time = plugin.timeInfo;
  time.sampleRate = settings.sampleRate;
  // A stopped transport stays at the song start and keeps its tempo there, as a host parked
  // at the start does: the plug-in's own clock then keeps its steps even across the song's
  // tempo changes, which a stopped host does not play through.
  const auto play = [&](int64_t start, bool playing) {
    const bool wasPlaying = (time.flags & kVstTransportPlaying) != 0;
    time.flags = kVstPpqPosValid | kVstTempoValid | (playing ? kVstTransportPlaying : 0) |
                 (playing != wasPlaying ? kVstTransportChanged : 0);
    if (playing || wasPlaying || start == 0) {
      const double tick = map.TickAtSample(start);
      time.samplePos = static_cast<double>(start);
      time.ppqPos = tick / song.division;
      time.tempo = map.TempoAtSample(start);
      const TMeterMap::TSignature signature = meters.SignatureAt(static_cast<int64_t>(tick));
      time.timeSigNumerator = signature.numerator;
      time.timeSigDenominator = signature.denominator;
      time.barStartPos = static_cast<double>(signature.barStart) / song.division;
    }  // else parked where it stopped
    plugin.Process(start);
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
    play(start, !settings.freeRun);
    if (progress && (b & 4095) == 4095) progress(static_cast<double>(b + 1) / static_cast<double>(blocks));
  }

  // The notes begun before the end play on to the ends the plug-in gives them; if some still
  // sound after a while, the transport stops as a host stops, and the plug-in releases them.
  TSoundingNotes begunBefore;
  size_t counted = 0;
  const auto countSent = [&] {
    for (; counted < plugin.Sent().size(); ++counted) {
      const TSentEvent& s = plugin.Sent()[counted];
      if (s.sample < end || !IsNoteOn(s.data)) begunBefore.Add(s.data);
    }
  };
  countSent();
  const int64_t stopAt = end + std::llround(kRingOutSeconds * settings.sampleRate);
  const int64_t giveUpAt = stopAt + std::llround(kReleaseSeconds * settings.sampleRate);
  int64_t at = blocks * block;
  while (begunBefore.Open() > 0 && at < giveUpAt) {
    play(at, !settings.freeRun && at < stopAt);
    countSent();
    at += block;
  }

  TRenderResult result;
  result.endSample = end;
  std::vector<TNoteKey> neverEnded;
  result.sent = WrittenPart(plugin.Sent(), end, neverEnded);
  result.notesEndedByHost = static_cast<int>(neverEnded.size());
  int64_t endTick = written.NearestTickAtSample(end);
  result.output.reserve(result.sent.size());
  for (const TSentEvent& s : result.sent) {
    const int size = ChannelMessageSize(s.data[0]);
    if (size == 0) continue;
    TMidiFileEvent e;
    e.tick = written.NearestTickAtSample(s.sample);
    e.size = static_cast<uint8_t>(size);
    std::memcpy(e.data, s.data, static_cast<size_t>(size));
    result.output.push_back(e);
    endTick = std::max(endTick, e.tick);
  }
  // Whatever the plug-in still holds is ended where the render gave up: a written note always ends.
  if (!neverEnded.empty()) endTick = std::max(endTick, written.NearestTickAtSample(at));
  result.endTick = endTick;
  for (const TNoteKey& k : neverEnded)
    result.output.push_back({endTick, {static_cast<uint8_t>(0x80 | k.channel), k.key, 0}, 3});
  if (progress) progress(1.0);
  return result;
}
