// bankgen: builds the factory bank file from its readable program and chain sources.
//
//   bankgen --out Moltrin_FactoryBank.fxb data/factory/*.txt
//
// Exit status 0 when the bank was written, 2 when a source is at fault (one line on stderr
// naming the file and line; no bank is left behind), 1 when the bank cannot be written.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "tools/bankgen/BankBuilder.h"

namespace {

constexpr int kSourceFault = 2;
constexpr int kWriteFault = 1;

int Usage() {
  std::fprintf(stderr, "usage: bankgen --out BANK.fxb SOURCE.txt...\n");
  return kSourceFault;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outPath;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--out" && i + 1 < argc) {
      outPath = argv[++i];
    } else if (arg.starts_with("-")) {
      return Usage();
    } else {
      paths.push_back(arg);
    }
  }
  if (outPath.empty() || paths.empty()) return Usage();

  std::vector<TSource> sources(paths.size());
  TSourceError error;
  bool ok = true;
  for (size_t i = 0; i < paths.size() && ok; ++i) ok = ParseSourceFile(paths[i], sources[i], error);
  if (ok) ok = CheckSources(sources, error);
  if (!ok) {
    std::fprintf(stderr, "%s\n", error.Text().c_str());
    std::error_code ec;
    std::filesystem::remove(outPath, ec);  // a stale bank must not outlive the fault
    return kSourceFault;
  }
  // Written beside the target and then renamed, so that a failed run never leaves half a bank.
  if (std::string reason; !WriteWholeFileSafely(outPath, BuildFactoryBank(sources), &reason)) {
    std::fprintf(stderr, "%s: cannot write the bank (%s)\n", outPath.c_str(), reason.c_str());
    return kWriteFault;
  }
  return 0;
}
