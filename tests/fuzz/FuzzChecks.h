#pragma once
// What the fuzz targets check after the plug-in has taken their input. A failed check prints
// what went wrong and aborts, which the fuzzer reports as a crash and keeps the input.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vst2host {
class Host;
struct MidiOut;
}

void Require(bool ok, const char* what);

// Two images of program records (a chunk, or a file's records from `recordsAt` on) are the
// same; the first difference is named by program and tag.
void RequireSameRecords(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& actual, size_t recordsAt,
                        const char* what);

// Every parameter reads inside 0..1 (0 outside the table), every text the host can ask for
// fits 64 bytes with its terminator, and the current program is -1..63.
void CheckReads(vst2host::Host& host);

// No note the plug-in started is left without its note-off.
void CheckEveryNoteEnded(const std::vector<vst2host::MidiOut>& sent);
