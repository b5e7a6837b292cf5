#pragma once
// A host's window with the module's editor in it, driven as a host drives it: effEditOpen,
// effEditIdle between turns of the host's message loop, effEditClose.
#include <gtest/gtest.h>

#include "hosts/vst2/Host.h"
#include "hosts/vst2/NativeParent.h"
#include "tests/support/EditorMouse.h"

constexpr uint32_t kBuiltInBackColor = 0x160000;  // panels_BackColor of the built-in scheme
constexpr uint32_t kParentColor = 0x202020;

class EditorWindow : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent.Valid()) << "no window system for the host's window";
    host.factoryBank = true;  // as in a user's host
    fx = host.Start();
    ASSERT_NE(fx, nullptr) << host.LastError();
  }
  void TearDown() override { host.Close(); }

  VstIntPtr Open() { return host.Dispatch(effEditOpen, 0, 0, parent.Handle()); }
  void Close() { host.Dispatch(effEditClose); }
  // A few turns of the host's loop: its own messages, then the editor's idle.
  void Idle(int turns = 2) {
    for (int i = 0; i < turns; ++i) {
      parent.Pump();
      host.Dispatch(effEditIdle);
    }
    parent.Pump();
  }
  // The user's mouse at a point of the host's window, and what the editor makes of it.
  void ClickAt(int x, int y, bool right = false) {
    testsupport::ClickAt(parent, x, y, [this] { Idle(); }, right);
  }
  // A press at (x, y), a move `dy` pixels down (negative: up) in a few steps, a release.
  void DragAt(int x, int y, int dy) { testsupport::DragAt(parent, x, y, dy, [this] { Idle(); }); }
  // Open, show, close: one cycle of a user looking at the editor.
  void Cycle() {
    ASSERT_EQ(Open(), 1);
    Idle();
    Close();
    parent.Pump();
  }

  // What the process holds of the system, to compare after many openings.
  struct TUsage {
    size_t handles = OpenHandles(), clients = WindowSystemClients(), heap = HeapInUse();
  };
  void ExpectNoGrowthSince(const TUsage& before) {
    EXPECT_EQ(OpenHandles(), before.handles);
    EXPECT_EQ(WindowSystemClients(), before.clients);
    // One leaked back buffer would be 1.7 MB; allow the allocator's own noise.
#ifdef _WIN32
    constexpr size_t kSlack = 8 << 20;
#else
    constexpr size_t kSlack = 256 << 10;
#endif
    EXPECT_LE(HeapInUse(), before.heap + kSlack) << "heap grew from " << before.heap << " to " << HeapInUse();
    EXPECT_EQ(parent.HostErrors(), 0);
  }

  TNativeParent parent;
  vst2host::Host host;
  AEffect* fx = nullptr;
};

