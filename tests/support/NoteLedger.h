#pragma once
// What every "no stuck notes" check needs: the keys a test pressed and has not let go, the
// ending a player gives a session (latch off, every key up, the transport stopped, time for
// the last notes to end), and the first note the plug-in started and never ended.
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "hosts/vst2/Host.h"

namespace testsupport {

using vst2host::Host;
using vst2host::MidiIn;
using vst2host::MidiOut;

// Key-downs not yet matched by a key-up, per channel and note, counted as the plug-in reads
// the bytes (data masked to seven bits; a note-on of velocity 0 is a key-up).
class KeyLedger {
 public:
  void Count(const MidiIn& m);
  void Count(const std::vector<MidiIn>& list) {
    for (const MidiIn& m : list) Count(m);
  }
  // One note-off for every key still down.
  std::vector<MidiIn> KeyUps() const;

 private:
  std::map<std::pair<int, int>, int> down;
};

// Latch off, a note-off for every key still down, the transport stopped, then two seconds of
// blocks at the host's rate (44.1 kHz when it reports none that is sane).
void LetGoAndRunOut(Host& host, const KeyLedger& keys, int frames);

struct SoundingNote {
  int channel = 0;
  int pitch = 0;
};
// The first note of `sent` left sounding; one note-off ends every note-on of its pitch.
std::optional<SoundingNote> FirstSoundingNote(const std::vector<MidiOut>& sent);

}  // namespace testsupport
