#pragma once
// What the fuzz targets check after the plug-in has taken their input. A failed check prints
// what went wrong and aborts, which the fuzzer reports as a crash and keeps the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vst2host {
class Host;
struct MidiOut;
}

void Require(bool ok, const char* what);

// With MOLTRIN_FUZZ_TRACE=1 in the environment, prints one line (printf's format) to stderr: each
// step a session target takes, for reading a crash file.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Two images of program records (a chunk, or a file's records from `recordsAt` on) are the
// same; the first difference is named by program and tag.
void RequireSameRecords(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& actual, size_t recordsAt,
                        const char* what);

// Every parameter reads inside 0..1 (0 outside the table), every text the host can ask for
// fits 64 bytes with its terminator, and the current program is -1..63.
void CheckReads(vst2host::Host& host);

// No note the plug-in started is left without its note-off.
void CheckEveryNoteEnded(const std::vector<vst2host::MidiOut>& sent);

// The most times any one key (by channel) was struck in a session: how many rounds of note-offs
// for every key a player's end sends, so that a key struck several times and never released in
// between is let go however the plug-in counts its strikes.
class TKeyStrikes {
 public:
  void Struck(int channel, int key) {
    if (channel >= 0 && channel < 16 && key >= 0 && key < 128) most = std::max(most, ++count[channel][key]);
  }
  // A MIDI message as the plug-in reads it (data masked to seven bits).
  void Message(uint8_t status, uint8_t key, uint8_t velocity) {
    if ((status & 0xF0) == 0x90 && (velocity & 0x7F) != 0) Struck(status & 0x0F, key & 0x7F);
  }
  int Most() const { return most; }

 private:
  int count[16][128] = {};
  int most = 0;
};
