#pragma once
// Text forms of the plug-in's output: the table of --list and the JSON of --json.
#include <string>
#include <vector>

#include "platform/MidiFile.h"
#include "tools/render/MeterMap.h"
#include "tools/render/PluginHost.h"
#include "tools/render/TempoMap.h"

// One row per note (time as bar:beat:tick, channel, note name, velocity, length in ticks or
// "open") and per other message, in the order sent.
std::string FormatEventTable(const std::vector<TMidiFileEvent>& events, const TMeterMap& meters, int64_t endTick);

// {"division", "sample_rate", "block_size", "end_tick", "events": [{"sample", "tick", "data"}]}
std::string FormatEventJson(const std::vector<TSentEvent>& sent, const TTempoMap& map, int blockSize,
                            int64_t endTick);
