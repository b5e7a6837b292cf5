// A FIFO with no writer at the factory bank's name beside moltrin.clap: the plug-in never waits
// for it. The instance is made at once and holds what it holds without a bank.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "hosts/clap/ClapHost.h"
#include "tests/support/Fifo.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// The state of a fresh instance of moltrin.clap copied into `folder`, made as a user's host
// makes it (the factory bank beside the module wanted).
std::optional<std::vector<uint8_t>> FreshStateOfACopyIn(const TTempFolder& folder) {
  const std::string module = folder.File("moltrin.clap");
  fs::copy_file(claphost::DefaultModulePath(), module);
  claphost::Host host(module);
  host.noFactoryBank = false;
  EXPECT_TRUE(host.Create()) << host.LastError();
  return host.SaveState();
}

TEST(ClapHostileFiles, AFifoAtTheFactoryBanksNameLeavesTheDefaults) {
  TTempFolder plain, hostile;
  const TFifo bank(hostile.File("Moltrin_FactoryBank.fxb"));
  ASSERT_TRUE(bank.Made());
  const auto expected = FreshStateOfACopyIn(plain);
  ASSERT_TRUE(expected.has_value());
  EXPECT_EQ(FreshStateOfACopyIn(hostile), expected);
  EXPECT_FALSE(bank.Released()) << "the FIFO was waited for";
}

}  // namespace
#endif
