#pragma once
// The factory bank beside the module, read for a fresh instance the same way in every format:
// only a regular file, never waiting for whatever else may stand at its name (a FIFO with no
// writer, a device), so that making an instance always returns at once.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Plugin.h"
#include "platform/Files.h"

// The factory bank's name, beside the module (VST 2.x, CLAP) or in the bundle (LV2).
constexpr const char* kFactoryBankFile = "Moltrin_FactoryBank.fxb";

// Loads the bank at `path` into `plugin`. A missing file leaves the defaults and is no fault;
// a file that cannot be read or is refused leaves them too, and the answer says why.
inline std::string LoadFactoryBankFile(TPlugin& plugin, const std::string& path) {
  std::vector<uint8_t> file;
  std::string reason;
  switch (ReadFileStart(path, TPlugin::BankFileReadLimit(), file, &reason)) {
    case TReadResult::Missing: return {};
    case TReadResult::Failed: return reason;
    case TReadResult::Read: break;
  }
  return plugin.LoadFactoryBank(file);
}
