// The form's opening: the binding that arrives after effEditOpen, its checks of the controls'
// names and ranges against the catalogue, the program it selects, what the controls do before
// the binding arrives, and where each panel's controls show.
#include <array>

#include "engine/PositionText.h"

#include "tests/form/FormFixture.h"

namespace {

using FormOpening = FormTest;

// The host's names come from the catalogue from the first instant; the editor's controls carry
// the same names (its binding checks them), so an opening changes none of them.
TEST_F(FormOpening, TheHostSeesTheSameNamesBeforeAndAfterTheFirstOpening) {
  std::vector<std::string> before;
  for (int tag = 0; tag < kNumParams; ++tag) before.push_back(host.ParamName(tag));
  testing::internal::CaptureStderr();
  Open();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "every control's name is the catalogue's";
  for (int tag = 0; tag < kNumParams; ++tag)
    EXPECT_EQ(host.ParamName(tag), before[static_cast<size_t>(tag)]) << "tag " << tag;
  struct Case {
    int tag;
    const char* name;
  };
  const Case cases[] = {
      {tagSteps, "Steps"},           {300, "Semitone_45"},         {90, "ChainProg_6"},
      {tagSelectedBar, "SelectedBar"}, {tagPatternShift, "PatternShift"}, {575, "Velocity_64"},
      {tagMIDIIn_Ch, "MIDIIn_Ch"},    {tagScroll, "Scroll"},        {tagCurChain, "CurChain"},
      {384 + 16, "Step_mode_17"},    {tagFormatVersion, "Param0"}, {tagProgName, "Param150"},
      {tagSelectedPage, "Param231"}, {5, "Param5"},               {tagCurProgram, "Param8"},
      {tagChainInit, "Param80"},
  };
  for (const Case& c : cases) EXPECT_EQ(host.ParamName(c.tag), c.name) << "tag " << c.tag;
  Close();
  EXPECT_EQ(host.ParamName(300), "Semitone_45") << "names stay after the editor closes";
}

TEST_F(FormOpening, EveryBoundTagHasItsControlAndTheTablesAgreeWithTheLayout) {
  testing::internal::CaptureStderr();
  Open();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the shipped layout matches the range tables";
  TPlugForm& form = Form();
  EXPECT_EQ(form.ControlOfTag(300), form.barSemitone->Line()->Box(12)) << "step 45 is box 12 on page 2";
  EXPECT_EQ(form.ControlOfTag(tagGate), Control<TDragBoxBt>("bGate").Box());
  EXPECT_EQ(form.ControlOfTag(tagLatch), &Control<TVeskCheckBox>("cbHold"));
  EXPECT_EQ(form.ControlOfTag(93), nullptr) << "the chain line's hidden boxes bind nothing";
  EXPECT_EQ(Core().CurChainMax(), form.cbCurrChain->Max());
  for (int tag = 0; tag < kNumParams; ++tag) {
    if (!IsDefinedTag(tag) || tag == tagSelectedBar || tag == tagPatternShift) continue;
    const bool editorTag = tag != tagFormatVersion && tag != tagCurProgram && tag != tagChainInit &&
                           tag != tagProgName && tag != tagSelectedPage;
    EXPECT_EQ(form.ControlOfTag(tag) != nullptr, editorTag) << "tag " << tag;
  }
}

TEST_F(FormOpening, AMismatchIsReportedOnceAndTheEditorStillOpens) {
  ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, parentToken), 1);
  // A layout that disagrees with the tables: a programming error the opening must survive.
  Control<TDragBoxBt>("bGate").SetMin(0);
  Control<TDragBoxBt>("bSwing").SetValueDefault(5);
  Control<TDragBoxBt>("bSteps").SetParamNam("Stepz");
  testing::internal::CaptureStderr();
  Idle();
  const std::string report = testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("PlugEditorForm: CParamMin[211] <> box[211].Min\n"), std::string::npos) << report;
  EXPECT_NE(report.find("PlugEditorForm: HostParamName[210]=Steps <> box[210].ParamNam=Stepz\n"), std::string::npos)
      << report;
  EXPECT_NE(report.find("PlugEditorForm: CParamDef[225] <> box[225].ValueDeflt\n"), std::string::npos) << report;
  EXPECT_FALSE(Core().EditorBusy()) << "the opening ran to its end";
  EXPECT_EQ(Core().CurrentProgramIndex(), 0);
  EXPECT_EQ(host.ParamName(tagSteps), "Steps") << "the host's names are the catalogue's";

  Close();
  ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, parentToken), 1);
  Control<TDragBoxBt>("bGate").SetMax(99);
  testing::internal::CaptureStderr();
  Idle();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "told once per process";
}

