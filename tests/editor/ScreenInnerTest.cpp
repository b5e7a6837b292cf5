// The pattern screen: rows and labels of every step row and semitone range, grid lines, step
// numbers across pages, bricks with rest runs, and setting steps with the mouse.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "editor/ScreenInner.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/editor/StepRows.h"

namespace {

enum TRow { kSemitone, kOctave, kKeySelect, kStepType, kVelocity };

// The five bars and the screen as the main panel holds them: the grid's left edge is at
// x 40 of the screen, its top at y 5, and it is 480 x 200.
class ScreenInnerTest : public EditorTest {
 protected:
  static constexpr int gl = 40, gt = 5, gh = 200;

  ScreenInnerTest() : EditorTest(640, 400) {
    for (const TStepRowSetup& row : StepRowSetups()) bars.push_back(MakeStepBar(&root, row));
    screen = new TScreenInner(&root);
    screen->SetBounds(78, 35, 530, 220);
    screen->SetRows(Line(kStepType), Line(kKeySelect), Line(kOctave), Line(kSemitone), Line(kVelocity));
    screen->SetNumSteps(16);
    for (TDragBoxBar* bar : bars)
      bar->OnControlChange = [this](int tag, const std::string&, int value) {
        changes.push_back(std::to_string(tag) + "=" + std::to_string(value));
      };
  }

  TDragBoxLine* Line(TRow row) const { return bars[row]->Line(); }
  void Show(TRow row) { screen->SetShownRow(Line(row)); }
  void Play(int steps) {  // every step a normal one, as a fresh program has them
    for (int j = 0; j < steps; ++j) Line(kStepType)->Box(j)->SetPageValue(0, 1);
  }
  void SetSteps(TRow row, const std::vector<int>& values) {
    for (size_t j = 0; j < values.size(); ++j) Line(row)->Box(static_cast<int>(j))->SetPageValue(0, values[j]);
  }
  // The width of the run of `color` starting at (x, y) of the screen.
  int RunLength(int x, int y, TColor color) {
    int n = 0;
    while (PixelOf(screen, x + n, y) == color) ++n;
    return n;
  }
  // The top of the brick on row v of `rows` rows.
  int RowTop(double v, int rows) { return gt + 2 + static_cast<int>(std::nearbyint(gh * (rows - v - 1) / rows)); }

  std::vector<TDragBoxBar*> bars;
  TScreenInner* screen;
  std::vector<std::string> changes;
};

}  // namespace

TEST_F(ScreenInnerTest, RowsAndLabelsOfEveryRowAndRange) {
  struct TCase {
    const char* what;
    TRow row;
    int fineVelocity, semitoneRange;
    int count, offset, divisor;
    std::vector<std::string> labels;  // bottom row first; "" where none is drawn
  };
  const std::vector<std::string> velocity = {"0", "16", "32", "48", "64", "80", "96", "112", "127"};
  const TCase cases[] = {
      {"velocity, nine notches", kVelocity, 0, 0, 9, 0, 1, velocity},
      {"velocity, fine", kVelocity, 1, 0, 9, 0, 16, velocity},
      {"key select", kKeySelect, 0, 0, 7, 0, 1, {"Fixed", "k1", "k2", "k3", "k4", "k5", "Chord"}},
      {"step type", kStepType, 0, 0, 4, 0, 1, {"Off", "Norm", "Rest", "Tie"}},
      {"octave, no plus signs", kOctave, 0, 0, 5, 0, 1, {"-2", "-1", "0", "1", "2"}},
      {"semitone, full", kSemitone, 0, 0, 25, 0, 1,
       {"-12", "", "-10", "", "-8", "", "-6", "", "-4", "", "-2", "", "0", "", "2", "", "4", "", "6", "", "8", "",
        "10", "", "12"}},
      {"semitone, upper", kSemitone, 0, 1, 13, 12, 1, {"0", "", "2", "", "4", "", "6", "", "8", "", "10", "", "12"}},
      {"semitone, lower", kSemitone, 0, 2, 13, 0, 1,
       {"-12", "", "-10", "", "-8", "", "-6", "", "-4", "", "-2", "", "0"}},
      {"semitone, truncated", kSemitone, 0, 3, 15, 5, 1,
       {"-7", "", "-5", "", "-3", "", "-1", "", "1", "", "3", "", "5", "", "7"}},
      {"semitone range applies to the semitone row only", kOctave, 0, 1, 5, 0, 1, {"-2", "-1", "0", "1", "2"}},
  };
  for (const TCase& c : cases) {
    GuiSettings.fine_velocity_increments = c.fineVelocity;
    GuiSettings.matrix_semitone_range = c.semitoneRange;
    Line(kVelocity)->SetValueSteps(c.fineVelocity == 1 ? 0 : 9);  // as the form switches the row
    Show(c.row);
    const TScreenInner::TRowLayout rows = screen->Rows();
    EXPECT_EQ(rows.count, c.count) << c.what;
    EXPECT_EQ(rows.offset, c.offset) << c.what;
    EXPECT_EQ(rows.divisor, c.divisor) << c.what;
    std::vector<std::string> labels;
    for (int r = 0; r < rows.count; ++r) labels.push_back(screen->RowLabel(r));
    EXPECT_EQ(labels, c.labels) << c.what;
  }
}

