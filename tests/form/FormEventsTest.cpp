// The form at work: engine changes shown on the next idle tick, user changes reaching the engine
// and the host, pages following playback, bars, chains, direct sends, programs, value lists and
// the name field, all through the controls as a user works them.
#include <algorithm>

#include "engine/EngineProbe.h"
#include "tests/form/FormFixture.h"

namespace {

using vst2host::MidiOut;

class FormEvents : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    Open();
  }
  float Normalized(int tag, int value) {
    return static_cast<float>(value - CParamMin[tag]) / static_cast<float>(CParamMax[tag] - CParamMin[tag]);
  }
  void HostSets(int tag, int value) { host.SetParam(tag, Normalized(tag, value)); }
  // Chooses an item of an open popup menu with the mouse.
  void Choose(TPopupMenu& menu, TMenuItem& item) {
    const auto r = menu.ItemRect(item);
    ASSERT_TRUE(r.has_value()) << item.Caption << " is not showing";
    const int x = (r->left + r->right) / 2, y = (r->top + r->bottom) / 2;
    Window().MouseMove(0, x, y);
    Window().MouseDown(TMouseButton::Left, 0, x, y);
    Window().MouseUp(TMouseButton::Left, 0, x, y);
  }
  // Plays with a key held until the engine shows `step` (or gives up), idling as a host does.
  void PlayUntilStep(int step) {
    host.SendMidi({vst2host::NoteOn(0, 60, 100)});
    for (int i = 0; i < 2000 && Form().ledbarPlayPage->IndexOn() * 16 + Form().ledbar->IndexOn() != step; ++i) {
      host.PlayBlocks(1, 256);
      Idle();
    }
  }
  std::vector<MidiOut> SentBy(int status) {
    std::vector<MidiOut> out;
    for (const MidiOut& m : host.MidiOutEvents())
      if (m.Status() == status) out.push_back(m);
    return out;
  }
  TPlugForm& F() { return Form(); }
};

TEST_F(FormEvents, AUserChangeReachesTheEngineAndTheHostAndAHostChangeShowsNextTick) {
  TDragBoxBt& gate = Control<TDragBoxBt>("bGate");
  Drag(*gate.Box(), 40);  // down: 8 notches at Sensity 20 with 100 notches
  EXPECT_EQ(gate.GetValue(), 92);
  EXPECT_EQ(Core().GetParam(tagGate), 92);
  ASSERT_FALSE(host.Automations().empty());
  EXPECT_EQ(host.Automations().back().index, tagGate);
  EXPECT_FLOAT_EQ(host.GetParam(tagGate), Normalized(tagGate, 92));
  EXPECT_EQ(F().ParamCapt->Caption1(), "Param [211: Gate] = 92");

  HostSets(tagSwing, -20);
  EXPECT_EQ(Control<TDragBoxBt>("bSwing").GetValue(), 0) << "shown on the next idle tick, not before";
  Idle();
  EXPECT_EQ(Control<TDragBoxBt>("bSwing").GetValue(), -20);
  EXPECT_EQ(F().ParamCapt->Caption1(), "Param [211: Gate] = 92") << "host changes leave the status line";

  Click(Control<TVeskCheckBox>("cbHold"));
  EXPECT_EQ(Core().GetParam(tagLatch), 1);
  EXPECT_EQ(F().ParamCapt->Caption1(), "Param [213: Latch] = 1");
}

// With coarse velocity increments a step's velocity box shows what the engine holds and plays,
// and a drag of one notch reaches the notch above or the one just below it.
TEST_F(FormEvents, AVelocityBoxShowsWhatPlaysAndMovesInCoarseNotches) {
  ASSERT_EQ(GuiSettings.fine_velocity_increments, 0);
  TDragBox& step1 = *F().barVelocity->Line()->Box(0);
  const struct {
    int dy, reached;
  } drags[] = {{-17, 112}, {17, 96}};
  for (const auto& d : drags) {
    HostSets(tagVelocity, 110);
    Idle();
    EXPECT_EQ(step1.ShownText(), "110");
    Drag(step1, d.dy);
    EXPECT_EQ(Core().GetParam(tagVelocity), d.reached) << d.dy;
    Idle();
    EXPECT_EQ(step1.ShownText(), std::to_string(d.reached)) << d.dy;
  }
}