// Controls of every panel, at their place in the editor window (the panel's corner plus the
// control's place in it) and painting their own colour there, not hidden by a neighbour.
TEST_F(FormOpening, EveryPanelsControlsShowWhereTheWindowLayoutPutsThem) {
  Open();
  const TGuiSettings& s = GuiSettings;
  struct Case {
    const char* name;
    std::array<int, 4> window;  // left, top, right, bottom in the editor window
    TPoint probe;  // a point of the control's own paint, in its coordinates
    TColor color;
  };
  const Case cases[] = {
      {"bInCh", {8, 14, 88, 41}, {16, 14}, s.box_FillColor},  // pTop; the inner box's fill
      {"btPatchList", {669, 8, 686, 23}, {1, 1}, s.btn_FillColor},
      {"bArpEngineOn", {192, 8, 275, 23}, {5, 7}, s.box_LabelFontColor},  // checked
      {"bOutRange_High", {96, 416, 176, 443}, {16, 14}, s.box_FillColor},  // pLeft
      {"cbChainQuantize", {96, 471, 176, 498}, {1, 14}, s.btn_FillColor},
      {"bResetPatch", {192, 106, 254, 122}, {2, 2}, s.btn_FillColor},  // pMain
      {"cbLockPage", {192, 287, 257, 299}, {0, 6}, s.panels_OutlineColor},
      {"scr", {262, 86, 792, 306}, {55, 8}, s.scr_GridBackColor},
      {"ledbar", {262, 311, 792, 326}, {20, 7}, s.scr_BackColor},
      {"barSemitone", {192, 397, 792, 418}, {25, 1}, s.bar_FillColor},
      {"cbCurrChain", {192, 437, 272, 464}, {16, 14}, s.box_FillColor},  // pChains
      {"lnChainProg", {309, 449, 549, 464}, {213, 2}, s.box_FillColor},  // the eighth box
      {"bSendVolume", {729, 437, 799, 464}, {16, 14}, s.box_FillColor},
  };
  Window().Update();
  for (const Case& c : cases) {
    const TControl& control = Control<TControl>(c.name);
    const TPoint corner = control.ClientToWindow({0, 0});
    EXPECT_EQ((std::array{corner.x, corner.y, corner.x + control.Width(), corner.y + control.Height()}), c.window)
        << c.name;
    const TPoint p = control.ClientToWindow(c.probe);
    EXPECT_EQ(Window().Pixel(p.x, p.y), c.color) << c.name;
  }
  // The status panel and the bottom line: labels placed by their panels too.
  const auto cornerOf = [&](const char* name) {
    const TPoint p = Control<TVeskLabel>(name).ClientToWindow({0, 0});
    return std::array{p.x, p.y};
  };
  EXPECT_EQ(cornerOf("ParamCapt"), (std::array{194, 497}));
  EXPECT_EQ(cornerOf("lCredit"), (std::array{664, 521}));
}

TEST_F(FormOpening, AFreshInstanceGetsProgramZeroAndEveryControlShowsTheEngine) {
  EXPECT_EQ(Core().CurrentProgramIndex(), -1);
  Open();
  EXPECT_EQ(Core().CurrentProgramIndex(), 0);
  EXPECT_EQ(Form().eProgName->Text(), "Program 1");
  EXPECT_EQ(Form().lProgNum->Caption1(), "1 / 64");

  // Changes made while the editor is closed show on the next opening.
  Close();
  host.SetProgram(6);
  host.SetParam(tagGate, 0.0f);
  host.SetParam(tagSteps, 1.0f);
  Open();
  EXPECT_EQ(Form().lProgNum->Caption1(), "7 / 64");
  EXPECT_EQ(Control<TDragBoxBt>("bGate").GetValue(), 1);
  EXPECT_EQ(Control<TDragBoxBt>("bSteps").GetValue(), 64);
  EXPECT_EQ(Form().scr->PageCount(), 4);
}