TEST_F(ScreenInnerTest, LabelsSitLeftOfTheGridOnTheirRows) {
  Show(kStepType);  // four rows of 50 pixels: "Tie" centred on y 5 + 25
  const TColor back = GuiSettings.scr_BackColor;
  EXPECT_GT(CountOther(screen, {1, gt + 18, gl - 5, gt + 32}, back), 5);
  EXPECT_EQ(CountOther(screen, {gl - 5, gt, gl, gt + gh}, back), 0) << "5 pixels left free";
  EXPECT_EQ(CountOther(screen, {1, gt + 35, gl, gt + 65}, back), 0) << "between two labels";
}

TEST_F(ScreenInnerTest, TheDefaultRowIsFramedByBrightLines) {
  Show(kVelocity);  // nine rows, the default 96 on row 6
  EXPECT_EQ(screen->DefaultRow(), 6);
  const TGuiSettings& s = GuiSettings;
  std::vector<bool> bright;
  for (int line = 0; line <= 9; ++line) {
    const int y = gt + static_cast<int>(std::nearbyint(gh * (9 - line) / 9.0));
    const TColor c = PixelOf(screen, gl + 10, y);
    ASSERT_TRUE(c == s.scr_LineColorBright || c == s.scr_LineColorDark) << "line " << line;
    bright.push_back(c == s.scr_LineColorBright);
  }
  // Lines 6 and 7 frame the default; every third below (3, 0) and above (none left) is bright.
  EXPECT_EQ(bright, (std::vector<bool>{true, false, false, true, false, false, true, true, false, false}));
  // Column lines: bright on every fourth.
  EXPECT_EQ(PixelOf(screen, gl, gt + 13), s.scr_LineColorBright);
  EXPECT_EQ(PixelOf(screen, gl + 30, gt + 13), s.scr_LineColorDark);
  EXPECT_EQ(PixelOf(screen, gl + 120, gt + gh), s.scr_LineColorBright) << "down to the grid's bottom";
}

TEST_F(ScreenInnerTest, TwentyStepsMakeTwoPagesTheSecondOfFourColumns) {
  Show(kVelocity);
  screen->SetNumSteps(20);
  EXPECT_EQ(screen->PageCount(), 2);
  EXPECT_EQ(screen->StepsPerPage(), 16);
  EXPECT_EQ(screen->VisibleSteps(), 16);
  screen->SetPage(1);
  EXPECT_EQ(screen->VisibleSteps(), 4);
  screen->Invalidate();
  const TGuiSettings& s = GuiSettings;
  EXPECT_EQ(PixelOf(screen, gl + 120, gt + 13), s.scr_LineColorBright) << "the line closing column 4";
  EXPECT_EQ(PixelOf(screen, gl + 150, gt + 13), s.scr_GridBackColor) << "no column 5";
  EXPECT_EQ(PixelOf(screen, gl + 479, gt + 13), s.scr_GridBackColor) << "the grid stays 16 columns wide";
  // Step numbers 17 (bright: the first of four) to 20 under the four columns, none beyond.
  const int y0 = gt + gh + 2, y1 = 220 - 1;
  EXPECT_GT(CountOther(screen, {gl, y0, gl + 30, y1}, s.scr_BackColor), 0);
  EXPECT_GT(CountOther(screen, {gl + 90, y0, gl + 120, y1}, s.scr_BackColor), 0);
  EXPECT_EQ(CountOther(screen, {gl + 120, y0, gl + 480, y1}, s.scr_BackColor), 0);
  screen->SetNumSteps(8);
  screen->SetPage(0);
  EXPECT_EQ(screen->PageCount(), 1);
  EXPECT_EQ(screen->VisibleSteps(), 8);
}

