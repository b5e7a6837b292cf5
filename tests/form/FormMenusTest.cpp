// The main menu's commands in the real form, chosen with the mouse under "MENU" as a user
// does: program and page commands, bank initialise, files with their extension rules and
// faults (the file dialogs answered through their seam), skins, the two settings, the web
// pages. The settings, skins and files live in a folder of the test's own.
#include <filesystem>
#include <optional>
#include <tuple>

#include "editor/FormMenus.h"
#include "editor/TextHint.h"
#include "platform/FileDialog.h"
#include "platform/Files.h"
#include "platform/ModulePath.h"
#include "platform/Shell.h"
#include "tests/form/FormFixture.h"
#include "tests/support/Fifo.h"
#include "tests/support/TempFolder.h"

namespace {

class FormMenus : public FormTest {
 protected:
  void SetUp() override {
    LoadSettingsFrom(folder.Folder());
    FormTest::SetUp();
    Open();
  }
  void TearDown() override {
    FormTest::TearDown();
    LoadSettingsFrom(ModuleFolder());
  }

  // Opens the menu under "MENU" and clicks down the captions of `path` ("Program/Initialize"),
  // then idles twice: a file dialog's answer arrives on the tick after it shows.
  void Choose(const std::string& path) {
    Click(Control<TVeskButton>("bResetPatch"));
    ASSERT_TRUE(Form().popMenu.IsOpen());
    for (size_t end = 0; end != std::string::npos;) {
      end = path.find('/', end + 1);
      TMenuItem* item = Form().popMenu.Items.Find(path.substr(0, end));
      ASSERT_NE(item, nullptr) << path;
      const std::optional<TRect> r = Form().popMenu.ItemRect(*item);
      ASSERT_TRUE(r.has_value()) << path.substr(0, end) << " is not showing";
      const int x = (r->left + r->right) / 2, y = (r->top + r->bottom) / 2;
      Window().MouseMove(0, x, y);
      Window().MouseDown(TMouseButton::Left, ssLeft, x, y);
      Window().MouseUp(TMouseButton::Left, 0, x, y);
    }
    EXPECT_FALSE(Form().popMenu.IsOpen());
    Idle(2);
  }
  // The next dialogs answer `path` (nullopt: cancelled); what they were asked is kept.
  TFileDialogSeam Answer(std::optional<std::string> path) {
    return TFileDialogSeam([this, path](const TFileDialogOptions& o) {
      asked.push_back(o);
      return path;
    });
  }
  int Param(int tag) { return Core().GetParam(tag); }
  std::string Name(int program) { return Core().GetProgramName(program).Str(); }
  std::string Capt() { return Form().ParamCapt->Caption1(); }

