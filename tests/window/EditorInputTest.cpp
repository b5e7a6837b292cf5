// A user at work in the editor's real window, through the module's binary interface: the mouse
// and keyboard come from the window system (XTest under Xvfb on Linux, SendInput under wine),
// the host idles the editor and records what the plug-in tells it, and the window is captured
// to a PNG at the end (MOLTRIN_SCREENSHOT_DIR, else the working folder).
#include <cstdlib>
#include <string>

#include "engine/ParamNames.h"
#include "platform/Png.h"
#include "tests/window/EditorWindowFixture.h"

namespace {

using namespace testsupport;  // the editor's spots, TSpot, ClickAt and DragAt
constexpr int kVelocityStep20 = 512 + 19;    // that box's tag on the second page

bool SaveCapture(TNativeParent& parent, const std::string& name) {
  const std::vector<uint32_t> pixels = parent.Capture(809, 536);
  if (pixels.size() != 809u * 536u) return false;
  TCanvas canvas(809, 536);
  for (int y = 0; y < 536; ++y)
    for (int x = 0; x < 809; ++x) canvas.SetPixel(x, y, pixels[static_cast<size_t>(y * 809 + x)]);
  const char* dir = std::getenv("MOLTRIN_SCREENSHOT_DIR");
  return WritePng(canvas, (dir != nullptr ? std::string(dir) + "/" : std::string()) + name);
}

float LastAutomation(const vst2host::Host& host, int tag) {
  float value = -1;
  for (const vst2host::Automation& a : host.Automations())
    if (a.index == tag) value = a.value;
  return value;
}

}  // namespace

TEST_F(EditorWindow, AUserWorksTheEditorWithMouseAndKeyboard) {
  ASSERT_EQ(Open(), 1);
  Idle(4);
  // A program of two pages, its twentieth step at the default velocity.
  host.SetParam(tagSteps, 31.0f / 63.0f);
  host.SetParam(kVelocityStep20, 96.0f / 127.0f);
  Idle();

  // Dragging the gate box down lowers the gate; the host hears of it and reads it back.
  DragAt(kGateBox.x, kGateBox.y, 40);
  const float gate = LastAutomation(host, tagGate);
  ASSERT_GE(gate, 0.0f) << "no automation of the gate";
  EXPECT_LT(gate, 1.0f);
  EXPECT_FLOAT_EQ(host.GetParam(tagGate), gate);

  // The next page, and a step box on it.
  ClickAt(kPageRight.x, kPageRight.y);
  EXPECT_FLOAT_EQ(host.GetParam(tagSelectedPage), 1.0f / 3.0f);
  DragAt(kVelocityStep4.x, kVelocityStep4.y, -30);
  EXPECT_FLOAT_EQ(host.GetParam(kVelocityStep20), 1.0f) << "velocity 96 raised by two notches to 127";

  // The octave row shown on the pattern screen.
  ClickAt(kOctaveCaption.x, kOctaveCaption.y);
  EXPECT_FLOAT_EQ(LastAutomation(host, tagSelectedBar), 0.25f);
  EXPECT_FLOAT_EQ(host.GetParam(tagSelectedBar), 0.25f);

  // A new name for the program: the field opens with the whole name selected.
  ClickAt(kProgramName.x, kProgramName.y);
  parent.TypeText("Live Set");
  Idle();
  parent.PressEnter();
  Idle(3);
  EXPECT_EQ(host.ProgramName(), "Live Set");

  Idle(3);
#ifdef _WIN32
  EXPECT_TRUE(SaveCapture(parent, "editor-window-win32.png"));
#else
  EXPECT_TRUE(SaveCapture(parent, "editor-window-x11.png"));
#endif
  Close();
}

