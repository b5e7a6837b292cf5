// The editor as an LV2 X11 UI in a real window of the test's own (under Xvfb): instantiated in
// the host's window with instance-access, idled, a click on a check box reaching the host as a
// port write inside a touch, the host's port changes shown, the engine's own changes written
// to the host's ports, and two hundred openings leaving nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "hosts/vst2/NativeParent.h"
#include "tests/lv2/Lv2Session.h"
#include "tests/support/EditorMouse.h"

namespace {

using namespace testsupport;  // the editor's spots, TSpot, ClickAt and DragAt

class Lv2Ui : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent.Valid()) << "no window system for the host's window";
    ASSERT_TRUE(host.Start(44100, 512)) << host.LastError();
    host.RunBlock(512);
  }
  void Idle(int turns = 2) {
    for (int i = 0; i < turns; ++i) {
      parent.Pump();
      host.RunBlock(512);
      host.IdleUi();
    }
    parent.Pump();
  }
  void ClickAt(TSpot spot) { testsupport::ClickAt(parent, spot.x, spot.y, [this] { Idle(); }); }
  uint32_t Port(const char* symbol) { return static_cast<uint32_t>(host.PortIndex(symbol)); }
  std::vector<float> WritesTo(uint32_t port) {
    std::vector<float> values;
    for (const lv2host::PortWrite& w : host.UiWrites())
      if (w.port == port) values.push_back(w.value);
    return values;
  }

  TNativeParent parent;
  lv2host::Host host;
};

TEST_F(Lv2Ui, AClickOnACheckBoxReachesTheHostAsAPortWrite) {
  ASSERT_TRUE(host.OpenUi(parent.Handle())) << host.LastError();
  EXPECT_EQ(host.UiWidth(), 809);
  EXPECT_EQ(host.UiHeight(), 536);
  Idle(4);
  EXPECT_EQ(parent.ChildCount(), 1) << "the editor's window inside the host's";
  const uint32_t arp = Port("arp_enabled");
  ASSERT_EQ(host.Control(arp), 1.0f);
  host.ClearUiRecords();
  ClickAt(kArpEnabled);
  EXPECT_EQ(WritesTo(arp), std::vector<float>{0.0f});
  EXPECT_EQ(host.Control(arp), 0.0f) << "the host's port took the editor's value";
  const auto touches = host.UiTouches();
  const auto grabbed = std::find(touches.begin(), touches.end(), std::make_pair(arp, true));
  const auto released = std::find(touches.begin(), touches.end(), std::make_pair(arp, false));
  EXPECT_TRUE(grabbed != touches.end() && released != touches.end() && grabbed < released)
      << "the write comes inside a touch";
  ClickAt(kArpEnabled);
  EXPECT_EQ(WritesTo(arp), (std::vector<float>{0.0f, 1.0f}));
  host.CloseUi();
  EXPECT_EQ(parent.HostErrors(), 0);
}

TEST_F(Lv2Ui, PortChangesShowAndTheEnginesOwnChangesReachTheHost) {
  ASSERT_TRUE(host.OpenUi(parent.Handle())) << host.LastError();
  Idle(4);
  // The host unticks "arp enabled": the editor draws the box anew.
  const std::vector<uint32_t> ticked = parent.Capture(300, 50);
  host.SetControl("arp_enabled", 0);
  Idle(3);
  EXPECT_NE(parent.Capture(300, 50), ticked) << "the check box still shows the old value";
  EXPECT_TRUE(WritesTo(Port("arp_enabled")).empty()) << "the host's own change is not written back";

  // A program change by MIDI: the engine changes every setting, the host hears of each that
  // now differs from its port.
  host.ClearUiRecords();
  host.SendMidi(0, {0xC0, 11});
  Idle(3);
  EXPECT_EQ(WritesTo(kPortProgram), std::vector<float>{11.0f});
  EXPECT_EQ(host.Control(kPortProgram), 11.0f);
  EXPECT_FALSE(WritesTo(Port("sync")).empty() && WritesTo(Port("steps")).empty())
      << "program 12's settings should reach the host's ports";
  // Every port holds what the engine holds now.
  const auto engine = lv2test::EngineOf(host);
  ASSERT_TRUE(engine);
  for (const TLv2Setting& setting : kLv2Settings)
    EXPECT_EQ(host.Control(Port(setting.symbol)), lv2test::Get(*engine, setting.tag)) << setting.symbol;
  host.CloseUi();
}

// An edit no port carries (a step row) tells the host that the state changed, once it has
// happened: a state:StateChanged object in the output. What the ports carry, and what the host
// does itself, tells nothing.
TEST_F(Lv2Ui, AStepRowEditTellsTheHostThatTheStateChanged) {
  ASSERT_TRUE(host.OpenUi(parent.Handle())) << host.LastError();
  Idle(4);
  const int before = host.StateChangedEvents();
  EXPECT_EQ(before, 0) << "opening the editor changes nothing";
  testsupport::DragAt(parent, kVelocityStep4.x, kVelocityStep4.y, 40, [this] { Idle(); });
  host.RunBlock(512);
  const int afterStepEdit = host.StateChangedEvents();
  EXPECT_GE(afterStepEdit, 1) << "the velocity row's edit told no state change";
  EXPECT_EQ(host.OtherOutputEvents(), afterStepEdit) << "nothing else but MIDI in the output";

  ClickAt(kArpEnabled);  // a port: the host hears the port write itself
  host.SetControl("gate", 33);
  host.RestoreProperties({lv2test::BankProperty(nullptr)});
  Idle(3);
  EXPECT_EQ(host.StateChangedEvents(), afterStepEdit);
  host.CloseUi();
}

TEST_F(Lv2Ui, TwoHundredOpeningsLeaveNothingBehind) {
  const auto cycle = [this] {
    ASSERT_TRUE(host.OpenUi(parent.Handle())) << host.LastError();
    Idle(1);
    host.CloseUi();
    parent.Pump();
  };
  for (int i = 0; i < 3; ++i) cycle();  // what the first openings set up for good
  const size_t handles = OpenHandles(), clients = WindowSystemClients(), heap = HeapInUse();
  for (int i = 0; i < 200; ++i) cycle();
  EXPECT_EQ(OpenHandles(), handles);
  EXPECT_EQ(WindowSystemClients(), clients);
  EXPECT_LE(HeapInUse(), heap + (256 << 10)) << "heap grew from " << heap << " to " << HeapInUse();
  EXPECT_EQ(parent.HostErrors(), 0);
}

}  // namespace
