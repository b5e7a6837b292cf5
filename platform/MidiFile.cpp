// Standard MIDI File reader and writer.
#include "platform/MidiFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/Files.h"

namespace {

std::string Hex(unsigned v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%02X", v);
  return buf;
}

uint32_t BE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

uint16_t BE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

struct TTrackEvent {
  TMidiFileEvent event;
  int track = 0;
};

// Reads one track chunk's body. Running status carries across meta and system exclusive
// events: a conforming file never relies on either way, and some writers expect it to.
class TTrackReader {
 public:
  TTrackReader(const uint8_t* begin, const uint8_t* end, size_t fileOffset, int trackNumber)
      : pos(begin), start(begin), end(end), fileOffset(fileOffset), number(trackNumber) {}

  TMidiFileResult Read(TMidiSong& song, std::vector<TTrackEvent>& events) {
    int64_t tick = 0;
    uint8_t running = 0;
    while (pos < end) {
      uint32_t delta = 0;
      if (!ReadVarLen(delta)) return failure;
      tick += delta;
      if (pos >= end) return Truncated();
      const size_t eventOffset = Offset();
      uint8_t status = *pos;
      if (status < 0x80) {
        if (running == 0) return Fail("data byte " + Hex(status) + " without a status byte", eventOffset);
        status = running;
      } else {
        ++pos;
      }
      if (status == 0xFF) {
        if (pos >= end) return Truncated();
        const uint8_t type = *pos++;
        uint32_t length = 0;
        if (!ReadVarLen(length)) return failure;
        if (length > static_cast<size_t>(end - pos)) return Truncated();
        const uint8_t* data = pos;
        pos += length;
        if (type == 0x2F) break;  // end of track; anything after it is ignored
        ReadMeta(song, tick, type, data, length);
      } else if (status == 0xF0 || status == 0xF7) {
        uint32_t length = 0;
        if (!ReadVarLen(length)) return failure;
        if (length > static_cast<size_t>(end - pos)) return Truncated();
        pos += length;
      } else if (const int size = ChannelMessageSize(status); size > 0) {
        running = status;
        TTrackEvent e;
        e.track = number;
        e.event.tick = tick;
        e.event.size = static_cast<uint8_t>(size);
        e.event.data[0] = status;
        for (int i = 1; i < size; ++i) {
          if (pos >= end) return Truncated();
          if (*pos >= 0x80) return Fail("status byte " + Hex(*pos) + " where a data byte belongs", Offset());
          e.event.data[i] = *pos++;
        }
        events.push_back(e);
      } else {
        return Fail("unexpected status byte " + Hex(status), eventOffset);
      }
    }
    song.endTick = std::max(song.endTick, tick);
    return {};
  }

 private:
  size_t Offset() const { return fileOffset + static_cast<size_t>(pos - start); }

  TMidiFileResult Fail(const std::string& what, size_t offset) {
    failure = {false, "track " + std::to_string(number) + ": " + what + " at byte " + std::to_string(offset)};
    return failure;
  }

  TMidiFileResult Truncated() {
    failure = {false, "track " + std::to_string(number) + " is truncated (an event runs past its end)"};
    return failure;
  }

  bool ReadVarLen(uint32_t& value) {
    value = 0;
    const size_t offset = Offset();
    for (int i = 0; i < 4; ++i) {
      if (pos >= end) {
        Truncated();
        return false;
      }
      const uint8_t b = *pos++;
      value = (value << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) return true;
    }
    Fail("variable-length number longer than 4 bytes", offset);
    return false;
  }

  static void ReadMeta(TMidiSong& song, int64_t tick, uint8_t type, const uint8_t* data, uint32_t length) {
    if (type == 0x51 && length >= 3) {
      const uint32_t micros = (uint32_t{data[0]} << 16) | (uint32_t{data[1]} << 8) | data[2];
      song.tempos.push_back({tick, std::max<uint32_t>(micros, 1)});
    } else if (type == 0x58 && length >= 2 && data[0] > 0 && data[1] <= 6) {
      song.meters.push_back({tick, data[0], 1 << data[1]});
    }
  }

