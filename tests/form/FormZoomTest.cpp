// The real form at a zoom, in a headless window driven through the plug-in's editor host: the
// "Zoom" menu, what the host is told and asked (effEditGetRect, audioMasterSizeWindow, a host
// that refuses), the setting kept in moltrin.ini, the system's and the host's scale, and the
// user's mouse at the zoomed places of controls reaching the same tags and values as at 100 %.
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include "editor/EditorZoom.h"
#include "platform/ModulePath.h"
#include "tests/form/FormFixture.h"
#include "tests/support/TempFolder.h"

namespace {

class FormZoom : public FormTest {
 protected:
  void SetUp() override {
    // The predicted size reads the screen's scale: no display and no desktop factor here.
    unsetenv("DISPLAY");
    unsetenv("GDK_SCALE");
    LoadSettingsFrom(folder.Folder());
    FormTest::SetUp();
    host.sizeWindow = [this](int width, int height) -> VstIntPtr {
      asked.push_back({width, height});
      ERect* r = nullptr;
      host.Dispatch(effEditGetRect, 0, 0, &r);  // hosts read the size while they resize
      toldDuringRequest = {r->right - r->left, r->bottom - r->top};
      return hostResizes ? 1 : 0;
    };
  }
  void TearDown() override {
    FormTest::TearDown();
    LoadSettingsFrom(ModuleFolder());
  }

