// What a host sees of a fresh instance through the binary interface: the factory bank beside the
// module from the first instant, whatever the host does with the editor; a session the host
// restores replaces it; the editor's opening loads nothing.
// The parent handle stands for a host window that cannot be had here; the editor then lives
// in an unseen window and binds and idles as it would in a real one.
#include <gtest/gtest.h>

#include "engine/ParamNames.h"
#include "hosts/vst2/Host.h"

using vst2host::Host;

namespace {

class EditorOpening : public testing::Test {
 protected:
  void SetUp() override {
    host.factoryBank = true;
    ASSERT_NE(host.Start(), nullptr) << host.LastError();
  }
  void OpenAndIdle(Host& h) {
    ASSERT_EQ(h.Dispatch(effEditOpen, 0, 0, parent), 1);
    for (int i = 0; i < 2; ++i) h.Dispatch(effEditIdle);
  }
  void Close(Host& h) { h.Dispatch(effEditClose); }

  Host host;
  char parent[8] = {};
};

TEST_F(EditorOpening, AFreshInstanceStartsWithTheFactoryBankBeforeAnyEditor) {
  EXPECT_EQ(host.ProgramNameIndexed(0), "Up Classic") << "the factory bank beside the module";
  EXPECT_EQ(host.ProgramNameIndexed(1), "Down Classic");
  ASSERT_GE(host.Program(), 0) << "the bank's program is current";
  EXPECT_EQ(host.ProgramName(), host.ProgramNameIndexed(static_cast<VstInt32>(host.Program())));
  EXPECT_EQ(host.ParamName(tagSteps), "Steps");

  // Later openings load nothing: what the user changed stays.
  OpenAndIdle(host);
  Close(host);
  char name[] = "Mine";
  host.SetProgram(0);
  host.Dispatch(effSetProgramName, 0, 0, name);
  OpenAndIdle(host);
  EXPECT_EQ(host.ProgramNameIndexed(0), "Mine");
  EXPECT_EQ(host.ProgramNameIndexed(1), "Down Classic");
  Close(host);
}

// A host that saves its session before the editor ever opened (Ardour does) and restores it into
// a fresh instance gets the factory programs back, and the editor shows them.
TEST_F(EditorOpening, ASessionSavedBeforeTheEditorOpenedKeepsTheFactoryPrograms) {
  const std::vector<uint8_t> session = host.GetChunk(false);
  Host restored;
  restored.factoryBank = true;
  ASSERT_NE(restored.Start(), nullptr);
  ASSERT_GT(restored.SetChunk(session, false), 0);
  OpenAndIdle(restored);
  EXPECT_EQ(restored.ProgramNameIndexed(0), "Up Classic");
  EXPECT_EQ(restored.GetChunk(false), session) << "every program and setting as saved";
  Close(restored);
}

TEST_F(EditorOpening, AnInstanceTheHostRestoredKeepsItsPrograms) {
  Host other;  // plain default programs
  ASSERT_NE(other.Start(), nullptr);
  other.SetProgram(3);
  char name[] = "Restored";
  other.Dispatch(effSetProgramName, 0, 0, name);
  ASSERT_GT(host.SetChunk(other.GetChunk(false), false), 0);
  OpenAndIdle(host);
  EXPECT_EQ(host.ProgramNameIndexed(3), "Restored");
  EXPECT_EQ(host.ProgramNameIndexed(0), "Program 1") << "no factory bank over a restored session";
  EXPECT_EQ(host.Program(), 3);
  Close(host);
}

// The bank an instance starts with is no session: the first program chunk a host restores over
// it brings its global settings, as it does into an instance without the bank.
TEST_F(EditorOpening, AProgramChunkRestoredOverTheFactoryBankBringsItsGlobalSettings) {
  Host other;
  ASSERT_NE(other.Start(), nullptr);
  other.SetProgram(0);
  other.SetParam(tagMIDIOut_Ch, 4.0f / 15.0f);  // channel 5
  other.SetParam(tagGate, 9.0f / 99.0f);        // 10 %
  ASSERT_EQ(host.SetChunk(other.GetChunk(true), true), 576);
  EXPECT_EQ(host.ParamDisplay(tagMIDIOut_Ch), "5");
  EXPECT_EQ(host.ParamDisplay(tagGate), "10");
}

}  // namespace
