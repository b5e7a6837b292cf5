// The control tree in a headless window: what is repainted, where input goes, focus, cursor,
// loading and posted messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/HeadlessWindow.h"

namespace {

std::vector<std::string> gEvents;  // what the probes saw, in order

// A control that fills itself with its colour and writes down every call it gets.
class TProbe : public TControl {
 public:
  TProbe(TControl* parent, std::string name, TRect r, TColor fill) : TControl(parent) {
    Name = std::move(name);
    SetColor(fill);
    SetBounds(r.left, r.top, r.Width(), r.Height());
  }
  int paints = 0;
  bool deleteSelfOnPress = false;
  bool logGestures = false;
  bool logButtons = false;  // a move with a button held logs as a drag

 protected:
  void Paint(TCanvas& c) override {
    ++paints;
    c.FillRect(ClientRect(), Color());
  }
  void Log(const std::string& what) { gEvents.push_back(Name + " " + what); }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    Log("down" + std::string(b == TMouseButton::Right ? "R" : "") + ((s & ssDouble) ? "2" : "") + " " +
        std::to_string(x) + "," + std::to_string(y));
    if (deleteSelfOnPress) delete this;
  }
  void MouseMove(TShiftState s, int x, int y) override {
    const bool drag = logButtons && (s & (ssLeft | ssRight | ssMiddle)) != 0;
    Log(std::string(drag ? "drag" : "move") + ((s & ssShift) ? "S" : "") + " " + std::to_string(x) + "," +
        std::to_string(y));
  }
  void MouseUp(TMouseButton, TShiftState, int x, int y) override {
    Log("up " + std::to_string(x) + "," + std::to_string(y));
  }
  void DoubleClick(int, int) override { Log("dblclick"); }
  void MouseEnter() override { Log("enter"); }
  void MouseLeave() override { Log("leave"); }
  void FocusGained() override { Log("focus"); }
  void FocusLost() override { Log("blur"); }
  bool KeyDown(TKey key, TShiftState) override {
    Log(key == TKey::Enter ? "Enter" : "key");
    return true;
  }
  void KeyPress(char c) override { Log(std::string("char ") + c); }
  void MouseGestureBegins(TControl& target, TMouseButton b) override {
    if (logGestures) Log("gesture on " + target.Name + (b == TMouseButton::Right ? " R" : ""));
  }
  void MouseGestureEnds() override {
    if (logGestures) Log("gesture ends");
  }
  void HandleMessage(uint32_t m, intptr_t a, intptr_t) override {
    Log("message " + std::to_string(m) + " " + std::to_string(a));
    if (a == 1) Window()->Post(m, 2, 0);  // posted from inside a message
  }
};

constexpr TColor kGrey = 0x404040, kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

// root 200 x 100: A at (10, 10) 50 x 30, B at (100, 10) 50 x 30 with child B1 reaching out of it.
class ControlTree : public testing::Test {
 protected:
  void SetUp() override {
    gEvents.clear();
    root = new TProbe(nullptr, "root", {0, 0, 1, 1}, kGrey);
    a = new TProbe(root, "A", {10, 10, 60, 40}, kRed);
    b = new TProbe(root, "B", {100, 10, 150, 40}, kGreen);
    b1 = new TProbe(b, "B1", {40, 20, 80, 60}, kBlue);  // clipped to B: window (140, 30)-(150, 40)
    window.SetRoot(root);
    window.Update();
    gEvents.clear();
  }
  void TearDown() override { delete root; }

  THeadlessWindow window{200, 100};
  TProbe* root = nullptr;
  TProbe* a = nullptr;
  TProbe* b = nullptr;
  TProbe* b1 = nullptr;
};

}  // namespace

