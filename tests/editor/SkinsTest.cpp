// Settings and colour schemes: the settings file, skin files with their sections, and what
// a scheme number shows.
#include <gtest/gtest.h>

#include <filesystem>

#include "editor/Globals.h"
#include "tests/support/TempFolder.h"

namespace {

std::string Section(const std::string& name, const std::string& keys) { return "[" + name + "]\n" + keys + "\n"; }

TColor ColorOf(const TGuiSettings& s, const char* key) {
  for (const TSkinKey& k : kSkinKeys)
    if (std::string(k.name) == key) return s.*k.field;
  ADD_FAILURE() << "no skin key " << key;
  return 0;
}

}  // namespace

TEST(Skins, TheBuiltInSchemeHasTheDesignColoursAndMetrics) {
  const TGuiSettings s;
  EXPECT_EQ(s.box_LineColor, 0xFEAD92u);
  EXPECT_EQ(s.panels_BackColor, 0x160000u);
  EXPECT_EQ(s.led_OnColorInner, 0x75FFFFu);
  EXPECT_EQ(RedOf(s.btn_FillColor), 0x17) << "red sits in the low byte";
  EXPECT_EQ(s.CheckBoxSize, s.ArrowWidth - 1);
  EXPECT_EQ(s.BoxFont, (TFontSpec{"Arial", 8, true}));
  EXPECT_EQ(s.InfoFont, (TFontSpec{"Arial", 8, false}));
  // Every key names a field of its own.
  for (size_t i = 0; i < std::size(kSkinKeys); ++i)
    for (size_t j = i + 1; j < std::size(kSkinKeys); ++j) EXPECT_NE(kSkinKeys[i].field, kSkinKeys[j].field);
}

TEST(Skins, NoSkinsFolderLeavesOnlyTheBuiltInScheme) {
  TTempFolder tmp;
  TSkinCatalog catalog(tmp.Folder());
  EXPECT_TRUE(catalog.SchemeNames().empty());
  TGuiSettings s;
  s.gui_scheme = 0;
  catalog.ApplyScheme(0, s);
  EXPECT_EQ(s.scr_BackColor, TGuiSettings{}.scr_BackColor);
  EXPECT_FALSE(std::filesystem::exists(tmp.File("moltrin.ini"))) << "choosing the built-in writes nothing";
}

TEST(Skins, SectionsOfEveryFileAreNumberedInOrder) {
  TTempFolder tmp;
  tmp.Write("skins/b.ini", Section("Third", "scr_BackColor=3"));
  tmp.Write("skins/a.ini", Section("First", "scr_BackColor=1") + Section("Second", "scr_BackColor=$000002"));
  std::filesystem::create_directories(tmp.path / "skins" / "folder");
  TSkinCatalog catalog(tmp.Folder());
  EXPECT_EQ(catalog.SchemeNames(), (std::vector<std::string>{"First", "Second", "Third"}));
  EXPECT_EQ(catalog.SchemeFiles()[1], tmp.File("skins/a.ini"));
  TGuiSettings s;
  for (int n = 1; n <= 3; ++n) {
    catalog.ApplyScheme(n, s);
    EXPECT_EQ(s.scr_BackColor, static_cast<TColor>(n)) << "scheme " << n;
  }
}

TEST(Skins, ASchemeSetsColoursOnlyAndMissingKeysPaintBlack) {
  TTempFolder tmp;
  tmp.Write("skins/one.ini", Section("Only", "scr_BackColor=$123456\nbox_FillColor=oops"));
  TSkinCatalog catalog(tmp.Folder());
  TGuiSettings s;
  s.StepPitch = 99;  // a stale metric is reset too
  s.fine_velocity_increments = 1;
  catalog.ApplyScheme(1, s);
  EXPECT_EQ(s.scr_BackColor, 0x123456u);
  for (const TSkinKey& k : kSkinKeys)
    if (std::string(k.name) != "scr_BackColor") {
      EXPECT_EQ(s.*k.field, 0u) << k.name;
    }
  EXPECT_EQ(s.StepPitch, 30);
  EXPECT_EQ(s.LabelFont, TGuiSettings{}.LabelFont);
  EXPECT_EQ(s.fine_velocity_increments, 1) << "the settings stay";
}

TEST(Skins, ChoosingASchemeRemembersIt) {
  TTempFolder tmp;
  tmp.Write("skins/s.ini", Section("A", "scr_BackColor=1") + Section("B", "scr_BackColor=2"));
  {
    TSkinCatalog catalog(tmp.Folder());
    TGuiSettings s;
    catalog.ApplyScheme(2, s);
  }
  TIniFile settings(tmp.File("moltrin.ini"));
  EXPECT_EQ(settings.ReadInteger("SETTINGS", "gui_scheme", -1), 2);

  // Back to the built-in colours: remembered as well, so scheme 2 does not return next time.
  TSkinCatalog catalog(tmp.Folder());
  TGuiSettings s;
  catalog.ApplyScheme(0, s);
  EXPECT_EQ(TIniFile(tmp.File("moltrin.ini")).ReadInteger("SETTINGS", "gui_scheme", -1), 0);
}

