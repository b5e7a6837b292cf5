#include "platform/MenuOverlay.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/Window.h"

namespace {

constexpr int kMinTextWidth = 8;

// The caption cut with "..." so that it fits `width` units, measured as drawn.
std::string Fitted(const TCanvas& canvas, const std::string& caption, int width) {
  const TFontFace& face = canvas.Face();
  const int room = ScaleToDevice(width, canvas.Scale());
  if (face.TextWidth(caption) <= room) return caption;
  std::string text = caption;
  while (!text.empty() && face.TextWidth(text + "...") > room) text.pop_back();
  return text + "...";
}

// Where a panel of the given size goes so that it stays inside the window: at `x` when it
// fits, else at `fallback` when that fits, else against the far edge (or the near one).
int Place(int x, int fallback, int size, int room) {
  if (x + size <= room) return std::max(0, x);
  if (fallback >= 0 && fallback + size <= room) return fallback;
  return std::max(0, room - size);
}

}  // namespace

TMenuLevel LayoutMenuLevel(TMenuItem& menu, const TMenuStyle& style, int windowWidth, int windowHeight,
                           double scale) {
  TMenuLevel level;
  level.menu = &menu;
  const TFontFace& face = FontFaceFor(style.Font, scale);
  const auto widthOf = [&](const std::string& caption) {
    return static_cast<int>(std::ceil(face.TextWidth(caption) / scale));  // units, the whole text inside
  };
  const int maxColumnHeight = std::max(style.ItemHeight, windowHeight - 2 * style.Frame);

  // Columns: an item with a break starts one, and so does an item that would not fit below.
  struct TColumn {
    int height = 0;
    int textWidth = 0;
    TMenuBreak breakKind = TMenuBreak::None;
  };
  std::vector<TColumn> columns(1);
  std::vector<int> itemTop;
  for (int i = 0; i < menu.Count(); ++i) {
    const TMenuItem& item = menu[i];
    const int h = item.IsSeparator() ? style.SeparatorHeight : style.ItemHeight;
    TColumn& current = columns.back();
    const bool full = current.height > 0 && current.height + h > maxColumnHeight;
    if (current.height > 0 && (item.Break != TMenuBreak::None || full))
      columns.push_back({0, 0, item.Break == TMenuBreak::None ? TMenuBreak::Break : item.Break});
    TColumn& column = columns.back();
    itemTop.push_back(column.height);
    level.itemColumn.push_back(static_cast<int>(columns.size()) - 1);
    column.height += h;
    if (!item.IsSeparator()) column.textWidth = std::max(column.textWidth, widthOf(item.Caption));
  }

  // Captions too wide for the window share what is left of it.
  const int count = static_cast<int>(columns.size());
  const int chrome = style.CheckGutter + style.RightMargin;
  int width = 2 * style.Frame + (count - 1) * style.ColumnGap;
  for (const TColumn& c : columns) width += chrome + c.textWidth;
  if (width > windowWidth) {
    const int cap = (windowWidth - 2 * style.Frame - (count - 1) * style.ColumnGap) / count - chrome;
    for (TColumn& c : columns) c.textWidth = std::min(c.textWidth, std::max(kMinTextWidth, cap));
  }

  std::vector<int> columnLeft;
  int x = style.Frame, height = 0;
  for (const TColumn& c : columns) {
    if (!columnLeft.empty()) {
      if (c.breakKind == TMenuBreak::BarBreak) {
        const int barX = x + style.ColumnGap / 2;
        level.bars.push_back({barX, style.Frame, barX + 1, 0});
      }
      x += style.ColumnGap;
    }
    columnLeft.push_back(x);
    level.columnTextWidth.push_back(c.textWidth);
    x += chrome + c.textWidth;
    height = std::max(height, c.height);
  }
  level.rect = {0, 0, x + style.Frame, height + 2 * style.Frame};
  for (TRect& bar : level.bars) bar.bottom = level.rect.bottom - style.Frame;
  for (int i = 0; i < menu.Count(); ++i) {
    const int column = level.itemColumn[static_cast<size_t>(i)];
    const int left = columnLeft[static_cast<size_t>(column)];
    const int top = style.Frame + itemTop[static_cast<size_t>(i)];
    const int h = menu[i].IsSeparator() ? style.SeparatorHeight : style.ItemHeight;
    level.itemRects.push_back({left, top, left + chrome + columns[static_cast<size_t>(column)].textWidth, top + h});
  }
  return level;
}

