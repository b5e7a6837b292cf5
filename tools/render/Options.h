#pragma once
// The command line of moltrin-render.
#include <optional>
#include <string>
#include <vector>

struct TRenderOptions {
  std::string inputPath;
  std::string outputPath;
  std::string pluginPath;  // empty: the module built beside the tool
  std::string bankPath;    // empty: the factory bank beside the module, unless noBank
  std::string presetPath;
  bool noBank = false;
  int program = 0;  // 1..64, 0 = not given
  std::vector<std::string> assignments;  // "NAME=VALUE", in order
  bool freeRun = false;
  std::optional<double> tailSeconds;
  int sampleRate = 44100;
  int blockSize = 256;
  int ppq = 0;  // ticks per quarter note written; 0: the finer of the input's and 960
  bool keepInput = false;
  std::string pngPath;
  bool list = false;
  std::string jsonPath;
  bool quiet = false;
  bool help = false;
  bool version = false;
  bool listPrograms = false;  // list and stop: no files are taken
  bool listParams = false;
};

// Throws TToolError for an unknown option, a missing or malformed value, a value out of
// range, or a wrong number of file arguments (none with --list-programs or --list-params,
// two otherwise). `--help` and `--version` set their flag and check nothing else.
TRenderOptions ParseOptions(const std::vector<std::string>& args);
std::string HelpText();
