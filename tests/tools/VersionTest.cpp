// One version everywhere: the tools' --version, the VST 2.x module's version integer, the CLAP
// descriptor and the LV2 bundle's description all say the version the build was given.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "engine/Identity.h"
#include "hosts/clap/ClapHost.h"
#include "hosts/vst2/Host.h"

namespace {

std::string FirstLineOf(const std::string& command) {
  std::string line;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    if (std::fgets(buffer, sizeof buffer, pipe) != nullptr) line = buffer;
    pclose(pipe);
  }
  return line;
}

// "1.3.1" as the one number hosts are given: 131.
int VersionInteger(const std::string& text) {
  std::smatch m;
  if (!std::regex_match(text, m, std::regex(R"((\d+)\.(\d)\.(\d))"))) return -1;
  return std::stoi(m[1]) * 100 + std::stoi(m[2]) * 10 + std::stoi(m[3]);
}

TEST(Version, TheToolsTheModulesAndTheBundleSayOneVersion) {
  const std::string version = kIdentity.Version;
  ASSERT_EQ(VersionInteger(version), kIdentity.VendorVersion) << version;

  for (const char* tool : {MOLTRIN_RENDER_TOOL, MOLTRIN_SNAPSHOT_TOOL, MOLTRIN_INSPECT_TOOL}) {
    const std::string line = FirstLineOf(std::string("'") + tool + "' --version");
    EXPECT_EQ(line.substr(line.find(' ') + 1), version + "\n") << tool;
  }

  vst2host::Host vst(2400, MOLTRIN_VST2_MODULE);
  ASSERT_NE(vst.Start(), nullptr) << MOLTRIN_VST2_MODULE;
  EXPECT_EQ(vst.Dispatch(effGetVendorVersion), kIdentity.VendorVersion);

  std::string error;
  const clap_plugin_entry_t* entry = claphost::LoadEntry(MOLTRIN_CLAP_MODULE, &error);
  ASSERT_NE(entry, nullptr) << error;
  const auto* factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(std::string(factory->get_plugin_descriptor(factory, 0)->version), version);

  // LV2 has no major version of its own: the minor one carries it, 1.3.1 is 13.1.
  std::ifstream ttl(MOLTRIN_LV2_BUNDLE "/moltrin.ttl");
  std::stringstream text;
  text << ttl.rdbuf();
  const std::string description = text.str();
  std::smatch minor, micro;
  ASSERT_TRUE(std::regex_search(description, minor, std::regex(R"(lv2:minorVersion (\d+) ;)"))) << description;
  ASSERT_TRUE(std::regex_search(description, micro, std::regex(R"(lv2:microVersion (\d+) ;)")));
  EXPECT_EQ(std::stoi(minor[1]) * 10 + std::stoi(micro[1]), kIdentity.VendorVersion);
}

}  // namespace