TEST_F(ControlTree, RepaintsOnlyWhatIsInvalid) {
  EXPECT_EQ(window.Pixel(5, 5), kGrey);
  EXPECT_EQ(window.Pixel(10, 10), kRed);
  EXPECT_EQ(window.Pixel(145, 35), kBlue);
  EXPECT_EQ(window.Pixel(155, 35), kGrey) << "a child is clipped to its parent";
  const int presents = window.PresentCount();

  window.Update();
  EXPECT_EQ(window.PresentCount(), presents) << "nothing invalid, nothing presented";

  a->paints = b->paints = b1->paints = root->paints = 0;
  b->SetColor(kRed);
  window.Update();
  EXPECT_EQ(a->paints, 0);
  EXPECT_EQ(b->paints, 1);
  EXPECT_EQ(b1->paints, 1) << "children inside the area repaint over their parent";
  EXPECT_EQ(root->paints, 1);
  EXPECT_EQ(window.LastPresented(), (std::vector<TRect>{{100, 10, 150, 40}}));
  EXPECT_EQ(window.Pixel(100, 10), kRed);
  EXPECT_EQ(window.Pixel(145, 35), kBlue);

  a->paints = 0;
  a->InvalidateRect({0, 0, 5, 5});
  window.Update();
  EXPECT_EQ(a->paints, 1);
  EXPECT_EQ(window.LastPresented(), (std::vector<TRect>{{10, 10, 15, 15}}));

  b->SetVisible(false);
  window.Update();
  EXPECT_EQ(window.Pixel(120, 20), kGrey) << "a hidden control shows its parent";
  EXPECT_EQ(window.Pixel(145, 35), kGrey) << "and hides its children";
  b->SetVisible(true);
  b->SetBounds(100, 50, 50, 30);
  window.Update();
  EXPECT_EQ(window.Pixel(120, 20), kGrey) << "the old place is repainted";
  EXPECT_EQ(window.Pixel(120, 60), kRed);
}

TEST_F(ControlTree, ManySmallAreasMergeIntoOne) {
  for (int i = 0; i < 9; ++i) a->InvalidateRect({i * 4, 0, i * 4 + 2, 2});
  window.Update();
  EXPECT_EQ(window.LastPresented(), (std::vector<TRect>{{10, 10, 44, 12}}));
  a->InvalidateRect({0, 0, 10, 10});
  a->InvalidateRect({2, 2, 4, 4});  // inside the first
  b->Invalidate();
  window.Update();
  EXPECT_EQ(window.LastPresented(), (std::vector<TRect>{{10, 10, 20, 20}, {100, 10, 150, 40}}));
}

TEST_F(ControlTree, PressedControlKeepsTheMouseUntilEveryButtonIsUp) {
  window.MouseMove(0, 20, 20);
  window.MouseDown(TMouseButton::Left, ssLeft, 20, 20);
  window.MouseMove(ssLeft | ssShift, 120, 90);  // far outside A
  window.MouseDown(TMouseButton::Right, ssLeft | ssRight, 120, 90);
  window.MouseUp(TMouseButton::Left, ssRight, 120, 90);
  window.MouseMove(ssRight, 121, 20);  // over B, still captured by A
  window.MouseUp(TMouseButton::Right, 0, 121, 20);
  window.MouseMove(0, 122, 20);
  EXPECT_EQ(gEvents, (std::vector<std::string>{
                         "A enter", "A move 10,10", "A down 10,10", "A moveS 110,80", "A downR 110,80",
                         "A up 110,80", "A move 111,10", "A up 111,10", "A leave", "B enter", "B move 22,10"}));
}

// The root hears a gesture begin before the first press reaches its control and end after the
// last release; a press after a release the window never saw ends the old gesture first.
TEST_F(ControlTree, TheRootHearsEachGestureFromItsFirstPressToItsLastRelease) {
  root->logGestures = true;
  window.MouseDown(TMouseButton::Right, ssRight, 20, 20);
  window.MouseDown(TMouseButton::Left, ssLeft | ssRight, 120, 20);
  window.MouseUp(TMouseButton::Right, ssLeft, 120, 20);
  window.MouseUp(TMouseButton::Left, 0, 120, 20);
  b1->deleteSelfOnPress = true;
  window.MouseDown(TMouseButton::Left, ssLeft, 145, 35);  // B1 goes with the press and its release
  window.MouseDown(TMouseButton::Left, ssLeft, 20, 20);
  window.MouseUp(TMouseButton::Left, 0, 20, 20);
  EXPECT_EQ(gEvents, (std::vector<std::string>{"A enter", "root gesture on A R", "A downR 10,10", "A down 110,10",
                                               "A up 110,10", "A up 110,10", "root gesture ends", "A leave",
                                               "B enter", "B leave", "B1 enter", "root gesture on B1", "B1 down 5,5", "A enter",
                                               "root gesture ends", "root gesture on A", "A down 10,10",
                                               "A up 10,10", "root gesture ends"}));
}

TEST_F(ControlTree, EnterAndLeaveFollowTheTopmostControl) {
  window.MouseMove(0, 5, 5);
  window.MouseMove(0, 145, 35);  // B1 lies over B
  window.MouseMove(0, 120, 20);
  window.MouseLeftWindow();
  EXPECT_EQ(gEvents, (std::vector<std::string>{"root enter", "root move 5,5", "root leave", "B1 enter",
                                               "B1 move 5,5", "B1 leave", "B enter", "B move 20,10",
                                               "B leave"}));
  EXPECT_EQ(window.HoveredControl(), nullptr);
}

