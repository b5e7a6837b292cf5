// moltrin-snapshot [options] OUTPUT.png: the editor of a fresh instance as a PNG.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/snapshot/Snapshot.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kSnapshotUsage, stdout);
    return 0;
  }
  TSnapshotOptions options;
  std::string error;
  if (!ParseSnapshotOptions(args, options, error)) {
    std::fprintf(stderr, "moltrin-snapshot: %s\n%s", error.c_str(), kSnapshotUsage);
    return 2;
  }
  if (!RenderSnapshot(options, error)) {
    std::fprintf(stderr, "moltrin-snapshot: %s\n", error.c_str());
    return 2;
  }
  std::printf("wrote %s\n", options.output.c_str());
  return 0;
}
