// LEDs drawn pixel by pixel with half-even blends, their colours, and LED rows: layout, the one
// lit LED, border and dashes.
#include <gtest/gtest.h>

#include <cmath>

#include "editor/LEDBar.h"
#include "editor/PaintHelpers.h"
#include "editor/VeskPanel.h"
#include "tests/editor/EditorTestSupport.h"

namespace {

class LedTest : public EditorTest {
 protected:
  LedTest() : panel(new TVeskPanel(&root)) {
    panel->Name = "pMain";  // painted in panels_SettingsPanelColor, $480B0B
    panel->SetBounds(10, 10, 300, 100);
    led = new TLED(panel);
    led->SetBounds(20, 20, 13, 13);
  }
  TVeskPanel* panel;
  TLED* led;
};

}  // namespace

// A 13 x 13 LED: centre (6.5, 6.5), core radius r = 3.5; pixel centres at half coordinates.
TEST_F(LedTest, PixelsBlendCoreRimOutlineAndGround) {
  struct TCase {
    const char* what;
    bool state, outline;
    int x, y;
    TColor expected;
  };
  const TColor ground = 0x480B0B;
  const TCase cases[] = {
      {"centre, lit: the inner colour", true, false, 6, 6, 0x75FFFF},
      {"d = 3: blend(outer, inner, sqrt(1 - 3 / 3.5))", true, false, 6, 3, MakeColor(206, 219, 50)},
      {"d = 4: halfway from outer to black, halves to even", true, false, 6, 2, MakeColor(89, 99, 5)},
      {"d = 5: halfway from black to the ground", true, false, 6, 1, MakeColor(6, 6, 36)},
      {"d = 6: the ground itself without an outline", true, false, 6, 0, ground},
      {"d = 5 with the outline", true, true, 6, 1, MakeColor(79, 86, 108)},
      {"d = 6: halfway from the outline to the ground", true, true, 6, 0, MakeColor(84, 92, 145)},
      {"the corner is left to the parent", true, true, 0, 0, ground},
      {"centre, dark: the off inner colour", false, false, 6, 6, 0x408000},
  };
  for (const TCase& c : cases) {
    led->SetState(c.state);
    led->SetOutLine(c.outline);
    EXPECT_EQ(PixelOf(led, c.x, c.y), c.expected) << c.what;
  }
}

TEST_F(LedTest, GreenFollowsTheSkinRedKeepsItsOwnColours) {
  led->SetState(true);
  GuiSettings.led_OnColorInner = 0x0000FF;
  GuiSettings.led_OffColorInner = 0x00FF00;
  led->Invalidate();
  EXPECT_EQ(PixelOf(led, 6, 6), 0x0000FFu) << "read again at the next paint";
  led->SetLedColor(TLedColor::lcRed);
  EXPECT_EQ(PixelOf(led, 6, 6), 0xFFFFFFu) << "cyan-white when lit";
  EXPECT_EQ(PixelOf(led, 6, 3), BlendColor(0xD1C50A, 0xFFFFFF, std::sqrt(1 - 3 / 3.5f)));
  led->SetState(false);
  EXPECT_EQ(PixelOf(led, 6, 6), 0x408000u) << "dark green when off";
}

TEST_F(LedTest, ARowLightsOneLedAtATime) {
  auto* bar = new TLEDBar(panel);
  bar->SetBounds(5, 40, 280, 15);
  bar->SetNumLeds(8);
  bar->SetIndexOn(3);
  bar->SetIndexOn(5);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(bar->Led(i)->State(), i == 5) << i;
  bar->SetIndexOn(8);  // NumLeds or more: all off, read back as none
  EXPECT_EQ(bar->IndexOn(), -1);
  for (int i = 0; i < 16; ++i) EXPECT_FALSE(bar->Led(i)->State());
  bar->SetIndexOn(7);
  bar->SetIndexOn(-1);
  EXPECT_FALSE(bar->Led(7)->State());
  bar->SetIndexOn(7);
  bar->SetNumLeds(4);
  EXPECT_EQ(bar->IndexOn(), -1) << "a lit LED beyond fewer LEDs goes out";
  EXPECT_FALSE(bar->Led(4)->Visible());
}

TEST_F(LedTest, TheStepRowLaysOutItsLedsOnTheStepPitch) {
  auto* bar = new TLEDBar(panel);  // the playing step: 16 LEDs of 12 on a 30-pixel pitch from 40
  bar->SetLedSize(12);
  bar->SetBounds(5, 40, 530 - 250, 15);
  EXPECT_EQ(bar->Led(0)->BoundsRect(), (TRect{49, 2, 61, 14}));  // 40 + round(18 / 2), round(3 / 2)
  EXPECT_EQ(bar->Led(3)->Left(), 49 + 90);
  const TGuiSettings& s = GuiSettings;
  EXPECT_EQ(PixelOf(bar, 1, 0), s.panels_OutlineColor);
  EXPECT_EQ(PixelOf(bar, 0, 0), 0x480B0Bu) << "rounded corner shows the panel";
  EXPECT_EQ(PixelOf(bar, 20, 7), s.scr_BackColor);
  EXPECT_EQ(PixelOf(bar->Led(0), 0, 0), s.scr_BackColor) << "the LEDs fade into the row's colour";
}

TEST_F(LedTest, ThePageRowHasDashesAndOutlinedLedsWithoutBorder) {
  auto* bar = new TLEDBar(panel);  // the shown page: 4 outlined red LEDs of 11 on a 17-pixel pitch
  bar->BeginLoading();
  bar->SetBounds(5, 40, 67, 13);
  bar->SetNumLeds(4);
  bar->SetBoxLnLeftOfs(0);
  bar->SetBoxWidth(17);
  bar->SetLedSize(11);
  bar->SetDrawBorder(false);
  bar->SetDrawLines(true);
  bar->SetLineSize(1);
  bar->SetLedOutline(true);
  bar->SetLedColor(TLedColor::lcRed);
  bar->EndLoading();
  EXPECT_EQ(bar->Led(1)->BoundsRect(), (TRect{20, 1, 31, 12}));  // 0 + round(6 / 2) + 17
  EXPECT_TRUE(bar->Led(2)->OutLine());
  EXPECT_EQ(bar->Led(2)->LedColor(), TLedColor::lcRed);
  const TColor outline = GuiSettings.panels_OutlineColor;
  // Dashes at 17, 34 and 51, from d - 1 to d + 1 (the end left out), on y = 6.
  for (int d : {17, 34, 51}) {
    EXPECT_EQ(PixelOf(bar, d - 1, 6), outline) << d;
    EXPECT_EQ(PixelOf(bar, d, 6), outline) << d;
  }
  EXPECT_EQ(PixelOf(bar, 1, 6), 0x480B0Bu) << "no border: the panel shows";
  // An 11-pixel LED: r = 2.5; (0, 5) lies at d = 5, halfway from the outline to the ground,
  // which without a border is the panel's colour.
  EXPECT_EQ(PixelOf(bar->Led(0), 0, 5), BlendColor(outline, 0x480B0B, 0.5f));
}