TEST_F(ControlTree, DoubleClickFollowsItsSecondPress) {
  window.MouseDown(TMouseButton::Left, ssLeft | ssDouble, 20, 20);
  window.MouseUp(TMouseButton::Left, 0, 20, 20);
  EXPECT_EQ(gEvents, (std::vector<std::string>{"A enter", "A down2 10,10", "A dblclick", "A up 10,10"}));
}

// A button pressed outside the window (in the host's, which then opened the editor under the
// pointer) gives the window moves with the button held and its release: the moves are plain
// ones and the release goes nowhere, while the buttons pressed inside keep working.
TEST_F(ControlTree, AButtonPressedOutsideTheWindowNeitherDragsNorReleasesHere) {
  root->logButtons = a->logButtons = b->logButtons = root->logGestures = true;
  struct Case {
    const char* what;
    void (*input)(TWindow&);
    std::vector<std::string> heard;
  };
  const Case cases[] = {
      {"a release alone", [](TWindow& w) { w.MouseUp(TMouseButton::Left, 0, 20, 20); }, {}},
      {"a held move and its release",
       [](TWindow& w) {
         w.MouseMove(ssLeft, 20, 20);
         w.MouseMove(ssLeft | ssShift, 25, 20);
         w.MouseUp(TMouseButton::Left, 0, 25, 20);
       },
       {"A enter", "A move 10,10", "A moveS 15,10"}},
      {"a right press inside while the left is held from outside",
       [](TWindow& w) {
         w.MouseMove(ssLeft, 20, 20);
         w.MouseDown(TMouseButton::Right, ssLeft | ssRight, 20, 20);
         w.MouseMove(ssLeft | ssRight, 22, 20);
         w.MouseUp(TMouseButton::Left, ssRight, 22, 20);
         w.MouseUp(TMouseButton::Right, 0, 22, 20);
       },
       {"A enter", "A move 10,10", "root gesture on A R", "A downR 10,10", "A drag 12,10", "A up 12,10",
        "root gesture ends"}},
      {"after a stray release, a click of its own",
       [](TWindow& w) {
         w.MouseUp(TMouseButton::Left, 0, 120, 20);
         w.MouseDown(TMouseButton::Left, ssLeft, 120, 20);
         w.MouseMove(ssLeft, 121, 20);
         w.MouseUp(TMouseButton::Left, 0, 121, 20);
       },
       {"B enter", "root gesture on B", "B down 20,10", "B drag 21,10", "B up 21,10", "root gesture ends"}},
  };
  for (const Case& c : cases) {
    window.MouseLeftWindow();
    gEvents.clear();
    c.input(window);
    EXPECT_EQ(gEvents, c.heard) << c.what;
    EXPECT_EQ(window.CapturingControl(), nullptr) << c.what;
  }
}

TEST_F(ControlTree, KeyboardGoesToTheFocusedControl) {
  b->SetFocusable(true);
  a->SetFocusable(true);
  EXPECT_FALSE(window.KeyDown(TKey::Enter, 0)) << "no control has the focus";
  window.MouseDown(TMouseButton::Left, ssLeft, 120, 20);
  window.MouseUp(TMouseButton::Left, 0, 120, 20);
  window.KeyPress('x');
  EXPECT_TRUE(window.KeyDown(TKey::Enter, 0));
  window.MouseDown(TMouseButton::Left, ssLeft, 5, 5);  // the root cannot take the focus
  window.MouseUp(TMouseButton::Left, 0, 5, 5);
  EXPECT_TRUE(b->Focused());
  window.MouseDown(TMouseButton::Left, ssLeft, 20, 20);
  EXPECT_TRUE(a->Focused());
  window.MouseUp(TMouseButton::Left, 0, 20, 20);
  window.KeyboardLost();
  EXPECT_EQ(window.FocusedControl(), nullptr);
  b->SetFocus();
  b->SetVisible(false);
  EXPECT_EQ(window.FocusedControl(), nullptr);
  EXPECT_EQ(gEvents, (std::vector<std::string>{"B enter", "B focus", "B down 20,10", "B up 20,10", "B char x",
                                               "B Enter", "B leave", "root enter", "root down 5,5", "root up 5,5",
                                               "root leave", "A enter", "B blur", "A focus", "A down 10,10",
                                               "A up 10,10", "A blur", "B focus", "B blur"}));
}