  TTempFolder folder, files;
  std::vector<TFileDialogOptions> asked;
};

TEST_F(FormMenus, InitializeResetsOnlyTheCurrentProgramsSection) {
  Core().SelectProgram(4);
  Core().SetParamFromEditor(tagGate, 40, false);
  Core().SetParamFromEditor(tagMIDIIn_Ch, 5, false);
  Core().SetProgramName("Lead");
  Idle();
  Choose("Program/Initialize");
  EXPECT_EQ(Param(tagGate), 100);
  EXPECT_EQ(Name(4), "Program 5");
  EXPECT_EQ(Param(tagMIDIIn_Ch), 5) << "the global settings stay";
  EXPECT_EQ(Control<TDragBoxBt>("bGate").GetValue(), 100) << "shown at the next tick";
  EXPECT_EQ(Form().eProgName->Text(), "Program 5");
}

TEST_F(FormMenus, UndoReturnsToTheProgramAsLastLoaded) {
  Core().SetParamFromEditor(tagGate, 40, false);
  const std::span<const uint8_t> fxp = Core().BuildFxp();
  ASSERT_TRUE(Core().ApplyFxp(fxp.data(), fxp.size()).ok);  // loaded with gate 40
  Core().SetParamFromEditor(tagGate, 70, false);
  Choose("Program/Undo all changes");
  EXPECT_EQ(Param(tagGate), 40);
  EXPECT_EQ(Control<TDragBoxBt>("bGate").GetValue(), 40);
}

// The first program's row holds the global settings, so its Undo brings them back as last
// loaded as well, and the boxes show them (they stayed unchecked over an engine holding 1).
TEST_F(FormMenus, UndoOfTheFirstProgramShowsItsGlobalSettingsAgain) {
  ASSERT_EQ(Core().CurrentProgramIndex(), 0);
  const std::span<const uint8_t> fxp = Core().BuildFxp();
  ASSERT_TRUE(Core().ApplyFxp(fxp.data(), fxp.size()).ok);  // loaded with both switches on
  Idle();
  auto& arp = Control<TVeskCheckBox>("bArpEngineOn");
  auto& thru = Control<TVeskCheckBox>("bMidiThruOn");
  Click(arp);
  Click(thru);
  Idle();
  ASSERT_EQ(Param(tagArpEnabled), 0);
  ASSERT_FALSE(thru.Checked());
  Choose("Program/Undo all changes");
  EXPECT_EQ(Param(tagArpEnabled), 1);
  EXPECT_EQ(Param(tagMIDIThruOn), 1);
  EXPECT_TRUE(arp.Checked());
  EXPECT_TRUE(thru.Checked());
}

TEST_F(FormMenus, CopyPasteAndShiftOfPrograms) {
  Core().SelectProgram(3);
  Core().SetParamFromEditor(tagGate, 33, false);
  Core().SetProgramName("Three");
  Choose("Program/Copy to buffer");
  Core().SelectProgram(5);
  Choose("Program/Paste from buffer");
  EXPECT_EQ(Param(tagGate), 33);
  EXPECT_EQ(Name(5), "Three");

  Choose("Program/Shift Up");
  EXPECT_EQ(Core().CurrentProgramIndex(), 4) << "the program moved up and stays current";
  EXPECT_EQ(Name(4), "Three");
  EXPECT_EQ(Form().lProgNum->Caption1(), "5 / 64");
  Choose("Program/Shift Down");
  Choose("Program/Shift Down");
  EXPECT_EQ(Core().CurrentProgramIndex(), 6);
  EXPECT_EQ(Name(6), "Three");
  Core().SelectProgram(0);
  Choose("Program/Shift Up");
  EXPECT_EQ(Core().CurrentProgramIndex(), 63) << "from the first program to the last";
}

TEST_F(FormMenus, PagesAreCopiedIntoTheShownPageAndShareTheProgramBuffer) {
  host.SetParam(tagSteps, 1.0f);  // 64 steps: four pages
  Core().SelectProgram(2);
  Core().SetParamFromEditor(tagSteps, 64, false);
  // Page 2 of program 2: velocities on the velocity row's notches.
  const auto velocity = [](int step) { return (step % 8) * 16; };
  for (int j = 0; j < 16; ++j) Core().SetParamFromEditor(tagVelocity + 16 + j, velocity(j), false);
  Core().SelectProgram(7);
  Choose("Program/Copy to buffer");  // program 7 ...
  Core().SelectProgram(2);
  Idle();
  Click(Control<TVeskButton>("bPgRight"));
  Choose("Page/Copy to buffer");  // ... gives way to program 2, page 2
  EXPECT_EQ(Form().ProgramBuffer, 2);
  EXPECT_EQ(Form().PageBuffer, 1);

  Core().SelectProgram(9);
  Core().SetParamFromEditor(tagSteps, 64, false);
  Idle();
  for (int i = 0; i < 3; ++i) Click(Control<TVeskButton>("bPgRight"));
  ASSERT_EQ(Form().scr->ShownPage(), 3);
  Choose("Page/Paste from buffer");
  for (int j = 0; j < 16; ++j) EXPECT_EQ(Param(tagVelocity + 48 + j), velocity(j)) << "step " << j;
  EXPECT_EQ(Param(tagVelocity + 16), CParamDef[tagVelocity]) << "the other pages stay";
  EXPECT_EQ(Form().barVelocity->Line()->Box(5)->GetValue(), 80) << "the shown page shows it";
  Choose("Program/Paste from buffer");
  EXPECT_EQ(Param(tagVelocity + 16), 0) << "a program paste now takes the page's program";
}

TEST_F(FormMenus, InitializingTheBankResetsEverythingAndSelectsTheFirstProgram) {
  Core().SetParamFromEditor(tagMIDIIn_Ch, 7, false);
  Core().SetParamFromEditor(tagChainProg, 3, false);
  Core().SelectProgram(12);
  Core().SetProgramName("Twelve");
  Choose("Bank/Initialize");
  EXPECT_EQ(Core().CurrentProgramIndex(), 0);
  EXPECT_EQ(Name(0), "Program 1");
  EXPECT_EQ(Name(12), "Program 13");
  EXPECT_EQ(Param(tagMIDIIn_Ch), CParamDef[tagMIDIIn_Ch]);
  EXPECT_EQ(Param(tagChainProg), CParamDef[tagChainProg]);
  EXPECT_EQ(Form().lProgNum->Caption1(), "1 / 64");
}

TEST_F(FormMenus, SavingAppendsTheExtensionUnlessTheNameEndsInIt) {
  struct TCase {
    const char* chosen;
    const char* written;
  };
  for (const TCase& c : {TCase{"Mine", "Mine.fxp"}, TCase{"MINE.FXP", "MINE.FXP"}, TCase{"Mine.fxb", "Mine.fxb.fxp"},
                         TCase{"Mine.Fxp", "Mine.Fxp"}}) {
    const auto seam = Answer(files.File(c.chosen));
    Choose("Program/Save (*.fxp)");
    std::string written;
    EXPECT_EQ(ReadWholeFile(files.File(c.written), 1 << 20, written), TReadResult::Read) << c.chosen;
    EXPECT_EQ(written.size(), 636u) << c.chosen;
  }
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked[0].Kind, TFileDialogKind::Save);
  EXPECT_EQ(asked[0].Filter, "VST Single Program (*.fxp)|*.FXP");
  EXPECT_EQ(asked[0].FileName, "MT_Preset.fxp");
  EXPECT_EQ(asked[0].InitialDir, folder.Folder()) << "the plug-in's folder";
  EXPECT_EQ(WithPresetExtension("x.fx", ".fxb"), "x.fx.fxb");
  EXPECT_EQ(WithPresetExtension("fxb", ".fxb"), "fxb.fxb");
}

