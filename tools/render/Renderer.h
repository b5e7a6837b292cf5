#pragma once
// Plays a song through a hosted plug-in: the transport runs from the song start at the
// file's tempo (or stands still at the song start for --free-run), and every input event
// reaches the plug-in before the block it falls in, on its frame inside that block. The song
// lasts until its end of track (or its last event, if later); keys still down there are let
// go there, and the tail follows. What the plug-in sends until the end of the tail is
// written; a note begun before that end is written whole, with the length the plug-in gives
// it, and nothing begun at the end or later is written.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/MidiFile.h"
#include "tools/render/PluginHost.h"
#include "tools/render/TempoMap.h"

struct TRenderSettings {
  int sampleRate = 44100;
  int blockSize = 256;
  bool freeRun = false;
  double tailSeconds = 0;  // played after the song's end
  int division = 0;        // ticks per quarter note of the output; 0: the input's
};

struct TRenderResult {
  std::vector<TSentEvent> sent;     // as the plug-in sent them, less what began at the end or later
  std::vector<TMidiFileEvent> output;   // the same, channel messages only, at ticks of the output
                                    // division, and a note-off at endTick for every note the
                                    // plug-in never ended
  int64_t endSample = 0;            // the end of the render, where the tail ends
  int64_t endTick = 0;              // the last tick written: that end, or a later note-off
  int notesEndedByHost = 0;         // notes the plug-in left sounding, ended at endTick
};

constexpr double kMaxRenderSeconds = 24 * 3600.0;
// After the end the plug-in plays on, unheard, until the notes begun before the end have
// ended, for at most this long; then the transport stops as in a host ...
constexpr double kRingOutSeconds = 10.0;
// ... and the plug-in may take a while to release its notes: a free-running clock waits a
// second for more keys before it ends them.
constexpr double kReleaseSeconds = 2.0;

// Where the song ends: its end of track, or its last event if that is later.
int64_t SongEndTick(const TMidiSong& song);

// The length of a render in samples: through the block holding the song's end and
// `tailSeconds` beyond it. Songs longer than kMaxRenderSeconds answer -1.
int64_t RenderLength(const TMidiSong& song, const TTempoMap& map, const TRenderSettings& settings);

// fraction of the render done, 0..1, reported every few thousand blocks
using TProgressFn = std::function<void(double fraction)>;

TRenderResult RenderSong(const TMidiSong& song, THostedPlugin& plugin, const TRenderSettings& settings,
                         const TProgressFn& progress = {});
