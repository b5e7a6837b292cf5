#pragma once
// The editor of a fresh instance, rendered headlessly: what moltrin-snapshot does.
#include <functional>
#include <string>
#include <vector>

class TPlugForm;

struct TSnapshotOptions {
  std::string output;           // the PNG to write
  std::string folder;           // where the factory bank and the skins are ("" = beside the built module)
  bool factoryBank = true;      // a fresh instance starts with it
  std::string bank, preset;     // files loaded once the editor is open
  int program = 0;              // 1..64, chosen as a host does; 0 leaves the current one
  std::string scheme;           // "0" built-in, "n" the n-th skin scheme, or a scheme's name
  int page = 0;                 // 1..4 shown (following playback is switched off); 0 leaves it
  int row = -1;                 // the pattern screen's row, by bar number; -1 leaves it
  std::vector<int> keys;        // MIDI notes held while playing
  int blocks = -1;              // blocks of 512 frames played (-1: 48 when keys are held, else 0)
  int zoom = 100;               // percent, 100..300: the editor's zoom
  bool help = false;            // these three print and stop: no output file is taken
  bool version = false;
  bool listSchemes = false;
};

// The usage text, and the options read from the command line (argv[0] excluded). False with a
// one-line reason when they cannot be read. `--help` and `--version` end the reading.
extern const char* const kSnapshotUsage;
bool ParseSnapshotOptions(const std::vector<std::string>& args, TSnapshotOptions& options, std::string& error);

// Opens the editor of a fresh instance in a headless window as a host opens it, applies the
// options, plays, and writes the window to `options.output`. False with a one-line reason.
// `inspect`, when given, sees the form just before it is written (for tests).
bool RenderSnapshot(const TSnapshotOptions& options, std::string& error,
                    const std::function<void(TPlugForm&)>& inspect = {});

// The skin schemes --scheme can choose, one a line with its number and file, "0" for the
// built-in colours first, from the folder of `options`.
std::string ListSchemes(const TSnapshotOptions& options);
