#pragma once
// The pattern screen: one step row of the pattern (the row of the selected step bar) drawn as a
// grid with a column per step of the shown page and a band per value, a brick in each column at
// the step's value (a note held through following rest steps as one long brick), value names at
// the left and step numbers below. Pressing and dragging across the grid sets the steps' values
// through the row's boxes. The screen holds no values of its own. Editor thread only.
#include <string>

#include "editor/DragBoxLine.h"
#include "editor/VeskCustomControl.h"

class TScreenInner : public TVeskCustomControl {
 public:
  explicit TScreenInner(TControl* parent) : TVeskCustomControl(parent) {}

  // ---- Steps and pages.
  // The pattern's step count (1..64): pages of up to 16 steps.
  void SetNumSteps(int n);
  void SetPage(int p);
  int TotalSteps() const { return totalSteps; }
  int VisibleSteps() const { return visibleSteps; }
  int StepsPerPage() const { return stepsPerPage; }
  int PageCount() const { return pageCount; }
  int ShownPage() const { return shownPage; }

  // ---- The rows: the five lines of the step bars, and the one shown.
  void SetRows(TDragBoxLine* stepType, TDragBoxLine* keySelect, TDragBoxLine* octave, TDragBoxLine* semitone,
               TDragBoxLine* velocity);
  TDragBoxLine* ShownRow() const { return shownRow; }
  void SetShownRow(TDragBoxLine* row);

  int LeftOfs() const { return leftOfs; }
  void SetLeftOfs(int x);
  int TopMargin() const { return topMargin; }
  void SetTopMargin(int y);
  int StepLabelH() const { return stepLabelH; }
  void SetStepLabelH(int h);

  // ---- How the shown row is drawn now (from its settings and the editor settings).
  struct TRowLayout {
    int count = 0;    // rows, 0 when no row is shown
    int offset = 0;   // row r stands for position (r + offset) * divisor
    int divisor = 1;
  };
  TRowLayout Rows() const;
  // The label drawn at the left of row r, or "" where none is drawn.
  std::string RowLabel(int r) const;
  // The row framed by two bright lines: the shown row's default value.
  int DefaultRow() const;
  int GridHeight() const { return Height() - 2 * topMargin - stepLabelH; }
  int GridWidth() const;
  bool Drawing() const { return drawing; }

 protected:
  void Paint(TCanvas& canvas) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  bool FineVelocity() const;
  bool BrightRowLine(int line, int defaultRow) const;
  void PaintGrid(TCanvas& canvas, const TRowLayout& rows) const;
  void PaintLabels(TCanvas& canvas, const TRowLayout& rows) const;
  void PaintBricks(TCanvas& canvas, const TRowLayout& rows) const;
  // The column under a point of the grid, or -1 outside it.
  int ColumnAt(int x, int y) const;
  // Sets the step under the point to the value of its row, as a press there does.
  void PaintStep(int x, int y);

  int totalSteps = 16;
  int visibleSteps = 16;
  int stepsPerPage = 16;
  int pageCount = 1;
  int shownPage = 0;
  int leftOfs = 40;
  int topMargin = 5;
  int stepLabelH = 10;
  bool drawing = false;
  int lastColumn = -1;
  TDragBoxLine* shownRow = nullptr;
  TDragBoxLine* stepTypeRow = nullptr;
  TDragBoxLine* keySelectRow = nullptr;
  TDragBoxLine* octaveRow = nullptr;
  TDragBoxLine* semitoneRow = nullptr;
  TDragBoxLine* velocityRow = nullptr;
};