namespace {

void OffsetLevel(TMenuLevel& level, int dx, int dy) {
  level.rect = level.rect.Offset(dx, dy);
  for (TRect& r : level.itemRects) r = r.Offset(dx, dy);
  for (TRect& r : level.bars) r = r.Offset(dx, dy);
}

}  // namespace

TMenuOverlay::TMenuOverlay(TControl* root, TPopupMenu* menuOwner) : TControl(root), owner(menuOwner) {
  Name = "PopupMenu";
  SetVisible(false);
  SetFocusable(true);
}

TMenuOverlay::~TMenuOverlay() {
  if (owner != nullptr) owner->overlay = nullptr;
}

double TMenuOverlay::DrawScale() const { return Window() != nullptr ? Window()->Scale() : 1.0; }

const TMenuStyle& TMenuOverlay::Style() const {
  static const TMenuStyle fallback;
  return owner != nullptr ? owner->Style : fallback;
}

void TMenuOverlay::Open(TPoint at) {
  Close();
  if (owner == nullptr || owner->Items.Count() == 0) return;
  const TControl* root = Parent();
  SetBounds(0, 0, root->Width(), root->Height());
  BringToFront();
  TMenuLevel level = LayoutMenuLevel(owner->Items, Style(), Width(), Height(), DrawScale());
  // Below the point when there is room, else above it.
  const int h = level.rect.Height();
  OffsetLevel(level, Place(at.x, -1, level.rect.Width(), Width()), Place(at.y, at.y - h, h, Height()));
  levels.push_back(std::move(level));
  SetVisible(true);
  Invalidate();
  SetFocus();
}

void TMenuOverlay::Close() {
  if (levels.empty()) return;
  levels.clear();
  Invalidate();
  SetVisible(false);
}

// ---- Painting.

void TMenuOverlay::Paint(TCanvas& canvas) {
  for (const TMenuLevel& level : levels) PaintLevel(canvas, level);
}

void TMenuOverlay::PaintLevel(TCanvas& canvas, const TMenuLevel& level) const {
  const TMenuStyle& style = Style();
  canvas.Rectangle(level.rect, style.Border, style.Back);
  for (const TRect& bar : level.bars) canvas.FillRect(bar, style.Separator);
  canvas.SetFont(style.Font);
  for (int i = 0; i < level.menu->Count(); ++i) PaintItem(canvas, level, i);
}

void TMenuOverlay::PaintItem(TCanvas& canvas, const TMenuLevel& level, int index) const {
  const TMenuStyle& style = Style();
  const TMenuItem& item = (*level.menu)[index];
  const TRect& r = level.itemRects[static_cast<size_t>(index)];
  if (item.IsSeparator()) {
    const int y = r.top + r.Height() / 2;
    canvas.FillRect({r.left + 2, y, r.right - 2, y + 1}, style.Separator);
    return;
  }
  const bool lit = index == level.highlight;
  if (lit) canvas.FillRect(r, item.Enabled ? style.Highlight : style.Separator);
  const TColor ink = !item.Enabled ? style.DisabledText : lit ? style.HighlightText : style.Text;

  const int midY = r.top + r.Height() / 2;
  if (item.Checked()) {
    const int cx = r.left + style.CheckGutter / 2;
    if (item.RadioGroup != 0) {
      canvas.FillRoundRect({cx - 3, midY - 3, cx + 4, midY + 4}, 7, 7, ink);
    } else {
      canvas.SetPen(ink, 1);
      for (int dy = 0; dy < 2; ++dy) {  // a tick two pixels thick
        canvas.Line(cx - 4, midY - 1 + dy, cx - 1, midY + 2 + dy);
        canvas.Line(cx - 1, midY + 2 + dy, cx + 5, midY - 4 + dy);
      }
    }
  }
  const int textWidth = level.columnTextWidth[static_cast<size_t>(level.itemColumn[static_cast<size_t>(index)])];
  canvas.SetTextColor(ink);
  canvas.DrawString(r.left + style.CheckGutter, midY - canvas.TextHeight("") / 2, Fitted(canvas, item.Caption, textWidth));
  if (item.HasSubmenu()) {  // a small triangle pointing right
    const int ax = r.right - style.RightMargin / 2 - 2;
    for (int i = 0; i < 4; ++i) canvas.FillRect({ax + i, midY - 3 + i, ax + i + 1, midY + 4 - i}, ink);
  }
}

// ---- Levels and highlight.

