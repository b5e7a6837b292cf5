#include "tools/render/NoteList.h"

#include <algorithm>
#include <array>
#include <deque>

std::vector<TNote> PairNotes(const std::vector<TMidiFileEvent>& events, int64_t endTick) {
  std::vector<TNote> notes;
  std::array<std::deque<size_t>, 16 * 128> sounding;  // note indices by channel and key
  for (size_t i = 0; i < events.size(); ++i) {
    const TMidiFileEvent& e = events[i];
    const int kind = e.data[0] & 0xF0, channel = e.data[0] & 0x0F, key = e.data[1] & 0x7F;
    if (e.size != 3 || (kind != 0x80 && kind != 0x90)) continue;
    auto& queue = sounding[static_cast<size_t>(channel * 128 + key)];
    if (kind == 0x90 && e.data[2] > 0) {
      queue.push_back(notes.size());
      notes.push_back({e.tick, endTick, channel, key, e.data[2], i, 0, true});
    } else if (!queue.empty()) {
      TNote& n = notes[queue.front()];
      queue.pop_front();
      n.end = e.tick;
      n.endIndex = i;
      n.open = false;
    }
  }
  for (TNote& n : notes)
    if (n.open) n.end = std::max(n.end, n.start);
  return notes;
}
