// Value boxes: positions and values, display texts, dragging, right-click reset, stepping,
// page-addressed names and tags, and how a box paints itself.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "editor/DragBox.h"
#include "tests/editor/EditorTestSupport.h"

namespace {

struct TBoxSetup {
  int min, max, steps;
  std::vector<std::string> list;
  std::string suffix;
};

void Configure(TDragBox& box, const TBoxSetup& s) {
  box.SetMin(s.min);
  box.SetMax(s.max);
  box.SetValueSteps(s.steps);
  box.SetValueList(s.list);
  box.SetValueSuffix(s.suffix);
}

class DragBoxTest : public EditorTest {
 protected:
  DragBoxTest() : box(new TDragBox(&root)) {
    box->SetBounds(20, 20, 52, 15);
    box->OnChange = [this](TDragBox* b) { changes.push_back({b->GetParamTag(), b->GetValue()}); };
  }
  struct TChange {
    int tag, value;
    bool operator==(const TChange&) const = default;
  };
  TDragBox* box;
  std::vector<TChange> changes;
};

}  // namespace

TEST_F(DragBoxTest, ValuesMapOntoNotchesAndShowTheirTexts) {
  const std::vector<std::string> noteNames = {"C0", "C#0", "D0"};
  struct TCase {
    const char* what;
    TBoxSetup setup;
    int value;
    int position;
    const char* shown;
  };
  const TCase cases[] = {
      {"velocity between notches shows itself", {0, 127, 9, {}, ""}, 100, 6, "100"},
      {"velocity on a notch", {0, 127, 9, {}, ""}, 96, 6, "96"},
      {"velocity top", {0, 127, 9, {}, ""}, 127, 8, "127"},
      {"velocity below the first notch", {0, 127, 9, {}, ""}, 15, 0, "15"},
      {"swing positive gets a plus", {-50, 50, 0, {}, "%"}, 10, 60, "+10%"},
      {"swing zero", {-50, 50, 0, {}, "%"}, 0, 50, "0%"},
      {"swing negative", {-50, 50, 0, {}, "%"}, -10, 40, "-10%"},
      {"signed range", {-12, 12, 0, {}, ""}, 5, 17, "+5"},
      {"signed range zero", {-12, 12, 0, {}, ""}, 0, 12, "0"},
      {"signed range below", {-12, 12, 0, {}, ""}, -5, 7, "-5"},
      {"dash for the lowest", {-1, 127, 0, {"---"}, ""}, -1, 0, "---"},
      {"numbers past the list, no plus with a list", {-1, 127, 0, {"---"}, ""}, 5, 6, "5"},
      {"a single empty entry shows numbers", {1, 16, 0, {""}, ""}, 8, 7, "8"},
      {"list entry", {0, 127, 0, noteNames, ""}, 1, 1, "C#0"},
      {"value below the range sits at position 0", {1, 16, 0, {}, ""}, -5, 0, "1"},
      {"gate of 28 %", {1, 100, 0, {}, "%"}, 28, 27, "28%"},
      {"swing of 7 %", {-50, 50, 0, {}, "%"}, 7, 57, "+7%"},
  };
  for (const TCase& c : cases) {
    Configure(*box, c.setup);
    box->SetValue(c.value);
    EXPECT_EQ(box->Position(), c.position) << c.what;
    EXPECT_EQ(box->ShownText(), c.shown) << c.what;
  }
}

TEST_F(DragBoxTest, NineVelocityNotches) {
  Configure(*box, {0, 127, 9, {}, ""});
  std::vector<int> values;
  for (int p = 0; p < box->NotchCount(); ++p) values.push_back(box->ValueOf(p));
  EXPECT_EQ(values, (std::vector<int>{0, 16, 32, 48, 64, 80, 96, 112, 127}));
  EXPECT_EQ(box->MaxPosition(), 8);
}