#ifndef _WIN32
// A settings file kept as a symbolic link (shared by several installations) stays a link.
TEST(Skins, TheChoiceIsWrittenThroughALinkedSettingsFile) {
  TTempFolder tmp;
  tmp.Write("shared/settings.ini", "[SETTINGS]\nfine_velocity_increments=1\n");
  std::filesystem::create_symlink("shared/settings.ini", tmp.path / "moltrin.ini");
  tmp.Write("skins/s.ini", Section("A", "scr_BackColor=1") + Section("B", "scr_BackColor=2"));
  TSkinCatalog catalog(tmp.Folder());
  TGuiSettings s;
  catalog.ApplyScheme(2, s);
  EXPECT_TRUE(std::filesystem::is_symlink(tmp.path / "moltrin.ini"));
  const TIniFile shared(tmp.File("shared/settings.ini"));
  EXPECT_EQ(shared.ReadInteger("SETTINGS", "gui_scheme", -1), 2);
  EXPECT_EQ(shared.ReadInteger("SETTINGS", "fine_velocity_increments", -1), 1);
}
#endif

TEST(Skins, ASchemeNumberBeyondTheListShowsBuiltInColoursAndStaysStored) {
  TTempFolder tmp;
  tmp.Write("moltrin.ini", "[SETTINGS]\ngui_scheme=5\nfine_velocity_increments=1\nmatrix_semitone_range=x\n");
  tmp.Write("skins/s.ini", Section("A", "") + Section("B", "") + Section("C", ""));
  TSkinCatalog catalog(tmp.Folder());
  TGuiSettings s;
  catalog.ReadSettings(s);
  EXPECT_EQ(s.gui_scheme, 5);
  EXPECT_EQ(s.fine_velocity_increments, 1);
  EXPECT_EQ(s.matrix_semitone_range, 0) << "not an integer reads as 0";
  catalog.ApplyScheme(s.gui_scheme, s);
  EXPECT_EQ(s.scr_BackColor, TGuiSettings{}.scr_BackColor);
  EXPECT_EQ(TIniFile(tmp.File("moltrin.ini")).ReadInteger("SETTINGS", "gui_scheme", -1), 5);
}

TEST(Skins, UnreadableFilesLeaveDefaults) {
  TTempFolder tmp;
  std::filesystem::create_directories(tmp.path / "moltrin.ini");  // not a file
  tmp.Write("skins/s.ini", Section("A", "scr_BackColor=1"));
  TSkinCatalog catalog(tmp.Folder());
  TGuiSettings s;
  catalog.ReadSettings(s);
  EXPECT_EQ(s.gui_scheme, 0);
  catalog.ApplyScheme(1, s);  // the choice cannot be written; the colours still apply
  EXPECT_EQ(s.scr_BackColor, 1u);
  EXPECT_FALSE(catalog.WriteSetting("fine_velocity_increments", 1));
}

TEST(Skins, TheShippedSkinsSetEveryKeyAndDifferFromOneAnother) {
  TTempFolder tmp;  // choosing a scheme writes the settings file beside the skins folder
  std::filesystem::copy(std::filesystem::path(MOLTRIN_SOURCE_DIR) / "data" / "skins", tmp.path / "skins");
  TSkinCatalog catalog(tmp.Folder());
  ASSERT_GE(catalog.SchemeNames().size(), 2u);
  std::vector<TGuiSettings> schemes;
  for (size_t n = 1; n <= catalog.SchemeNames().size(); ++n) {
    const TIniFile skin(catalog.SchemeFiles()[n - 1]);
    for (const TSkinKey& k : kSkinKeys)
      EXPECT_TRUE(skin.ReadString(catalog.SchemeNames()[n - 1], k.name).has_value())
          << catalog.SchemeNames()[n - 1] << " lacks " << k.name;
    TGuiSettings s;
    catalog.ApplyScheme(static_cast<int>(n), s);
    schemes.push_back(s);
  }
  for (size_t i = 0; i < schemes.size(); ++i) {
    EXPECT_NE(ColorOf(schemes[i], "panels_BackColor"), TGuiSettings{}.panels_BackColor);
    for (size_t j = i + 1; j < schemes.size(); ++j)
      EXPECT_NE(schemes[i].panels_SettingsPanelColor, schemes[j].panels_SettingsPanelColor);
  }
}