TEST_F(FormMenus, ABankSavedAndLoadedIntoAnotherInstanceIsTheSameBank) {
  Core().SelectProgram(6);
  Core().SetParamFromEditor(tagGate, 21, false);
  Core().SetProgramName("Six");
  {
    const auto seam = Answer(files.File("Session"));
    Choose("Bank/Save (*.fxb)");
  }
  EXPECT_EQ(asked.back().FileName, "MT_Bank.fxb");
  EXPECT_EQ(asked.back().Filter, "VST Bank (*.fxb)|*.FXB");
  const std::string saved = files.Read("Session.fxb");
  ASSERT_EQ(saved.size(), 37024u);

  // A second instance with its editor open loads it from the menu.
  host.Close();
  fx = host.Start();
  ASSERT_NE(fx, nullptr);
  Open();
  {
    const auto seam = Answer(files.File("Session.fxb"));
    Choose("Bank/Load (*.fxb)");
  }
  EXPECT_EQ(asked.back().Kind, TFileDialogKind::Open);
  EXPECT_EQ(Core().CurrentProgramIndex(), 6);
  EXPECT_EQ(Form().eProgName->Text(), "Six");
  EXPECT_EQ(Control<TDragBoxBt>("bGate").GetValue(), 21);
  const std::span<const uint8_t> again = Core().BuildFxb();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(again.data()), again.size()), saved);
}

#ifndef _WIN32
// Program and bank files kept as symbolic links stay links: the files they lead to are saved.
TEST_F(FormMenus, SavingOverALinkWritesTheFileItLeadsTo) {
  std::filesystem::create_directory(files.path / "real");
  files.Write("real/Mine.fxp", "old");
  std::filesystem::create_symlink("real/Mine.fxp", files.path / "Linked.fxp");
  std::filesystem::create_symlink(files.path / "real" / "Mine.fxb", files.path / "Linked.fxb");  // no file yet
  for (const auto& [command, link, target, size] :
       {std::tuple{"Program/Save (*.fxp)", "Linked.fxp", "real/Mine.fxp", 636u},
        std::tuple{"Bank/Save (*.fxb)", "Linked.fxb", "real/Mine.fxb", 37024u}}) {
    const auto seam = Answer(files.File(link));
    Choose(command);
    EXPECT_TRUE(std::filesystem::is_symlink(files.path / link)) << link << ": " << Capt();
    EXPECT_EQ(files.Read(target).size(), size) << link;
  }
}
#endif

