#pragma once
// Plays a song through a hosted plug-in: the transport runs from the song start at the
// file's tempo (or stands still at the song start for --free-run), the input events reach
// the plug-in before the block they fall in, and what it sends is recorded. At the end, with
// notes still sounding, the transport stops as in a host and the plug-in releases them.
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
  double tailSeconds = 0;  // played after the last input event
};

struct TRenderResult {
  std::vector<TSentEvent> sent;     // as the plug-in sent them
  std::vector<TMidiEvent> output;   // the same, channel messages only, at ticks of the file,
                                    // and a note-off at endTick for every note left sounding
  int64_t endSample = 0;            // where the render stopped
  int64_t endTick = 0;
  int notesEndedByHost = 0;         // notes the plug-in left sounding, ended at endTick
};

constexpr double kMaxRenderSeconds = 24 * 3600.0;
// After the stop the plug-in may take a while to release its notes: a free-running clock
// waits a second for more keys before it ends them.
constexpr double kReleaseSeconds = 2.0;

// The length of a render in samples: through the block holding the last input event and
// `tailSeconds` beyond it. Songs longer than kMaxRenderSeconds answer -1.
int64_t RenderLength(const TMidiSong& song, const TTempoMap& map, const TRenderSettings& settings);

// fraction of the render done, 0..1, reported every few thousand blocks
using TProgressFn = std::function<void(double fraction)>;

TRenderResult RenderSong(const TMidiSong& song, THostedPlugin& plugin, const TRenderSettings& settings,
                         const TProgressFn& progress = {});
