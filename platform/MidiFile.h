#pragma once
// Standard MIDI Files: reading type 0 and type 1 files into one time-ordered list of channel
// messages with their tempo and time-signature maps, and writing type 0 and type 1 files.
// Files are untrusted: every length is checked and a damaged file gives a one-line reason.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct TMidiFileEvent {
  int64_t tick = 0;
  uint8_t data[3] = {};
  uint8_t size = 0;  // 2 or 3: status and its data bytes
};

struct TTempoChange {
  int64_t tick = 0;
  uint32_t microsPerQuarter = 500000;  // 1..0xFFFFFF
};

struct TTimeSignature {
  int64_t tick = 0;
  int numerator = 4;
  int denominator = 4;  // a power of two, 1..64
};

struct TMidiSong {
  int format = 0;
  int division = 480;               // ticks per quarter note
  std::vector<TMidiFileEvent> events;   // channel messages of every track, by tick, ties in track order
  std::vector<TTempoChange> tempos; // by tick; empty means 120 beats per minute throughout
  std::vector<TTimeSignature> meters;
  int64_t endTick = 0;              // the latest end of any track
};

struct TMidiFileResult {
  bool ok = true;
  std::string message;  // why the file was refused, without its name
};

constexpr size_t kMaxMidiFileSize = 64u << 20;

// Number of bytes of a channel message with this status (2 or 3), or 0 for other bytes.
int ChannelMessageSize(uint8_t status);

TMidiFileResult ParseMidiFile(std::span<const uint8_t> bytes, TMidiSong& song);
TMidiFileResult ReadMidiFile(const std::string& path, TMidiSong& song);

struct TMidiTrackOut {
  std::string name;
  std::vector<TMidiFileEvent> events;  // any order; written sorted by tick, ties kept in order
};

// A file image: type 0 for one track, else type 1. The tempo and time-signature maps go into
// the first track. Events that are not channel messages are left out.
std::vector<uint8_t> BuildMidiFile(int division, const std::vector<TTempoChange>& tempos,
                                   const std::vector<TTimeSignature>& meters,
                                   const std::vector<TMidiTrackOut>& tracks);