TEST_F(FormMenus, AFailedSaveLeavesTheOldFileAndSaysWhy) {
  files.Write("Keep.fxp", "the old preset");
  std::filesystem::permissions(files.path / "Keep.fxp", std::filesystem::perms::owner_read |
                                                            std::filesystem::perms::group_read |
                                                            std::filesystem::perms::others_read);
  {
    const auto seam = Answer(files.File("Keep.fxp"));
    Choose("Program/Save (*.fxp)");
  }
  std::filesystem::permissions(files.path / "Keep.fxp", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  EXPECT_EQ(files.Read("Keep.fxp"), "the old preset");
  EXPECT_NE(Capt().find("the file is read-only"), std::string::npos) << Capt();

  std::filesystem::create_directory(files.path / "Folder.fxb");  // a folder in the target's place
  {
    const auto seam = Answer(files.File("Folder.fxb"));
    Choose("Bank/Save (*.fxb)");
  }
  EXPECT_TRUE(std::filesystem::is_directory(files.path / "Folder.fxb"));
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(files.path)) ++entries;
  EXPECT_EQ(entries, 2) << "no file is left beside";
  EXPECT_NE(Capt().find("not a regular file"), std::string::npos) << Capt();
  EXPECT_EQ(Capt().find('\n'), std::string::npos) << "one line";
}

TEST_F(FormMenus, RefusedMissingAndUnreadableFilesAreReportedAndNothingIsApplied) {
  Core().SetParamFromEditor(tagGate, 44, false);
  const std::span<const uint8_t> image = Core().BuildFxp();
  std::string foreign(reinterpret_cast<const char*>(image.data()), image.size());
  foreign[16] = 'X';  // another plug-in's identifier
  files.Write("Foreign.fxp", foreign);
  files.Write("Short.fxb", std::string(foreign.data(), 100));  // a bank file cut short
  std::filesystem::create_directory(files.path / "Folder.fxp");
#ifndef _WIN32
  const TFifo fifo(files.File("Fifo.fxb"));  // a load never waits for its writer
#endif
  Core().SetParamFromEditor(tagGate, 55, false);
  Idle();

  struct TCase {
    const char* command;
    const char* file;
    const char* reported;
  };
  for (const TCase& c : {TCase{"Program/Load (*.fxp)", "Foreign.fxp", "another plug-in"},
                         TCase{"Bank/Load (*.fxb)", "Short.fxb", "bank"},
                         TCase{"Program/Load (*.fxp)", "Missing.fxp", "no such file: Missing.fxp"},
                         TCase{"Program/Load (*.fxp)", "Folder.fxp", "cannot read Folder.fxp"},
#ifndef _WIN32
                         TCase{"Bank/Load (*.fxb)", "Fifo.fxb", "cannot read Fifo.fxb: not a regular file"},
#endif
                         }) {
    Form().ParamCapt->SetCaption1("");
    const auto seam = Answer(files.File(c.file));
    Choose(c.command);
    EXPECT_NE(Capt().find(c.reported), std::string::npos) << c.file << ": " << Capt();
    EXPECT_EQ(Param(tagGate), 55) << c.file;
  }
#ifndef _WIN32
  EXPECT_FALSE(fifo.Released());
#endif
  // A cancelled dialog does nothing at all.
  Form().ParamCapt->SetCaption1("before");
  const auto seam = Answer(std::nullopt);
  Choose("Program/Load (*.fxp)");
  EXPECT_EQ(Capt(), "before");
}

