// A FIFO with no writer at the factory bank's name in the bundle: the plug-in never waits for it.
// The instance is made at once and holds what it holds without a bank.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <filesystem>
#include <string>
#include <vector>

#include "tests/lv2/Lv2Session.h"
#include "tests/support/Fifo.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// The bank the plug-in saves as its state, fresh from a copy of the bundle without its factory
// bank in `folder` (where the test may have put something else at the bank's name).
std::vector<uint8_t> FreshStateOfACopyIn(const TTempFolder& folder) {
  for (const auto& entry : fs::directory_iterator(lv2host::DefaultBundle()))
    if (entry.is_regular_file() && entry.path().filename() != "Moltrin_FactoryBank.fxb")
      fs::copy_file(entry.path(), folder.path / entry.path().filename());
  lv2host::Host host(folder.path.string());
  EXPECT_TRUE(host.Start(48000, 512)) << host.LastError();
  for (const lv2host::Property& p : host.SaveProperties())
    if (p.key == MOLTRIN_LV2_BANK) return p.value;
  ADD_FAILURE() << "no bank saved";
  return {};
}

TEST(Lv2HostileFiles, AFifoAtTheFactoryBanksNameLeavesTheDefaults) {
  TTempFolder plain, hostile;
  const TFifo bank(hostile.File("Moltrin_FactoryBank.fxb"));
  ASSERT_TRUE(bank.Made());
  const std::vector<uint8_t> expected = FreshStateOfACopyIn(plain);
  EXPECT_EQ(FreshStateOfACopyIn(hostile), expected);
  EXPECT_FALSE(bank.Released()) << "the FIFO was waited for";
}

}  // namespace
#endif