// MENU > Program > Initialize with the mouse, through the menu drawn inside the editor's window:
// the factory program shown at the first opening returns to the defaults and its number's name.
TEST_F(EditorWindow, AUserInitialisesTheProgramFromTheMenu) {
  ASSERT_EQ(Open(), 1);
  Idle(4);
  ASSERT_NE(host.ProgramName(), "Program 1") << "the factory bank is in place";
  host.SetParam(tagSteps, 31.0f / 63.0f);
  host.SetParam(tagGate, 0.5f);
  Idle();
  const uint32_t panelColor = parent.PixelAt(kUnderMenu.x, kUnderMenu.y);

  ClickAt(kMenuButton.x, kMenuButton.y);
  EXPECT_NE(parent.PixelAt(kUnderMenu.x, kUnderMenu.y), panelColor) << "the menu is open";
  parent.MouseMoveTo(kMenuProgram.x, kMenuProgram.y);  // its submenu opens beside it
  Idle();
  parent.MouseMoveTo(kMenuLoadProgram.x, kMenuLoadProgram.y);
  Idle();
  ClickAt(kMenuInitialize.x, kMenuInitialize.y);
  Idle(3);

  EXPECT_EQ(host.ProgramName(), "Program 1");
  EXPECT_FLOAT_EQ(host.GetParam(tagSteps), 15.0f / 63.0f) << "16 steps";
  EXPECT_FLOAT_EQ(host.GetParam(tagGate), 1.0f) << "gate 100";
  EXPECT_EQ(parent.PixelAt(kUnderMenu.x, kUnderMenu.y), panelColor) << "the menu has closed";
#ifdef _WIN32
  EXPECT_TRUE(SaveCapture(parent, "editor-initialised-win32.png"));
#else
  EXPECT_TRUE(SaveCapture(parent, "editor-initialised-x11.png"));
#endif
  Close();
}

// A step-row edit is no automatable value, but it changes what the host saves: once the drag has
// ended the host is told once with updateDisplay (which Ardour takes as a changed session),
// never in the middle of the gesture.
TEST_F(EditorWindow, AStepRowEditIsToldToTheHostOnceTheGestureEnds) {
  ASSERT_EQ(Open(), 1);
  Idle(4);
  host.ClearRecords();
  parent.MouseMoveTo(kVelocityStep4.x, kVelocityStep4.y);
  Idle();
  parent.MouseButton(true);
  Idle();
  for (int i = 1; i <= 4; ++i) {
    parent.MouseMoveTo(kVelocityStep4.x, kVelocityStep4.y + 10 * i);
    Idle();
  }
  EXPECT_EQ(host.UpdateDisplays(), 0) << "told while the user still holds the box";
  parent.MouseButton(false);
  Idle(3);
  EXPECT_EQ(host.UpdateDisplays(), 1);
  EXPECT_TRUE(host.Automations().empty()) << "no automation of a step row";
  // A click that changes an automatable setting: the host hears the value, no display update.
  host.ClearRecords();
  ClickAt(kOctaveCaption.x, kOctaveCaption.y);
  EXPECT_EQ(host.UpdateDisplays(), 0);
  Close();
}

// The host opens the editor under the pointer while the user's button is still down on the host's
// window (a double click on the plug-in's slot): moving on over the pattern screen with the button
// held and letting it go there edits nothing and the host hears of no gesture; the user's own
// click on the grid then does edit.
TEST_F(EditorWindow, AButtonPressedBeforeTheEditorOpenedEditsNothing) {
  constexpr TSpot kGridStep4{403, 234};  // the pattern screen, over step 4
  parent.MouseMoveTo(kGridStep4.x, kGridStep4.y);
  parent.Pump();
  parent.MouseButton(true);  // on the host's window: no editor there yet
  parent.Pump();
  const std::vector<uint8_t> before = host.GetChunk(false);
  ASSERT_EQ(Open(), 1);
  Idle(4);
  host.ClearRecords();
  for (int dy = 10; dy <= 40; dy += 10) {
    parent.MouseMoveTo(kGridStep4.x + dy, kGridStep4.y + dy);
    Idle();
  }
  parent.MouseButton(false);
  Idle(3);
  EXPECT_EQ(host.GetChunk(false), before) << "no setting changed";
  for (const vst2host::Callback& c : host.Callbacks()) {
    EXPECT_NE(c.opcode, audioMasterBeginEdit) << "tag " << c.index;
    EXPECT_NE(c.opcode, audioMasterAutomate) << "tag " << c.index;
  }

  ClickAt(kGridStep4.x, kGridStep4.y);
  EXPECT_NE(host.GetChunk(false), before) << "a click of the editor's own paints the step";
  Close();
}
