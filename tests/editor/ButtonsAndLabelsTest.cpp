// Check boxes, flat buttons, labels, section headings and panels: what they report, how the
// mouse changes them, and what they draw.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/BlockLabel.h"
#include "editor/Globals.h"
#include "editor/PaintHelpers.h"
#include "editor/TopVeskPanel.h"
#include "editor/VeskButton.h"
#include "editor/VeskCheckBox.h"
#include "editor/VeskLabel.h"
#include "editor/VeskPanel.h"
#include "tests/editor/EditorTestSupport.h"

namespace {

class CheckBoxTest : public EditorTest {
 protected:
  CheckBoxTest() : box(new TVeskCheckBox(&root)) {
    box->SetBounds(20, 20, 83, 15);
    box->SetCaption("arp enabled");
    box->SetParamTag(3);
    box->SetParamNam("ArpEnabled");
    box->OnCheck = [this](bool on) { seen.push_back(on ? "check on" : "check off"); };
    box->OnControlChange = [this](int tag, const std::string& name, int value) {
      seen.push_back(name + "[" + std::to_string(tag) + "]=" + std::to_string(value));
    };
  }
  TVeskCheckBox* box;
  std::vector<std::string> seen;
};

}  // namespace

TEST_F(CheckBoxTest, EveryPressTogglesAndReports) {
  Click(box, 5, 5);
  Click(box, 5, 5, TMouseButton::Right);
  box->SetValue(0);  // the value it has: reported all the same
  EXPECT_EQ(seen, (std::vector<std::string>{"check on", "ArpEnabled[3]=1", "check off", "ArpEnabled[3]=0",
                                            "check off", "ArpEnabled[3]=0"}));
  EXPECT_EQ(box->Min(), 0);
  EXPECT_EQ(box->Max(), 1);
}

TEST_F(CheckBoxTest, PushedValuesAndLoadingReportNothing) {
  box->SetPageValue(2, 1);
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(box->GetValue(), 1);
  box->SetPageValue(0, 7);  // anything but 1 is off
  EXPECT_FALSE(box->Checked());
  box->BeginLoading();
  box->SetChecked(true);  // the design state becomes the default
  box->EndLoading();
  EXPECT_EQ(box->ValueDefault(), 1);
  EXPECT_TRUE(seen.empty());
  box->ResetToDefault();  // already at its default: nothing
  EXPECT_TRUE(seen.empty());
  box->SetPageValue(0, 0);
  box->ResetToDefault();
  EXPECT_EQ(seen, (std::vector<std::string>{"check on", "ArpEnabled[3]=1"}));
  EXPECT_EQ(box->GetPageParamNam(3), "ArpEnabled");
}

TEST_F(CheckBoxTest, PaintsTheSquareAndACaptionLitWhenCheckedOrHovered) {
  const TGuiSettings& s = GuiSettings;
  const TRect caption{15, 0, 83, 15};
  EXPECT_EQ(PixelOf(box, 0, 0), s.panels_OutlineColor);
  EXPECT_EQ(PixelOf(box, 11, 14), s.panels_OutlineColor);
  EXPECT_EQ(PixelOf(box, 5, 7), kBackdrop) << "empty when unchecked";
  EXPECT_EQ(PixelOf(box, 12, 7), kBackdrop);
  EXPECT_GT(CountColor(box, caption, s.box_LabelFontColorInActive), 0);
  box->SetPageValue(0, 1);
  EXPECT_EQ(PixelOf(box, 2, 2), s.box_LabelFontColor);
  EXPECT_EQ(PixelOf(box, 9, 12), s.box_LabelFontColor);
  EXPECT_EQ(PixelOf(box, 10, 12), kBackdrop) << "filled from (2, 2) to (10, height - 2)";
  EXPECT_EQ(CountColor(box, caption, s.box_LabelFontColorInActive), 0);
  box->SetPageValue(0, 0);
  Move(box, 40, 5);
  EXPECT_TRUE(box->Hovered());
  EXPECT_GT(CountColor(box, caption, s.box_LabelFontColor), 0);
  EXPECT_EQ(CountColor(box, caption, s.box_LabelFontColorInActive), 0);
}

