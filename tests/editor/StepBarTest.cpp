// Step lines and step bars: layout, tags and names per page, boxes in use, highlight, the
// change they report, and selecting a row with its caption or LED.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "editor/DragBoxBar.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/editor/StepRows.h"

namespace {

class StepBarTest : public EditorTest {
 protected:
  StepBarTest() : EditorTest(700, 300) {}

  // A bar as the editor configures its velocity row, at another place and number.
  TDragBoxBar* VelocityBar(int top, int barNum) {
    TStepRowSetup row = StepRowSetups()[4];
    row.top = top;
    row.barNum = barNum;
    return MakeStepBar(&root, row);
  }
};

}  // namespace

TEST_F(StepBarTest, BarPartsAreLaidOutFromTheSkinMetrics) {
  TDragBoxBar* bar = VelocityBar(10, 4);
  EXPECT_EQ(bar->Label()->BoundsRect(), (TRect{21, 3, 110, 18}));
  EXPECT_EQ(bar->Led()->BoundsRect(), (TRect{4, 4, 17, 17}));
  EXPECT_EQ(bar->Line()->BoundsRect(), (TRect{110, 3, 590, 18}));
  EXPECT_EQ(bar->Label()->Caption(), "VELOCITY:");
  for (int i = 0; i < 16; ++i) EXPECT_EQ(bar->Line()->Box(i)->BoundsRect(), (TRect{30 * i + 1, 0, 30 * i + 29, 15}));
  // A taller bar centres its LED: c = round((24 - 13) / 2) = round(5.5) = 6.
  bar->SetBounds(8, 10, 600, 24);
  EXPECT_EQ(bar->Led()->BoundsRect(), (TRect{6, 6, 19, 18}));
}

TEST_F(StepBarTest, EveryBoxKnowsItsStepOnEveryPage) {
  TDragBoxBar* bar = VelocityBar(10, 4);
  TDragBoxLine* line = bar->Line();
  EXPECT_EQ(line->ParamTag1(), 512);
  EXPECT_EQ(line->ValueSteps(), 9);
  EXPECT_EQ(line->ValueDefault(), 96);
  bar->SetPage(2);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(line->Box(i)->GetParamTag(), 512 + 2 * 16 + i);
    EXPECT_EQ(line->Box(i)->GetParamNam(), "Velocity_" + std::to_string(33 + i));
    EXPECT_EQ(line->Box(i)->NumPages(), 4);
  }
  EXPECT_EQ(line->Box(15)->GetPageParamNam(3), "Velocity_64");
  EXPECT_EQ(bar->ShownPage(), 2);
}

TEST_F(StepBarTest, TheChainLineUsesEightBoxesOnOnePage) {
  for (bool tagFirst : {false, true}) {
    auto line = std::make_unique<TDragBoxLine>(&root);
    line->SetBounds(125, 20, 240, 15);
    if (tagFirst) line->SetParamTag1(85);
    line->SetPageNumSteps(8);
    line->SetParamTag1(85);
    line->SetParamNam1("ChainProg");
    line->SetMin(0);
    line->SetMax(64);
    line->SetValueList({"-"});
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(line->Box(i)->GetParamTag(), 85 + i);
      EXPECT_EQ(line->Box(i)->GetParamNam(), "ChainProg_" + std::to_string(i + 1));
      EXPECT_TRUE(line->Box(i)->Visible());
    }
    for (int i = 8; i < 16; ++i) {
      EXPECT_EQ(line->Box(i)->ParamTag(), 0) << "box " << i << (tagFirst ? ", tag set first" : "");
      EXPECT_FALSE(line->Box(i)->Visible());
    }
    EXPECT_EQ(line->Box(0)->DisplayText(0), "-");
    EXPECT_EQ(line->Box(1)->DisplayText(5), "5");
    // Ignored: tags of 0 or less.
    line->SetParamTag1(0);
    EXPECT_EQ(line->ParamTag1(), 85);
  }
}

TEST_F(StepBarTest, BoxesTakenBackIntoUseGetTheLinesSettings) {
  TDragBoxLine* line = new TDragBoxLine(&root);
  line->SetPageNumSteps(4);
  line->SetParamTag1(256);
  line->SetParamNam1("Semitone");
  line->SetMin(-12);
  line->SetMax(12);
  line->SetPageNumSteps(16);
  EXPECT_EQ(line->Box(9)->GetParamTag(), 265);
  EXPECT_EQ(line->Box(9)->GetParamNam(), "Semitone_10");
  EXPECT_EQ(line->Box(9)->DisplayText(line->Box(9)->PositionOf(3)), "+3");
}

TEST_F(StepBarTest, HighlightMarksOneBox) {
  TDragBoxLine* line = VelocityBar(10, 4)->Line();
  line->Highlight(3);
  line->Highlight(5);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(line->Box(i)->Highlighted(), i == 5);
  EXPECT_EQ(PixelOf(line->Box(5), 0, 0), GuiSettings.box_FontColorActive);
  line->Highlight(-1);
  EXPECT_FALSE(line->Box(5)->Highlighted());
  EXPECT_EQ(PixelOf(line->Box(5), 0, 0), GuiSettings.box_LineColor);
}

