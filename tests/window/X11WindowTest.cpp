// The X11 back end in a real window under Xvfb: input from the X server (XTest), the
// posted message, the pixels shown, and the error handler it leaves in place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/X11Window.h"
#include "hosts/vst2/NativeParent.h"

// After everything else: Xlib's macros (None, Bool, KeyPress) clash with C++ names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#undef KeyPress

namespace {

class TRecorder : public TControl {
 public:
  TRecorder(TControl* parent, TRect r, TColor fill, bool focusable) : TControl(parent) {
    SetColor(fill);
    SetBounds(r.left, r.top, r.Width(), r.Height());
    SetFocusable(focusable);
  }
  std::vector<std::string> events;

 protected:
  void Paint(TCanvas& c) override { c.FillRect(ClientRect(), Color()); }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    events.push_back(std::string(b == TMouseButton::Left ? "down" : "downR") + ((s & ssDouble) ? "2 " : " ") +
                     std::to_string(x) + "," + std::to_string(y));
  }
  void MouseUp(TMouseButton, TShiftState, int x, int y) override {
    events.push_back("up " + std::to_string(x) + "," + std::to_string(y));
  }
  void MouseMove(TShiftState s, int x, int y) override {
    if ((s & (ssLeft | ssRight | ssMiddle)) != 0) events.push_back("drag " + std::to_string(x) + "," + std::to_string(y));
  }
  void MouseEnter() override { events.push_back("enter"); }
  void KeyPress(char c) override { events.push_back(std::string("char ") + c); }
  bool KeyDown(TKey key, TShiftState) override {
    events.push_back(key == TKey::Enter ? "Enter" : key == TKey::Up ? "Up" : key == TKey::Down ? "Down" : "key");
    return true;
  }
  void HandleMessage(uint32_t m, intptr_t a, intptr_t) override {
    events.push_back("message " + std::to_string(m) + " " + std::to_string(a));
  }
};

// The test's own connection, standing for the user's mouse and keyboard.
class X11Window : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent.Valid());
    user = XOpenDisplay(nullptr);
    ASSERT_NE(user, nullptr);
    window = TX11Window::Create(reinterpret_cast<uintptr_t>(parent.Handle()), 300, 200);
    ASSERT_NE(window, nullptr);
    root = new TRecorder(nullptr, {0, 0, 1, 1}, 0x112233, false);
    box = new TRecorder(root, {100, 50, 200, 100}, 0x0000FF, true);
    window->SetRoot(root);
    Settle();
  }
  void TearDown() override {
    window.reset();
    delete root;
    if (user != nullptr) XCloseDisplay(user);
  }
  // Lets the server deliver and the window handle what arrived, as idle ticks would.
  void Settle() {
    for (int i = 0; i < 20; ++i) {
      XSync(user, False);
      parent.Pump();
      window->ProcessEvents();
    }
  }
  void MoveTo(int x, int y) {
    const TPoint s = window->ScreenOrigin();
    XTestFakeMotionEvent(user, -1, s.x + x, s.y + y, CurrentTime);
  }
  void Click(unsigned button) {
    XTestFakeButtonEvent(user, button, True, CurrentTime);
    XTestFakeButtonEvent(user, button, False, CurrentTime);
  }
  void Key(KeySym sym) {
    const KeyCode code = XKeysymToKeycode(user, sym);
    XTestFakeKeyEvent(user, code, True, CurrentTime);
    XTestFakeKeyEvent(user, code, False, CurrentTime);
  }

  TNativeParent parent;
  Display* user = nullptr;
  std::unique_ptr<TX11Window> window;
  TRecorder* root = nullptr;
  TRecorder* box = nullptr;
};

}  // namespace