// Coarse notches move a stored value that lies between two of them to the notch above or the
// one just below it, by drag and by StepNotches (the arrows); back where a drag began, the
// value it began with is shown again.
TEST_F(DragBoxTest, CoarseNotchesMoveAStoredValueToTheNotchesAroundIt) {
  Configure(*box, {0, 127, 9, {}, ""});
  box->SetValueDefault(100);
  struct TCase {
    const char* what;
    int stored;
    int notches;  // StepNotches, and a drag of as many notches (17 pixels each at 9 notches)
    int reached;
  };
  const TCase cases[] = {
      {"up from between", 100, 1, 112},    {"down from between", 100, -1, 96},
      {"two down from between", 100, -2, 80}, {"up from a notch", 96, 1, 112},
      {"down from a notch", 96, -1, 80},   {"down below the first notch", 15, -1, 0},
      {"up past the top", 120, 1, 127},    {"down from the top", 127, -1, 112},
  };
  for (const TCase& c : cases) {
    box->SetPageValue(0, c.stored);
    changes.clear();
    box->StepNotches(c.notches);
    EXPECT_EQ(box->GetValue(), c.reached) << c.what;
    EXPECT_EQ(changes, (std::vector<TChange>{{0, c.reached}})) << c.what;

    box->SetPageValue(0, c.stored);
    Press(box, 10, 8);
    Move(box, 10, 8 - 17 * c.notches);
    EXPECT_EQ(box->GetValue(), c.reached) << "drag " << c.what;
    Move(box, 10, 8);
    EXPECT_EQ(box->GetValue(), c.stored) << "dragged back " << c.what;
    Release(box, 10, 8);
  }
  box->SetPageValue(0, 50);
  Click(box, 5, 5, TMouseButton::Right);
  EXPECT_EQ(box->ShownText(), "100") << "a right click restores the default value itself";
  box->StepBy(box->Position());
  EXPECT_EQ(box->GetValue(), 96) << "StepBy to its own notch moves the value onto it";
}

// Every whole value of every range the editor uses comes back as itself: the mapping must not
// lose a value to rounding (1..100 and -50..50 did, when dividing before multiplying).
TEST_F(DragBoxTest, OneNotchPerValueRangesGiveEveryValueBack) {
  const std::pair<int, int> ranges[] = {{0, 16}, {1, 16}, {0, 127}, {0, 7}, {0, 12}, {0, 8}, {1, 64}, {0, 11},
                                        {1, 100}, {-50, 50}, {0, 1}, {0, 6}, {-3, 3}, {-12, 12}, {-1, 127},
                                        {0, 64}, {-2, 2}, {0, 3}};
  for (auto [min, max] : ranges) {
    Configure(*box, {min, max, 0, {}, ""});
    EXPECT_EQ(box->NotchCount(), max - min + 1);
    for (int v = min; v <= max; ++v) {
      ASSERT_EQ(box->PositionOf(v), v - min) << min << ".." << max << " value " << v;
      ASSERT_EQ(box->ValueOf(v - min), v) << min << ".." << max;
    }
  }
}

TEST_F(DragBoxTest, DraggingMovesBySensityAndTheSquareRootOfTheNotches) {
  Configure(*box, {0, 127, 0, {}, ""});
  box->SetValue(64);
  changes.clear();
  Press(box, 10, 8);
  EXPECT_TRUE(box->Dragging());
  EXPECT_EQ(window.Cursor(), TCursor::SizeNS);
  Move(box, 10, -2);  // 10 pixels up: round(10 * 0.2 * 0.1 * sqrt(128)) = round(2.26)
  EXPECT_EQ(box->GetValue(), 66);
  Move(box, 40, -2);  // sideways: nothing
  EXPECT_EQ(changes.size(), 1u);
  Move(box, 10, 18);  // 10 pixels below the start
  EXPECT_EQ(box->GetValue(), 62);
  Release(box, 10, 18);
  EXPECT_FALSE(box->Dragging());
  EXPECT_EQ(window.Cursor(), TCursor::Default);
  EXPECT_EQ(changes, (std::vector<TChange>{{0, 66}, {0, 62}}));

  // With Shift: round(10 * 0.2 * 0.02 * sqrt(128)) = round(0.45) = 0; 60 pixels make 2.7 -> 3.
  Press(box, 10, 8, TMouseButton::Left, ssShift);
  Move(box, 10, -2, ssShift);
  EXPECT_EQ(box->GetValue(), 62);
  Move(box, 10, -52, ssShift);
  EXPECT_EQ(box->GetValue(), 65);
  // Far beyond either end: limited to the range, one change at the end.
  Move(box, 10, -5000);
  EXPECT_EQ(box->GetValue(), 127);
  Move(box, 10, 5000);
  EXPECT_EQ(box->GetValue(), 0);
  Release(box, 10, 5000);
}

