// The labelled value box with its two arrows: layout, stepping, the value-list request,
// forwarded settings and the change it reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/DragBoxBt.h"
#include "tests/editor/EditorTestSupport.h"

namespace {

class DragBoxBtTest : public EditorTest {
 protected:
  DragBoxBtTest() : bt(new TDragBoxBt(&root)) {
    bt->SetBounds(30, 40, 80, 27);
    bt->SetCaption("current chain");
    bt->SetParamTag(18);
    bt->SetParamNam("CurChain");
    bt->SetMin(0);
    bt->SetMax(8);
    bt->SetValueList({"---"});
    bt->OnControlChange = [this](int tag, const std::string& name, int value) {
      changes.push_back(name + "[" + std::to_string(tag) + "]=" + std::to_string(value));
    };
  }
  TDragBoxBt* bt;
  std::vector<std::string> changes;
};

}  // namespace

TEST_F(DragBoxBtTest, ArrowsAndBoxSitBelowTheCaption) {
  EXPECT_EQ(bt->LeftArrow()->BoundsRect(), (TRect{0, 12, 13, 27}));
  EXPECT_EQ(bt->RightArrow()->BoundsRect(), (TRect{67, 12, 80, 27}));
  EXPECT_EQ(bt->Box()->BoundsRect(), (TRect{14, 12, 66, 27}));
  bt->SetBounds(0, 0, 168, 27);  // at the parent's corner too
  EXPECT_EQ(bt->Box()->BoundsRect(), (TRect{14, 12, 154, 27}));
  EXPECT_EQ(bt->RightArrow()->Left(), 155);
}

TEST_F(DragBoxBtTest, SettingsReachTheInnerBox) {
  TDragBox* box = bt->Box();
  bt->SetValueSuffix("%");
  bt->SetValueDefault(3);
  bt->SetSensity(40);
  bt->SetValueGrey(0);
  bt->SetValueSteps(5);
  EXPECT_EQ(box->ParamTag(), 18);
  EXPECT_EQ(box->ParamNam(), "CurChain");
  EXPECT_EQ(box->Max(), 8);
  EXPECT_EQ(box->ValueList(), std::vector<std::string>{"---"});
  EXPECT_EQ(box->ValueSuffix(), "%");
  EXPECT_EQ(box->ValueDefault(), 3);
  EXPECT_EQ(box->Sensity(), 40);
  EXPECT_EQ(box->ValueGrey(), 0);
  EXPECT_EQ(box->NotchCount(), 5);
  bt->SetPageValue(0, 4);
  EXPECT_EQ(bt->GetValue(), 4);
  EXPECT_EQ(bt->GetParamTag(), 18);
  EXPECT_EQ(bt->GetParamNam(), "CurChain");
}

// The current-chain box follows the number of chains: after its Max is lowered, the arrows step
// through exactly Min..Max, one value per press.
TEST_F(DragBoxBtTest, ArrowsStepOneValueAfterTheRangeChanged) {
  bt->SetMax(3);
  for (int i = 0; i < 5; ++i) Click(bt->RightArrow(), 6, 7);
  for (int i = 0; i < 5; ++i) Click(bt->LeftArrow(), 6, 7);
  EXPECT_EQ(changes, (std::vector<std::string>{"CurChain[18]=1", "CurChain[18]=2", "CurChain[18]=3", "CurChain[18]=2",
                                               "CurChain[18]=1", "CurChain[18]=0"}));
  EXPECT_EQ(bt->Box()->DisplayText(bt->Box()->Position()), "---");
}

// Coarse notches: a value between two of them shows as itself, and the arrows go to the notch
// above and the one just below it.
TEST_F(DragBoxBtTest, ArrowsMoveAValueBetweenNotchesToTheNotchesAroundIt) {
  bt->SetValueList({});
  bt->SetMax(127);
  bt->SetValueSteps(9);
  bt->Box()->SetPageValue(0, 100);
  EXPECT_EQ(bt->Box()->ShownText(), "100");
  Click(bt->RightArrow(), 6, 7);
  bt->Box()->SetPageValue(0, 100);
  Click(bt->LeftArrow(), 6, 7);
  Click(bt->LeftArrow(), 6, 7);
  EXPECT_EQ(changes, (std::vector<std::string>{"CurChain[18]=112", "CurChain[18]=96", "CurChain[18]=80"}));
}

