// Skins as the controls show them: a colour a skin leaves out paints black, and a scheme number
// beyond the list shows the built-in colours.
#include <gtest/gtest.h>

#include "editor/DragBoxBt.h"
#include "editor/LED.h"
#include "editor/VeskPanel.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

// Two schemes that set one colour each.
std::string SparseSkins(const TTempFolder& tmp) {
  tmp.Write("skins/sparse.ini", "[Only the screen]\nscr_BackColor=$123456\n[Red boxes]\nbox_FillColor=$0000FF\n");
  return tmp.Folder();
}

class ControlSkinsTest : public EditorTest {
 protected:
  ControlSkinsTest() {
    panel = new TVeskPanel(&root);
    panel->Name = "pLeft";
    panel->SetBounds(0, 0, 200, 100);
    box = new TDragBoxBt(panel);
    box->SetBounds(8, 20, 80, 27);
    box->SetCaption("gate time");
    box->SetMin(1);
    box->SetMax(100);
    box->SetValueSuffix("%");
    led = new TLED(panel);
    led->SetBounds(120, 20, 13, 13);
  }
  void Apply(int scheme) {
    GuiSettings.gui_scheme = scheme;
    catalog.ApplyScheme(scheme, GuiSettings);
    root.Invalidate();
  }

  TTempFolder tmp;
  TSkinCatalog catalog{SparseSkins(tmp)};
  TVeskPanel* panel;
  TDragBoxBt* box;
  TLED* led;
};

}  // namespace

TEST_F(ControlSkinsTest, AColourTheSkinLeavesOutPaintsBlack) {
  Apply(2);
  TDragBox* inner = box->Box();
  EXPECT_EQ(PixelOf(inner, 3, 3), 0x0000FFu) << "the colour the skin gives";
  EXPECT_EQ(PixelOf(inner, 0, 0), 0u) << "box_LineColor left out";
  EXPECT_EQ(PixelOf(box->LeftArrow(), 2, 2), 0u) << "btn_FillColor left out";
  EXPECT_EQ(PixelOf(led, 6, 6), 0u) << "led_OffColorInner left out";
  // Without panels_SettingsPanelColor the panel keeps its own colour, the built-in background
  // it was made with.
  EXPECT_EQ(PixelOf(panel, 100, 90), TGuiSettings{}.panels_BackColor);
  EXPECT_EQ(PixelOf(panel, 0, 50), 0u) << "panels_OutlineColor left out";
}

TEST_F(ControlSkinsTest, ASchemeNumberBeyondTheListShowsTheBuiltInColours) {
  Apply(2);
  Apply(7);
  const TGuiSettings builtIn;
  EXPECT_EQ(PixelOf(box->Box(), 3, 3), builtIn.box_FillColor);
  EXPECT_EQ(PixelOf(box->Box(), 0, 0), builtIn.box_LineColor);
  EXPECT_EQ(PixelOf(panel, 100, 90), builtIn.panels_SettingsPanelColor);
  EXPECT_EQ(PixelOf(led, 6, 6), builtIn.led_OffColorInner);
}
