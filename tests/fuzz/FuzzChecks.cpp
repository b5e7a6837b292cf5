#include "tests/fuzz/FuzzChecks.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "tests/support/NoteLedger.h"
#include "hosts/vst2/Host.h"

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

void Trace(const char* format, ...) {
  static const bool on = std::getenv("MOLTRIN_FUZZ_TRACE") != nullptr;
  if (!on) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
}

void RequireSameRecords(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& actual, size_t recordsAt,
                        const char* what) {
  Require(expected.size() == actual.size(), what);
  for (size_t i = recordsAt; i < expected.size(); ++i) {
    if (expected[i] == actual[i]) continue;
    const size_t at = i - recordsAt;
    std::fprintf(stderr, "program %zu, tag %zu: %d, then %d\n", at / 576, at % 576, static_cast<int8_t>(expected[i]),
                 static_cast<int8_t>(actual[i]));
    Require(false, what);
  }
}

void CheckReads(vst2host::Host& host) {
  for (VstInt32 tag = -1; tag <= 576; ++tag) {
    const float v = host.GetParam(tag);
    Require(std::isfinite(v) && v >= 0.0f && v <= 1.0f, "a parameter reads outside 0..1");
    if (tag < 0 || tag >= 576) Require(v == 0.0f, "a parameter outside the table reads other than 0");
  }
  // The host's text buffers are filled with a mark, so a missing terminator shows too. The
  // label is the one text the plug-in leaves as the host gave it.
  for (VstInt32 tag : {-1, 0, 1, 18, 150, 210, 212, 231, 255, 256, 575, 576}) {
    Require(host.Text(effGetParamName, tag, 0, 'x').size() < 64, "a parameter name overruns 64 bytes");
    Require(host.Text(effGetParamDisplay, tag, 0, 'x').size() < 64, "a parameter display overruns 64 bytes");
    Require(host.Text(effGetParamLabel, tag, 0, 0).size() < 64, "a parameter label overruns 64 bytes");
  }
  for (VstInt32 program = -1; program <= 64; ++program)
    Require(host.Text(effGetProgramNameIndexed, program, 0, 'x').size() < 64, "a program name overruns 64 bytes");
  Require(host.Text(effGetProgramName, 0, 0, 'x').size() < 64, "the program name overruns 64 bytes");
  const VstIntPtr current = host.Program();
  Require(current >= -1 && current < 64, "the current program is outside -1..63");
}

void CheckEveryNoteEnded(const std::vector<vst2host::MidiOut>& sent) {
  if (const auto left = testsupport::FirstSoundingNote(sent)) {
    std::fprintf(stderr, "note %d on channel %d never ended\n", left->pitch, left->channel + 1);
    Require(false, "a note the plug-in started has no note-off");
  }
}