TEST_F(ControlTree, ControlsMayGoAwayInTheirOwnHandlers) {
  b1->SetFocusable(true);
  b1->deleteSelfOnPress = true;
  window.MouseDown(TMouseButton::Left, ssLeft | ssDouble, 145, 35);
  EXPECT_EQ(window.CapturingControl(), nullptr);
  EXPECT_EQ(window.FocusedControl(), nullptr);
  EXPECT_EQ(window.HoveredControl(), nullptr);
  window.MouseMove(ssLeft, 146, 36);
  window.MouseUp(TMouseButton::Left, 0, 146, 36);
  EXPECT_EQ(b->Children().size(), 0u);
  EXPECT_EQ(gEvents, (std::vector<std::string>{"B1 enter", "B1 focus", "B1 down2 5,5", "B enter", "B move 46,26",
                                               "B up 46,26"}));
  // A whole branch with the mouse over it.
  window.MouseDown(TMouseButton::Left, ssLeft, 120, 20);
  delete b;
  window.MouseUp(TMouseButton::Left, 0, 120, 20);
  EXPECT_EQ(window.HoveredControl(), root);
}

TEST_F(ControlTree, CursorAndCoordinates) {
  b1->SetScreenCursor(TCursor::SizeNS);
  EXPECT_EQ(window.Cursor(), TCursor::SizeNS);
  a->SetScreenCursor(TCursor::Default);
  EXPECT_EQ(window.Cursor(), TCursor::Default);
  EXPECT_EQ(b1->ClientToWindow({1, 2}), (TPoint{141, 32}));
  EXPECT_EQ(b1->WindowToClient({141, 32}), (TPoint{1, 2}));
  EXPECT_EQ(b1->ClientToScreen({1, 2}), (TPoint{141, 32})) << "a headless window sits at the screen's origin";
  EXPECT_EQ(a->Window(), &window);
  TProbe loose(nullptr, "loose", {0, 0, 5, 5}, 0);
  EXPECT_EQ(loose.Window(), nullptr);
  loose.Invalidate();  // shown nowhere: nothing happens
  loose.SetScreenCursor(TCursor::Hand);
  EXPECT_EQ(window.Cursor(), TCursor::Default);
}

namespace {
// A control whose setter only stores while loading, the way the editor's controls behave.
class TLoadingProbe : public TControl {
 public:
  explicit TLoadingProbe(TControl* parent, std::string name) : TControl(parent) { Name = std::move(name); }
  void SetValue(int v) {
    value = v;
    if (!Loading()) ++recalculations;
  }
  int value = 0;
  int recalculations = 0;

 protected:
  void Loaded() override {
    ++recalculations;
    gEvents.push_back(Name + " loaded");
  }
};
}  // namespace

TEST(ControlLoading, SettersOnlyStoreUntilLoadingEnds) {
  gEvents.clear();
  TLoadingProbe form(nullptr, "form");
  form.BeginLoading();
  auto* panel = new TLoadingProbe(&form, "panel");
  auto* box = new TLoadingProbe(panel, "box");
  box->SetValue(5);
  EXPECT_TRUE(box->Loading());
  EXPECT_EQ(box->recalculations, 0);
  form.EndLoading();
  EXPECT_FALSE(box->Loading());
  EXPECT_EQ(box->recalculations, 1);
  EXPECT_EQ(gEvents, (std::vector<std::string>{"form loaded", "panel loaded", "box loaded"}));
  box->SetValue(6);
  EXPECT_EQ(box->recalculations, 2);
}

TEST_F(ControlTree, PostedMessagesArriveLaterInOrder) {
  window.Post(1985, 7, 0);
  window.Post(1985, 1, 0);
  EXPECT_TRUE(gEvents.empty()) << "never inside the call that posts";
  window.ProcessEvents();
  EXPECT_EQ(gEvents, (std::vector<std::string>{"root message 1985 7", "root message 1985 1"}));
  EXPECT_EQ(window.QueuedMessages(), 1u) << "posted while handling: waits for the next round";
  window.ProcessEvents();
  EXPECT_EQ(gEvents.back(), "root message 1985 2");
}

TEST(ControlWindow, RootAndWindowMayGoInEitherOrder) {
  auto* root = new TProbe(nullptr, "root", {0, 0, 1, 1}, kGrey);
  {
    THeadlessWindow window(50, 50);
    window.SetRoot(root);
    window.Post(1, 0, 0);
  }  // the window goes first, its queued message with it
  EXPECT_EQ(root->Window(), nullptr);
  root->Invalidate();
  THeadlessWindow other(50, 50);
  other.SetRoot(root);
  delete root;  // the root goes first
  EXPECT_EQ(other.Root(), nullptr);
  other.ProcessEvents();
}
