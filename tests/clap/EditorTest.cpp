// The editor of moltrin.clap in a real window through CLAP's gui extension, as a host drives it:
// create, set_parent (a window of the host's), show, the host's timer ticking the editor's idle
// between turns of its message loop, hide, destroy. X11 under Xvfb on Linux, Win32 under wine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "engine/ParamNames.h"
#include "hosts/clap/ClapHost.h"
#include "hosts/vst2/NativeParent.h"
#include "tests/support/EditorMouse.h"

namespace {

#ifdef _WIN32
constexpr const char* kApi = CLAP_WINDOW_API_WIN32;
#else
constexpr const char* kApi = CLAP_WINDOW_API_X11;
#endif
constexpr uint32_t kBuiltInBackColor = 0x160000;  // panels_BackColor of the built-in scheme
constexpr uint32_t kParentColor = 0x202020;
constexpr int kGateBoxX = 48, kGateBoxY = 260;    // the box of "gate time" in the left panel
constexpr int kOctaveCaptionX = 257, kOctaveCaptionY = 387;  // the caption of the octave row

class ClapEditor : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent.Valid()) << "no window system for the host's window";
    host.noFactoryBank = false;  // as in a user's host
    ASSERT_TRUE(host.Start()) << host.LastError();
    gui = host.Gui();
    ASSERT_NE(gui, nullptr);
  }

  bool Open() {
    if (!gui->create(host.Plugin(), kApi, false)) return false;
    clap_window_t window{};
    window.api = kApi;
    window.ptr = parent.Handle();
    return gui->set_parent(host.Plugin(), &window) && gui->show(host.Plugin());
  }
  void Close() {
    gui->hide(host.Plugin());
    gui->destroy(host.Plugin());
  }
  // A few turns of the host's loop: its own messages, then its timers.
  void Idle(int turns = 2) {
    for (int i = 0; i < turns; ++i) {
      parent.Pump();
      host.FireTimers();
      host.RunMainThreadCallbacks();
    }
    parent.Pump();
  }
  void DragAt(int x, int y, int dy) { testsupport::DragAt(parent, x, y, dy, [this] { Idle(); }); }
  void ClickAt(int x, int y) { testsupport::ClickAt(parent, x, y, [this] { Idle(); }); }
  std::string Trail(clap_id id, double* lastValue = nullptr) const { return host.GestureTrail(id, lastValue); }

  TNativeParent parent;
  claphost::Host host;
  const clap_plugin_gui_t* gui = nullptr;
};

TEST_F(ClapEditor, OffersTheEmbeddedWindowOfItsSystemAtItsFixedSize) {
  const char* api = nullptr;
  bool floating = true;
  ASSERT_TRUE(gui->get_preferred_api(host.Plugin(), &api, &floating));
  EXPECT_STREQ(api, kApi);
  EXPECT_FALSE(floating);
  EXPECT_TRUE(gui->is_api_supported(host.Plugin(), kApi, false));
  EXPECT_FALSE(gui->is_api_supported(host.Plugin(), kApi, true)) << "no floating window";
  EXPECT_FALSE(gui->is_api_supported(host.Plugin(), "cocoa", false));
  EXPECT_FALSE(gui->create(host.Plugin(), kApi, true));
  ASSERT_TRUE(gui->create(host.Plugin(), kApi, false));
  uint32_t w = 0, h = 0;
  ASSERT_TRUE(gui->get_size(host.Plugin(), &w, &h));
  EXPECT_EQ(w, 809u);
  EXPECT_EQ(h, 536u);
  EXPECT_FALSE(gui->can_resize(host.Plugin()));
  clap_gui_resize_hints_t hints{true, true, true, 1, 1};
  ASSERT_TRUE(gui->get_resize_hints(host.Plugin(), &hints)) << "hosts ask (Qtractor warns without)";
  EXPECT_FALSE(hints.can_resize_horizontally || hints.can_resize_vertically);
  EXPECT_FALSE(gui->set_size(host.Plugin(), 1000, 700));
  EXPECT_TRUE(gui->set_size(host.Plugin(), 809, 536));
  gui->destroy(host.Plugin());
}

TEST_F(ClapEditor, ShowsAPaintedChildOnTheHostsTimerAndRemovesItOnDestroy) {
  ASSERT_TRUE(Open());
  EXPECT_EQ(parent.ChildCount(), 1);
#ifndef _WIN32
  ASSERT_EQ(host.TimerCount(), 1u) << "the editor's idle runs on the host's timer";
  EXPECT_NEAR(host.TimerPeriods()[0], 33, 5) << "about 30 ticks a second";
#endif
  Idle(4);
  EXPECT_EQ(parent.PixelAt(0, 0), kBuiltInBackColor);
  EXPECT_EQ(parent.PixelAt(808, 535), kBuiltInBackColor);
  EXPECT_EQ(parent.PixelAt(809, 300), kParentColor) << "the editor keeps to its 809 x 536";
  gui->hide(host.Plugin());
  EXPECT_EQ(host.TimerCount(), 0u) << "no ticks while hidden";
  ASSERT_TRUE(gui->show(host.Plugin()));
  gui->destroy(host.Plugin());
  EXPECT_EQ(host.TimerCount(), 0u);
  parent.Pump();
  EXPECT_EQ(parent.ChildCount(), 0);
}

