// A program chosen inside a block (a program change message, a chain moving on) is told to the
// host with audioMasterUpdateDisplay, as the editor's own program changes are: never from the
// block, on the audio thread, but at the host's next idle call on its user-interface thread
// (effIdle, or effEditIdle while the editor is open).
#include <gtest/gtest.h>

#include <vector>

#include "engine/ParamNames.h"
#include "hosts/vst2/Host.h"

namespace {

using namespace vst2host;

TEST(HostDisplay, AProgramChosenInABlockIsToldAtTheHostsNextIdleCall) {
  struct Case {
    const char* what;
    std::vector<MidiIn> midi;
    bool told;
  };
  const Case cases[] = {
      {"a program change message", {ProgramChange(0, 11)}, true},
      {"a program change and back within the block", {ProgramChange(0, 11), ProgramChange(0, 3)}, false},
      {"the program in force once more", {ProgramChange(0, 3)}, false},
      {"a note", {NoteOn(0, 60, 100)}, false},
  };
  char notAWindow[8] = {};  // the editor runs unseen: its idle calls still reach the plug-in
  for (const VstInt32 idle : {effIdle, effEditIdle}) {
    for (const Case& c : cases) {
      const char* where = idle == effIdle ? " (effIdle)" : " (effEditIdle, the editor open)";
      Host h;
      ASSERT_NE(h.Start(), nullptr) << h.LastError();
      h.SetProgram(3);
      h.RunBlock(512);
      if (idle == effEditIdle) {
        ASSERT_EQ(h.Dispatch(effEditOpen, 0, 0, notAWindow), 1);
      }
      h.Dispatch(idle);
      h.ClearRecords();
      h.SendMidi(c.midi);
      h.RunBlock(512);
      EXPECT_EQ(h.UpdateDisplays(), 0) << c.what << where << ": not from the block";
      h.Dispatch(idle);
      EXPECT_EQ(h.UpdateDisplays(), c.told ? 1 : 0) << c.what << where;
      h.Dispatch(idle);
      EXPECT_EQ(h.UpdateDisplays(), c.told ? 1 : 0) << c.what << where << ": told once";
      EXPECT_EQ(h.Program(), c.told ? 11 : 3) << c.what << where;
      if (idle == effEditIdle) h.Dispatch(effEditClose);
    }
  }
}

}  // namespace
