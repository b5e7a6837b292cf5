#pragma once
// moltrin-inspect's parts: what a host of each format gets from the plug-in, printed.
#include <functional>
#include <string>
#include <vector>

struct TInspectOptions {
  std::string path;         // the VST 2.x module, moltrin.clap or the LV2 bundle's folder
  bool factoryBank = true;  // as a user's host gets it: the factory bank beside the module
};

// Each prints what a host of its format sees and plays one bar; 0 when all of it worked, 1 when
// the plug-in misbehaved, 2 when it cannot be loaded (the reason on standard error).
int InspectVst2(const TInspectOptions& options);
int InspectClap(const TInspectOptions& options);
int InspectLv2(const TInspectOptions& options);

// The line that says which bank the instance started with.
void PrintFactoryBankLine(const TInspectOptions& options);
// The bar the formats play: a C major chord held for two seconds at 120 BPM and 44.1 kHz,
// steps 1 to 16 playing keys 1, 2, 3 in turn where a host can set the step rows (VST 2.x, CLAP);
// `keySelect(tag, key)` sets a step's key.
constexpr const char* kOneBarTitle =
    "One bar at 120 BPM, 44.1 kHz, C major chord held, steps playing keys 1, 2, 3 in turn";
void SetKeysForOneBar(const std::function<void(int tag, int key)>& keySelect);
// The title, then the note names of the note-ons, and the counts.
void PrintPlayed(const char* title, const std::vector<std::vector<uint8_t>>& messages);