  const uint8_t* pos;
  const uint8_t* start;
  const uint8_t* end;
  size_t fileOffset;
  int number;
  TMidiFileResult failure;
};

void PutBE32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutVarLen(std::vector<uint8_t>& out, uint64_t v) {
  v = std::min<uint64_t>(v, 0x0FFFFFFF);
  uint8_t buf[4];
  int n = 0;
  do {
    buf[n++] = static_cast<uint8_t>(v & 0x7F);
    v >>= 7;
  } while (v != 0);
  while (n > 1) out.push_back(static_cast<uint8_t>(buf[--n] | 0x80));
  out.push_back(buf[0]);
}

// One item of a track being written: a channel message or a meta event, in tick order.
struct TOutItem {
  int64_t tick = 0;
  std::vector<uint8_t> bytes;  // status onwards
};

void WriteTrack(std::vector<uint8_t>& file, std::vector<TOutItem> items, const std::string& name) {
  std::stable_sort(items.begin(), items.end(), [](const TOutItem& a, const TOutItem& b) { return a.tick < b.tick; });
  std::vector<uint8_t> body;
  if (!name.empty()) {
    body.insert(body.end(), {0x00, 0xFF, 0x03});
    PutVarLen(body, name.size());
    body.insert(body.end(), name.begin(), name.end());
  }
  int64_t last = 0;
  for (const TOutItem& item : items) {
    const int64_t tick = std::max<int64_t>(item.tick, last);
    // A gap beyond the largest delta is bridged with empty text events.
    while (tick - last > 0x0FFFFFFF) {
      PutVarLen(body, 0x0FFFFFFF);
      body.insert(body.end(), {0xFF, 0x01, 0x00});
      last += 0x0FFFFFFF;
    }
    PutVarLen(body, static_cast<uint64_t>(tick - last));
    body.insert(body.end(), item.bytes.begin(), item.bytes.end());
    last = tick;
  }
  body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  PutBE32(file, static_cast<uint32_t>(body.size()));
  file.insert(file.end(), body.begin(), body.end());
}

}  // namespace

int ChannelMessageSize(uint8_t status) {
  switch (status & 0xF0) {
    case 0x80: case 0x90: case 0xA0: case 0xB0: case 0xE0: return 3;
    case 0xC0: case 0xD0: return 2;
    default: return 0;
  }
}