// A host that keeps one parent window for several views hides the editor while it shows
// another, and shows it again: hidden, the host's window shows through and nothing idles;
// shown, the editor is painted again.
TEST_F(ClapEditor, HideTakesTheWindowAwayAndShowBringsItBack) {
  ASSERT_TRUE(Open());
  Idle(4);
  ASSERT_EQ(parent.PixelAt(0, 0), kBuiltInBackColor);
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(gui->hide(host.Plugin()));
    Idle(2);
    EXPECT_EQ(parent.PixelAt(0, 0), kParentColor) << "round " << round << ": the editor still covers the host's window";
    EXPECT_EQ(parent.PixelAt(808, 535), kParentColor) << "round " << round;
    EXPECT_EQ(host.TimerCount(), 0u) << "no ticks while hidden";
    ASSERT_TRUE(gui->show(host.Plugin()));
    Idle(4);
    EXPECT_EQ(parent.PixelAt(0, 0), kBuiltInBackColor) << "round " << round << ": the editor is not shown again";
    EXPECT_EQ(parent.PixelAt(808, 535), kBuiltInBackColor) << "round " << round;
  }
  // Hidden before the host gives it a parent: the editor comes hidden until shown.
  Close();
  Idle(1);
  ASSERT_TRUE(gui->create(host.Plugin(), kApi, false));
  ASSERT_TRUE(gui->hide(host.Plugin()));
  clap_window_t window{};
  window.api = kApi;
  window.ptr = parent.Handle();
  ASSERT_TRUE(gui->set_parent(host.Plugin(), &window));
  Idle(2);
  EXPECT_EQ(parent.PixelAt(0, 0), kParentColor);
  ASSERT_TRUE(gui->show(host.Plugin()));
  Idle(4);
  EXPECT_EQ(parent.PixelAt(0, 0), kBuiltInBackColor);
  Close();
}

// A step-row edit is no automatable value, but it changes what the host saves: the host hears
// the value and is told its saved state is stale.
TEST_F(ClapEditor, AStepRowEditTellsTheHostItsStateIsStale) {
  ASSERT_TRUE(Open());
  Idle(4);
  host.ClearRecords();
  DragAt(testsupport::kVelocityStep4.x, testsupport::kVelocityStep4.y, 40);
  host.RunBlock();
  EXPECT_GT(host.DirtyMarks(), 0);
  const std::string trail = Trail(tagVelocity + 3);
  EXPECT_NE(trail.find('v'), std::string::npos) << "the fourth velocity's value: " << trail;
  Close();
}

TEST_F(ClapEditor, AUsersDragAndClickReachTheHostAsValuesInsideGestures) {
  ASSERT_TRUE(Open());
  Idle(4);
  const double before = *host.Value(tagGate);
  host.ClearRecords();
  DragAt(kGateBoxX, kGateBoxY, 40);
  // The host learns of the change at its next block; the flush it was asked for serves too.
  EXPECT_GT(host.FlushRequests(), 0);
  host.RunBlock();
  double gate = -1;
  const std::string trail = Trail(tagGate, &gate);
  ASSERT_FALSE(trail.empty()) << "the gate's change never reached the host";
  EXPECT_EQ(trail.front(), 'b');
  EXPECT_EQ(trail.back(), 'e');
  EXPECT_NE(trail.find('v'), std::string::npos);
  EXPECT_EQ(host.Value(tagGate), gate) << "the value the host heard is the value it reads";
  EXPECT_LT(gate, before) << "dragged down";

  host.ClearRecords();
  ClickAt(kOctaveCaptionX, kOctaveCaptionY);
  host.Deactivate();  // an inactive plug-in hands its changes over in flush, on the main thread
  host.Flush();
  double bar = -1;
  EXPECT_EQ(Trail(tagSelectedBar, &bar), "bve");
  EXPECT_EQ(bar, 1.0) << "the octave row";
  EXPECT_EQ(host.Value(tagSelectedBar), 1.0);
  Close();
}

TEST_F(ClapEditor, TwoHundredCyclesLeaveNothingBehind) {
  auto cycle = [&] {
    ASSERT_TRUE(Open());
    Idle();
    Close();
    parent.Pump();
  };
  for (int i = 0; i < 3; ++i) cycle();  // first-use allocations of the window system
  const size_t handles = OpenHandles(), clients = WindowSystemClients(), heap = HeapInUse();
  for (int i = 0; i < 200; ++i) {
    cycle();
    ASSERT_EQ(parent.ChildCount(), 0) << "cycle " << i;
    ASSERT_EQ(host.TimerCount(), 0u) << "cycle " << i;
  }
  EXPECT_EQ(OpenHandles(), handles);
  EXPECT_EQ(WindowSystemClients(), clients);
#ifdef _WIN32
  constexpr size_t kSlack = 8 << 20;
#else
  constexpr size_t kSlack = 256 << 10;
#endif
  EXPECT_LE(HeapInUse(), heap + kSlack) << "heap grew from " << heap << " to " << HeapInUse();
  EXPECT_EQ(parent.HostErrors(), 0);
}

// The editor comes and goes on the main thread while the audio thread plays a pattern: every
// tenth time it is destroyed before its binding arrived, otherwise it is watched for a tick.
TEST_F(ClapEditor, TwoHundredCyclesWhileTheAudioThreadPlays) {
  host.recordEvents = false;
  host.Note(true, 0, 60, 0.8);
  host.Note(true, 0, 64, 0.8);
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    while (!stop) {
      host.PlayBlocks(1, 256);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(Open()) << "cycle " << i;
    if (i % 10 != 0) Idle(1);
    Close();
    parent.Pump();
    ASSERT_EQ(parent.ChildCount(), 0) << "cycle " << i;
  }
  stop = true;
  audio.join();
}

TEST_F(ClapEditor, DestroyingThePluginWithItsEditorOpenIsHarmless) {
  ASSERT_TRUE(Open());
  Idle(3);
  host.Destroy();  // no hide, no gui destroy first
  parent.Pump();
  EXPECT_EQ(parent.ChildCount(), 0);
}

}  // namespace
