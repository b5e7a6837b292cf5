#pragma once
// The control that shows an open popup menu: it lies over the whole window, on top of the
// root's other children, draws the menu and its open submenus and takes every mouse and key
// input while the menu is open. Used by TPopupMenu only.
#include <vector>

#include "platform/Control.h"
#include "platform/Menu.h"

// One open level: the menu or a submenu, laid out in window coordinates.
struct TMenuLevel {
  TMenuItem* menu = nullptr;      // whose items show
  TRect rect;                     // the whole panel
  std::vector<TRect> itemRects;   // one per item
  std::vector<int> itemColumn;    // the column of each item
  std::vector<int> columnTextWidth;
  std::vector<TRect> bars;        // the lines of bar breaks
  int highlight = -1;             // the highlighted item, or -1
};

// The panel of `menu`'s items at (0, 0), columns and captions fitted into a window of the
// given size (units), the captions measured as they are drawn at `scale`.
TMenuLevel LayoutMenuLevel(TMenuItem& menu, const TMenuStyle& style, int windowWidth, int windowHeight,
                           double scale = 1);

class TMenuOverlay : public TControl {
 public:
  TMenuOverlay(TControl* root, TPopupMenu* owner);
  ~TMenuOverlay() override;

  // Shows the menu's items with their top-left corner at `at` (window coordinates).
  void Open(TPoint at);
  void Close();
  bool IsOpen() const { return !levels.empty(); }
  const std::vector<TMenuLevel>& Levels() const { return levels; }
  void Detach() { owner = nullptr; }

 protected:
  void Paint(TCanvas& canvas) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  bool KeyDown(TKey key, TShiftState shift) override;
  void KeyPress(char c) override;

 private:
  const TMenuStyle& Style() const;
  double DrawScale() const;  // the window's
  void PaintLevel(TCanvas& canvas, const TMenuLevel& level) const;
  void PaintItem(TCanvas& canvas, const TMenuLevel& level, int index) const;
  // The level and item under a point; level -1 when outside every panel, item -1 when on a
  // panel but no item.
  void HitTest(TPoint p, int& level, int& item) const;
  void SetHighlight(int level, int item);
  void OpenSubmenu(int level, int item);  // of item `item` of `level`, closing deeper ones
  void CloseDeeperThan(int level);
  int ActiveLevel() const;  // the deepest level with a highlight (0 when none has one)
  bool Selectable(const TMenuLevel& level, int item) const;
  int NextSelectable(const TMenuLevel& level, int from, int step) const;
  void MoveToColumn(int level, int step);
  void Choose(TMenuItem& item);

  TPopupMenu* owner;
  std::vector<TMenuLevel> levels;
};