TEST_F(StepBarTest, ABoxChangeReachesTheBarsListenerWithItsTagNameAndValue) {
  TDragBoxBar* bar = VelocityBar(10, 4);
  bar->SetPage(1);
  std::vector<std::string> seen;
  bar->Line()->OnBoxChange = [&](TDragBox* box) { seen.push_back("box " + std::to_string(box->StepIndex())); };
  bar->OnControlChange = [&](int tag, const std::string& name, int value) {
    seen.push_back(name + "[" + std::to_string(tag) + "]=" + std::to_string(value));
  };
  Click(bar->Line()->Box(2), 5, 5, TMouseButton::Right);
  EXPECT_EQ(seen, (std::vector<std::string>{"box 2", "Velocity_19[530]=96"}));
}

TEST_F(StepBarTest, PressingCaptionOrLedSelectsTheRow) {
  std::vector<TDragBoxBar*> bars;
  std::vector<int> selected;
  for (int n = 0; n < 5; ++n) {
    bars.push_back(VelocityBar(10 + 25 * n, n));
    bars.back()->OnBarSelect = [&](int barNum) {
      selected.push_back(barNum);
      for (TDragBoxBar* b : bars) b->ShowSelection(barNum);  // as the form answers
    };
  }
  Click(bars[3]->Label(), 40, 7);
  Click(bars[1]->Led(), 6, 6);
  Click(bars[2]->Label(), 40, 7, TMouseButton::Right);
  EXPECT_EQ(selected, (std::vector<int>{3, 1}));
  Move(&root, 650, 290);  // off the captions, so none is lit by hovering
  const TGuiSettings& s = GuiSettings;
  for (int n = 0; n < 5; ++n) {
    EXPECT_EQ(bars[n]->Selected(), n == 1);
    EXPECT_EQ(bars[n]->Led()->State(), n == 1);
    const TRect caption{0, 0, 89, 15};
    EXPECT_EQ(CountColor(bars[n]->Label(), caption, s.bar_LabelFontColorHighlight) > 0, n == 1) << n;
    EXPECT_EQ(CountColor(bars[n]->Label(), caption, s.box_LabelFontColorInActive) > 0, n != 1) << n;
  }
  // The LED's centre shows the lit inner colour on the selected row only.
  EXPECT_EQ(PixelOf(bars[1]->Led(), 6, 6), s.led_OnColorInner);
  EXPECT_EQ(PixelOf(bars[0]->Led(), 6, 6), s.led_OffColorInner);
}

TEST_F(StepBarTest, HoveringBrightensOnlyAnUnselectedCaption) {
  TDragBoxBar* bar = VelocityBar(10, 4);
  TDragBoxBar* other = VelocityBar(40, 3);
  bar->ShowSelection(4);
  other->ShowSelection(4);
  const std::vector<TColor> selectedLook = Snapshot(bar->Label());
  Move(bar->Label(), 40, 7);
  EXPECT_FALSE(bar->Label()->Hovered());
  EXPECT_EQ(Snapshot(bar->Label()), selectedLook) << "hovering the selected caption changes nothing";
  const std::vector<TColor> darkLook = Snapshot(other->Label());
  Move(other->Label(), 40, 7);
  EXPECT_TRUE(other->Label()->Hovered());
  EXPECT_GT(CountColor(other->Label(), other->Label()->ClientRect(), GuiSettings.bar_LabelFontColorHighlight), 0);
  Move(bar->Line(), 5, 5);
  EXPECT_EQ(Snapshot(other->Label()), darkLook);
}

TEST_F(StepBarTest, PaintsARoundedBarWithTheCaptionAtTheRight) {
  TDragBoxBar* bar = VelocityBar(10, 4);
  const TGuiSettings& s = GuiSettings;
  EXPECT_EQ(PixelOf(bar, 0, 0), kBackdrop) << "rounded corner";
  EXPECT_EQ(PixelOf(bar, 1, 0), s.panels_OutlineColor);
  EXPECT_EQ(PixelOf(bar, 599, 10), s.panels_OutlineColor);
  EXPECT_EQ(PixelOf(bar, 2, 2), s.bar_FillColor);
  EXPECT_EQ(PixelOf(bar->Led(), 0, 0), s.bar_FillColor) << "the LED's edge fades into the bar";
  EXPECT_EQ(PixelOf(bar->Line(), 0, 5), s.bar_FillColor) << "the gap before box 0";
  // The caption ends BarLabelMargin pixels before the label's right edge.
  TCanvas probe(1, 1);
  probe.SetFont(s.BoxFont);
  const int right = 89 - 10, left = right - probe.TextWidth("VELOCITY:");
  EXPECT_EQ(CountColor(bar->Label(), {right, 0, 89, 15}, s.box_LabelFontColorInActive), 0);
  EXPECT_EQ(CountColor(bar->Label(), {0, 0, left, 15}, s.box_LabelFontColorInActive), 0);
  EXPECT_GT(CountColor(bar->Label(), {left, 0, right, 15}, s.box_LabelFontColorInActive), 0);
}