// The host in this test never echoes automation back: what an editor change sets in motion
// must not wait for that echo.
TEST_F(FormEvents, EditorChangesTakeEffectWithoutTheHostsEcho) {
  Click(Control<TVeskCheckBox>("cbHold"));
  host.SendMidi({vst2host::NoteOn(0, 60, 100), vst2host::NoteOn(0, 64, 100)});
  host.PlayBlocks(8);
  host.SendMidi({vst2host::NoteOff(0, 60), vst2host::NoteOff(0, 64)});
  host.PlayBlocks(40);
  ASSERT_FALSE(SentBy(0x90).empty()) << "the latched keys play on";
  Click(Control<TVeskCheckBox>("cbHold"));  // latch off: the latched keys are let go
  host.PlayBlocks(40);
  host.ClearRecords();
  host.PlayBlocks(40);
  EXPECT_TRUE(SentBy(0x90).empty()) << "nothing plays once the latch is off";

  HostSets(tagChainProg, 5);  // chain 0's first slot: program 5
  Core().SelectProgram(0);
  Click(*F().cbCurrChain->RightArrow());  // chain 1, whose slots are chain 0's row here
  EXPECT_TRUE(TEngineProbe(Core()).ChainSwitchRequested()) << "the chosen chain is switched to at once";
}

TEST_F(FormEvents, FewerStepsThanTheShownPageShowTheLastPageLeft) {
  HostSets(tagSteps, 64);
  Idle();
  for (int i = 0; i < 3; ++i) Click(Control<TVeskButton>("bPgRight"));
  ASSERT_EQ(F().scr->ShownPage(), 3);
  EXPECT_EQ(F().ParamCapt->Caption1(), "Param [231: SelectedPage] = 4");
  HostSets(tagSteps, 20);
  Idle();
  EXPECT_EQ(F().scr->PageCount(), 2);
  EXPECT_EQ(F().scr->ShownPage(), 1);
  EXPECT_EQ(F().scr->VisibleSteps(), 4);
  EXPECT_EQ(F().ledbarSelPage->IndexOn(), 1);
  EXPECT_EQ(F().ledbarPlayPage->IndexOn(), -1);
  for (TDragBoxBar* bar : F().Bars) EXPECT_EQ(bar->ShownPage(), 1) << bar->Name;
  EXPECT_EQ(F().barVelocity->Line()->Box(0)->GetParamTag(), tagVelocity + 16);
  EXPECT_EQ(Core().GetParam(tagSelectedPage), 1);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(F().PageLabels[static_cast<size_t>(k)]->Active(), k == 1) << k;
  Click(Control<TVeskButton>("bPgRight"));
  EXPECT_EQ(F().scr->ShownPage(), 1) << "no page past the pattern";
}

TEST_F(FormEvents, PagesFollowPlaybackUntilAPageButtonIsPressed) {
  HostSets(tagSteps, 64);
  Idle();
  ASSERT_TRUE(F().cbScroll->Checked());
  PlayUntilStep(17);
  EXPECT_EQ(F().scr->ShownPage(), 1) << "the shown page followed the playing one";
  EXPECT_EQ(F().ledbarSelPage->IndexOn(), 1);
  EXPECT_EQ(F().ledbarPlayPage->IndexOn(), 1);
  EXPECT_EQ(F().ledbar->IndexOn(), 1);
  EXPECT_TRUE(F().PageLabels[1]->Active());

  host.ClearRecords();
  Click(Control<TVeskButton>("bPgLeft"));
  EXPECT_FALSE(F().cbScroll->Checked());
  EXPECT_EQ(Core().GetParam(tagScroll), 0);
  const auto automations = host.Automations();
  EXPECT_TRUE(std::any_of(automations.begin(), automations.end(),
                          [](const vst2host::Automation& a) { return a.index == tagScroll && a.value == 0.0f; }));
  EXPECT_EQ(F().scr->ShownPage(), 0);
  EXPECT_EQ(F().ledbar->IndexOn(), -1) << "the playing step lies on another page";
  EXPECT_FALSE(F().PageLabels[0]->Active()) << "the shown page is not the playing one";
  PlayUntilStep(33);
  EXPECT_EQ(F().scr->ShownPage(), 0) << "no longer following";
  EXPECT_EQ(F().ledbarPlayPage->IndexOn(), 2);
  EXPECT_EQ(F().ledbar->IndexOn(), -1);
}

