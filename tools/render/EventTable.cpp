#include "tools/render/EventTable.h"

#include "engine/KeyUtils.h"
#include "tools/render/NoteList.h"

namespace {

std::string Describe(const TMidiFileEvent& e) {
  switch (e.data[0] & 0xF0) {
    case 0x80: case 0x90: return "off " + NoteName(e.data[1]).Str();
    case 0xA0: return "pressure " + NoteName(e.data[1]).Str();
    case 0xB0: return "CC " + std::to_string(e.data[1]);
    case 0xC0: return "program " + std::to_string(e.data[1] + 1);
    case 0xD0: return "ch.pressure";
    default: return "bend";
  }
}

// Text padded to a column: left-aligned for negative widths.
std::string Column(const std::string& text, int width) {
  const size_t w = static_cast<size_t>(width < 0 ? -width : width);
  if (text.size() >= w) return text;
  return width < 0 ? text + std::string(w - text.size(), ' ') : std::string(w - text.size(), ' ') + text;
}

std::string Row(const std::string& time, const std::string& channel, const std::string& what,
                const std::string& velocity, const std::string& length) {
  return Column(time, -14) + " " + Column(channel, 3) + "  " + Column(what, -12) + " " + Column(velocity, 5) + "  " +
         Column(length, 8) + "\n";
}

int ValueOf(const TMidiFileEvent& e) {
  switch (e.data[0] & 0xF0) {
    case 0xC0: case 0xD0: return e.data[1];
    case 0xE0: return (e.data[2] << 7 | e.data[1]) - 8192;
    default: return e.data[2];
  }
}

}  // namespace

std::string FormatEventTable(const std::vector<TMidiFileEvent>& events, const TMeterMap& meters, int64_t endTick) {
  const std::vector<TNote> notes = PairNotes(events, endTick);
  std::vector<const TNote*> noteOf(events.size(), nullptr);
  std::vector<bool> isNoteOff(events.size(), false);
  for (const TNote& n : notes) {
    noteOf[n.eventIndex] = &n;
    if (!n.open) isNoteOff[n.endIndex] = true;  // shown as the note's length
  }
  std::string out = Row("time", "ch", "note", "vel", "length");
  for (size_t i = 0; i < events.size(); ++i) {
    if (isNoteOff[i]) continue;
    const TMidiFileEvent& e = events[i];
    const std::string time = meters.Format(e.tick);
    const std::string channel = std::to_string((e.data[0] & 0x0F) + 1);
    if (const TNote* n = noteOf[i]) {
      const std::string length = n->open ? "open" : std::to_string(n->end - n->start);
      out += Row(time, channel, NoteName(n->key).Str(), std::to_string(n->velocity), length);
    } else {
      out += Row(time, channel, Describe(e), std::to_string(ValueOf(e)), "-");
    }
  }
  return out;
}

std::string FormatEventJson(const std::vector<TSentEvent>& sent, const TTempoMap& map, int blockSize,
                            int64_t endTick) {
  std::string out = "{\"division\": " + std::to_string(map.Division()) +
                    ", \"sample_rate\": " + std::to_string(map.SampleRate()) +
                    ", \"block_size\": " + std::to_string(blockSize) + ", \"end_tick\": " + std::to_string(endTick) +
                    ", \"events\": [";
  for (size_t i = 0; i < sent.size(); ++i) {
    const TSentEvent& s = sent[i];
    out += i == 0 ? "\n  " : ",\n  ";
    out += "{\"sample\": " + std::to_string(s.sample) + ", \"tick\": " + std::to_string(map.NearestTickAtSample(s.sample)) +
           ", \"data\": [" + std::to_string(s.data[0]) + ", " + std::to_string(s.data[1]) + ", " +
           std::to_string(s.data[2]) + "]}";
  }
  out += "\n]}\n";
  return out;
}