TEST_F(EditorTest, ButtonHoverShowsTheHandAndTheActiveFill) {
  auto* menu = new TVeskButton(&root);
  menu->SetBounds(8, 55, 62, 16);
  menu->SetCaption("MENU");
  int clicks = 0;
  menu->OnClick1 = [&](TControl*) { ++clicks; };
  const TGuiSettings& s = GuiSettings;
  EXPECT_EQ(PixelOf(menu, 2, 2), s.btn_FillColor);
  EXPECT_EQ(PixelOf(menu, 0, 0), s.panels_OutlineColor);
  EXPECT_GT(CountColor(menu, {1, 1, 61, 15}, s.btn_FontColor), 0);
  Move(menu, 10, 5);
  EXPECT_EQ(window.Cursor(), TCursor::Hand);
  EXPECT_EQ(PixelOf(menu, 2, 2), s.btn_FillColorActive);
  Press(menu, 10, 5);
  EXPECT_EQ(clicks, 1) << "on the press";
  Release(menu, 10, 5);
  Click(menu, 10, 5, TMouseButton::Right);
  EXPECT_EQ(clicks, 1);
  Move(&root, 300, 250);
  EXPECT_EQ(window.Cursor(), TCursor::Default);
  EXPECT_EQ(PixelOf(menu, 2, 2), s.btn_FillColor);
}

TEST_F(EditorTest, ButtonIconsAreChevronsAroundTheMiddle) {
  struct TCase {
    TButtonIcon icon;
    std::vector<TPoint> ink;   // pixels in the font colour
    std::vector<TPoint> fill;  // pixels left in the fill colour
  };
  // 30 x 15: y = 7, b = 15 (16 for the right icon).
  const TCase cases[] = {
      {TButtonIcon::biLeft, {{15, 7}, {18, 4}, {9, 7}, {12, 10}}, {{20, 7}, {6, 7}}},
      {TButtonIcon::biRight, {{19, 7}, {16, 4}, {13, 7}, {10, 10}}, {{21, 7}, {8, 7}}},
      {TButtonIcon::biDown, {{15, 9}, {12, 6}, {18, 6}, {11, 5}, {18, 5}}, {{19, 5}, {15, 4}}},
  };
  auto* button = new TVeskButton(&root);
  button->SetBounds(8, 105, 30, 15);
  for (const TCase& c : cases) {
    button->SetIcon1(c.icon);
    button->Invalidate();
    for (TPoint p : c.ink) EXPECT_EQ(PixelOf(button, p.x, p.y), GuiSettings.btn_FontColor) << p.x << "," << p.y;
    for (TPoint p : c.fill) EXPECT_EQ(PixelOf(button, p.x, p.y), GuiSettings.btn_FillColor) << p.x << "," << p.y;
  }
}