TEST_F(FormEvents, FewerChainsThanTheCurrentOneMakeTheLastChainCurrent) {
  host.SetParam(tagCurChain, 6.0f / 8.0f);  // the host chooses chains 0..8: chain 6
  Idle();
  ASSERT_EQ(F().cbCurrChain->GetValue(), 6);
  TDragBoxBt& chains = *F().cbNumChains;
  for (int i = 0; i < 4; ++i) Click(*chains.LeftArrow());
  EXPECT_EQ(chains.GetValue(), 4);
  EXPECT_EQ(Core().GetParam(tagCurChain), 4);
  EXPECT_EQ(F().cbCurrChain->Max(), 4);
  Idle();
  EXPECT_EQ(F().cbCurrChain->GetValue(), 4);
  EXPECT_EQ(Core().CurChainMax(), 4);
  EXPECT_FLOAT_EQ(host.GetParam(tagCurChain), 1.0f) << "the host reads the last chain as the top of its range";
  Click(*F().cbCurrChain->RightArrow());
  EXPECT_EQ(F().cbCurrChain->GetValue(), 4) << "the box stops at the chain count";
}

TEST_F(FormEvents, BankProgramAndVolumeBoxesSendAtOnce) {
  HostSets(tagMIDIOut_Ch, 3);
  HostSets(tagSendPatchNum, 3);
  Idle();
  struct Case {
    const char* box;
    int value;
    std::vector<std::array<int, 3>> sent;  // status, data 1, data 2
  };
  const Case cases[] = {
      {"bSendBankN", 5, {{0xB2, 0, 4}, {0xC2, 2, 0}}},  // bank select, then the chain's program
      {"bSendBankN", 0, {}},
      {"bSendBankN", -1, {}},
      {"bSendPatchN", 10, {{0xC2, 9, 0}}},
      {"bSendPatchN", 0, {}},
      {"bSendVolume", 101, {{0xB2, 7, 100}}},
      {"bSendVolume", -1, {}},
  };
  for (const Case& c : cases) {
    host.ClearRecords();
    TDragBox& box = *Control<TDragBoxBt>(c.box).Box();
    box.StepBy(box.PositionOf(c.value));  // what the arrows and dragging do
    host.RunBlock(64);
    std::vector<std::array<int, 3>> sent;
    for (const MidiOut& m : host.MidiOutEvents()) sent.push_back({m.bytes[0], m.bytes[1], m.bytes[2]});
    EXPECT_EQ(sent, c.sent) << c.box << " = " << c.value;
  }
}

TEST_F(FormEvents, TheProgramListChoosesAProgramAndLeavesChainMode) {
  host.SetParam(tagCurChain, 3.0f / 8.0f);
  Idle();
  ASSERT_EQ(Core().GetParam(tagCurChain), 3);
  Click(*F().btPatchList);
  ASSERT_TRUE(F().popList.IsOpen());
  TMenuItem& items = F().popList.Items;
  ASSERT_EQ(items.Count(), 64);
  EXPECT_EQ(items[0].Caption, "01: Program 1");
  EXPECT_EQ(items[63].Caption, "64: Program 64");
  for (int i = 0; i < 64; ++i)
    EXPECT_EQ(items[i].Break == TMenuBreak::BarBreak, i == 22 || i == 44) << "columns of 22, 22 and 20";
  TMenuItem& fifth = items[4];
  EXPECT_EQ(fifth.Caption.substr(0, 4), "05: ");
  Choose(F().popList, fifth);
  EXPECT_FALSE(F().popList.IsOpen());
  EXPECT_EQ(Core().CurrentProgramIndex(), 4);
  EXPECT_EQ(Core().GetParam(tagCurChain), 0);
  Idle();
  EXPECT_EQ(F().cbCurrChain->GetValue(), 0);
  EXPECT_EQ(F().lProgNum->Caption1(), "5 / 64");
  EXPECT_EQ(F().eProgName->Text(), "Program 5");
  EXPECT_GE(host.UpdateDisplays(), 1) << "the host is told its program list changed";
}

