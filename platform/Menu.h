#pragma once
// Popup menus, drawn by our canvas as an overlay inside the editor window (the same on every
// back end): submenus, separators, radio groups with their marks, column breaks, hover
// highlight and keyboard navigation. A click outside the menu or Escape closes it.
//
// How to use it:
//   TPopupMenu menu;
//   TMenuItem& program = menu.Items.Add("Program");
//   program.Add("Initialize", [this](TMenuItem&) { ... });
//   program.AddSeparator();
//   menu.Popup(*button, {0, button->Height()});   // the button's bottom-left corner
// `Popup` returns at once; an item's handler runs later, when the user chooses it, after the
// menu has closed (so a handler may open this or another menu again). Changing the items
// (Add, Clear) of an open menu closes it. Editor thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Control.h"

class TPopupMenu;
class TMenuOverlay;

// Where an item starts a new column: none, a plain column, or one with a vertical bar before it.
enum class TMenuBreak { None, Break, BarBreak };

class TMenuItem {
 public:
  using THandler = std::function<void(TMenuItem& item)>;

  explicit TMenuItem(std::string caption = {}, THandler onClick = {}, int tag = 0);
  TMenuItem(const TMenuItem&) = delete;
  TMenuItem& operator=(const TMenuItem&) = delete;

  std::string Caption;   // "-" makes a separator
  std::string Name;      // the item's name in its form, for finding it
  int Tag = 0;
  // Items of one radio group (a non-zero number) among the same parent's items are mutually
  // exclusive and show a round mark; 0 is no group (a check mark when checked).
  int RadioGroup = 0;
  bool Enabled = true;
  TMenuBreak Break = TMenuBreak::None;
  THandler OnClick;

  // Checking an item of a radio group unchecks the others of its group.
  void SetChecked(bool on);
  bool Checked() const { return checked; }
  bool IsSeparator() const { return Caption == "-"; }

  // ---- Submenu.
  TMenuItem& Add(std::string caption, THandler onClick = {}, int tag = 0);
  TMenuItem& AddSeparator() { return Add("-"); }
  void Delete(int index);  // the item at `index` and its submenu
  void Clear();
  int Count() const { return static_cast<int>(items.size()); }
  TMenuItem& operator[](int i) const { return *items[static_cast<size_t>(i)]; }
  int IndexOf(const TMenuItem& item) const;
  bool HasSubmenu() const { return !items.empty(); }
  TMenuItem* Parent() const { return parent; }
  // The first item among this one's descendants with this caption, or null; a path such as
  // "Program/Initialize" goes down through submenus.
  TMenuItem* Find(std::string_view captionPath);

  // Runs the handler as a choice of the item would (without opening anything).
  void Click();

 private:
  friend class TPopupMenu;
  void StructureChanged();

  std::vector<std::unique_ptr<TMenuItem>> items;
  TMenuItem* parent = nullptr;
  TPopupMenu* menu = nullptr;  // set on a menu's root item only
  bool checked = false;
};

// Colours and metrics of the menus; the defaults give the light look of a desktop menu.
struct TMenuStyle {
  TFontSpec Font{"Arial", 9, false};
  TColor Back = MakeColor(0xF2, 0xF2, 0xF2);
  TColor Border = MakeColor(0x97, 0x97, 0x97);
  TColor Text = MakeColor(0x00, 0x00, 0x00);
  TColor DisabledText = MakeColor(0x8C, 0x8C, 0x8C);
  TColor Highlight = MakeColor(0x00, 0x78, 0xD7);
  TColor HighlightText = MakeColor(0xFF, 0xFF, 0xFF);
  TColor Separator = MakeColor(0xCC, 0xCC, 0xCC);
  int ItemHeight = 20;
  int SeparatorHeight = 7;
  int Frame = 3;         // border and inner margin around the items
  int CheckGutter = 22;  // room for the marks left of the captions
  int RightMargin = 20;  // room for the submenu arrow
  int ColumnGap = 7;     // between columns, a bar break's line in the middle
};

class TPopupMenu {
 public:
  TPopupMenu();
  ~TPopupMenu();
  TPopupMenu(const TPopupMenu&) = delete;
  TPopupMenu& operator=(const TPopupMenu&) = delete;

  TMenuItem Items;  // the menu's items are this item's submenu
  TMenuStyle Style;

  // Opens the menu with its top-left corner at `at`, a point of `anchor` (its own
  // coordinates), kept inside the window. False when the anchor is in no window or the menu
  // has no items. An open menu opens again at the new place.
  bool Popup(TControl& anchor, TPoint at);
  // The same for a point on the screen, as controls report their menu requests.
  bool PopupAtScreen(TControl& anchor, TPoint screen);
  void Close();
  bool IsOpen() const;

  // ---- The open menu as it shows, in window coordinates (empty when closed).
  int OpenLevels() const;                      // 1 for the menu, one more per open submenu
  TRect LevelRect(int level) const;
  TMenuItem* Highlighted(int level) const;
  std::optional<TRect> ItemRect(const TMenuItem& item) const;  // when its level is open

 private:
  friend class TMenuItem;
  friend class TMenuOverlay;
  void ItemsChanged() { Close(); }

  TMenuOverlay* overlay = nullptr;  // owned by the anchor's root control; tells us when it goes
};
