// Touch automation: the host hears audioMasterBeginEdit when the user's mouse takes a control
// and audioMasterEndEdit when it lets go, for every tag the gesture touches, exactly paired
// around the automation it reports. Step tags, which the host does not automate, get their
// pairs too: a host in touch mode learns that the user holds them.
#include <functional>
#include <map>
#include <string>

#include "tests/form/FormFixture.h"

namespace {

class TouchAutomation : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    Open();
    host.ClearRecords();
  }

  // The host's view: "B211" a begin, "A211" automation, "E211" an end, in order; a run of
  // automation of one tag shows once.
  std::string Edits() const {
    std::string out, last;
    for (const vst2host::Callback& c : host.Callbacks()) {
      const char kind = c.opcode == audioMasterBeginEdit ? 'B'
                        : c.opcode == audioMasterEndEdit ? 'E'
                        : c.opcode == audioMasterAutomate ? 'A'
                                                          : 0;
      if (kind == 0) continue;
      const std::string edit = kind + std::to_string(c.index);
      if (kind == 'A' && edit == last) continue;
      out += (out.empty() ? "" : " ") + edit;
      last = edit;
    }
    return out;
  }
  // Every automation lies between its tag's begin and end; no tag begins while it is begun or
  // ends unbegun, and none is left begun.
  void ExpectPaired(const std::string& what) const {
    std::map<int, bool> begun;
    for (const vst2host::Callback& c : host.Callbacks()) {
      bool& b = begun[c.index];
      if (c.opcode == audioMasterBeginEdit) {
        EXPECT_FALSE(b) << what << ": tag " << c.index << " begun twice";
        b = true;
      } else if (c.opcode == audioMasterEndEdit) {
        EXPECT_TRUE(b) << what << ": tag " << c.index << " ended unbegun";
        b = false;
      } else if (c.opcode == audioMasterAutomate) {
        EXPECT_TRUE(b) << what << ": tag " << c.index << " automated outside its edit";
      }
    }
    for (const auto& [tag, b] : begun) EXPECT_FALSE(b) << what << ": tag " << tag << " left begun";
  }
  void Move(const TControl& c, int x, int y) {
    const TPoint p = c.ClientToWindow({x, y});
    Window().MouseMove(ssLeft, p.x, p.y);
  }
  void ChooseListItem(int index) {
    const auto r = Form().popList.ItemRect(Form().popList.Items[index]);
    ASSERT_TRUE(r.has_value());
    Window().MouseDown(TMouseButton::Left, 0, (r->left + r->right) / 2, (r->top + r->bottom) / 2);
    Window().MouseUp(TMouseButton::Left, 0, (r->left + r->right) / 2, (r->top + r->bottom) / 2);
  }
};

TEST_F(TouchAutomation, EachGestureBeginsAndEndsTheTagsItTouches) {
  TDragBoxBt& gate = Control<TDragBoxBt>("bGate");
  struct Case {
    const char* gesture;
    std::function<void()> act;
    const char* edits;
  };
  const Case cases[] = {
      {"a drag on a value box", [&] { Drag(*gate.Box(), 40); }, "B211 A211 E211"},
      {"a press that moves nothing", [&] { Click(*gate.Box(), 10, 10); }, "B211 E211"},
      {"a right click back to the default", [&] { Click(*gate.Box(), 10, 10, TMouseButton::Right); },
       "B211 A211 E211"},
      {"an arrow", [&] { Click(*Control<TDragBoxBt>("bSteps").RightArrow()); }, "B210 A210 E210"},
      {"a check box", [&] { Click(Control<TVeskCheckBox>("cbHold")); }, "B213 A213 E213"},
      {"a step row's caption", [&] { Click(*Form().barVelocity->Label(), 50, 5); }, "B9 A9 E9"},
      {"the pattern shift", [&] { Click(Control<TVeskButton>("bPattShiftRight")); }, "B232 A232 E232"},
      {"a drag on a step box (no automation)", [&] { Drag(*Form().barVelocity->Line()->Box(4), -40); },
       "B516 E516"},
      {"a value list chosen from",
       [&] {
         Click(*Control<TDragBoxBt>("bReso").RightArrow());
         ChooseListItem(5);
       },
       "B212 A212 E212"},
      {"a value list closed unchosen",
       [&] {
         Click(*Control<TDragBoxBt>("bSortOrder").RightArrow());
         Window().KeyDown(TKey::Escape, 0);
       },
       "B219 E219"},
      {"a page button unchecking scroll during playback",
       [&] {
         host.SendMidi({vst2host::NoteOn(0, 60, 100)});
         host.PlayBlocks(2);
         Click(Control<TVeskButton>("bPgRight"));
       },
       "B224 A224 E224"},
      {"a program button", [&] { Click(Control<TVeskButton>("bProgRight")); }, ""},
      {"a name typed", [&] {
         Click(*Form().eProgName, 20, 5);
         Type("x");
         Window().KeyDown(TKey::Enter, 0);
       },
       ""},
  };
  for (const Case& c : cases) {
    host.ClearRecords();
    c.act();
    Idle(2);  // a list's end, when it closed unchosen
    EXPECT_EQ(Edits(), c.edits) << c.gesture;
    ExpectPaired(c.gesture);
  }
}