TMidiFileResult ParseMidiFile(std::span<const uint8_t> bytes, TMidiSong& song) {
  song = TMidiSong{};
  const uint8_t* data = bytes.data();
  const size_t size = bytes.size();
  if (size < 4 || std::memcmp(data, "MThd", 4) != 0) return {false, "not a Standard MIDI File (no MThd header)"};
  if (size < 14) return {false, "the MIDI header is truncated"};
  const uint32_t headerLength = BE32(data + 4);
  if (headerLength < 6) return {false, "the MIDI header is too short"};
  if (headerLength > size - 8) return {false, "the MIDI header is truncated"};
  const int format = BE16(data + 8);
  const int trackCount = BE16(data + 10);
  const int division = BE16(data + 12);
  if (format == 2) return {false, "type 2 MIDI files (independent patterns) are not supported"};
  if (format > 2) return {false, "unknown MIDI file type " + std::to_string(format)};
  if (division & 0x8000) return {false, "SMPTE time division is not supported"};
  if (division == 0) return {false, "the time division is 0 ticks per quarter note"};
  song.format = format;
  song.division = division;

  std::vector<TTrackEvent> events;
  size_t pos = 8 + headerLength;
  int tracksRead = 0;
  while (tracksRead < trackCount) {
    if (size - pos < 8) {
      return {false, "the file declares " + std::to_string(trackCount) + " tracks but ends after " +
                         std::to_string(tracksRead)};
    }
    const uint32_t length = BE32(data + pos + 4);
    const bool isTrack = std::memcmp(data + pos, "MTrk", 4) == 0;
    if (length > size - pos - 8) {
      if (isTrack) return {false, "track " + std::to_string(tracksRead + 1) + " is truncated (the file ends inside it)"};
      return {false, "a chunk at byte " + std::to_string(pos) + " runs past the end of the file"};
    }
    if (isTrack) {
      ++tracksRead;
      TTrackReader reader(data + pos + 8, data + pos + 8 + length, pos + 8, tracksRead);
      if (TMidiFileResult r = reader.Read(song, events); !r.ok) return r;
    }  // chunks of other kinds are skipped, as the format asks
    pos += 8 + static_cast<size_t>(length);
  }

  std::stable_sort(events.begin(), events.end(),
                   [](const TTrackEvent& a, const TTrackEvent& b) { return a.event.tick < b.event.tick; });
  song.events.reserve(events.size());
  for (const TTrackEvent& e : events) song.events.push_back(e.event);
  auto byTick = [](const auto& a, const auto& b) { return a.tick < b.tick; };
  std::stable_sort(song.tempos.begin(), song.tempos.end(), byTick);
  std::stable_sort(song.meters.begin(), song.meters.end(), byTick);
  return {};
}

TMidiFileResult ReadMidiFile(const std::string& path, TMidiSong& song) {
  std::vector<uint8_t> bytes;
  std::string why;
  switch (ReadWholeFile(path, kMaxMidiFileSize, bytes, &why)) {
    case TReadResult::Missing: return {false, "no such file"};
    case TReadResult::Failed: return {false, why};
    case TReadResult::Read: break;
  }
  return ParseMidiFile(bytes, song);
}

std::vector<uint8_t> BuildMidiFile(int division, const std::vector<TTempoChange>& tempos,
                                   const std::vector<TTimeSignature>& meters,
                                   const std::vector<TMidiTrackOut>& tracks) {
  const size_t trackCount = std::max<size_t>(tracks.size(), 1);
  const uint8_t header[14] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<uint8_t>(trackCount > 1 ? 1 : 0),
                              static_cast<uint8_t>(trackCount >> 8), static_cast<uint8_t>(trackCount),
                              static_cast<uint8_t>(division >> 8), static_cast<uint8_t>(division)};
  std::vector<uint8_t> file(header, header + sizeof header);
  for (size_t t = 0; t < trackCount; ++t) {
    std::vector<TOutItem> items;
    if (t == 0) {
      // Maps first, so that a tempo takes effect before the notes of its tick.
      for (const TTimeSignature& m : meters) {
        int power = 0;
        while ((1 << power) < m.denominator && power < 6) ++power;
        items.push_back({m.tick, {0xFF, 0x58, 0x04, static_cast<uint8_t>(m.numerator), static_cast<uint8_t>(power),
                                  24, 8}});
      }
      for (const TTempoChange& c : tempos) {
        const uint32_t us = c.microsPerQuarter;
        items.push_back({c.tick, {0xFF, 0x51, 0x03, static_cast<uint8_t>(us >> 16), static_cast<uint8_t>(us >> 8),
                                  static_cast<uint8_t>(us)}});
      }
    }
    if (t < tracks.size()) {
      for (const TMidiFileEvent& e : tracks[t].events) {
        const int n = ChannelMessageSize(e.data[0]);
        if (n == 0 || e.size != n) continue;
        std::vector<uint8_t> bytes{e.data[0]};
        for (int i = 1; i < n; ++i) bytes.push_back(e.data[i] & 0x7F);
        items.push_back({e.tick, std::move(bytes)});
      }
    }
    WriteTrack(file, std::move(items), t < tracks.size() ? tracks[t].name : std::string());
  }
  return file;
}