TEST_F(FormEvents, ProgramButtonsWrapAroundTheBank) {
  Click(Control<TVeskButton>("bProgLeft"));
  EXPECT_EQ(Core().CurrentProgramIndex(), 63);
  Click(Control<TVeskButton>("bProgRight"));
  Click(Control<TVeskButton>("bProgRight"));
  EXPECT_EQ(Core().CurrentProgramIndex(), 1);
  Idle();
  EXPECT_EQ(F().lProgNum->Caption1(), "2 / 64");
}

TEST_F(FormEvents, AValueListOffersOnlyTheValuesTheRangeTakes) {
  // The sync box's own list: twelve rates, the first standing for the range's minimum.
  TDragBoxBt& sync = Control<TDragBoxBt>("bReso");
  Click(*sync.RightArrow());
  ASSERT_TRUE(F().popList.IsOpen());
  ASSERT_EQ(F().popList.Items.Count(), 12);
  EXPECT_EQ(F().popList.Items[5].Caption, "1/8");
  const std::string status = F().ParamCapt->Caption1();
  Choose(F().popList, F().popList.Items[5]);
  EXPECT_EQ(Core().GetParam(tagSync), 5);
  EXPECT_EQ(host.Automations().back().index, tagSync);
  EXPECT_EQ(F().ParamCapt->Caption1(), status) << "a choice from the list leaves the status line";
  Idle();
  EXPECT_EQ(sync.GetValue(), 5);

  // A list longer than the range: only what the range can take, from CParamMin on.
  F().DoControlMenuPopup(tagMTransp_oct, "MTransp_oct", 10, 10, {"a", "b", "c", "d", "e", "f", "g", "h", "i"});
  ASSERT_EQ(F().popList.Items.Count(), 7);
  EXPECT_EQ(F().popList.Items[0].Tag, -3);
  EXPECT_EQ(F().popList.Items[6].Tag, 3);
  Choose(F().popList, F().popList.Items[6]);
  EXPECT_EQ(Core().GetParam(tagMTransp_oct), 3);
}

TEST_F(FormEvents, MenuOpensTheMainMenuUnderTheButton) {
  TVeskButton& menuButton = *F().bResetPatch;
  Click(menuButton, 10, 5);
  ASSERT_TRUE(F().popMenu.IsOpen());
  const TPoint corner = menuButton.ClientToWindow({0, menuButton.Height()});
  EXPECT_EQ(F().popMenu.LevelRect(0).left, corner.x);
  EXPECT_EQ(F().popMenu.LevelRect(0).top, corner.y);
  std::vector<std::string> top;
  for (int i = 0; i < F().popMenu.Items.Count(); ++i) top.push_back(F().popMenu.Items[i].Caption);
  EXPECT_EQ(top, (std::vector<std::string>{"Program", "Bank", "Page", "-", "Skins", "GUI Settings", "Zoom", "-",
                                           "Make a Donation", "Developer's website"}));
  // The settings' radio items start as the settings file says (here: none, so the defaults).
  EXPECT_TRUE(F().popMenu.Items.Find("Skins/Default (Vesk)")->Checked());
  EXPECT_TRUE(F().popMenu.Items.Find("GUI Settings/Matrix Semitone Range/-12..0..+12 (full range)")->Checked());
  EXPECT_TRUE(F().popMenu.Items.Find("GUI Settings/Fine Velocity Increments/Off")->Checked());
  Window().KeyDown(TKey::Escape, 0);
  EXPECT_FALSE(F().popMenu.IsOpen());
}