TEST_F(DragBoxTest, AHigherSensityMovesFaster) {
  Configure(*box, {0, 8, 0, {}, ""});  // 9 notches: 3 per 10 pixels at 100 %
  box->SetSensity(100);
  Press(box, 5, 5);
  Move(box, 5, -5);
  EXPECT_EQ(box->GetValue(), 3);
  Release(box, 5, -5);
}

TEST_F(DragBoxTest, RightClickResetsToTheDefaultAndAlwaysReports) {
  Configure(*box, {-12, 12, 0, {}, ""});
  box->SetValueDefault(0);
  box->SetValue(7);
  changes.clear();
  Click(box, 5, 5, TMouseButton::Right);
  EXPECT_EQ(box->GetValue(), 0);
  Click(box, 5, 5, TMouseButton::Right);
  EXPECT_EQ(changes, (std::vector<TChange>{{0, 0}, {0, 0}})) << "the second click reports though nothing moved";
  EXPECT_FALSE(box->Dragging());
  Click(box, 5, 5, TMouseButton::Middle);
  EXPECT_EQ(changes.size(), 2u) << "other buttons do nothing";
}

TEST_F(DragBoxTest, MenuModeRaisesTheBoxClickInsteadOfDragging) {
  Configure(*box, {0, 7, 0, {}, ""});
  int clicks = 0;
  box->SetMenuMode(true);
  box->OnBoxClick = [&](TDragBox*) { ++clicks; };
  Press(box, 5, 5);
  Move(box, 5, -100);
  Release(box, 5, -100);
  Click(box, 5, 5, TMouseButton::Right);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(box->GetValue(), 0);
  EXPECT_TRUE(changes.empty());
  box->OnBoxClick = nullptr;  // without a handler the box drags as usual
  Press(box, 5, 5);
  Move(box, 5, -300);
  Release(box, 5, -300);
  EXPECT_EQ(box->GetValue(), 7);
}

TEST_F(DragBoxTest, PushedValuesReportOnlyThroughSetValue) {
  Configure(*box, {0, 127, 9, {}, ""});
  box->SetPageValue(0, 100);
  box->SetPageValue(2, 127);
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(box->GetValue(), 100);
  EXPECT_EQ(box->PagePosition(2), 8);
  box->SetValue(100);  // what it holds: nothing to report
  EXPECT_TRUE(changes.empty());
  box->SetValue(97);  // the same notch, another value
  box->SetValue(20);
  EXPECT_EQ(changes, (std::vector<TChange>{{0, 97}, {0, 20}}));
}

TEST_F(DragBoxTest, AStepBoxIsAddressedByPageAndStep) {
  Configure(*box, {0, 127, 9, {}, ""});
  box->SetPageAddressed(true);
  box->SetParamTag(512);
  box->SetParamNam("Velocity");
  box->SetStepIndex(3);
  EXPECT_EQ(box->GetParamTag(), 515 - 3);
  EXPECT_EQ(box->GetParamNam(), "Velocity_4");
  box->SetPage(2);
  EXPECT_EQ(box->GetParamTag(), 512 + 32);
  EXPECT_EQ(box->GetParamNam(), "Velocity_36");
  EXPECT_EQ(box->GetPageParamNam(3), "Velocity_52");
  box->SetPageAddressed(false);
  EXPECT_EQ(box->GetParamNam(), "Velocity");
  EXPECT_EQ(box->GetParamTag(), 512);
}

