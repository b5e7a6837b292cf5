// The factory bank a fresh instance starts with, from the folder beside the plug-in: loaded when
// the instance is created, the defaults kept when it is missing or refused.
#include <gtest/gtest.h>

#include <span>
#include <string>

#include "editor/Globals.h"
#include "engine/PlugCore.h"
#include "platform/ModulePath.h"
#include "tests/host/vst2/InProcess.h"
#include "tests/support/TempFolder.h"

namespace {

// A bank of the engine's own making: program 3 named and current.
std::string BankFile() {
  TPlugCore core;
  core.SelectProgram(2);
  core.SetProgramName("Factory Three");
  const std::span<const uint8_t> bank = core.BuildFxb();
  return std::string(bank.begin(), bank.end());
}

TEST(FactoryBank, AFreshInstanceStartsWithTheBankBesideThePluginOrWithTheDefaults) {
  const std::string bank = BankFile();
  std::string foreign = bank;
  foreign.replace(16, 4, "Xy9z");
  struct Case {
    const char* what;
    std::string file;  // empty: no file at all
    VstIntPtr program;
    const char* programName;
    const char* reported;  // in the debug output, or ""
  };
  const Case cases[] = {
      {"a bank", bank, 2, "Factory Three", ""},
      {"no bank", "", -1, "Program 3", ""},
      {"a bank cut short", bank.substr(0, 20000), -1, "Program 3", "bank cut short"},
      {"another plug-in's bank", foreign, -1, "Program 3", "another plug-in's bank"},
  };
  for (const Case& c : cases) {
    TTempFolder folder;
    if (!c.file.empty()) folder.Write("Moltrin_FactoryBank.fxb", c.file);
    LoadSettingsFrom(folder.Folder());
    vst2host::Host host{inprocess::LinkedEntry};
    host.factoryBank = true;
    testing::internal::CaptureStderr();
    ASSERT_NE(host.Load(), nullptr);
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(host.Program(), c.program) << c.what;
    EXPECT_EQ(host.ProgramNameIndexed(2), c.programName) << c.what;
    if (*c.reported == 0)
      EXPECT_EQ(report, "") << c.what;
    else
      EXPECT_NE(report.find(c.reported), std::string::npos) << c.what << ": " << report;
    EXPECT_EQ(host.UpdateDisplays(), 0) << "the host hears nothing of an instance it has no record of yet";
    host.Close();
  }
  LoadSettingsFrom(ModuleFolder());
}

}  // namespace
