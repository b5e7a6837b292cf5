// The editor's real window at a zoom, through the module's binary interface: a copy of the module
// in a folder of the test's own, its moltrin.ini at 200 %. The host learns the size from
// effEditGetRect, the user's mouse (XTest under Xvfb, SendInput under wine) at the zoomed places
// reaches the host as automation, and the Zoom menu resizes the editor through
// audioMasterSizeWindow, or keeps it whole when the host refuses. The window is captured to a PNG
// (MOLTRIN_SCREENSHOT_DIR, else the working folder).
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/ParamNames.h"
#include "platform/Png.h"
#include "tests/support/TempFolder.h"
#include "tests/window/EditorWindowFixture.h"
#include "tests/support/EditorMouse.h"

#ifndef _WIN32
// After everything else: Xlib's macros (Status, None) clash with C++ names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

namespace {

using namespace testsupport;  // the editor's spots, TSpot, ClickAt and DragAt

struct TSize {
  int width = 0, height = 0;
  bool operator==(const TSize&) const = default;
};

// The gate (1..100) at 92 as the host sees it: where a drag of 40 units down from 100 lands.
constexpr float kGate92 = 91.0f / 99.0f;

bool SaveCapture(TNativeParent& parent, int width, int height, const std::string& name) {
  const std::vector<uint32_t> pixels = parent.Capture(width, height);
  if (pixels.size() != static_cast<size_t>(width) * height) return false;
  TCanvas canvas(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) canvas.SetPixel(x, y, pixels[static_cast<size_t>(y) * width + x]);
  const char* dir = std::getenv("MOLTRIN_SCREENSHOT_DIR");
  return WritePng(canvas, (dir != nullptr ? std::string(dir) + "/" : std::string()) + name);
}

std::string CopyOfTheModule(const TTempFolder& folder) {
  const std::filesystem::path module = vst2host::DefaultModulePath();
  const std::filesystem::path copy = std::filesystem::path(folder.Folder()) / module.filename();
  std::filesystem::copy_file(module, copy);
  return copy.string();
}

class ZoomedEditorWindow : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent.Valid()) << "no window system for the host's window";
#ifndef _WIN32
    unsetenv("GDK_SCALE");  // the desktop's factor would multiply the zoom
#endif
    folder.Write("moltrin.ini", "[SETTINGS]\ngui_zoom=200\n");
    host.sizeWindow = [this](int width, int height) -> VstIntPtr {
      asked.push_back({width, height});
      if (!hostResizes) return 0;
      parent.Resize(width, height);
      return 1;
    };
    fx = host.Start();
    ASSERT_NE(fx, nullptr) << host.LastError();
  }
  void TearDown() override { host.Close(); }

  TSize Rect() {
    ERect* r = nullptr;
    EXPECT_EQ(host.Dispatch(effEditGetRect, 0, 0, &r), 1);
    return r == nullptr ? TSize{} : TSize{r->right - r->left, r->bottom - r->top};
  }
  // Sizes the host's window as effEditGetRect says, opens the editor in it and lets it paint.
  void OpenSized() {
    const TSize size = Rect();
    parent.Resize(size.width, size.height);
    ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, parent.Handle()), 1);
    Idle(4);
  }
  void Idle(int turns = 2) {
    for (int i = 0; i < turns; ++i) {
      parent.Pump();
      host.Dispatch(effEditIdle);
    }
    parent.Pump();
  }
  void ClickAt(TSpot at) { testsupport::ClickAt(parent, at.x, at.y, [this] { Idle(); }); }
  void DragAt(TSpot at, int dy) { testsupport::DragAt(parent, at.x, at.y, dy, [this] { Idle(); }); }
  float LastAutomation(int tag) const {
    float value = -1;
    for (const vst2host::Automation& a : host.Automations())
      if (a.index == tag) value = a.value;
    return value;
  }
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

  TTempFolder folder;
  TNativeParent parent{900, 600};
  vst2host::Host host{2400, CopyOfTheModule(folder)};
  AEffect* fx = nullptr;
  std::vector<TSize> asked;
  bool hostResizes = true;
};