TEST_F(EditorTest, LabelsAlignUnderlineLightAndHideTheirText) {
  const TGuiSettings& s = GuiSettings;
  auto* number = new TVeskLabel(&root);
  number->SetBounds(20, 8, 78, 15);
  number->SetAlignment(TAlignment::taCenter);
  number->SetUnderline(true);
  number->SetLabelType(TLabelType::ltParam);
  number->SetCaption1("1 / 64");
  EXPECT_EQ(number->Font(), s.LabelFont);
  EXPECT_EQ(CountColor(number, {0, 14, 78, 15}, s.box_LabelFontColorInActive), 77) << "the underline leaves out its end";
  const int ink = CountOther(number, {0, 0, 78, 14}, kBackdrop);
  EXPECT_GT(ink, 0);
  // Centred: as much room left as right.
  int left = 0, right = 0;
  while (CountOther(number, {left, 0, left + 1, 14}, kBackdrop) == 0) ++left;
  while (CountOther(number, {77 - right, 0, 78 - right, 14}, kBackdrop) == 0) ++right;
  EXPECT_LE(std::abs(left - right), 2);

  auto* page = new TVeskLabel(&root);
  page->SetBounds(20, 40, 9, 10);
  page->SetLabelType(TLabelType::ltABCD);
  page->SetCaption1("1");
  EXPECT_EQ(page->Font(), (TFontSpec{"Arial", 7, true}));
  const std::vector<TColor> inactive = Snapshot(page);
  page->SetActive(true);
  EXPECT_NE(Snapshot(page), inactive);

  auto* status = new TVeskLabel(&root);
  status->SetBounds(20, 60, 120, 15);
  status->SetCaption1("Beat:");
  EXPECT_EQ(status->Font(), s.InfoFont) << "a new label draws with InfoFont";
  status->SetLabelType(TLabelType::ltStatus);
  status->SetAlignment(TAlignment::taRightJustify);
  EXPECT_EQ(CountOther(status, {0, 0, 90, 15}, kBackdrop), 0) << "right-aligned";
  EXPECT_GT(CountOther(status, {90, 0, 120, 15}, kBackdrop), 0);
  status->SetTextVisible(false);
  EXPECT_EQ(CountOther(status, status->ClientRect(), kBackdrop), 0);
  EXPECT_TRUE(status->Visible()) << "still in its place";
}

// How a hint lays out a long text: lines as wide as the room allows, broken at blanks, inside
// a word only when the word alone is wider, and never an empty line.
TEST(TextLines, LongTextsBreakAtBlanksAndInsideWordsOnlyWhenTheyMust) {
  const TFontFace& face = FontFaceFor(GuiSettings.InfoFont);
  const std::string path = "cannot create /home/someone/a/very/long/folder/name/MT_Bank.fxb.tmp: No space left";
  const struct {
    std::string text;
    int room;
    std::vector<std::string> lines;  // empty: only checked to fit and to rebuild the text
  } cases[] = {
      {"short text", 1000, {"short text"}},
      {"one two three", face.TextWidth("one two") + 1, {"one two", "three"}},
      {"one two three", face.TextWidth("one tw"), {"one", "two", "three"}},
      {"abcdef", face.TextWidth("abc"), {"abc", "def"}},
      {"abc", 1, {"a", "b", "c"}},  // narrower than a character: one each, no endless loop
      {path, 150, {}},
      {"", 100, {}},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> lines = WrapToWidth(face, c.text, c.room);
    if (!c.lines.empty()) {
      EXPECT_EQ(lines, c.lines) << c.text;
    }
    std::string rebuilt;
    for (const std::string& line : lines) {
      EXPECT_FALSE(line.empty()) << c.text;
      if (line.size() > 1) {
        EXPECT_LE(face.TextWidth(line), c.room) << line;
      }
      rebuilt += line;
    }
    std::string unspaced = c.text;
    std::erase(unspaced, ' ');
    std::erase(rebuilt, ' ');
    EXPECT_EQ(rebuilt, unspaced) << "nothing lost but the blanks at the breaks";
  }
  EXPECT_EQ(CutToWidth(face, "abcdef", face.TextWidth("abc")), "abc");
}

TEST_F(EditorTest, ASectionHeadingSitsBetweenTwoRules) {
  auto* heading = new TBlockLabel(&root);
  heading->SetBounds(8, 7, 168, 7);
  heading->SetTextMargin(6);
  heading->SetCaption1("INPUT FILTER");
  TCanvas probe(1, 1);
  probe.SetFont({"Arial", 7, true});
  const int textWidth = probe.TextWidth("INPUT FILTER");
  const int f = static_cast<int>(std::nearbyint((168 - textWidth - 12) / 2.0)), y = 4;  // round(7 / 2)
  const TColor c = GuiSettings.panels_BlockLabelColor;
  EXPECT_EQ(CountColor(heading, {0, y, f, y + 1}, c), f) << "left rule, its end left out";
  EXPECT_EQ(PixelOf(heading, f, y), kBackdrop);
  EXPECT_EQ(CountColor(heading, {168 - f, y, 168, y + 1}, c), f);
  EXPECT_EQ(PixelOf(heading, 168 - f - 1, y), kBackdrop) << "the gap of TextMargin before the rule";
}

