// lv2bundle: writes the LV2 bundle's descriptions from the plug-in's own tables and the factory
// bank: manifest.ttl, moltrin.ttl (the plug-in, its ports and its UI) and presets.ttl (each
// program the bank's sources describe as a preset that applies it, as the bank holds it).
//
//   lv2bundle --bank Moltrin_FactoryBank.fxb --out build/linux/moltrin.lv2 data/factory/*.txt
//
// Exit status 0 when the files were written, 1 when the bank was refused, does not hold what
// the sources say, or a file could not be written; 2 for a wrong command line or source.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/Plugin.h"
#include "platform/Files.h"
#include "tools/bankgen/BankSource.h"
#include "tools/lv2bundle/Description.h"

int main(int argc, char** argv) {
  std::string bank, out;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--bank" && i + 1 < argc)
      bank = argv[++i];
    else if (arg == "--out" && i + 1 < argc)
      out = argv[++i];
    else
      paths.push_back(arg);
  }
  if (bank.empty() || out.empty() || paths.empty()) {
    std::fprintf(stderr, "usage: lv2bundle --bank BANK.fxb --out BUNDLE-FOLDER SOURCE.txt...\n");
    return 2;
  }
  std::vector<TSource> sources(paths.size());
  TSourceError sourceError;
  for (size_t i = 0; i < paths.size(); ++i)
    if (!ParseSourceFile(paths[i], sources[i], sourceError)) {
      std::fprintf(stderr, "%s\n", sourceError.Text().c_str());
      return 2;
    }
  std::vector<int> programs;
  for (const TSource& s : sources)
    if (s.kind == TSourceKind::Program) programs.push_back(s.number - 1);
  std::vector<uint8_t> bankFile;
  std::string error;
  switch (ReadFileStart(bank, TPlugin::BankFileReadLimit(), bankFile, &error)) {
    case TReadResult::Missing: error = "no such file"; [[fallthrough]];
    case TReadResult::Failed: std::fprintf(stderr, "%s: %s\n", bank.c_str(), error.c_str()); return 1;
    case TReadResult::Read: break;
  }
  TBundleText text;
  if (!DescribeBundle(bankFile, programs, text, error)) {
    std::fprintf(stderr, "%s: %s\n", bank.c_str(), error.c_str());
    return 1;
  }
  // A bank older than its sources would give presets that do not say what they apply.
  TPlugin check(nullptr);
  check.LoadFactoryBank(bankFile);
  for (const TSource& s : sources)
    if (s.kind == TSourceKind::Program && check.ProgramName(s.number - 1).View() != s.name) {
      std::fprintf(stderr, "%s: program %d is not \"%s\" as %s says\n", bank.c_str(), s.number, s.name.c_str(),
                   s.path.c_str());
      return 1;
    }
  for (const auto& [name, body] : {std::pair{"manifest.ttl", &text.manifest}, std::pair{"moltrin.ttl", &text.plugin},
                                   std::pair{"presets.ttl", &text.presets}}) {
    if (std::string reason; !WriteWholeFileSafely(out + "/" + name, *body, &reason)) {
      std::fprintf(stderr, "%s\n", reason.c_str());
      return 1;
    }
  }
  return 0;
}
