// Preset files as the editor's load commands read them: any bytes as a program file (fxp) or
// a bank file (fxb), also without a header and in the old format. A refused file gives a
// one-line reason and changes nothing; an accepted one leaves every value of every program
// inside its range, and what is saved from it loads again to the same bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "engine/PlugCore.h"
#include "tests/fuzz/FuzzChecks.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

std::vector<uint8_t> Bank(TPlugCore& core) {
  const void* data = nullptr;
  const int size = core.GetChunk(false, &data);
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

// Defined tags inside their ranges; a program row never initialised (Steps 0) is kept as it
// is until it is selected.
void CheckRanges(const std::vector<uint8_t>& bank) {
  for (int row = 0; row < kNumPrograms; ++row) {
    const auto* record = reinterpret_cast<const int8_t*>(bank.data()) + row * kNumParams;
    const bool initialised = record[tagSteps] != 0;
    for (int tag = 1; tag < kNumParams; ++tag) {
      if (!IsDefinedTag(tag) || (tag >= kFirstProgramTag && !initialised)) continue;
      const int hi = tag == tagCurChain ? record[tagNumChains] : CParamMax[tag];
      Require(record[tag] >= CParamMin[tag] && record[tag] <= hi, "a value outside its range after loading");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzInput in(data, size);
  const uint8_t setup = in.Byte();
  const bool bank = (setup & 1) != 0;
  TPlugCore core;
  if (setup & 2) core.SelectProgram(in.Int(0, 63));
  if (setup & 4) core.ApplyFxb(core.BuildFxb().data(), kFxbSize);  // a file loaded earlier
  const std::vector<uint8_t> before = Bank(core);
  const std::span<const uint8_t> file = in.Rest();
  const TLoadResult result = bank ? core.ApplyFxb(file.data(), file.size()) : core.ApplyFxp(file.data(), file.size());
  if (!result.ok) {
    Require(!result.message.empty() && result.message.find('\n') == std::string::npos,
            "a refusal without a one-line reason");
    Require(Bank(core) == before, "a refused file changed the programs");
    return 0;
  }
  CheckRanges(Bank(core));

  // A file that empties the current program's row (Steps 0) has it initialised at once.
  const void* current = nullptr;
  core.GetChunk(true, &current);
  Require(static_cast<const int8_t*>(current)[tagSteps] != 0, "the current program is left empty");

  // Saved and loaded into a fresh instance, the file gives the same bytes.
  const std::span<const uint8_t> saved = bank ? core.BuildFxb() : core.BuildFxp();
  const std::vector<uint8_t> copy(saved.begin(), saved.end());
  TPlugCore fresh;
  const TLoadResult again = bank ? fresh.ApplyFxb(copy.data(), copy.size()) : fresh.ApplyFxp(copy.data(), copy.size());
  Require(again.ok, "a saved file is refused");
  const std::span<const uint8_t> resaved = bank ? fresh.BuildFxb() : fresh.BuildFxp();
  // A bank file's header too; a program file's name follows its program number.
  const size_t header = bank ? 160 : 60;
  Require(!bank || std::equal(copy.begin(), copy.begin() + header, resaved.begin()), "a saved bank header changes");
  RequireSameRecords(copy, std::vector<uint8_t>(resaved.begin(), resaved.end()), header,
                     "a saved file loads to different bytes");
  return 0;
}