void TMenuOverlay::HitTest(TPoint p, int& level, int& item) const {
  level = item = -1;
  for (int l = static_cast<int>(levels.size()) - 1; l >= 0; --l) {
    const TMenuLevel& lv = levels[static_cast<size_t>(l)];
    if (!lv.rect.Contains(p.x, p.y)) continue;
    level = l;
    for (size_t i = 0; i < lv.itemRects.size(); ++i)
      if (lv.itemRects[i].Contains(p.x, p.y)) item = static_cast<int>(i);
    return;
  }
}

void TMenuOverlay::SetHighlight(int level, int item) {
  TMenuLevel& lv = levels[static_cast<size_t>(level)];
  if (lv.highlight == item) return;
  if (lv.highlight >= 0) InvalidateRect(lv.itemRects[static_cast<size_t>(lv.highlight)]);
  lv.highlight = item;
  if (item >= 0) InvalidateRect(lv.itemRects[static_cast<size_t>(item)]);
}

void TMenuOverlay::CloseDeeperThan(int level) {
  while (static_cast<int>(levels.size()) > level + 1) {
    InvalidateRect(levels.back().rect);
    levels.pop_back();
  }
}

void TMenuOverlay::OpenSubmenu(int level, int item) {
  TMenuItem& parentItem = (*levels[static_cast<size_t>(level)].menu)[item];
  if (static_cast<int>(levels.size()) > level + 1 && levels[static_cast<size_t>(level) + 1].menu == &parentItem) return;
  CloseDeeperThan(level);
  const TMenuStyle& style = Style();
  const TRect parentPanel = levels[static_cast<size_t>(level)].rect;
  const TRect itemRect = levels[static_cast<size_t>(level)].itemRects[static_cast<size_t>(item)];
  TMenuLevel sub = LayoutMenuLevel(parentItem, style, Width(), Height(), DrawScale());
  const int w = sub.rect.Width(), h = sub.rect.Height();
  // Right of the parent panel, or left of it when the window has no room there.
  const int x = Place(parentPanel.right - style.Frame, parentPanel.left - w + style.Frame, w, Width());
  const int y = Place(itemRect.top - style.Frame, -1, h, Height());
  OffsetLevel(sub, x, y);
  levels.push_back(std::move(sub));
  InvalidateRect(levels.back().rect);
}

int TMenuOverlay::ActiveLevel() const {
  for (int l = static_cast<int>(levels.size()) - 1; l > 0; --l)
    if (levels[static_cast<size_t>(l)].highlight >= 0) return l;
  return 0;
}

bool TMenuOverlay::Selectable(const TMenuLevel& level, int item) const {
  const TMenuItem& it = (*level.menu)[item];
  return !it.IsSeparator() && it.Enabled;
}

int TMenuOverlay::NextSelectable(const TMenuLevel& level, int from, int step) const {
  const int n = level.menu->Count();
  for (int k = 1; k <= n; ++k) {
    const int i = ((from + step * k) % n + n) % n;
    if (Selectable(level, i)) return i;
  }
  return -1;
}

void TMenuOverlay::MoveToColumn(int level, int step) {
  const TMenuLevel& lv = levels[static_cast<size_t>(level)];
  if (lv.columnTextWidth.size() < 2 || lv.highlight < 0) return;
  const int columns = static_cast<int>(lv.columnTextWidth.size());
  const int target = (lv.itemColumn[static_cast<size_t>(lv.highlight)] + step + columns) % columns;
  // The item of the target column nearest to the highlighted item's row.
  const int y = lv.itemRects[static_cast<size_t>(lv.highlight)].top;
  int best = -1;
  for (int i = 0; i < lv.menu->Count(); ++i) {
    if (lv.itemColumn[static_cast<size_t>(i)] != target || !Selectable(lv, i)) continue;
    if (best < 0 || std::abs(lv.itemRects[static_cast<size_t>(i)].top - y) <
                        std::abs(lv.itemRects[static_cast<size_t>(best)].top - y))
      best = i;
  }
  if (best >= 0) {
    CloseDeeperThan(level);
    SetHighlight(level, best);
  }
}

void TMenuOverlay::Choose(TMenuItem& item) {
  if (owner != nullptr) owner->Close();
  item.Click();  // this overlay may be gone from here on
}

// ---- Mouse.

void TMenuOverlay::MouseDown(TMouseButton, TShiftState, int x, int y) {
  int level, item;
  HitTest({x, y}, level, item);
  if (level < 0) {
    Close();  // a click outside closes the menu and does nothing else
    return;
  }
  if (item >= 0 && Selectable(levels[static_cast<size_t>(level)], item) &&
      (*levels[static_cast<size_t>(level)].menu)[item].HasSubmenu())
    OpenSubmenu(level, item);
}