TEST_F(TouchAutomation, ADragBeginsAtThePressAndEndsAtTheRelease) {
  TDragBox& gate = *Control<TDragBoxBt>("bGate").Box();
  Press(gate, 10, 10);
  EXPECT_EQ(Edits(), "B211") << "the press takes the control";
  Move(gate, 10, 30);
  Idle();
  Move(gate, 10, 50);
  EXPECT_EQ(Edits(), "B211 A211");
  Release(gate, 10, 50);
  EXPECT_EQ(Edits(), "B211 A211 E211");
}

TEST_F(TouchAutomation, APaintAcrossSevenStepsGivesSevenPairsEndedAtTheRelease) {
  // What each step holds when its edit begins, seen through the engine's hook on its way out.
  struct Spy : TEngineHost {
    TEngineHost* next = nullptr;
    TPlugCore* core = nullptr;
    std::map<int, int> atBegin;
    void AutomateParam(int tag, float value) override { next->AutomateParam(tag, value); }
    void BeginParamEdit(int tag) override {
      atBegin[tag] = core->GetParam(tag);
      next->BeginParamEdit(tag);
    }
    void EndParamEdit(int tag) override { next->EndParamEdit(tag); }
    void ProgramListChanged() override { next->ProgramListChanged(); }
  } spy;
  spy.next = &inprocess::PluginOf(fx);
  spy.core = &Core();
  std::map<int, int>& atBegin = spy.atBegin;
  Core().SetHost(&spy);

  TScreenInner& screen = *Form().scr;  // showing the key select row: a press at the top is "Chr"
  const auto column = [&](int c) { return screen.LeftOfs() + screen.GridWidth() * (2 * c + 1) / 32; };
  const int top = screen.TopMargin() + 2;
  Press(screen, column(2), top);
  for (int c = 3; c <= 8; ++c) Move(screen, column(c), top);
  Move(screen, column(5), top);  // back over a step already painted
  EXPECT_EQ(Edits(), "B450 B451 B452 B453 B454 B455 B456") << "none ends while the mouse paints";
  Release(screen, column(5), top);
  EXPECT_EQ(Edits(), "B450 B451 B452 B453 B454 B455 B456 E450 E451 E452 E453 E454 E455 E456");
  for (int step = 2; step <= 8; ++step) {
    EXPECT_EQ(atBegin[tagKey_select + step], 1) << "step " << step << " began before its first change";
    EXPECT_EQ(Core().GetParam(tagKey_select + step), 6) << step;
  }
  Core().SetHost(spy.next);
}

TEST_F(TouchAutomation, AValueListHoldsItsControlFromItsOpeningUntilAChoice) {
  Click(*Control<TDragBoxBt>("bReso").RightArrow());
  ASSERT_TRUE(Form().popList.IsOpen());
  Idle(3);
  EXPECT_EQ(Edits(), "B212") << "open, nothing chosen yet";
  ChooseListItem(7);
  EXPECT_EQ(Edits(), "B212 A212 E212");
  EXPECT_EQ(Core().GetParam(tagSync), 7);
}

TEST_F(TouchAutomation, TheHostClosingTheEditorMidGestureHearsItEnd) {
  TDragBox& gate = *Control<TDragBoxBt>("bGate").Box();
  Press(gate, 10, 10);
  Move(gate, 10, 40);
  Close();
  EXPECT_EQ(Edits(), "B211 A211 E211");

  Open();
  host.ClearRecords();
  Click(*Control<TDragBoxBt>("bSortOrder").RightArrow());
  Close();
  EXPECT_EQ(Edits(), "B219 E219") << "a value list left open";
}

}  // namespace
