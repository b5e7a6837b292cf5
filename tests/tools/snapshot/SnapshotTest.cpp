// moltrin-snapshot: the options it reads, and the editors it renders: the factory bank's
// program playing with keys held (LEDs and status panel), a scheme by name, a page and a row,
// a bank loaded, and the faults it reports.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "editor/Globals.h"
#include "editor/PlugEditorForm.h"
#include "engine/PlugCore.h"
#include "platform/Files.h"
#include "platform/ModulePath.h"
#include "tests/support/TempFolder.h"
#include "tools/snapshot/Snapshot.h"

namespace {

TSnapshotOptions Parsed(const std::vector<std::string>& args) {
  TSnapshotOptions o;
  std::string error;
  EXPECT_TRUE(ParseSnapshotOptions(args, o, error)) << error;
  return o;
}

TEST(SnapshotOptions, ReadsEveryOption) {
  const TTempFolder folder;
  const TSnapshotOptions o = Parsed({"--program", "5", "--keys", "C5, Eb5,G#5 ,127,d#5,BB4,a#4", "--scheme", "Ocean",
                                     "--page", "2",
                                     "--row", "velocity", "--blocks", "12", "--no-bank", "--bank", "b.fxb",
                                     "--preset", "p.fxp", "--folder", folder.Folder(), "out.png"});
  EXPECT_EQ(o.output, "out.png");
  EXPECT_EQ(o.program, 5);
  EXPECT_EQ(o.keys, (std::vector<int>{60, 63, 68, 127, 63, 58, 58}));
  EXPECT_EQ(o.scheme, "Ocean");
  EXPECT_EQ(o.page, 2);
  EXPECT_EQ(o.row, 4);
  EXPECT_EQ(o.blocks, 12);
  EXPECT_FALSE(o.factoryBank);
  EXPECT_EQ(o.bank, "b.fxb");
  EXPECT_EQ(o.preset, "p.fxp");
  EXPECT_EQ(o.folder, folder.Folder());
  EXPECT_EQ(Parsed({"shot.PNG"}).output, "shot.PNG");
  EXPECT_EQ(Parsed({"shot"}).output, "shot") << "a name without an extension is written as a PNG";
}

TEST(SnapshotOptions, RefusesWhatItCannotRead) {
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{}, "no output file"},
      {{"a.png", "b.png"}, "one output file"},
      {{"--program", "65", "a.png"}, "--program takes a number from 1 to 64"},
      {{"--page", "x", "a.png"}, "--page takes"},
      {{"--keys", "H5", "a.png"}, "--keys takes"},
      {{"--keys", "C11", "a.png"}, "--keys takes"},
      {{"--row", "pitch", "a.png"}, "--row takes"},
      {{"--bank"}, "--bank needs a value"},
      {{"--frobnicate", "a.png"}, "unknown option --frobnicate"},
      {{"--keys", "G#10", "a.png"}, "--keys takes"},
      {{"--list-schemes", "a.png"}, "--list-schemes takes no output file"},
      {{"--folder", "/no/such/folder", "a.png"}, "--folder /no/such/folder: no such folder"},
      {{"--folder", "/no/such/folder", "--list-schemes"}, "no such folder"},
      {{"shot.jpg"}, "shot.jpg: moltrin-snapshot writes PNG pictures only; name the file .png"},
      {{"shot.JPEG"}, "writes PNG pictures only"},
      {{"pictures/shot.gif"}, "writes PNG pictures only"},
  };
  for (const auto& c : cases) {
    TSnapshotOptions o;
    std::string error;
    EXPECT_FALSE(ParseSnapshotOptions(c.args, o, error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
}

class Snapshots : public testing::Test {
 protected:
  void TearDown() override { LoadSettingsFrom(ModuleFolder()); }
  TTempFolder out;
};

TEST_F(Snapshots, APlayingProgramLightsTheLedsAndFillsTheStatusPanel) {
  TSnapshotOptions o = Parsed({"--program", "1", "--keys", "C5,E5,G5", out.File("playing.png")});
  std::string error, programName, keysIn;
  int playingPage = -2, playingStep = -2;
  ASSERT_TRUE(RenderSnapshot(o, error, [&](TPlugForm& form) {
    programName = form.eProgName->Text();
    keysIn = form.KeysPreFilterVal->Caption1();
    playingPage = form.ledbarPlayPage->IndexOn();
    playingStep = form.ledbar->IndexOn();
  })) << error;
  EXPECT_NE(programName, "Program 1") << "the factory bank's first program";
  EXPECT_EQ(keysIn.substr(0, 10), "C5, E5, G5");
  EXPECT_EQ(playingPage, 0);
  EXPECT_GE(playingStep, 0);
  std::string png;
  ASSERT_EQ(ReadWholeFile(out.File("playing.png"), 1 << 22, png), TReadResult::Read);
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  const auto be32 = [&](size_t at) {
    return (static_cast<uint8_t>(png[at]) << 24) | (static_cast<uint8_t>(png[at + 1]) << 16) |
           (static_cast<uint8_t>(png[at + 2]) << 8) | static_cast<uint8_t>(png[at + 3]);
  };
  EXPECT_EQ(be32(16), 809u);
  EXPECT_EQ(be32(20), 536u);
}

TEST_F(Snapshots, ASchemeByNameAPresetAPageAndARowWithoutTheFactoryBank) {
  TTempFolder plugin;
  plugin.Write("skins/mine.ini", "[Plain]\npanels_BackColor=$010203\n[Night]\npanels_BackColor=$0A0B0C\n");
  {
    TPlugCore core;  // a program of 64 steps, four pages
    core.SelectProgram(0);
    core.SetParamFromEditor(tagSteps, 64, false);
    core.SetProgramName("Long");
    const std::span<const uint8_t> fxp = core.BuildFxp();
    out.Write("long.fxp", std::string(reinterpret_cast<const char*>(fxp.data()), fxp.size()));
  }
  TSnapshotOptions o = Parsed({"--folder", plugin.Folder(), "--no-bank", "--preset", out.File("long.fxp"), "--scheme",
                               "Night", "--page", "3", "--row", "octave", out.File("night.png")});
  std::string error, programName;
  int shownPage = -1;
  bool octaveShown = false;
  TColor back = 0;
  ASSERT_TRUE(RenderSnapshot(o, error, [&](TPlugForm& form) {
    programName = form.eProgName->Text();
    shownPage = form.scr->ShownPage();
    octaveShown = form.scr->ShownRow() == form.barOctave->Line() && form.barOctave->Selected();
    back = GuiSettings.panels_BackColor;
  })) << error;
  EXPECT_EQ(programName, "Long");
  EXPECT_EQ(back, 0x0A0B0Cu);
  EXPECT_EQ(shownPage, 2);
  EXPECT_TRUE(octaveShown);
  EXPECT_FALSE(std::filesystem::exists(plugin.File("moltrin.ini"))) << "nothing is written beside the plug-in";

  TSnapshotOptions wrong = Parsed({"--folder", plugin.Folder(), "--scheme", "Day", out.File("day.png")});
  EXPECT_FALSE(RenderSnapshot(wrong, error));
  EXPECT_NE(error.find("no scheme \"Day\" (2 skin schemes found"), std::string::npos) << error;
  const std::string listed = ListSchemes(Parsed({"--folder", plugin.Folder(), "--list-schemes"}));
  const std::string schemes = "  0  the built-in colours\n  1  Plain  (mine.ini)\n  2  Night  (mine.ini)\n";
  EXPECT_NE(listed.find(schemes), std::string::npos) << listed;
}

TEST_F(Snapshots, ABankIsLoadedAndARefusedOneIsReported) {
  out.Write("foreign.fxb", std::string(37024, 'x').replace(0, 4, "CcnK"));
  TSnapshotOptions refused = Parsed({"--bank", out.File("foreign.fxb"), out.File("x.png")});
  std::string error;
  EXPECT_FALSE(RenderSnapshot(refused, error));
  EXPECT_NE(error.find("foreign.fxb: "), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(out.File("x.png")));

  TSnapshotOptions missing = Parsed({"--preset", out.File("none.fxp"), out.File("x.png")});
  EXPECT_FALSE(RenderSnapshot(missing, error));
  EXPECT_NE(error.find("no such file"), std::string::npos) << error;
}

// A picture that cannot be written says why, in the system's words, and leaves nothing behind.
TEST_F(Snapshots, AWriteErrorGivesTheSystemsReason) {
  out.Write("file", "not a folder");
  const struct {
    std::string output;
    const char* reason;
  } cases[] = {
      {out.File("missing") + "/x.png", "No such file or directory"},
      {out.File("file") + "/x.png", "Not a directory"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(RenderSnapshot(Parsed({c.output}), error));
    EXPECT_EQ(error, c.output + ": cannot write the file (" + c.reason + ")");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.Folder()), {}), 1) << "no temporary file is left";
}

}  // namespace
