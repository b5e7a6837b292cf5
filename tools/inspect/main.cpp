// moltrin-inspect [--no-factory-bank] [MODULE | moltrin.clap | BUNDLE.lv2]: what a host gets of
// the plug-in in each format, printed. The format is told by the path: a folder (an LV2 bundle),
// a name ending in ".clap", else a VST 2.x module.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "hosts/vst2/Host.h"
#include "tools/inspect/Inspect.h"

namespace {

constexpr const char* kUsage =
    "usage: moltrin-inspect [--no-factory-bank] [MODULE | moltrin.clap | BUNDLE.lv2]\n"
    "Loads the plug-in as a host of its format does and prints what the host gets: a VST 2.x\n"
    "module (default: the moltrin.so built beside this tool) through its entry point, a CLAP\n"
    "module (a name ending in .clap) through clap_entry, an LV2 bundle (a folder) through lilv.\n"
    "It shows the identity, capabilities, programs and a few parameters with their values and\n"
    "texts, round-trips the saved state through a second instance and plays one bar. Exit\n"
    "status 0 when all of it worked, 1 when the plug-in misbehaved, 2 when it cannot be loaded\n"
    "or the command line is wrong.\n"
    "\n"
    "  --no-factory-bank  the plug-in's own defaults: the factory bank beside the module is\n"
    "                     not loaded (by default it is, as in a user's host)\n"
    "  --version          show the version\n"
    "  -h, --help         show this help\n";

// The options, or the exit status when the command line is answered or refused.
std::optional<int> ReadCommandLine(const std::vector<std::string>& args, TInspectOptions& options) {
  options.path = vst2host::DefaultModulePath();
  bool named = false;
  for (const std::string& a : args) {
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("moltrin-inspect %s\n", MOLTRIN_VERSION);
      return 0;
    }
    if (a == "--no-factory-bank") {
      options.factoryBank = false;
      continue;
    }
    const bool option = a.size() > 1 && a[0] == '-';
    if (option || named) {
      const char* what = option ? "unknown option " : "one module only, not also ";
      std::fprintf(stderr, "moltrin-inspect: %s%s (see --help)\n", what, a.c_str());
      return 2;
    }
    options.path = a;
    named = true;
  }
  return std::nullopt;
}

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  TInspectOptions options;
  if (const std::optional<int> status = ReadCommandLine({argv + 1, argv + argc}, options)) return *status;
  std::error_code ec;
  if (std::filesystem::is_directory(options.path, ec)) return InspectLv2(options);
  if (EndsWith(options.path, ".clap")) return InspectClap(options);
  return InspectVst2(options);
}