// A reason too long for the status line is shown cut, and whole while the mouse is on it; the
// two banks that once read alike in the line differ in its first words.
TEST_F(FormMenus, ALongReasonShowsWholeUnderTheMouse) {
  const std::span<const uint8_t> image = Core().BuildFxb();
  std::string bank(reinterpret_cast<const char*>(image.data()), image.size());
  files.Write("Short.fxb", bank.substr(0, bank.size() - 1));
  bank[156] = 0x7F, bank[157] = bank[158] = bank[159] = static_cast<char>(0xFF);
  files.Write("Overstated.fxb", bank);
  TVeskLabel& line = *Form().ParamCapt;
  const TPoint over = line.ClientToWindow({line.Width() / 2, line.Height() / 2});
  const TPoint above = line.ClientToWindow({4, -6});
  for (const auto& [file, reason] :
       {std::pair{"Short.fxb", "bank cut short: 36863 of 36864 bytes of data"},
        std::pair{"Overstated.fxb", "header announces 2147483647 bytes of data, the file holds 36864"}}) {
    {
      const auto seam = Answer(files.File(file));
      Choose("Bank/Load (*.fxb)");
    }
    ASSERT_EQ(Capt(), reason);
    Window().MouseMove(0, 400, 200);
    Window().Update();
    const TColor before = Window().Pixel(above.x, above.y);
    EXPECT_EQ(line.Hint(), nullptr);

    Window().MouseMove(0, over.x, over.y);
    Window().Update();
    ASSERT_NE(line.Hint(), nullptr) << file;
    std::string shown;
    for (const std::string& l : line.Hint()->Lines()) shown += (shown.empty() ? "" : " ") + l;
    EXPECT_EQ(shown, reason);
    const TTextHint& h = *line.Hint();
    const TRect hint{h.Left(), h.Top(), h.Left() + h.Width(), h.Top() + h.Height()};  // the form fills the window
    EXPECT_LE(hint.bottom, line.ClientToWindow({0, 0}).y) << "above the line, not over it";
    EXPECT_GE(hint.left, 0);
    EXPECT_LE(hint.right, Window().Width());
    EXPECT_EQ(Window().Pixel(hint.left + 1, hint.bottom - 2), GuiSettings.panels_InfoPanelColor);

    Window().MouseMove(0, 400, 200);
    Window().Update();
    EXPECT_EQ(line.Hint(), nullptr);
    EXPECT_EQ(Window().Pixel(above.x, above.y), before) << "what lay beneath shows again";
  }
  Form().ParamCapt->SetCaption1("short");
  Window().MouseMove(0, over.x, over.y);
  EXPECT_EQ(line.Hint(), nullptr) << "a text that fits needs no hint";
  Window().MouseMove(0, 400, 200);
}

TEST_F(FormMenus, SkinsAreListedAndChoosingOneAppliesAndRemembersIt) {
  folder.Write("skins/a.ini", "[Ocean]\nscr_BackColor=$112233\npanels_BackColor=$040506\n[Forest]\nscr_BackColor=$004400\n");
  folder.Write("moltrin.ini", "[SETTINGS]\ngui_scheme=2\n");
  Close();
  LoadSettingsFrom(folder.Folder());
  Open();
  TMenuItem& skins = *Form().popMenu.Items.Find("Skins");
  ASSERT_EQ(skins.Count(), 3);
  EXPECT_EQ(skins[1].Caption, "Ocean");
  EXPECT_EQ(skins[1].Tag, 1001);
  EXPECT_TRUE(skins[2].Checked()) << "the scheme in force";
  EXPECT_FALSE(skins[0].Checked());

  Choose("Skins/Ocean");
  EXPECT_TRUE(skins[1].Checked());
  EXPECT_FALSE(skins[2].Checked());
  EXPECT_EQ(GuiSettings.gui_scheme, 1);
  EXPECT_EQ(Window().Pixel(100, 50), 0x040506u) << "the form repainted in the new colours";
  EXPECT_FALSE(Core().EditorBusy()) << "deliveries resume";
  EXPECT_NE(folder.Read("moltrin.ini").find("gui_scheme=1"), std::string::npos);

  Choose("Skins/Default (Vesk)");
  EXPECT_EQ(GuiSettings.gui_scheme, 0);
  EXPECT_EQ(Window().Pixel(100, 50), TGuiSettings{}.panels_BackColor);
  EXPECT_TRUE(skins[0].Checked());
}