TEST_F(FormEvents, SelectingABarShowsItsRowAndTellsTheHost) {
  Click(*F().barVelocity->Label(), 50, 5);
  EXPECT_EQ(Core().GetParam(tagSelectedBar), 4);
  EXPECT_EQ(host.Automations().back().index, tagSelectedBar);
  EXPECT_EQ(F().scr->ShownRow(), F().barVelocity->Line());
  EXPECT_TRUE(F().barVelocity->Selected());
  EXPECT_FALSE(F().barKeySelect->Selected());
  EXPECT_EQ(F().ParamCapt->Caption1(), "Param [9: SelectedBar] = 4");
  HostSets(tagSelectedBar, 0);
  Idle();
  EXPECT_EQ(F().scr->ShownRow(), F().barSemitone->Line());
}

TEST_F(FormEvents, PatternShiftButtonsMoveThePatternOneStep) {
  for (int step = 0; step < 4; ++step) Core().SetParamFromEditor(tagVelocity + step, 10 * (step + 1), false);
  HostSets(tagSteps, 4);
  Idle();
  Click(Control<TVeskButton>("bPattShiftRight"));
  Idle(3);  // the delivery of PatternShift moves nothing more
  std::vector<int> velocities;
  for (int step = 0; step < 5; ++step) velocities.push_back(Core().GetParam(tagVelocity + step));
  EXPECT_EQ(velocities, (std::vector<int>{40, 10, 20, 30, 96}));
  EXPECT_EQ(F().ParamCapt->Caption1(), "Param [232: PatternShift] = 0");
  EXPECT_EQ(F().barVelocity->Line()->Box(0)->ShownText(), "40") << "coarse velocity shows what plays";
  Click(Control<TVeskButton>("bPattShiftLeft"));
  Idle(3);
  EXPECT_EQ(Core().GetParam(tagVelocity), 10);
}

TEST_F(FormEvents, TheNameFieldRenamesTheProgram) {
  Click(*F().eProgName, 20, 5);
  ASSERT_TRUE(F().eProgName->Editing());
  Window().KeyDown(TKey::End, 0);
  for (int i = 0; i < 20; ++i) Window().KeyDown(TKey::Backspace, 0);
  Type("Night Drive");
  Window().KeyDown(TKey::Enter, 0);
  EXPECT_FALSE(F().eProgName->Editing());
  EXPECT_EQ(Core().GetProgramName(0).Str(), "Night Drive");
  EXPECT_EQ(host.ProgramName(), "Night Drive");
  EXPECT_GE(host.UpdateDisplays(), 1);

  // An empty name becomes the program's default name, and the field shows what was kept.
  Click(*F().eProgName, 20, 5);
  Window().KeyDown(TKey::End, 0);
  for (int i = 0; i < 20; ++i) Window().KeyDown(TKey::Backspace, 0);
  Click(*F().pTop, 300, 45);  // a click on the title panel ends the edit
  EXPECT_FALSE(F().eProgName->Editing());
  Idle();
  EXPECT_EQ(F().eProgName->Text(), "Program 1");
}

TEST_F(FormEvents, ClosingTheEditorKeepsANameBeingTyped) {
  Click(*F().eProgName, 20, 5);
  Window().KeyDown(TKey::End, 0);
  Type(" II");
  Close();
  EXPECT_EQ(host.ProgramName(), "Program 1 II");
}

TEST_F(FormEvents, TheStatusPanelAndTheChainLineFollowPlayback) {
  HostSets(tagChainProg, 1);
  HostSets(tagChainProg + 1, 2);
  host.SetParam(tagCurChain, 1.0f / 8.0f);  // chain 1, made of programs 1 and 2
  Idle();
  PlayUntilStep(2);
  EXPECT_NE(F().StepVal->Caption1(), "0");
  EXPECT_EQ(F().KeysPreFilterVal->Caption1().substr(0, 2), "C5");
  EXPECT_NE(F().BeatVal->Caption1(), "0,00");
  EXPECT_EQ(F().lnChainProg->HighlightedBox(), 0);
  host.SendMidi({vst2host::NoteOff(0, 60)});
  host.Stop();
  host.RunBlocks(4);
  Idle();
  EXPECT_EQ(F().lnChainProg->HighlightedBox(), -1);
  EXPECT_EQ(F().ledbar->IndexOn(), -1);
}

}  // namespace