TEST_F(ZoomedEditorWindow, AtTwoHundredPercentTheHostGetsTwiceTheSizeAndTheMouseReachesIt) {
  EXPECT_EQ(Rect(), (TSize{1618, 1072})) << "the size before the editor opens";
  OpenSized();
  EXPECT_EQ(Rect(), (TSize{1618, 1072}));
  EXPECT_TRUE(asked.empty()) << "the editor opens at the size the host was told";
  EXPECT_EQ(parent.PixelAt(0, 0), kBuiltInBackColor);
  EXPECT_EQ(parent.PixelAt(1617, 1071), kBuiltInBackColor) << "painted to its last pixel";
  EXPECT_EQ(parent.PixelAt(2 * 183, 2 * 200), kBuiltInBackColor) << "the gap between two panels, doubled";

  host.SetParam(tagSteps, 31.0f / 63.0f);
  Idle();
  // A drag of 80 pixels at 200 % is 40 design units: the 8 notches it is at 100 %.
  DragAt(kGateBox * 2, 80);
  EXPECT_FLOAT_EQ(LastAutomation(tagGate), kGate92);
  EXPECT_FLOAT_EQ(host.GetParam(tagGate), kGate92);
  ClickAt(kPageRight * 2);
  EXPECT_FLOAT_EQ(host.GetParam(tagSelectedPage), 1.0f / 3.0f);
  ClickAt(kOctaveCaption * 2);
  EXPECT_FLOAT_EQ(LastAutomation(tagSelectedBar), 0.25f);
  Idle(3);
#ifdef _WIN32
  EXPECT_TRUE(SaveCapture(parent, 1618, 1072, "editor-window-200-win32.png"));
#else
  EXPECT_TRUE(SaveCapture(parent, 1618, 1072, "editor-window-200-x11.png"));
#endif
  host.Dispatch(effEditClose);
}

TEST_F(ZoomedEditorWindow, TheZoomMenuResizesTheHostsWindowAndTheEditor) {
  OpenSized();
  ChooseZoom100();
  ASSERT_EQ(asked, (std::vector<TSize>{{809, 536}}));
  EXPECT_EQ(Rect(), (TSize{809, 536}));
  EXPECT_EQ(parent.PixelAt(808, 535), kBuiltInBackColor);
  EXPECT_EQ(parent.PixelAt(183, 200), kBuiltInBackColor) << "the gap between two panels at 100 %";
  EXPECT_NE(folder.Read("moltrin.ini").find("gui_zoom=100"), std::string::npos);
  // The editor works at its new size.
  DragAt(kGateBox, 40);
  EXPECT_FLOAT_EQ(host.GetParam(tagGate), kGate92);
  host.Dispatch(effEditClose);
}

TEST_F(ZoomedEditorWindow, AHostThatRefusesKeepsTheEditorWholeAtItsSize) {
  hostResizes = false;
  OpenSized();
  ChooseZoom100();
  ASSERT_EQ(asked, (std::vector<TSize>{{809, 536}}));
  EXPECT_EQ(Rect(), (TSize{1618, 1072}));
  EXPECT_EQ(parent.PixelAt(1617, 1071), kBuiltInBackColor);
  EXPECT_EQ(parent.PixelAt(2 * 183, 2 * 200), kBuiltInBackColor) << "still drawn at 200 %";
  DragAt(kGateBox * 2, 80);
  EXPECT_FLOAT_EQ(host.GetParam(tagGate), kGate92);
  host.Dispatch(effEditClose);
}

#ifndef _WIN32
// The desktop's resources as a desktop sets them on the root window, for as long as this lives.
class TDesktopResources {
 public:
  explicit TDesktopResources(const std::string& text) : display(XOpenDisplay(nullptr)) {
    if (display == nullptr) return;
    XChangeProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    XSync(display, False);
  }
  ~TDesktopResources() {
    if (display == nullptr) return;
    XDeleteProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER);
    XCloseDisplay(display);
  }
  TDesktopResources(const TDesktopResources&) = delete;
  TDesktopResources& operator=(const TDesktopResources&) = delete;

 private:
  Display* display;
};

// A desktop at 120 dpi (Xft.dpi, the host telling nothing): 200 % of the user's on 1.25 of the
// desktop's draws at 2.5, and the host is told so before and after the editor opens.
TEST_F(ZoomedEditorWindow, TheDesktopsXftDpiMultipliesTheZoom) {
  const TDesktopResources desktop("Xft.antialias:\t1\nXft.dpi:\t120\n");
  EXPECT_EQ(Rect(), (TSize{2023, 1340}));
  OpenSized();
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(Rect(), (TSize{2023, 1340}));
  EXPECT_EQ(parent.PixelAt(2022, 1339), kBuiltInBackColor) << "painted to its last pixel";
  DragAt({120, 650}, 100);  // the gate box's centre at 2.5, 40 units down
  EXPECT_FLOAT_EQ(host.GetParam(tagGate), kGate92);
  host.Dispatch(effEditClose);
}
#endif

}  // namespace
