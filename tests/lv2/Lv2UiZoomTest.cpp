// The editor as an LV2 UI at the host's scale: the ui:scaleFactor option of the instantiation
// sizes the editor, the size reaches the host through ui:resize, and the mouse at the scaled
// places reaches the host as port writes.
#include <gtest/gtest.h>

#include <vector>

#include "hosts/vst2/NativeParent.h"
#include "tests/lv2/Lv2Session.h"
#include "tests/support/EditorMouse.h"

namespace {

constexpr uint32_t kBuiltInBackColor = 0x160000;  // panels_BackColor of the built-in scheme

struct TScaled {
  float scaleFactor;
  int width, height;
};

class Lv2UiScale : public testing::TestWithParam<TScaled> {
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

  TNativeParent parent;
  lv2host::Host host;
};

TEST_P(Lv2UiScale, TheScaleFactorSizesTheEditorAndTheHostLearnsItThroughUiResize) {
  const TScaled scaled = GetParam();
  parent.Resize(scaled.width, scaled.height);  // the room a host gives the size it remembers
  ASSERT_TRUE(host.OpenUi(parent.Handle(), scaled.scaleFactor)) << host.LastError();
  EXPECT_EQ(host.UiWidth(), scaled.width);
  EXPECT_EQ(host.UiHeight(), scaled.height);
  Idle(4);
  EXPECT_EQ(parent.PixelAt(scaled.width - 1, scaled.height - 1), kBuiltInBackColor) << "painted to its last pixel";

  const uint32_t arp = static_cast<uint32_t>(host.PortIndex("arp_enabled"));
  const int k = static_cast<int>(scaled.scaleFactor);
  host.ClearUiRecords();
  const testsupport::TSpot arpEnabled = testsupport::kArpEnabled * k;
  testsupport::ClickAt(parent, arpEnabled.x, arpEnabled.y, [this] { Idle(); });
  std::vector<float> writes;
  for (const lv2host::PortWrite& w : host.UiWrites())
    if (w.port == arp) writes.push_back(w.value);
  EXPECT_EQ(writes, std::vector<float>{0.0f}) << "the click at the scaled place of the check box";
  host.CloseUi();
  EXPECT_EQ(parent.HostErrors(), 0);
}

INSTANTIATE_TEST_SUITE_P(WholeScales, Lv2UiScale,
                         testing::Values(TScaled{2, 1618, 1072}, TScaled{3, 2427, 1608}));

}  // namespace
