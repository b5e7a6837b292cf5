// moltrin-snapshot [options] OUTPUT.png: the editor of a fresh instance as a PNG.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/snapshot/Snapshot.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  TSnapshotOptions options;
  std::string error;
  if (!ParseSnapshotOptions(args, options, error)) {
    std::fprintf(stderr, "moltrin-snapshot: %s (see --help)\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(kSnapshotUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("moltrin-snapshot %s\n", MOLTRIN_VERSION);
    return 0;
  }
  if (options.listSchemes) {
    try {
      std::fputs(ListSchemes(options).c_str(), stdout);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "moltrin-snapshot: %s\n", e.what());
      return 2;
    }
    return 0;
  }
  if (!RenderSnapshot(options, error)) {
    std::fprintf(stderr, "moltrin-snapshot: %s\n", error.c_str());
    return 2;
  }
  std::printf("wrote %s\n", options.output.c_str());
  return 0;
}
