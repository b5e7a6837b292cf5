// Popup menus in a headless window: where they show, mouse and keyboard navigation, radio
// groups, columns, closing, and menus changed or destroyed while open.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/HeadlessWindow.h"
#include "platform/Menu.h"

namespace {

constexpr TColor kRootColor = 0x303030, kButtonColor = 0x0000C0;

class TFilled : public TControl {
 public:
  TFilled(TControl* parent, TRect r, TColor c) : TControl(parent) {
    SetColor(c);
    SetBounds(r.left, r.top, r.Width(), r.Height());
  }
  int presses = 0;

 protected:
  void Paint(TCanvas& canvas) override { canvas.FillRect(ClientRect(), Color()); }
  void MouseDown(TMouseButton, TShiftState, int, int) override { ++presses; }
};

TPoint Centre(const TRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// A window with a button, and the main menu of the editor in short:
// Program > Load, Save, -, Initialize (disabled: Undo), Bank > Load, Settings > three radio
// items, -, Website.
class Menus : public testing::Test {
 protected:
  void SetUp() override {
    root = new TFilled(nullptr, {0, 0, 1, 1}, kRootColor);
    button = new TFilled(root, {20, 20, 80, 40}, kButtonColor);
    window.SetRoot(root);
    TMenuItem& program = menu.Items.Add("Program");
    for (const char* caption : {"Load", "Save", "-", "Initialize", "Undo"}) program.Add(caption, Log());
    program[4].Enabled = false;
    menu.Items.Add("Bank").Add("Load", Log());
    TMenuItem& settings = menu.Items.Add("Settings");
    for (int tag = 0; tag < 3; ++tag) {
      TMenuItem& item = settings.Add("Range " + std::to_string(tag), Log(), tag);
      item.RadioGroup = 97;
    }
    settings[0].SetChecked(true);
    menu.Items.AddSeparator();
    menu.Items.Add("Website", Log());
    window.Update();
  }
  void TearDown() override { delete root; }

  TMenuItem::THandler Log() {
    return [this](TMenuItem& item) {
      const TMenuItem* parent = item.Parent();
      chosen.push_back((parent->Parent() != nullptr ? parent->Caption + "/" : "") + item.Caption);
    };
  }
  void Open() {
    ASSERT_TRUE(menu.Popup(*button, {0, button->Height()}));
    window.ProcessEvents();
  }
  TPoint At(const char* path) {
    TMenuItem* item = menu.Items.Find(path);
    EXPECT_NE(item, nullptr) << path;
    const std::optional<TRect> r = item != nullptr ? menu.ItemRect(*item) : std::nullopt;
    EXPECT_TRUE(r.has_value()) << path << " is not showing";
    return r ? Centre(*r) : TPoint{-1, -1};
  }
  void Hover(const char* path) {
    const TPoint p = At(path);
    window.MouseMove(0, p.x, p.y);
    window.ProcessEvents();
  }
  void Click(TPoint p) {
    window.MouseDown(TMouseButton::Left, ssLeft, p.x, p.y);
    window.MouseUp(TMouseButton::Left, 0, p.x, p.y);
    window.ProcessEvents();
  }
  void Keys(std::initializer_list<TKey> keys) {
    for (TKey k : keys) EXPECT_TRUE(window.KeyDown(k, 0));
    window.ProcessEvents();
  }

  THeadlessWindow window{400, 300};
  TFilled* root = nullptr;
  TFilled* button = nullptr;
  TPopupMenu menu;
  std::vector<std::string> chosen;
};

TEST_F(Menus, OpensUnderTheButtonAndPaintsOverEverything) {
  Open();
  const TRect panel = menu.LevelRect(0);
  EXPECT_EQ(panel.left, 20);
  EXPECT_EQ(panel.top, 40) << "the button's bottom-left corner";
  EXPECT_EQ(window.Pixel(panel.left, panel.top), menu.Style.Border);
  EXPECT_EQ(window.Pixel(panel.left + 5, panel.top + 5), menu.Style.Back) << "painted over the root";
  EXPECT_EQ(menu.Highlighted(0), nullptr) << "a menu opened by the mouse highlights nothing";
  // Closing shows what lies beneath again.
  menu.Close();
  window.ProcessEvents();
  EXPECT_EQ(window.Pixel(panel.left + 5, panel.top + 5), kRootColor);
}

TEST_F(Menus, StaysInsideTheWindowAndOpensAboveAPointNearTheBottom) {
  ASSERT_TRUE(menu.Popup(*root, {390, 290}));
  const TRect panel = menu.LevelRect(0);
  EXPECT_LE(panel.right, 400);
  EXPECT_EQ(panel.bottom, 290) << "above the point";
  // Submenus open to the left when the window has no room on the right.
  Hover("Program");
  ASSERT_EQ(menu.OpenLevels(), 2);
  EXPECT_LT(menu.LevelRect(1).left, panel.left);
  EXPECT_GE(menu.LevelRect(1).left, 0);
}

TEST_F(Menus, MouseHoverOpensSubmenusAndAClickChooses) {
  Open();
  Hover("Program");
  ASSERT_EQ(menu.OpenLevels(), 2);
  EXPECT_EQ(menu.Highlighted(0), menu.Items.Find("Program"));
  EXPECT_EQ(window.Pixel(At("Program").x, menu.ItemRect(*menu.Items.Find("Program"))->top + 1), menu.Style.Highlight);
  Hover("Program/Initialize");
  EXPECT_EQ(menu.Highlighted(1), menu.Items.Find("Program/Initialize"));
  EXPECT_EQ(menu.Highlighted(0), menu.Items.Find("Program")) << "the way to the submenu stays lit";
  // Moving to another submenu item swaps the open submenu.
  Hover("Bank");
  ASSERT_EQ(menu.OpenLevels(), 2);
  EXPECT_NE(menu.ItemRect(*menu.Items.Find("Bank/Load")), std::nullopt);
  EXPECT_EQ(menu.ItemRect(*menu.Items.Find("Program/Load")), std::nullopt);
  Hover("Bank/Load");
  Click(At("Bank/Load"));
  EXPECT_EQ(chosen, std::vector<std::string>{"Bank/Load"});
  EXPECT_FALSE(menu.IsOpen());
}

TEST_F(Menus, SeparatorsDisabledItemsAndSubmenuItemsAreNotChosen) {
  Open();
  Hover("Program");
  const TRect separator = *menu.ItemRect((*menu.Items.Find("Program"))[2]);
  Click(Centre(separator));
  Click(At("Program/Undo"));
  Click(At("Program"));
  EXPECT_TRUE(chosen.empty());
  EXPECT_TRUE(menu.IsOpen());
}

TEST_F(Menus, AClickOutsideClosesAndReachesNothingBeneath) {
  Open();
  const TPoint outside{button->Left() + 5, button->Top() + 5};
  window.MouseDown(TMouseButton::Left, ssLeft, outside.x, outside.y);
  window.MouseUp(TMouseButton::Left, 0, outside.x, outside.y);
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_EQ(button->presses, 0);
  EXPECT_TRUE(chosen.empty());
  Click(outside);
  EXPECT_EQ(button->presses, 1) << "the next click reaches the button";
}

TEST_F(Menus, KeyboardNavigation) {
  Open();
  Keys({TKey::Down});
  EXPECT_EQ(menu.Highlighted(0), menu.Items.Find("Program")) << "Down from nothing lights the first item";
  Keys({TKey::Up});
  EXPECT_EQ(menu.Highlighted(0), menu.Items.Find("Website")) << "Up wraps, skipping the separator";
  Keys({TKey::Home, TKey::Right});
  ASSERT_EQ(menu.OpenLevels(), 2);
  EXPECT_EQ(menu.Highlighted(1), menu.Items.Find("Program/Load")) << "Right opens the submenu at its first item";
  Keys({TKey::Down, TKey::Down});
  EXPECT_EQ(menu.Highlighted(1), menu.Items.Find("Program/Initialize")) << "the separator is skipped";
  Keys({TKey::Down});
  EXPECT_EQ(menu.Highlighted(1), menu.Items.Find("Program/Load")) << "the disabled item is skipped";
  Keys({TKey::Left});
  EXPECT_EQ(menu.OpenLevels(), 1) << "Left closes the submenu";
  Keys({TKey::Enter, TKey::Escape});
  EXPECT_EQ(menu.OpenLevels(), 1) << "Enter opened it, Escape closed only the submenu";
  EXPECT_TRUE(menu.IsOpen());
  Keys({TKey::Down, TKey::Down, TKey::Enter, TKey::Down, TKey::Enter});
  EXPECT_EQ(chosen, std::vector<std::string>{"Settings/Range 1"});
  EXPECT_FALSE(menu.IsOpen());

  Open();
  EXPECT_TRUE(window.KeyDown(TKey::Escape, 0));
  EXPECT_FALSE(menu.IsOpen()) << "Escape on the menu itself closes it";
  EXPECT_FALSE(window.KeyDown(TKey::Down, 0)) << "a closed menu takes no keys";
}

TEST_F(Menus, ATypedLetterMovesToTheNextItemStartingWithIt) {
  Open();
  window.KeyPress('w');
  EXPECT_EQ(menu.Highlighted(0), menu.Items.Find("Website"));
  window.KeyPress('B');
  EXPECT_EQ(menu.Highlighted(0), menu.Items.Find("Bank"));
}

TEST_F(Menus, RadioGroupsKeepOneItemCheckedAndShowItsMark) {
  TMenuItem& settings = *menu.Items.Find("Settings");
  TMenuItem& plain = settings.Add("Plain");
  plain.SetChecked(true);
  TMenuItem& other = settings.Add("Other group");
  other.RadioGroup = 96;
  other.SetChecked(true);
  settings[2].SetChecked(true);
  EXPECT_FALSE(settings[0].Checked());
  EXPECT_FALSE(settings[1].Checked());
  EXPECT_TRUE(settings[2].Checked());
  EXPECT_TRUE(plain.Checked()) << "items outside the group are left alone";
  EXPECT_TRUE(other.Checked()) << "another group is left alone";
  settings[2].SetChecked(false);
  EXPECT_FALSE(settings[2].Checked()) << "unchecking checks nothing else";

  settings[1].SetChecked(true);
  Open();
  Hover("Settings");
  const auto markCentre = [&](const TMenuItem& item) {
    const TRect r = *menu.ItemRect(item);
    return window.Pixel(r.left + menu.Style.CheckGutter / 2, r.top + r.Height() / 2);
  };
  EXPECT_EQ(markCentre(settings[1]), menu.Style.Text) << "the round mark of the checked item";
  EXPECT_EQ(markCentre(settings[0]), menu.Style.Back);
}

TEST_F(Menus, ColumnBreaksSplitAProgramListIntoThreeColumns) {
  TPopupMenu list;
  for (int i = 0; i < 64; ++i) {
    char caption[32];
    std::snprintf(caption, sizeof caption, "%02d: Program %d", i + 1, i + 1);
    TMenuItem& item = list.Items.Add(caption, Log(), i);
    if (i == 22 || i == 44) item.Break = TMenuBreak::BarBreak;
  }
  THeadlessWindow big(809, 536);
  TFilled form(nullptr, {0, 0, 1, 1}, kRootColor);
  big.SetRoot(&form);
  ASSERT_TRUE(list.Popup(form, {0, 0}));
  big.ProcessEvents();
  const auto rect = [&](int i) { return *list.ItemRect(list.Items[i]); };
  EXPECT_EQ(rect(0).left, rect(21).left);
  EXPECT_LT(rect(21).left, rect(22).left);
  EXPECT_EQ(rect(22).top, rect(0).top) << "a column starts at the top";
  EXPECT_EQ(rect(43).left, rect(22).left);
  EXPECT_EQ(rect(63).left, rect(44).left);
  EXPECT_LT(rect(22).left, rect(44).left);
  // The bar between the first two columns.
  const int barX = (rect(0).right + rect(22).left) / 2;
  EXPECT_EQ(big.Pixel(barX, rect(5).top + 2), list.Style.Separator);

  // Right moves to the same row of the next column, Left back.
  EXPECT_TRUE(big.KeyDown(TKey::Down, 0));
  EXPECT_TRUE(big.KeyDown(TKey::Down, 0));
  EXPECT_TRUE(big.KeyDown(TKey::Right, 0));
  EXPECT_EQ(list.Highlighted(0), &list.Items[23]);
  EXPECT_TRUE(big.KeyDown(TKey::Right, 0));
  EXPECT_EQ(list.Highlighted(0), &list.Items[45]);
  EXPECT_TRUE(big.KeyDown(TKey::Left, 0));
  EXPECT_EQ(list.Highlighted(0), &list.Items[23]);
  // Choosing the fifth item by mouse.
  const TPoint fifth = Centre(rect(4));
  big.MouseMove(0, fifth.x, fifth.y);
  big.MouseDown(TMouseButton::Left, ssLeft, fifth.x, fifth.y);
  big.MouseUp(TMouseButton::Left, 0, fifth.x, fifth.y);
  EXPECT_EQ(chosen, std::vector<std::string>{"05: Program 5"});
}

TEST_F(Menus, MenusTooLargeForTheWindowWrapAndShortenTheirCaptions) {
  TPopupMenu list;
  for (int i = 0; i < 40; ++i) list.Items.Add(std::string(60, 'W') + std::to_string(i));
  ASSERT_TRUE(list.Popup(*root, {100, 100}));
  const TRect panel = list.LevelRect(0);
  EXPECT_GE(panel.left, 0);
  EXPECT_GE(panel.top, 0);
  EXPECT_LE(panel.right, window.Width());
  EXPECT_LE(panel.bottom, window.Height());
  EXPECT_GT(list.ItemRect(list.Items[39])->left, list.ItemRect(list.Items[0])->left) << "a second column";
  window.ProcessEvents();  // paints the shortened captions inside their items
}

TEST_F(Menus, HandlersMayReopenOrRebuildTheMenu) {
  // The list menu of a value box is emptied and filled again each time it opens.
  TPopupMenu list;
  int target = -1;
  std::function<void(int)> fill = [&](int count) {
    list.Items.Clear();
    for (int i = 0; i < count; ++i)
      list.Items.Add("Value " + std::to_string(i), [&](TMenuItem& item) {
        target = item.Tag;
        fill(3);  // rebuilt and opened again from inside the handler
        list.Popup(*button, {0, 0});
      }, i);
  };
  fill(5);
  ASSERT_TRUE(list.Popup(*button, {0, 0}));
  Click(Centre(*list.ItemRect(list.Items[4])));
  EXPECT_EQ(target, 4);
  ASSERT_TRUE(list.IsOpen());
  EXPECT_EQ(list.Items.Count(), 3);
  // Changing the items of an open menu closes it.
  list.Items.Add("More");
  EXPECT_FALSE(list.IsOpen());
  EXPECT_FALSE(TPopupMenu().Popup(*button, {0, 0})) << "a menu without items does not open";
}

TEST_F(Menus, AnOpenMenuSurvivesItsWindowTreeOrItselfGoingFirst) {
  {
    TPopupMenu shortLived;
    shortLived.Items.Add("Only");
    ASSERT_TRUE(shortLived.Popup(*button, {0, 0}));
  }  // the menu goes while open: its overlay goes with it
  window.ProcessEvents();
  EXPECT_EQ(root->Children().size(), 1u) << "only the button is left";

  Open();
  delete root;  // the tree goes while the menu is open
  root = nullptr;
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_EQ(menu.OpenLevels(), 0);
}

}  // namespace