TEST_F(DragBoxBtTest, DraggingTheBoxReportsTagNameAndValue) {
  Press(bt->Box(), 10, 7);
  Move(bt->Box(), 10, -20);  // round(27 * 0.2 * 0.1 * 3) = round(1.62)
  Release(bt->Box(), 10, -20);
  EXPECT_EQ(changes, std::vector<std::string>{"CurChain[18]=2"});
}

TEST_F(DragBoxBtTest, WithAMenuTheArrowsAskForTheList) {
  struct TPopup {
    int tag;
    std::string name;
    int x, y;
    std::vector<std::string> list;
  };
  std::vector<TPopup> popups;
  bt->OnControlMenuPopup = [&](int tag, const std::string& name, int x, int y, const std::vector<std::string>& list) {
    popups.push_back({tag, name, x, y, list});
  };
  bt->SetHasMenu(true);
  EXPECT_EQ(bt->LeftArrow()->Direction(), TArrowDirection::Down);
  EXPECT_EQ(bt->RightArrow()->Direction(), TArrowDirection::Down);
  EXPECT_TRUE(bt->Box()->MenuMode());
  Click(bt->LeftArrow(), 6, 7);
  Click(bt->RightArrow(), 6, 7);
  ASSERT_EQ(popups.size(), 2u);
  EXPECT_TRUE(changes.empty()) << "the arrows do not step";
  EXPECT_EQ(popups[0].tag, 18);
  EXPECT_EQ(popups[0].name, "CurChain");
  // Below the box's left edge, in screen coordinates (the window's when it has no place).
  EXPECT_EQ(popups[0].x, 30 + 14);
  EXPECT_EQ(popups[0].y, 40 + 27);
  EXPECT_EQ(popups[0].list, std::vector<std::string>{"---"});
  bt->SetHasMenu(false);
  EXPECT_EQ(bt->LeftArrow()->Direction(), TArrowDirection::Left);
  EXPECT_EQ(bt->RightArrow()->Direction(), TArrowDirection::Right);
  Click(bt->RightArrow(), 6, 7);
  EXPECT_EQ(changes, std::vector<std::string>{"CurChain[18]=1"});
}

TEST_F(DragBoxBtTest, PaintsTheCaptionAboveAndArrowsWithHover) {
  const TGuiSettings& s = GuiSettings;
  EXPECT_GT(CountColor(bt, {0, 0, 80, 12}, s.box_LabelFontColor), 10) << "caption";
  TArrowBt* left = bt->LeftArrow();
  EXPECT_EQ(PixelOf(left, 0, 0), s.box_LineColor);
  EXPECT_EQ(PixelOf(left, 1, 1), s.btn_FillColor);
  // The left chevron's tip at (round(13 / 3), 15 / 2) = (4, 7), drawn with a 2-pixel pen.
  EXPECT_EQ(PixelOf(left, 4, 7), s.btn_FontColor);
  EXPECT_EQ(PixelOf(left, 7, 4), s.btn_FontColor);
  EXPECT_EQ(PixelOf(left, 8, 7), s.btn_FillColor);
  EXPECT_EQ(PixelOf(bt->RightArrow(), 8, 7), s.btn_FontColor) << "right tip at 13 - 4 - 1";
  Move(left, 6, 2);
  EXPECT_TRUE(left->Hovered());
  EXPECT_EQ(PixelOf(left, 1, 1), s.btn_FillColorActive);
  Move(bt->Box(), 6, 2);
  EXPECT_FALSE(left->Hovered());
  EXPECT_EQ(PixelOf(left, 1, 1), s.btn_FillColor);
  bt->SetHasMenu(true);  // the down chevron's tip at (round(6.5), 7 + 2) = (6, 9)
  EXPECT_EQ(PixelOf(left, 6, 9), s.btn_FontColor);
  EXPECT_EQ(PixelOf(left, 3, 6), s.btn_FontColor);
}
