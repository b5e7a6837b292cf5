// Files beside the module that are no files: a FIFO with no writer (or anything else that is no
// regular file) at the factory bank's name, the settings file's and a skin's. Reading one would
// wait for ever, so the module reads none of them: the instance is made at once, the editor
// opens, and everything is as without them.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <filesystem>
#include <string>
#include <vector>

#include "hosts/vst2/Host.h"
#include "hosts/vst2/ModuleFile.h"
#include "tests/support/Fifo.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using vst2host::Host;

// What a host sees of an instance of the module copied into `folder`: its bank and current
// program, with the editor opened and idled once (it reads the settings and skins).
std::vector<uint8_t> SessionOfACopyIn(const TTempFolder& folder) {
  const std::string module = folder.File(fs::path(vst2host::DefaultModulePath()).filename().string());
  fs::copy_file(vst2host::DefaultModulePath(), module);
  Host host(2400, module);
  host.factoryBank = true;
  EXPECT_NE(host.Start(), nullptr) << host.LastError();
  char parent[8] = {};
  EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, parent), 1);
  for (int i = 0; i < 2; ++i) host.Dispatch(effEditIdle);
  host.Dispatch(effEditClose);
  std::vector<uint8_t> session = host.GetChunk(false);
  session.push_back(static_cast<uint8_t>(host.Program()));
  return session;
}

TEST(HostileFiles, FifosWhereTheModuleReadsLeaveItAsIfNothingWereThere) {
  TTempFolder plain, hostile;
  fs::create_directory(hostile.path / "skins");
  const TFifo bank(hostile.File("Moltrin_FactoryBank.fxb"));
  const TFifo settings(hostile.File("moltrin.ini"));
  const TFifo skin(hostile.File("skins/Night.ini"));
  ASSERT_TRUE(bank.Made() && settings.Made() && skin.Made());
  const std::vector<uint8_t> expected = SessionOfACopyIn(plain);
  EXPECT_EQ(SessionOfACopyIn(hostile), expected) << "the defaults, as without the files";
  EXPECT_FALSE(bank.Released()) << "the factory bank's FIFO was waited for";
  EXPECT_FALSE(settings.Released()) << "the settings' FIFO was waited for";
  EXPECT_FALSE(skin.Released()) << "the skin's FIFO was waited for";
}

}  // namespace
#endif