// The gaps between the chain program boxes show the chain panel, in whichever scheme is in
// force: one chosen from the menu, or one the editor opened with.
TEST_F(FormMenus, TheChainLineShowsItsPanelBetweenItsBoxesInEveryScheme) {
  folder.Write("skins/g.ini", "[Graphite]\nbar_FillColor=$1C1C1C\npanels_SettingsPanelColor=$262626\n");
  Close();
  LoadSettingsFrom(folder.Folder());
  Open();
  constexpr TPoint kGap{338, 452}, kPanel{300, 452};  // between slots 1 and 2; left of the line
  const auto shown = [this](TPoint p) {
    Window().Update();
    return Window().Pixel(p.x, p.y);
  };
  EXPECT_EQ(shown(kGap), shown(kPanel)) << "the built-in scheme";
  Choose("Skins/Graphite");
  EXPECT_EQ(shown(kPanel), 0x262626u);
  EXPECT_EQ(shown(kGap), 0x262626u) << "after the change from the menu";
  Close();
  Open();
  EXPECT_EQ(shown(kGap), 0x262626u) << "opened with the scheme in force";
  EXPECT_EQ(shown(Form().barVelocity->Line()->ClientToWindow({29, 5})), 0x1C1C1Cu)
      << "a step bar's boxes keep the bar's fill between them";
}

TEST_F(FormMenus, TheTwoSettingsAreWrittenOnlyWhenTheyChange) {
  const std::string ini = folder.File("moltrin.ini");
  Choose("GUI Settings/Matrix Semitone Range/-12..0..+12 (full range)");
  EXPECT_FALSE(std::filesystem::exists(ini)) << "the range in force writes nothing";
  Choose("GUI Settings/Matrix Semitone Range/-7..0..+7 (truncated)");
  EXPECT_EQ(GuiSettings.matrix_semitone_range, 3);
  EXPECT_NE(folder.Read("moltrin.ini").find("matrix_semitone_range=3"), std::string::npos);

  Choose("GUI Settings/Fine Velocity Increments/On");
  EXPECT_EQ(Form().barVelocity->Line()->ValueSteps(), 0) << "every value";
  std::filesystem::remove(ini);
  Choose("GUI Settings/Fine Velocity Increments/On");
  EXPECT_FALSE(std::filesystem::exists(ini)) << "choosing On twice writes it once";
  EXPECT_TRUE(Form().popMenu.Items.Find("GUI Settings/Fine Velocity Increments/On")->Checked());
  Choose("GUI Settings/Fine Velocity Increments/Off");
  EXPECT_EQ(Form().barVelocity->Line()->ValueSteps(), 9) << "nine notches";
  EXPECT_EQ(GuiSettings.fine_velocity_increments, 0);
}

TEST_F(FormMenus, TheSettingsFileChecksTheItemsWhenTheFormIsCreated) {
  folder.Write("moltrin.ini", "[SETTINGS]\nfine_velocity_increments=1\nmatrix_semitone_range=2\n");
  Close();
  LoadSettingsFrom(folder.Folder());
  Open();
  EXPECT_TRUE(Form().popMenu.Items.Find("GUI Settings/Fine Velocity Increments/On")->Checked());
  EXPECT_FALSE(Form().popMenu.Items.Find("GUI Settings/Fine Velocity Increments/Off")->Checked());
  EXPECT_TRUE(Form().popMenu.Items.Find("GUI Settings/Matrix Semitone Range/-12..0 (lower)")->Checked());
  EXPECT_EQ(Form().barVelocity->Line()->ValueSteps(), 0);
  EXPECT_EQ(folder.Read("moltrin.ini"), "[SETTINGS]\nfine_velocity_increments=1\nmatrix_semitone_range=2\n")
      << "reading the settings writes nothing";
}

TEST_F(FormMenus, TheWebPagesAreTheProjectsOwn) {
  std::vector<std::string> opened;
  TUrlOpenerSeam seam([&](const std::string& address) {
    opened.push_back(address);
    return false;  // no browser: nothing to report
  });
  Form().ParamCapt->SetCaption1("before");
  Choose("Make a Donation");
  Choose("Developer's website");
  EXPECT_EQ(opened, (std::vector<std::string>{kDonationPage, kWebsitePage}));
  EXPECT_EQ(Capt(), "before");
}

}  // namespace
