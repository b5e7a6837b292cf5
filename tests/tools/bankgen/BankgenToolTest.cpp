// The generator as the build runs it: exit status, its one-line report, and what it leaves.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/PlugCore.h"

namespace fs = std::filesystem;

namespace {

class BankgenTool : public ::testing::Test {
 protected:
  fs::path dir;
  fs::path bank;

  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() / ("bankgen-" + std::to_string(getpid()) + "-" + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    bank = dir / "bank.fxb";
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path Write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return dir / name;
  }

  // Runs the tool; answers its exit status and fills `report` with what it wrote to stderr.
  int Run(const std::vector<std::string>& args, std::string& report) {
    std::string command = BANKGEN_PATH;
    for (const auto& a : args) command += " '" + a + "'";
    const fs::path errors = dir / "stderr.txt";
    command += " 2>'" + errors.string() + "'";
    const int status = std::system(command.c_str());
    std::ifstream in(errors);
    std::stringstream text;
    text << in.rdbuf();
    report = text.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(BankgenTool, WritesTheBankFromGoodSources) {
  const auto a = Write("01-a.txt", "# A.\nname: A\nSteps = 4\n");
  const auto c = Write("chain-1.txt", "# Chain.\nChainProg: 1 1\n");
  std::string report;
  EXPECT_EQ(Run({"--out", bank.string(), a.string(), c.string()}, report), 0) << report;
  EXPECT_EQ(report, "");
  ASSERT_TRUE(fs::exists(bank));
  EXPECT_EQ(fs::file_size(bank), static_cast<uintmax_t>(kFxbSize));
  EXPECT_FALSE(fs::exists(bank.string() + ".tmp"));
}

TEST_F(BankgenTool, AFaultySourceStopsTheBuildWithOneLineAndNoBank) {
  struct Case {
    const char* guards;
    std::vector<std::pair<std::string, std::string>> files;
    std::string expected;  // the whole report, with DIR for the folder
  };
  const Case cases[] = {
      {"unknown setting", {{"01-a.txt", "# A.\nname: A\nSwingg = 10\n"}}, "DIR/01-a.txt:3: unknown setting \"Swingg\"\n"},
      {"value outside the range",
       {{"01-a.txt", "# A.\nname: A\n"}, {"02-b.txt", "# B.\nname: B\n\nVelocity: 90 200\n"}},
       "DIR/02-b.txt:4: Velocity_2 200 is outside 0 .. 127\n"},
      {"unknown text", {{"01-a.txt", "# A.\nname: A\nMissing_key = cyclic +1 oct\n"}},
       "DIR/01-a.txt:3: unknown value \"cyclic +1 oct\" for Missing_key (don't play | cyclic | cyclic, +1 oct. | "
       "cyclic, -1 oct. | first key | first key, +1 oct. | first key, -1 oct. | last key | last key, +1 oct. | "
       "last key, -1 oct. | fixed key | fixed key, +1 oct. | fixed key, -1 oct.)\n"},
      {"duplicate program numbers", {{"05-a.txt", "# A.\nname: A\n"}, {"05-b.txt", "# B.\nname: B\n"}},
       "DIR/05-b.txt: program 5 is already described by DIR/05-a.txt\n"},
  };
  for (const auto& c : cases) {
    std::ofstream(bank, std::ios::binary) << "stale bank";
    std::vector<std::string> args = {"--out", bank.string()};
    for (const auto& [name, text] : c.files) args.push_back(Write(name, text).string());
    std::string report;
    EXPECT_EQ(Run(args, report), 2) << c.guards;
    std::string expected = c.expected;
    expected.replace(expected.find("DIR"), 3, dir.string());
    if (const auto more = expected.find("DIR"); more != std::string::npos) expected.replace(more, 3, dir.string());
    EXPECT_EQ(report, expected) << c.guards;
    EXPECT_FALSE(fs::exists(bank)) << c.guards << ": a stale bank must not survive a faulty source";
    for (const auto& [name, text] : c.files) fs::remove(dir / name);
  }
}

TEST_F(BankgenTool, AMissingSourceOrNoArgumentsIsAFault) {
  std::string report;
  EXPECT_EQ(Run({"--out", bank.string(), (dir / "09-none.txt").string()}, report), 2);
  EXPECT_EQ(report, (dir / "09-none.txt").string() + ": no such file\n");
  EXPECT_EQ(Run({}, report), 2);
  EXPECT_NE(report.find("usage: bankgen"), std::string::npos);
  EXPECT_EQ(Run({(dir / "09-none.txt").string()}, report), 2) << "no --out";
}

TEST_F(BankgenTool, AnUnwritableBankIsAWriteFault) {
  const auto a = Write("01-a.txt", "# A.\nname: A\n");
  std::string report;
  EXPECT_EQ(Run({"--out", (dir / "missing-folder" / "bank.fxb").string(), a.string()}, report), 1);
  EXPECT_NE(report.find("cannot write the bank"), std::string::npos);
}

}  // namespace