TEST_F(EditorTest, PanelsTakeTheirColourByName) {
  const TGuiSettings& s = GuiSettings;
  auto* info = new TVeskPanel(&root);
  info->Name = "pInfo";
  info->SetBounds(0, 0, 100, 40);
  auto* bottom = new TVeskPanel(&root);
  bottom->Name = "pBottom";
  bottom->SetBounds(0, 50, 100, 18);
  auto* chains = new TVeskPanel(&root);
  chains->Name = "pChains";
  chains->SetBounds(0, 80, 100, 40);
  EXPECT_EQ(PixelOf(info, 10, 10), s.panels_InfoPanelColor);
  EXPECT_EQ(PixelOf(bottom, 10, 10), s.panels_BackColor);
  EXPECT_EQ(PixelOf(chains, 10, 10), s.panels_SettingsPanelColor);
  EXPECT_EQ(PixelOf(chains, 0, 0), kBackdrop) << "corner ellipse 6 x 6";
  EXPECT_EQ(PixelOf(chains, 0, 20), s.panels_OutlineColor);
  // A skin without a settings panel colour leaves every panel its own colour.
  GuiSettings.panels_SettingsPanelColor = 0;
  chains->SetColor(0x010203);
  info->Invalidate();
  EXPECT_EQ(PixelOf(chains, 10, 10), 0x010203u);
  EXPECT_EQ(PixelOf(info, 10, 10), TGuiSettings{}.panels_BackColor) << "a new panel's colour";
}

TEST_F(EditorTest, TheTitlePanelDrawsItsTitleAndReportsClicks) {
  window.SetRoot(nullptr);
  THeadlessWindow wide(809, 60);
  wide.SetRoot(&root);
  auto* top = new TTopVeskPanel(&root);
  top->SetBounds(0, 0, 809, 50);
  int clicks = 0;
  top->OnClick = [&](TControl*) { ++clicks; };
  wide.ProcessEvents();
  const TGuiSettings& s = GuiSettings;
  EXPECT_EQ(wide.Pixel(100, 10), s.panels_TopPanelColor);
  TCanvas probe(1, 1);
  probe.SetFont({"Arial", 19, true});
  const int c = static_cast<int>(std::nearbyint((809 - probe.TextWidth("MOLTRIN")) / 2.0)) + 45;
  const int e = c + probe.TextWidth("MOLTRIN");
  EXPECT_EQ(wide.Pixel(c - 11, 18), s.box_LabelFontColor) << "left middle rule";
  EXPECT_EQ(wide.Pixel(c - 89, 18), s.box_LabelFontColor);
  EXPECT_EQ(wide.Pixel(c - 85, 11), s.panels_TopPanelColor) << "the outer rules are shorter";
  EXPECT_EQ(wide.Pixel(e + 89, 18), s.box_LabelFontColor);
  EXPECT_EQ(wide.Pixel(e + 79, 25), s.box_LabelFontColor);
  wide.MouseDown(TMouseButton::Left, 0, 20, 20);
  wide.MouseUp(TMouseButton::Left, 0, 20, 20);
  wide.MouseDown(TMouseButton::Left, 0, 20, 20);
  wide.MouseUp(TMouseButton::Left, 0, 20, 55);  // released off the panel: no click
  EXPECT_EQ(clicks, 1);
  wide.SetRoot(nullptr);
  window.SetRoot(&root);
}