// Chunks the host hands the plug-in, from a session saved by another instance: a bank restored
// before the editor first opens, and a program loaded while it is open, show in the controls.
TEST_F(FormOpening, ChunksFromTheHostShowInTheControls) {
  vst2host::Host saved{inprocess::LinkedEntryWith<MakeHeadlessForm>};
  ASSERT_NE(saved.Start(), nullptr);
  saved.SetProgram(3);
  saved.SetParam(tagMIDIOut_Ch, 4.0f / 15.0f);  // channel 5
  saved.SetParam(tagNumChains, 2.0f / 15.0f);   // three chains
  saved.SetParam(tagGate, 29.0f / 99.0f);       // 30 %
  const std::vector<uint8_t> bank = saved.GetChunk(false);
  saved.SetParam(tagGate, 9.0f / 99.0f);        // 10 %
  const std::vector<uint8_t> program = saved.GetChunk(true);
  saved.Close();

  ASSERT_GT(host.SetChunk(bank, false), 0);
  Open();
  EXPECT_EQ(Core().CurrentProgramIndex(), 3);
  EXPECT_EQ(Control<TDragBoxBt>("bOutCh").GetValue(), 5);
  EXPECT_EQ(Control<TDragBoxBt>("cbNumChains").GetValue(), 3);
  EXPECT_EQ(Form().cbCurrChain->Max(), 3);
  EXPECT_EQ(Control<TDragBoxBt>("bGate").GetValue(), 30);

  ASSERT_GT(host.SetChunk(program, true), 0);
  Idle();
  EXPECT_EQ(Control<TDragBoxBt>("bGate").GetValue(), 10);
}

TEST_F(FormOpening, BeforeTheBindingArrivesAChangeOnlyShowsInTheStatusPanel) {
  ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, parentToken), 1);
  // The binding is posted: nothing has run it yet.
  TDragBoxBt& gate = Control<TDragBoxBt>("bGate");
  const int before = gate.GetValue();
  Drag(*gate.Box(), -40);
  ASSERT_NE(gate.GetValue(), before);
  EXPECT_EQ(Form().ParamCapt->Caption1(), "Param [211: Gate] = " + std::to_string(gate.GetValue()));
  EXPECT_TRUE(host.Automations().empty());
  EXPECT_EQ(Core().GetParam(tagGate), 100) << "the engine never heard of it";
  EXPECT_FALSE(Form().HasEngine());
  Idle();
  EXPECT_TRUE(Form().HasEngine());
  EXPECT_EQ(gate.GetValue(), 100) << "the first delivery shows the engine's value again";
}

// The status panel shows the engine's texts from every opening on, also when nothing changed
// since an earlier editor showed them, and never the panel's design texts.
TEST_F(FormOpening, TheStatusPanelShowsTheEngineAtEveryOpening) {
  ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, parentToken), 1);
  EXPECT_EQ(Form().BeatVal->Caption1(), std::string("0").append(DecimalSeparator().View()).append("00"))
      << "before the binding: the separator the playing beat is written with";
  Idle();
  host.SendMidi({vst2host::NoteOn(0, 60, 100), vst2host::NoteOn(0, 64, 100)});
  host.RunBlocks(1);
  Idle();
  const auto texts = [this] {
    const TPlugForm& f = Form();
    return std::vector<std::string>{f.BeatVal->Caption1(),          f.StepVal->Caption1(),
                                    f.NoteOutVal->Caption1(),       f.KeysPreFilterVal->Caption1(),
                                    f.KeysPostFilterVal->Caption1(), f.DetChordVal->Caption1()};
  };
  const std::vector<std::string> shown = texts();
  EXPECT_EQ(shown[0], "-") << "the transport is stopped";
  EXPECT_EQ(shown[3].substr(0, 6), "C5, E5");
  Close();

  Open();
  EXPECT_EQ(texts(), shown);
  EXPECT_EQ(Form().ParamCapt->Caption1(), "") << "no parameter touched yet";
}

}  // namespace
