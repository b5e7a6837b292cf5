#include <cstdio>

#include "engine/KeyUtils.h"
#include "engine/ParamNames.h"
#include "tools/inspect/Inspect.h"

void PrintFactoryBankLine(const TInspectOptions& options) {
  std::printf("  factory bank    %s\n", options.factoryBank
                                          ? "the one beside the module, as a user's host gets it"
                                          : "none (--no-factory-bank): the plug-in's own defaults");
}

void SetKeysForOneBar(const std::function<void(int tag, int key)>& keySelect) {
  for (int step = 0; step < 16; ++step) keySelect(tagKey_select + step, 1 + step % 3);
}

void PrintPlayed(const char* title, const std::vector<std::vector<uint8_t>>& messages) {
  std::printf("%s\n ", title);
  int ons = 0, offs = 0;
  for (const std::vector<uint8_t>& m : messages) {
    if (m.size() < 3) continue;
    const int status = m[0] & 0xF0;
    if (status == 0x90 && m[2] != 0) {
      ++ons;
      std::printf(" %s", NoteName(m[1]).CStr());
    } else if (status == 0x80 || status == 0x90) {
      ++offs;
    }
  }
  std::printf("\n  %d note-ons, %d note-offs\n", ons, offs);
}
