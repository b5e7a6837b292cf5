// The editor's real window through the module's binary interface, as a host drives it: a
// parent window of the host's, effEditOpen, effEditIdle between turns of the host's message
// loop, effEditClose. On Linux under Xvfb (X11), on Windows under wine (Win32).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/window/EditorWindowFixture.h"

TEST_F(EditorWindow, OpensAPaintedChildWindowAndRemovesItOnClose) {
  ASSERT_EQ(Open(), 1);
  EXPECT_EQ(parent.ChildCount(), 1);
  Idle(3);
  ERect* r = nullptr;
  ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &r), 1);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->right - r->left, 809);
  EXPECT_EQ(r->bottom - r->top, 536);
  EXPECT_EQ(parent.PixelAt(0, 0), kBuiltInBackColor);
  EXPECT_EQ(parent.PixelAt(808, 535), kBuiltInBackColor);
  EXPECT_EQ(parent.PixelAt(809, 300), kParentColor) << "the editor keeps to its 809 x 536";
  Close();
  parent.Pump();
  EXPECT_EQ(parent.ChildCount(), 0);
}

TEST_F(EditorWindow, TwoHundredOpenAndCloseCyclesLeakNothing) {
  for (int i = 0; i < 3; ++i) Cycle();  // first-use allocations of the window system
  const TUsage before;
  for (int i = 0; i < 200; ++i) {
    Cycle();
    ASSERT_EQ(parent.ChildCount(), 0) << "cycle " << i;
  }
  ExpectNoGrowthSince(before);
}

// The editor comes and goes while the audio thread plays a pattern through it: every tenth time
// it is closed before its binding arrived, every other time it is watched for a few ticks.
TEST_F(EditorWindow, TwoHundredCyclesWhileTheEngineProcessesOnAnotherThread) {
  host.SendMidi({vst2host::NoteOn(0, 60, 100), vst2host::NoteOn(0, 64, 100)});
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    while (!stop) {
      host.PlayBlocks(1, 256);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  for (int i = 0; i < 3; ++i) Cycle();
  host.ClearRecords();  // what the host keeps of the music from here on stays within its first size
  const TUsage before;
  for (int i = 0; i < 200; ++i) {
    if (i % 10 == 0) {
      ASSERT_EQ(Open(), 1);
      Close();
    } else {
      Cycle();
    }
    host.ClearRecords();
    ASSERT_EQ(parent.ChildCount(), 0) << "cycle " << i;
  }
  stop = true;
  audio.join();
  ExpectNoGrowthSince(before);
}

TEST_F(EditorWindow, ClosingBeforeTheBindingArrivedIsHarmless) {
  Cycle();
  const size_t handles = OpenHandles();
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(Open(), 1);
    Close();  // the posted binding is still queued for the window just destroyed
  }
  Idle();
  ASSERT_EQ(Open(), 1);
  Idle();
  EXPECT_EQ(parent.PixelAt(183, 200), kBuiltInBackColor) << "the gap between two panels";
  Close();
  parent.Pump();
  EXPECT_EQ(parent.ChildCount(), 0);
  EXPECT_EQ(OpenHandles(), handles);
}

TEST_F(EditorWindow, ClosingThePluginWithTheEditorOpenRemovesTheWindow) {
  Cycle();
  const size_t handles = OpenHandles(), clients = WindowSystemClients();
  ASSERT_EQ(Open(), 1);
  Open();  // hosts that open twice
  Idle();
  EXPECT_EQ(parent.ChildCount(), 1);
  EXPECT_EQ(host.Close(), 1);
  parent.Pump();
  EXPECT_EQ(parent.ChildCount(), 0);
  EXPECT_EQ(OpenHandles(), handles);
  EXPECT_EQ(WindowSystemClients(), clients);
}

TEST_F(EditorWindow, AParentDestroyedFirstEndsNothing) {
  ASSERT_EQ(Open(), 1);
  Idle();
  parent.DestroyNow();
  for (int i = 0; i < 3; ++i) host.Dispatch(effEditIdle);
  Close();
  EXPECT_EQ(parent.HostErrors(), 0) << "the editor's X errors stay the editor's";
  ASSERT_EQ(Open(), 0 + 1) << "opening on a window that is gone still answers 1";
  host.Dispatch(effEditIdle);
  Close();
}