void TMenuOverlay::MouseMove(TShiftState, int x, int y) {
  int level, item;
  HitTest({x, y}, level, item);
  if (level < 0) {
    // Off the panels: the deepest level loses its highlight unless it leads to a submenu.
    MouseLeave();
    return;
  }
  TMenuLevel& lv = levels[static_cast<size_t>(level)];
  if (item >= 0 && lv.menu->operator[](item).IsSeparator()) item = -1;
  if (item < 0) return;
  const bool opensSubmenu = Selectable(lv, item) && (*lv.menu)[item].HasSubmenu();
  const bool keepsDeeper = opensSubmenu && static_cast<int>(levels.size()) > level + 1 &&
                           levels[static_cast<size_t>(level) + 1].menu == &(*lv.menu)[item];
  if (!keepsDeeper) CloseDeeperThan(level);
  SetHighlight(level, item);
  if (opensSubmenu) OpenSubmenu(level, item);
}

void TMenuOverlay::MouseUp(TMouseButton, TShiftState, int x, int y) {
  int level, item;
  HitTest({x, y}, level, item);
  if (level < 0 || item < 0) return;
  TMenuLevel& lv = levels[static_cast<size_t>(level)];
  if (Selectable(lv, item) && !(*lv.menu)[item].HasSubmenu()) Choose((*lv.menu)[item]);
}

void TMenuOverlay::MouseLeave() {
  if (levels.empty()) return;
  const int deepest = static_cast<int>(levels.size()) - 1;
  TMenuLevel& lv = levels.back();
  if (lv.highlight >= 0 && !(*lv.menu)[lv.highlight].HasSubmenu()) SetHighlight(deepest, -1);
}

// ---- Keyboard: the keys act on the deepest level with a highlight.

bool TMenuOverlay::KeyDown(TKey key, TShiftState) {
  if (levels.empty()) return false;
  int level = ActiveLevel();
  TMenuLevel& lv = levels[static_cast<size_t>(level)];
  const int lit = lv.highlight;
  const bool litOpens = lit >= 0 && Selectable(lv, lit) && (*lv.menu)[lit].HasSubmenu();
  switch (key) {
    case TKey::Down:
    case TKey::Up: {
      const int next = NextSelectable(lv, lit >= 0 ? lit : (key == TKey::Down ? -1 : 0), key == TKey::Down ? 1 : -1);
      CloseDeeperThan(level);
      if (next >= 0) SetHighlight(level, next);
      break;
    }
    case TKey::Home:
    case TKey::End: {
      const int next = NextSelectable(lv, key == TKey::Home ? -1 : 0, key == TKey::Home ? 1 : -1);
      CloseDeeperThan(level);
      if (next >= 0) SetHighlight(level, next);
      break;
    }
    case TKey::Right:
    case TKey::Enter:
      if (litOpens) {
        OpenSubmenu(level, lit);
        const int first = NextSelectable(levels[static_cast<size_t>(level) + 1], -1, 1);
        if (first >= 0) SetHighlight(level + 1, first);
      } else if (key == TKey::Right) {
        MoveToColumn(level, 1);
      } else if (lit >= 0 && Selectable(lv, lit)) {
        Choose((*lv.menu)[lit]);
      }
      break;
    case TKey::Left:
      if (lit >= 0 && lv.itemColumn[static_cast<size_t>(lit)] > 0) {
        MoveToColumn(level, -1);
      } else if (level > 0) {
        CloseDeeperThan(level - 1);
      }
      break;
    case TKey::Escape:
      if (levels.size() > 1) {
        CloseDeeperThan(static_cast<int>(levels.size()) - 2);
      } else {
        Close();
      }
      break;
    default:
      break;
  }
  return true;  // an open menu takes every key
}

void TMenuOverlay::KeyPress(char c) {
  // A typed letter moves to the next item whose caption starts with it.
  if (levels.empty()) return;
  const int level = ActiveLevel();
  TMenuLevel& lv = levels[static_cast<size_t>(level)];
  const auto lower = [](char ch) { return std::tolower(static_cast<unsigned char>(ch)); };
  const int n = lv.menu->Count();
  for (int k = 1; k <= n; ++k) {
    const int i = (lv.highlight + k + n) % n;
    const TMenuItem& item = (*lv.menu)[i];
    if (Selectable(lv, i) && !item.Caption.empty() && lower(item.Caption[0]) == lower(c)) {
      CloseDeeperThan(level);
      SetHighlight(level, i);
      return;
    }
  }
}