  TEditorSize Rect() {
    ERect* r = nullptr;
    EXPECT_EQ(host.Dispatch(effEditGetRect, 0, 0, &r), 1);
    return r == nullptr ? TEditorSize{} : TEditorSize{r->right - r->left, r->bottom - r->top};
  }
  // The device pixels an area of a control (its own units) covers, and their centre.
  TRect DeviceRect(const TControl& c, const TRect& area) {
    const TPoint at = c.ClientToWindow({area.left, area.top});
    return Window().ToDevice(TRect{at.x, at.y, at.x + area.Width(), at.y + area.Height()});
  }
  static TPoint Centre(const TRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  void ClickDevice(TPoint p) {
    Window().MouseMove(0, p.x, p.y);
    Window().MouseDown(TMouseButton::Left, ssLeft, p.x, p.y);
    Window().MouseUp(TMouseButton::Left, 0, p.x, p.y);
  }
  // The menu under "MENU", then "Zoom", then the item, each clicked at its zoomed centre.
  void ChooseZoom(int percent) {
    TVeskButton& menu = Control<TVeskButton>("bResetPatch");
    ClickDevice(Centre(DeviceRect(menu, menu.ClientRect())));
    ASSERT_TRUE(Form().popMenu.IsOpen());
    for (const std::string& path : {std::string("Zoom"), "Zoom/" + std::to_string(percent) + "%"}) {
      TMenuItem* item = Form().popMenu.Items.Find(path);
      ASSERT_NE(item, nullptr) << path;
      const std::optional<TRect> r = Form().popMenu.ItemRect(*item);
      ASSERT_TRUE(r.has_value()) << path << " is not showing";
      ClickDevice(Centre(Window().ToDevice(*r)));
    }
    EXPECT_FALSE(Form().popMenu.IsOpen());
    Idle();
  }
  void HostSets(int tag, int value) { host.SetParam(tag, Core().NormalizedOf(tag, value)); }
  // The mean of the 2 x 2 device pixels at (x, y), and whether two colours are alike in every channel.
  TColor BlockAverage(int x, int y) {
    int sum[3] = {};
    for (int dy = 0; dy < 2; ++dy)
      for (int dx = 0; dx < 2; ++dx) {
        const TColor c = Window().Pixel(x + dx, y + dy);
        sum[0] += RedOf(c), sum[1] += GreenOf(c), sum[2] += BlueOf(c);
      }
    return MakeColor(static_cast<uint8_t>(sum[0] / 4), static_cast<uint8_t>(sum[1] / 4), static_cast<uint8_t>(sum[2] / 4));
  }
  static bool Alike(TColor a, TColor b) {
    return std::abs(RedOf(a) - RedOf(b)) <= 48 && std::abs(GreenOf(a) - GreenOf(b)) <= 48 && std::abs(BlueOf(a) - BlueOf(b)) <= 48;
  }
  // The tag whose edit the last gesture began (step tags are not automated, but held).
  int TagReached() {
    const std::vector<vst2host::Callback> begun = host.CallbacksOf(audioMasterBeginEdit);
    return begun.empty() ? -1 : begun.back().index;
  }
  bool Checked(int percent) { return Form().popMenu.Items.Find("Zoom/" + std::to_string(percent) + "%")->Checked(); }

  TTempFolder folder;
  std::vector<TEditorSize> asked;
  TEditorSize toldDuringRequest;
  bool hostResizes = true;
};

TEST_F(FormZoom, TheZoomMenuResizesTheEditorAtOnceAndTheNextOneOpensAtTheChoice) {
  EXPECT_EQ(Rect(), (TEditorSize{809, 536})) << "no settings file: 100 %";
  Open();
  EXPECT_TRUE(Checked(100));
  const int presents = Window().PresentCount(), resizes = Window().ResizeCount();

  ChooseZoom(200);
  EXPECT_EQ(asked, (std::vector<TEditorSize>{{1618, 1072}})) << "the host is asked once";
  EXPECT_EQ(toldDuringRequest, (TEditorSize{1618, 1072})) << "and reads the new size while it resizes";
  EXPECT_EQ(Rect(), (TEditorSize{1618, 1072}));
  EXPECT_EQ(Window().Width(), 1618);
  EXPECT_EQ(Window().Height(), 1072);
  EXPECT_EQ(Window().ResizeCount(), resizes + 1);
  EXPECT_EQ(Window().PresentCount(), presents + 1) << "one repaint of the whole window";
  EXPECT_EQ(Window().LastPresented(), (std::vector<TRect>{{0, 0, 1618, 1072}}));
  EXPECT_EQ(Window().Pixel(1617, 1071), GuiSettings.panels_BackColor) << "painted to the last pixel";
  EXPECT_EQ(Form().Zoom(), 200);
  EXPECT_TRUE(Checked(200));
  EXPECT_FALSE(Checked(100));
  EXPECT_NE(folder.Read("moltrin.ini").find("gui_zoom=200"), std::string::npos);

  ChooseZoom(200);
  EXPECT_EQ(asked.size(), 1u) << "the zoom in force asks nothing";

  Close();
  EXPECT_EQ(Rect(), (TEditorSize{1618, 1072})) << "closed, the host learns the size the next editor has";
  Open();
  EXPECT_EQ(Window().Width(), 1618);
  EXPECT_EQ(asked.size(), 1u) << "it opens at the size the host was told";

  ChooseZoom(125);
  EXPECT_EQ(asked.back(), (TEditorSize{1011, 670}));  // 809 x 1.25 = 1011.25, 536 x 1.25 = 670
  EXPECT_EQ(Rect(), (TEditorSize{1011, 670}));
}

// A host that cannot resize its window keeps the editor at the size it has, whole and working;
// the choice is kept for the next opening and the status panel says so.
TEST_F(FormZoom, AHostThatRefusesKeepsAWholeEditorAtTheOldSize) {
  hostResizes = false;
  Open();
  const int resizes = Window().ResizeCount();
  ChooseZoom(200);
  EXPECT_EQ(asked, (std::vector<TEditorSize>{{1618, 1072}}));
  EXPECT_EQ(Rect(), (TEditorSize{809, 536}));
  EXPECT_EQ(Window().Width(), 809);
  EXPECT_EQ(Window().ResizeCount(), resizes);
  EXPECT_EQ(Form().Zoom(), 100);
  EXPECT_TRUE(Checked(100)) << "the menu shows the zoom in force";
  Idle();
  EXPECT_EQ(Window().Pixel(808, 535), GuiSettings.panels_BackColor);
  EXPECT_NE(Form().ParamCapt->Caption1().find("cannot resize"), std::string::npos) << Form().ParamCapt->Caption1();
  EXPECT_NE(folder.Read("moltrin.ini").find("gui_zoom=200"), std::string::npos);

  TDragBoxBt& gate = Control<TDragBoxBt>("bGate");
  Drag(*gate.Box(), 40);
  EXPECT_EQ(gate.GetValue(), 92) << "the editor still works at its old size";

  Close();
  EXPECT_EQ(Rect(), (TEditorSize{1618, 1072}));
  Open();
  EXPECT_EQ(Form().Zoom(), 200) << "the next editor opens at the choice";
}

// The setting as the file has it: missing (an older file) is 100 %, others are brought into range.
TEST_F(FormZoom, TheSettingsFileGivesTheZoomTheNextEditorOpensAt) {
  const std::pair<const char*, int> cases[] = {
      {"[SETTINGS]\ngui_scheme=0\n", 100}, {"[SETTINGS]\ngui_zoom=250\n", 250}, {"[SETTINGS]\ngui_zoom=175\n", 175},
      {"[SETTINGS]\ngui_zoom=1000\n", 300}, {"[SETTINGS]\ngui_zoom=50\n", 100}, {"[SETTINGS]\ngui_zoom=big\n", 100},
  };
  for (const auto& [text, zoom] : cases) {
    folder.Write("moltrin.ini", text);
    LoadSettingsFrom(folder.Folder());
    const TEditorSize expected = EditorSizeAt(zoom / 100.0);
    EXPECT_EQ(Rect(), expected) << text;
    Open();
    EXPECT_EQ(Form().Zoom(), zoom) << text;
    EXPECT_EQ(Form().Size(), expected) << text;
    EXPECT_TRUE(Checked(zoom)) << text;
    Close();
  }
  EXPECT_TRUE(asked.empty()) << "every editor opened at the size the host was told";
}

// The system's scale (a screen of another density) and a host's scale (the hook for formats that
// tell one) multiply the user's zoom.
TEST_F(FormZoom, TheSystemsOrTheHostsScaleMultipliesTheZoom) {
  folder.Write("moltrin.ini", "[SETTINGS]\ngui_zoom=150\n");
  LoadSettingsFrom(folder.Folder());
  Open();
  EXPECT_EQ(Form().Size(), (TEditorSize{1214, 804}));

  Window().SetSystemScale(2);  // the window moved to a screen at 192 dpi
  EXPECT_EQ(asked.back(), (TEditorSize{2427, 1608}));
  EXPECT_DOUBLE_EQ(Window().Scale(), 3);
  EXPECT_EQ(Rect(), (TEditorSize{2427, 1608}));

  hostResizes = false;
  Window().SetSystemScale(1);
  EXPECT_DOUBLE_EQ(Window().Scale(), 3) << "a host that refuses keeps the size it has";

  // A host that tells its scale is not asked: it reads the size after telling.
  const size_t asks = asked.size();
  Form().SetHostScale(1.25);
  EXPECT_EQ(Form().Size(), EditorSizeAt(1.875));
  Form().SetHostScale(4);
  EXPECT_EQ(Form().Size(), EditorSizeAt(kMaxEditorScale)) << "no larger than any screen holds";
  Form().SetHostScale(0);  // back to the system's (1)
  EXPECT_EQ(Form().Size(), (TEditorSize{1214, 804}));
  EXPECT_EQ(asked.size(), asks);
}

// At every zoom a click at the zoomed centre of a pattern cell, and a drag from the zoomed centre
// of a step box, reach the same tag with the same value as at 100 %. A drag counts design units:
// the same movement relative to the editor (twice the pixels at 200 %) gives the same change.
TEST_F(FormZoom, TheMouseAtTheZoomedPlaceReachesTheSameTagAndValue) {
  Open();
  HostSets(tagSelectedBar, 0);  // the semitone row: 25 narrow bands, the finest the screen has
  Idle();
  TScreenInner& screen = *Form().scr;
  ASSERT_EQ(screen.ShownRow(), Form().barSemitone->Line());
  const int rows = screen.Rows().count;
  ASSERT_EQ(rows, 25);
  TDragBox& step = *Form().barVelocity->Line()->Box(3);

  using TResult = std::vector<std::pair<int, int>>;  // (tag, value) of each click and drag
  std::map<int, TResult> results;
  for (int zoom : kZoomSteps) {
    if (zoom != Form().Zoom()) ChooseZoom(zoom);
    ASSERT_EQ(Form().Zoom(), zoom);
    TResult& got = results[zoom];
    for (const auto& [column, row] : {std::pair{0, 0}, {3, 7}, {9, 12}, {15, 24}, {6, 23}, {12, 1}}) {
      const TRect cell{screen.LeftOfs() + screen.GridWidth() * column / 16, screen.TopMargin() + screen.GridHeight() * row / rows,
                       screen.LeftOfs() + screen.GridWidth() * (column + 1) / 16,
                       screen.TopMargin() + screen.GridHeight() * (row + 1) / rows};
      const int tag = screen.ShownRow()->Box(column)->GetParamTag();
      HostSets(tag, -6);  // a row none of the cells is
      Idle();  // shown by the box, so that any row is a change
      host.ClearRecords();
      ClickDevice(Centre(DeviceRect(screen, cell)));
      ASSERT_EQ(TagReached(), tag) << zoom << "%: cell " << column << "," << row;
      got.emplace_back(TagReached(), Core().GetParam(tag));
    }
    for (int units : {-30, 12}) {
      HostSets(step.GetParamTag(), 64);
      Idle();
      host.ClearRecords();
      const TPoint from = Centre(DeviceRect(step, step.ClientRect()));
      const int to = from.y + units * zoom / 100;
      Window().MouseMove(0, from.x, from.y);
      Window().MouseDown(TMouseButton::Left, ssLeft, from.x, from.y);
      Window().MouseMove(ssLeft, from.x, (from.y + to) / 2);
      Window().MouseMove(ssLeft, from.x, to);
      Window().MouseUp(TMouseButton::Left, 0, from.x, to);
      ASSERT_EQ(TagReached(), step.GetParamTag()) << zoom << "%: drag " << units;
      got.emplace_back(TagReached(), Core().GetParam(step.GetParamTag()));
    }
  }
  const TResult& at100 = results[100];
  std::map<int, int> values;
  for (const auto& [tag, value] : at100) values[value]++;
  EXPECT_EQ(values.size(), at100.size()) << "every click and drag reaches a value of its own";
  for (const auto& [zoom, got] : results) EXPECT_EQ(got, at100) << zoom << "%";
}

// Every control shows at 200 % where its 100 % rectangle doubled is, with the same picture: the
// 200 % window sampled at even pixels matches the 100 % one except at the edges of anti-aliased
// text and shading (each 2 x 2 block's mean against the 100 % pixel, alike within 48 a channel).
TEST_F(FormZoom, EveryControlShowsInItsRectangleDoubled) {
  Open();
  Idle();
  std::vector<TColor> at100(809 * 536);
  for (int y = 0; y < 536; ++y)
    for (int x = 0; x < 809; ++x) at100[static_cast<size_t>(y * 809 + x)] = Window().Pixel(x, y);
  ChooseZoom(200);
  Idle();
  int controls = 0;
  Form().FindDescendant([&](TControl& c) {
    if (!c.Showing() || c.Width() < 4 || c.Height() < 4) return false;
    ++controls;
    const TRect units = c.ClientRect().Offset(c.ClientToWindow({0, 0}).x, c.ClientToWindow({0, 0}).y);
    const TRect device = DeviceRect(c, c.ClientRect());
    EXPECT_EQ(device, (TRect{2 * units.left, 2 * units.top, 2 * units.right, 2 * units.bottom})) << c.Name;
    int same = 0;
    for (int y = units.top; y < units.bottom; ++y)
      for (int x = units.left; x < units.right; ++x)
        same += Alike(BlockAverage(2 * x, 2 * y), at100[static_cast<size_t>(y * 809 + x)]) ? 1 : 0;
    EXPECT_GE(same * 100, units.Width() * units.Height() * 60) << c.Name << " at " << units.left << "," << units.top;
    return false;
  });
  EXPECT_GT(controls, 100);
}

}  // namespace
