// What a host sees of the editor's first opening through the binary interface: the factory
// bank beside the module filling a fresh instance, a program current, and the parameter names.
// The parent handle stands for a host window that cannot be had here; the editor then lives
// in an unseen window and binds and idles as it would in a real one.
#include <gtest/gtest.h>

#include "engine/ParamNames.h"
#include "tests/host/TestHost.h"

using testhost::Host;

namespace {

class EditorOpening : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(host.Start(), nullptr) << host.LastError(); }
  void OpenAndIdle() {
    ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, parent), 1);
    for (int i = 0; i < 2; ++i) host.Dispatch(effEditIdle);
  }
  void Close() { host.Dispatch(effEditClose); }

  Host host;
  char parent[8] = {};
};

TEST_F(EditorOpening, AFreshInstanceGetsTheFactoryBankAndTheNamesAtTheFirstOpening) {
  EXPECT_EQ(host.Program(), -1) << "no program before anything asks for one";
  EXPECT_EQ(host.ParamName(tagSteps), "Steps");
  EXPECT_EQ(host.ProgramNameIndexed(0), "Program 1");
  OpenAndIdle();
  EXPECT_EQ(host.ProgramNameIndexed(0), "Up Classic") << "the factory bank beside the module";
  EXPECT_EQ(host.ProgramNameIndexed(1), "Down Classic");
  EXPECT_GE(host.Program(), 0) << "a program is current";
  EXPECT_EQ(host.ParamName(tagSteps), "Steps");
  EXPECT_EQ(host.ParamName(300), "Semitone_45");
  EXPECT_EQ(host.ParamName(90), "ChainProg_6");
  EXPECT_EQ(host.ParamName(tagSelectedBar), "SelectedBar");
  Close();

  // Later openings load nothing: what the user changed stays.
  char name[] = "Mine";
  host.SetProgram(0);
  host.Dispatch(effSetProgramName, 0, 0, name);
  OpenAndIdle();
  EXPECT_EQ(host.ProgramNameIndexed(0), "Mine");
  Close();
}

TEST_F(EditorOpening, AnInstanceTheHostRestoredKeepsItsPrograms) {
  Host other;
  ASSERT_NE(other.Start(), nullptr);
  other.SetProgram(3);
  char name[] = "Restored";
  other.Dispatch(effSetProgramName, 0, 0, name);
  ASSERT_GT(host.SetChunk(other.GetChunk(false), false), 0);
  OpenAndIdle();
  EXPECT_EQ(host.ProgramNameIndexed(3), "Restored");
  EXPECT_EQ(host.ProgramNameIndexed(0), "Program 1") << "no factory bank over a restored session";
  EXPECT_GE(host.Program(), 0);
  Close();
}

}  // namespace