TEST_F(X11Window, ShowsTheBackBufferInTheChildWindow) {
  EXPECT_EQ(parent.ChildCount(), 1);
  EXPECT_EQ(parent.PixelAt(5, 5), 0x112233u);
  EXPECT_EQ(parent.PixelAt(150, 75), 0x0000FFu);
  box->SetColor(0x00FF00);
  Settle();
  EXPECT_EQ(parent.PixelAt(150, 75), 0x00FF00u);
  EXPECT_EQ(parent.PixelAt(310, 5), 0x202020u) << "the parent beside the editor";
}

TEST_F(X11Window, MouseAndKeyboardFromTheServerReachTheControls) {
  MoveTo(120, 60);
  Click(Button1);
  Settle();
  Click(Button1);  // the second press of a double click
  Click(Button3);
  Settle();
  Key(XK_a);
  Key(XK_Return);
  Key(XK_Up);
  Key(XK_Down);  // the keys of menus
  Settle();
  EXPECT_EQ(box->events, (std::vector<std::string>{"enter", "down 20,10", "up 20,10", "down2 20,10", "up 20,10",
                                                   "downR 20,10", "up 20,10", "char a", "Enter", "Up", "Down"}));
}

// The host opens the editor under the pointer while its own button is still down (a double click
// on the plug-in's slot): the window gets moves with the button held and the release, and
// neither reaches a control as a drag or a release. A click of the window's own then does.
TEST_F(X11Window, AButtonPressedBeforeTheWindowOpenedNeitherDragsNorReleasesInIt) {
  window.reset();
  XSync(user, False);
  parent.Pump();
  const TPoint origin = [&] {
    ::Window child = 0;
    int x = 0, y = 0;
    XTranslateCoordinates(user, reinterpret_cast<uintptr_t>(parent.Handle()), DefaultRootWindow(user), 0, 0, &x, &y,
                          &child);
    return TPoint{x, y};
  }();
  XTestFakeMotionEvent(user, -1, origin.x + 120, origin.y + 60, CurrentTime);
  XTestFakeButtonEvent(user, Button1, True, CurrentTime);  // on the host's window
  XSync(user, False);
  window = TX11Window::Create(reinterpret_cast<uintptr_t>(parent.Handle()), 300, 200);
  ASSERT_NE(window, nullptr);
  window->SetRoot(root);
  Settle();
  for (int x = 125; x <= 140; x += 5) {
    MoveTo(x, 60);
    Settle();
  }
  XTestFakeButtonEvent(user, Button1, False, CurrentTime);
  Settle();
  EXPECT_EQ(box->events, (std::vector<std::string>{"enter"})) << "moves and release of a press the window never saw";
  box->events.clear();
  Click(Button1);
  Settle();
  EXPECT_EQ(box->events, (std::vector<std::string>{"down 40,10", "up 40,10"}));
}

TEST_F(X11Window, PostedMessagesArriveOnTheNextRound) {
  const intptr_t address = static_cast<intptr_t>(0x7FFF12345678);  // a pointer's worth of bits
  window->Post(1985, address, 0);
  window->Post(1985, -1, 0);
  EXPECT_TRUE(root->events.empty());
  Settle();
  EXPECT_EQ(root->events, (std::vector<std::string>{"message 1985 " + std::to_string(address), "message 1985 -1"}));
}

TEST_F(X11Window, CursorsAndErrorsStayOnItsOwnConnection) {
  box->SetScreenCursor(TCursor::SizeNS);
  box->SetScreenCursor(TCursor::Hand);
  Settle();
  const int errors = window->ErrorCount();
  parent.DestroyNow();
  // Before the editor has read that its window went with the parent: a request on it fails.
  box->SetScreenCursor(TCursor::SizeNS);
  Settle();
  box->SetColor(0x123456);  // and once it knows, it draws nothing
  Settle();
  EXPECT_GT(window->ErrorCount(), errors) << "the server did report the editor's errors";
  EXPECT_EQ(parent.HostErrors(), 0) << "and the host's handler never saw them";
  window.reset();
  // The host's handler is in place again for the host's own mistakes.
  XDestroyWindow(user, 0x7FFFFFF);
  XSync(user, False);
  EXPECT_EQ(parent.HostErrors(), 1);
}