TEST_F(ScreenInnerTest, ANoteHeldThroughRestsIsOneLongBrick) {
  Show(kVelocity);
  SetSteps(kVelocity, {64, 64, 64, 64});
  SetSteps(kStepType, {1, 2, 2, 1});  // Nrm, Rst, Rst, Nrm
  SetSteps(kKeySelect, {2, 1, 1, 3});
  const TGuiSettings& s = GuiSettings;
  const int y = RowTop(4, 9);
  EXPECT_EQ(PixelOf(screen, gl + 1, y), s.scr_GridBackColor);
  EXPECT_EQ(RunLength(gl + 2, y, s.scr_BrickColorOn), 87);
  EXPECT_EQ(RunLength(gl + 92, y, s.scr_BrickColorOn), 27) << "the next normal brick";
  // The brick spans its row: y1 = gt + 2 + round(200 * 4 / 9), y2 = gt - 1 + round(200 * 5 / 9).
  EXPECT_EQ(PixelOf(screen, gl + 10, y - 1), s.scr_GridBackColor);
  EXPECT_EQ(PixelOf(screen, gl + 10, gt - 1 + 111 - 1), s.scr_BrickColorOn);
  EXPECT_NE(PixelOf(screen, gl + 10, gt - 1 + 111), s.scr_BrickColorOn);
  // Coarse rows carry the key select text in the screen's background colour.
  EXPECT_GT(CountOther(screen, {gl + 2, y, gl + 89, y + 17}, s.scr_BrickColorOn), 10);
}

TEST_F(ScreenInnerTest, RestsOffTheShownRowsDoNotLengthenABrick) {
  GuiSettings.matrix_semitone_range = 1;  // 0..+12
  Show(kSemitone);
  SetSteps(kSemitone, {3, -5, 3, 3, 3});
  SetSteps(kStepType, {1, 2, 0, 2, 1});  // Nrm, Rst (not shown), Off, Rst, Nrm
  const TGuiSettings& s = GuiSettings;
  const int y = RowTop(3, 13);  // semitone 3 on the fourth row of the upper range
  EXPECT_EQ(RunLength(gl + 2, y, s.scr_BrickColorOn), 27);
  EXPECT_EQ(RunLength(gl + 32, y, s.scr_BrickColorOn), 0) << "column 1 is not shown";
  EXPECT_EQ(RunLength(gl + 62, y, s.scr_BrickColorOff), 57) << "an off step reaches over its rest too";
  EXPECT_EQ(RunLength(gl + 122, y, s.scr_BrickColorOn), 27);
}

// Fine or coarse, a velocity's brick sits at its stored value's height: coarse notches move
// it, they do not move what is shown of it.
TEST_F(ScreenInnerTest, VelocityBricksSitAtTheStoredValueInBothIncrements) {
  for (int fine : {1, 0}) {
    GuiSettings.fine_velocity_increments = fine;
    Line(kVelocity)->SetValueSteps(fine == 1 ? 0 : 9);  // as the form switches the row
    Show(kVelocity);
    Play(2);
    SetSteps(kVelocity, {100, 127});
    screen->Invalidate();
    const TColor on = GuiSettings.scr_BrickColorOn;
    // 100 / 16 = 6.25 rows: y1 = 7 + round(200 * 1.75 / 9) = 46, y2 = 4 + round(200 * 2.75 / 9) = 65.
    EXPECT_NE(PixelOf(screen, gl + 5, 45), on) << "fine " << fine;
    EXPECT_EQ(PixelOf(screen, gl + 5, 46), on) << "fine " << fine;
    EXPECT_EQ(PixelOf(screen, gl + 5, 64), on) << "fine " << fine;
    EXPECT_NE(PixelOf(screen, gl + 5, 65), on) << "fine " << fine;
    EXPECT_EQ(PixelOf(screen, gl + 35, gt + 2), on) << "127 counts as 128: the top row; fine " << fine;
    EXPECT_EQ(screen->RowLabel(6), "96") << "the rows keep their labels; fine " << fine;
  }
}

