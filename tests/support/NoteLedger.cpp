#include "tests/support/NoteLedger.h"

#include <cmath>

#include "engine/ParamNames.h"

namespace testsupport {

void KeyLedger::Count(const MidiIn& m) {
  if (m.type != kVstMidiType) return;
  const int status = m.status & 0xF0;
  const std::pair<int, int> key{m.status & 0x0F, m.data1 & 0x7F};
  if (status == 0x90 && (m.data2 & 0x7F) > 0) {
    ++down[key];
  } else if (status == 0x80 || status == 0x90) {
    auto found = down.find(key);
    if (found != down.end() && --found->second == 0) down.erase(found);
  }
}

std::vector<MidiIn> KeyLedger::KeyUps() const {
  std::vector<MidiIn> ups;
  for (const auto& [key, count] : down)
    for (int i = 0; i < count; ++i) ups.push_back(vst2host::NoteOff(key.first, key.second));
  return ups;
}

void LetGoAndRunOut(Host& host, const KeyLedger& keys, int frames) {
  // The events sent so far take effect in a block (a program change among them may bring a
  // program with latch on); then latch goes off in the program that is current.
  host.RunBlocks(1, frames);
  host.SetParam(tagLatch, 0.0f);
  const std::vector<MidiIn> ups = keys.KeyUps();
  if (!ups.empty()) host.SendMidi(ups);
  host.transport.playing = false;
  const double rate = host.transport.sampleRate;
  const double seconds = 2 * (std::isfinite(rate) && rate > 0 && rate < 1e6 ? rate : 44100.0);
  host.RunBlocks(static_cast<int>(seconds / frames) + 1, frames);
}

std::optional<SoundingNote> FirstSoundingNote(const std::vector<MidiOut>& sent) {
  int count[16][128] = {};
  for (const MidiOut& m : sent) {
    if (m.IsNoteOn())
      ++count[m.Channel()][m.bytes[1] & 0x7F];
    else if (m.IsNoteOff())
      count[m.Channel()][m.bytes[1] & 0x7F] = 0;
  }
  for (int c = 0; c < 16; ++c)
    for (int p = 0; p < 128; ++p)
      if (count[c][p] > 0) return SoundingNote{c, p};
  return std::nullopt;
}

}  // namespace testsupport
