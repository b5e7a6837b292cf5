// The editor of moltrin.clap at a zoom, as a CLAP host drives it: the host's gui.set_scale times
// the user's zoom from moltrin.ini gives the size get_size answers before and after set_parent,
// the user's mouse at the zoomed places reaches the host as parameter events, and a zoom chosen
// in the editor's menu asks the host through request_resize, or keeps the editor whole at its
// size when the host refuses. Each test plays a copy of the module in a folder of its own, whose
// moltrin.ini it writes (the zoom menu writes it too).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "hosts/clap/ClapHost.h"
#include "hosts/vst2/NativeParent.h"
#include "tests/support/TempFolder.h"
#include "tests/support/EditorMouse.h"

namespace {

#ifdef _WIN32
constexpr const char* kApi = CLAP_WINDOW_API_WIN32;
#else
constexpr const char* kApi = CLAP_WINDOW_API_X11;
#endif
constexpr uint32_t kBuiltInBackColor = 0x160000;  // panels_BackColor of the built-in scheme

using namespace testsupport;  // the editor's spots, TSpot, ClickAt and DragAt

struct TSize {
  uint32_t width = 0, height = 0;
  bool operator==(const TSize&) const = default;
};

class ClapZoomedEditor : public testing::Test {
 protected:
  // The module's copy with moltrin.ini at `zoomPercent`, started as a host starts it, its gui
  // created; the host tells `hostScale`.
  void Start(int zoomPercent, double hostScale) {
    ASSERT_TRUE(parent.Valid()) << "no window system for the host's window";
    folder.Write("moltrin.ini", "[SETTINGS]\ngui_zoom=" + std::to_string(zoomPercent) + "\n");
    const std::filesystem::path module = claphost::DefaultModulePath();
    const std::filesystem::path copy = folder.path / module.filename();
    std::filesystem::copy_file(module, copy);
    host = std::make_unique<claphost::Host>(copy.string());
    host->requestResize = [this](uint32_t width, uint32_t height) {
      asked.push_back({width, height});
      sizeDuringRequest = Size();
      if (!hostResizes) return false;
      parent.Resize(static_cast<int>(width), static_cast<int>(height));
      return true;
    };
    ASSERT_TRUE(host->Start()) << host->LastError();
    gui = host->Gui();
    ASSERT_NE(gui, nullptr);
    ASSERT_TRUE(gui->create(host->Plugin(), kApi, false));
    ASSERT_TRUE(gui->set_scale(host->Plugin(), hostScale));
  }
  void TearDown() override {
    if (gui != nullptr) gui->destroy(host->Plugin());
  }

  TSize Size() const {
    TSize size;
    EXPECT_TRUE(gui->get_size(host->Plugin(), &size.width, &size.height));
    return size;
  }
  // Sizes the host's window as get_size says, embeds the editor in it and lets it paint.
  void OpenSized() {
    const TSize size = Size();
    parent.Resize(static_cast<int>(size.width), static_cast<int>(size.height));
    clap_window_t window{};
    window.api = kApi;
    window.ptr = parent.Handle();
    ASSERT_TRUE(gui->set_parent(host->Plugin(), &window));
    ASSERT_TRUE(gui->show(host->Plugin()));
    Idle(4);
  }
  void Idle(int turns = 2) {
    for (int i = 0; i < turns; ++i) {
      parent.Pump();
      host->FireTimers();
      host->RunMainThreadCallbacks();
    }
    parent.Pump();
  }
  void ClickAt(TSpot at) { testsupport::ClickAt(parent, at.x, at.y, [this] { Idle(); }); }
  void DragAt(TSpot at, int dy) { testsupport::DragAt(parent, at.x, at.y, dy, [this] { Idle(); }); }
  // MENU > Zoom > 100 % with the mouse, in the editor at 200 %.
  void ChooseZoom100() {
    ClickAt(kMenuButton * 2);
    parent.MouseMoveTo(kMenuZoom200.x, kMenuZoom200.y);
    Idle();
    parent.MouseMoveTo(kZoomItem100At200.x, kMenuZoom200.y);
    Idle();
    ClickAt(kZoomItem100At200);
    Idle(3);
  }
  std::string Trail(clap_id id, double* lastValue = nullptr) const { return host->GestureTrail(id, lastValue); }
  // Clicks the octave row's caption at `at` and expects the host to hear the bar chosen.
  void ExpectTheOctaveCaptionAt(TSpot at) {
    host->ClearRecords();
    ClickAt(at);
    host->RunBlock();
    double bar = -1;
    EXPECT_EQ(Trail(tagSelectedBar, &bar), "bve");
    EXPECT_EQ(bar, 1.0) << "the octave row";
  }

