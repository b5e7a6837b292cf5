// The factory bank's programs as LV2 presets: each listed by its program's name, and applying
// one makes the current program what the factory program is, leaving the global settings alone.
#include <gtest/gtest.h>

#include <string>

#include "tests/lv2/Lv2Session.h"

namespace {

using lv2test::Get;

constexpr int kFactoryPrograms = 49;

TEST(Lv2Presets, EachFactoryProgramIsAPresetThatAppliesIt) {
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  const auto factory = lv2test::FactoryEngine();
  const auto presets = host->Presets();
  ASSERT_EQ(presets.size(), static_cast<size_t>(kFactoryPrograms));

  // A user's own setting and program slot: the last one, which no preset names.
  host->SetControl("midi_in_channel", 5);
  host->SetControl(kPortProgram, 63);
  host->RunBlock(64);
  for (int program = 0; program < kFactoryPrograms; ++program) {
    const std::string uri = std::string(MOLTRIN_LV2_PRESET_PREFIX) + (program < 9 ? "0" : "") + std::to_string(program + 1);
    std::string label;
    for (const auto& [u, l] : presets)
      if (u == uri) label = l;
    factory->SelectProgram(program);
    EXPECT_EQ(label, factory->ProgramName(program).View()) << uri;
    ASSERT_TRUE(host->ApplyPreset(uri)) << uri;
    host->RunBlock(64);
    const auto engine = lv2test::EngineOf(*host);
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->CurrentProgram(), 63) << "a preset applies to the current program";
    EXPECT_EQ(engine->ProgramName(63).View(), factory->ProgramName(program).View());
    for (int tag = kFirstProgramTag; tag < TPlugin::ParamCount(); ++tag) {
      if (TPlugin::IsParam(tag) && tag != tagSelectedPage) {
        ASSERT_EQ(Get(*engine, tag), Get(*factory, tag)) << uri << ", tag " << tag;
      }
    }
    EXPECT_EQ(Get(*engine, tagMIDIIn_Ch), 5) << "the global settings stay";
    for (const TLv2Setting& s : kLv2Settings) {
      if (s.tag >= kFirstProgramTag) {
        EXPECT_EQ(host->Control(static_cast<uint32_t>(PortOfTag(s.tag))), Get(*factory, s.tag)) << uri << " " << s.symbol;
      }
    }
  }
}

}  // namespace