TEST_F(DragBoxTest, ResetToDefaultReportsEveryPageWithItsTag) {
  Configure(*box, {0, 127, 9, {}, ""});
  box->SetValueDefault(96);
  box->SetPageAddressed(true);
  box->SetParamTag(512);
  for (int page = 0; page < 4; ++page) box->SetPageValue(page, 16 * page);
  box->SetPage(1);
  box->ResetToDefault();
  EXPECT_EQ(changes, (std::vector<TChange>{{512, 96}, {528, 96}, {544, 96}, {560, 96}}));
  EXPECT_EQ(box->Page(), 1);
  for (int page = 0; page < 4; ++page) EXPECT_EQ(box->PagePosition(page), 6);
}

TEST_F(DragBoxTest, StepByStaysInsideTheRangeAndReportsMoves) {
  Configure(*box, {0, 8, 0, {}, ""});
  box->StepBy(-1);
  EXPECT_TRUE(changes.empty());
  box->StepBy(3);
  box->StepBy(99);
  EXPECT_EQ(changes, (std::vector<TChange>{{0, 3}, {0, 8}}));
}

TEST_F(DragBoxTest, ARangeChangeKeepsTheValueAndMovesTheLimits) {
  Configure(*box, {0, 8, 0, {}, ""});
  box->SetValue(2);
  box->SetMax(3);
  EXPECT_EQ(box->NotchCount(), 4);
  EXPECT_EQ(box->MaxPosition(), 3);
  EXPECT_EQ(box->GetValue(), 2);
  // While loading only the setting is stored; the mapping follows when loading ends.
  box->BeginLoading();
  box->SetMax(127);
  EXPECT_EQ(box->MaxPosition(), 3);
  box->EndLoading();
  EXPECT_EQ(box->MaxPosition(), 127);
}

TEST_F(DragBoxTest, PaintsFillTextAndOutline) {
  Configure(*box, {0, 127, 9, {}, ""});
  box->SetValue(100);  // between two notches: the value itself is shown
  const TGuiSettings& s = GuiSettings;
  // Centred: round((52 - text width) / 2), round((15 - text height) / 2).
  TCanvas probe(1, 1);
  probe.SetFont(s.BoxFont);
  const int x = static_cast<int>(std::nearbyint((52 - probe.TextWidth("100")) / 2.0));
  const int y = static_cast<int>(std::nearbyint((15 - probe.TextHeight("100")) / 2.0));
  std::vector<TColor> expected = RenderedText(52, 15, s.box_FillColor, s.BoxFont, s.box_FontColorActive, x, y, "100");
  for (int i = 0; i < 52; ++i) expected[i] = expected[14 * 52 + i] = s.box_LineColor;
  for (int j = 0; j < 15; ++j) expected[j * 52] = expected[j * 52 + 51] = s.box_LineColor;
  EXPECT_EQ(Snapshot(box), expected);
}

TEST_F(DragBoxTest, ColoursFollowGreyActiveAndHighlight) {
  const TGuiSettings& s = GuiSettings;
  const TRect inside{1, 1, 51, 14};
  Configure(*box, {0, 127, 0, {}, ""});
  box->SetValueGrey(127);
  box->SetValue(127);
  EXPECT_GT(CountColor(box, inside, s.box_FontColor), 0) << "the grey value is dim";
  EXPECT_EQ(CountColor(box, inside, s.box_FontColorActive), 0);
  box->SetValue(126);
  EXPECT_EQ(CountColor(box, inside, s.box_FontColor), 0);
  EXPECT_GT(CountColor(box, inside, s.box_FontColorActive), 0);
  box->SetValueGrey(-999);
  EXPECT_EQ(PixelOf(box, 0, 0), s.box_LineColor);
  EXPECT_EQ(PixelOf(box, 2, 2), s.box_FillColor);
  Press(box, 5, 5);
  EXPECT_EQ(PixelOf(box, 2, 2), s.box_FillColorActive) << "active while dragging";
  Release(box, 5, 5);
  EXPECT_EQ(PixelOf(box, 2, 2), s.box_FillColor);
  box->SetHighlighted(true);
  EXPECT_EQ(PixelOf(box, 0, 0), s.box_FontColorActive);
  EXPECT_EQ(PixelOf(box, 51, 14), s.box_FontColorActive);
}