// A press on a coarse row sets the notch of that row, also on the row of a value between notches.
TEST_F(ScreenInnerTest, CoarseVelocityPressesSetTheNotchOfTheRow) {
  Show(kVelocity);
  SetSteps(kVelocity, {100, 100});
  Click(screen, gl + 5, gt + 60);   // row 9 - trunc(2.7) - 1 = 6: velocity 96, where 100 is drawn
  Click(screen, gl + 35, gt + 40);  // row 7: 112
  EXPECT_EQ(changes, (std::vector<std::string>{"512=96", "513=112"}));
}

TEST_F(ScreenInnerTest, PressingAndDraggingSetsStepsThroughTheirBoxes) {
  Show(kVelocity);
  Play(16);
  SetSteps(kVelocity, {127, 127, 127, 127, 127, 127, 127, 127, 127});
  Press(screen, gl + 5 * 30 + 10, gt + 100);  // row 9 - trunc(4.5) - 1 = 4: velocity 64
  Move(screen, gl + 5 * 30 + 20, gt + 10);    // same column: nothing
  Move(screen, gl + 6 * 30 + 5, gt + 10);     // row 8: 127
  Move(screen, gl + 8 * 30 + 5, gt + 199);    // row 0, skipping column 7
  Move(screen, gl + 8 * 30 + 5, gt + 300);    // below the grid: nothing
  Release(screen, gl + 8 * 30 + 5, gt + 300);
  EXPECT_FALSE(screen->Drawing());
  EXPECT_EQ(changes, (std::vector<std::string>{"517=64", "520=0"}));
  Move(screen, gl + 9 * 30 + 5, gt + 100);  // not drawing any more
  EXPECT_EQ(changes.size(), 2u);
  EXPECT_EQ(PixelOf(screen, gl + 8 * 30 + 5, gt + gh - 3), GuiSettings.scr_BrickColorOn) << "shown at once";
}

TEST_F(ScreenInnerTest, FineVelocityPressesPickAValueByHeight) {
  GuiSettings.fine_velocity_increments = 1;
  Line(kVelocity)->SetValueSteps(0);
  Show(kVelocity);
  SetSteps(kVelocity, {64, 64, 64});
  // 127 - (dy - rh / 2) / (gh - rh) * 128 with rh = 200 / 9.
  Click(screen, gl + 5, gt + 100);
  Click(screen, gl + 35, gt + 0);
  Click(screen, gl + 65, gt + 199);
  EXPECT_EQ(changes, (std::vector<std::string>{"512=63", "513=127", "514=0"}));
}

TEST_F(ScreenInnerTest, PressesOutsideTheGridOrPastTheLastStepChangeNothing) {
  Show(kStepType);
  screen->SetNumSteps(20);
  Click(screen, gl + 480, gt + 50);      // right of column 15
  Click(screen, gl + 10, gt + gh);       // below the last row
  Click(screen, gl - 1, gt + 50);        // left of the grid
  Click(screen, gl + 10, gt - 1);        // above it
  Click(screen, gl + 10, gt + 10, TMouseButton::Right);
  screen->SetPage(1);
  for (TDragBoxBar* bar : bars) bar->SetPage(1);
  Click(screen, gl + 5 * 30, gt + 10);  // column 5 of page 2: step 22 of a 20-step pattern
  EXPECT_TRUE(changes.empty());
  Click(screen, gl + 3 * 30, gt + 10);  // step 20
  EXPECT_EQ(changes, std::vector<std::string>{"403=3"});
}

TEST_F(ScreenInnerTest, NothingIsDrawnWithoutAShownRow) {
  screen->Invalidate();
  EXPECT_EQ(CountColor(screen, screen->ClientRect(), kBackdrop), 530 * 220);
  Click(screen, gl + 5, gt + 5);
  EXPECT_TRUE(changes.empty());
}