  TTempFolder folder;
  TNativeParent parent;
  std::unique_ptr<claphost::Host> host;
  const clap_plugin_gui_t* gui = nullptr;
  std::vector<TSize> asked;
  TSize sizeDuringRequest;
  bool hostResizes = true;
};

TEST_F(ClapZoomedEditor, TheHostsScaleSizesTheEditorBeforeAndAfterItIsEmbedded) {
  Start(100, 2.0);
  EXPECT_EQ(Size(), (TSize{1618, 1072})) << "the size before set_parent";
  EXPECT_FALSE(gui->can_resize(host->Plugin())) << "the size follows the zoom only";
  TSize offered{1000, 700};
  ASSERT_TRUE(gui->adjust_size(host->Plugin(), &offered.width, &offered.height));
  EXPECT_EQ(offered, (TSize{1618, 1072})) << "the one size it has at this zoom";
  EXPECT_TRUE(gui->set_size(host->Plugin(), 1618, 1072));
  EXPECT_FALSE(gui->set_size(host->Plugin(), 809, 536));
  for (double nonsense : {0.0, -1.0, std::nan("")})
    EXPECT_FALSE(gui->set_scale(host->Plugin(), nonsense)) << nonsense;

  OpenSized();
  EXPECT_EQ(Size(), (TSize{1618, 1072}));
  EXPECT_TRUE(asked.empty()) << "the editor opens at the size the host was told";
  EXPECT_EQ(parent.PixelAt(1617, 1071), kBuiltInBackColor) << "painted to its last pixel";
  EXPECT_EQ(parent.PixelAt(kPanelGap.x * 2, kPanelGap.y * 2), kBuiltInBackColor) << "the panels' gap, doubled";

  // A host moved to another screen tells its new scale and reads the size again.
  ASSERT_TRUE(gui->set_scale(host->Plugin(), 1.0));
  EXPECT_EQ(Size(), (TSize{809, 536}));
  EXPECT_TRUE(asked.empty()) << "the host that tells a scale asks the size itself";
}

TEST_F(ClapZoomedEditor, TheMouseAtTheZoomedPlacesReachesTheHostAsParameterEvents) {
  Start(100, 2.0);
  OpenSized();
  host->ClearRecords();
  // A drag of 80 pixels at 200 % is 40 design units: the 8 notches it is at 100 %.
  DragAt(kGateBox * 2, 80);
  host->RunBlock();
  double gate = -1;
  const std::string trail = Trail(tagGate, &gate);
  ASSERT_FALSE(trail.empty()) << "the gate's change never reached the host";
  EXPECT_EQ(trail.front(), 'b');
  EXPECT_EQ(trail.back(), 'e');
  EXPECT_EQ(gate, 92.0);
  ExpectTheOctaveCaptionAt(kOctaveCaption * 2);
}

// moltrin.ini at 200 % on a host's scale of 1: the user's zoom alone, then MENU > Zoom > 100 %.
TEST_F(ClapZoomedEditor, AZoomChosenInTheMenuAsksTheHostForTheNewSize) {
  Start(200, 1.0);
  EXPECT_EQ(Size(), (TSize{1618, 1072}));
  OpenSized();
  ChooseZoom100();
  ASSERT_EQ(asked, (std::vector<TSize>{{809, 536}}));
  EXPECT_EQ(sizeDuringRequest, (TSize{809, 536})) << "a host reading the size while it resizes";
  EXPECT_EQ(Size(), (TSize{809, 536}));
  EXPECT_TRUE(gui->set_size(host->Plugin(), 809, 536)) << "a host confirming the size it took";
  EXPECT_EQ(parent.PixelAt(808, 535), kBuiltInBackColor);
  EXPECT_EQ(parent.PixelAt(kPanelGap.x, kPanelGap.y), kBuiltInBackColor) << "the panels' gap at 100 %";
  EXPECT_NE(folder.Read("moltrin.ini").find("gui_zoom=100"), std::string::npos);
  ExpectTheOctaveCaptionAt(kOctaveCaption);
}

TEST_F(ClapZoomedEditor, AHostThatRefusesKeepsTheEditorWholeAtItsSize) {
  hostResizes = false;
  Start(200, 1.0);
  OpenSized();
  ChooseZoom100();
  ASSERT_EQ(asked, (std::vector<TSize>{{809, 536}}));
  EXPECT_EQ(Size(), (TSize{1618, 1072}));
  EXPECT_EQ(parent.PixelAt(1617, 1071), kBuiltInBackColor) << "painted to its last pixel";
  EXPECT_EQ(parent.PixelAt(kPanelGap.x * 2, kPanelGap.y * 2), kBuiltInBackColor) << "still drawn at 200 %";
  ExpectTheOctaveCaptionAt(kOctaveCaption * 2);
}

}  // namespace
