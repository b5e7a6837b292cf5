#include "editor/Globals.h"

#include <array>
#include <memory>

#include "editor/EditorZoom.h"
#include "platform/Files.h"
#include "platform/ModulePath.h"

namespace {
constexpr const char* kSettingsFileName = "moltrin.ini";
constexpr const char* kSettingsSection = "SETTINGS";
constexpr const char* kSkinFolderName = "skins";

std::unique_ptr<TSkinCatalog> gCatalog;  // built by LoadSettings
}  // namespace

const TSkinKey kSkinKeys[32] = {
    {"box_LineColor", &TGuiSettings::box_LineColor},
    {"box_FillColor", &TGuiSettings::box_FillColor},
    {"box_FillColorActive", &TGuiSettings::box_FillColorActive},
    {"box_FontColor", &TGuiSettings::box_FontColor},
    {"box_FontColorActive", &TGuiSettings::box_FontColorActive},
    {"box_LabelFontColor", &TGuiSettings::box_LabelFontColor},
    {"box_LabelFontColorInActive", &TGuiSettings::box_LabelFontColorInActive},
    {"info_panel_LabelFontColor", &TGuiSettings::info_panel_LabelFontColor},
    {"bar_FillColor", &TGuiSettings::bar_FillColor},
    {"bar_LabelFontColorHighlight", &TGuiSettings::bar_LabelFontColorHighlight},
    {"btn_FillColor", &TGuiSettings::btn_FillColor},
    {"btn_FillColorActive", &TGuiSettings::btn_FillColorActive},
    {"btn_FontColor", &TGuiSettings::btn_FontColor},
    {"panels_BlockLabelColor", &TGuiSettings::panels_BlockLabelColor},
    {"panels_OutlineColor", &TGuiSettings::panels_OutlineColor},
    {"panels_InfoPanelColor", &TGuiSettings::panels_InfoPanelColor},
    {"led_BackColor", &TGuiSettings::led_BackColor},
    {"led_OnColorOuter", &TGuiSettings::led_OnColorOuter},
    {"led_OnColorInner", &TGuiSettings::led_OnColorInner},
    {"led_OffColorOuter", &TGuiSettings::led_OffColorOuter},
    {"led_OffColorInner", &TGuiSettings::led_OffColorInner},
    {"scr_BackColor", &TGuiSettings::scr_BackColor},
    {"scr_GridBackColor", &TGuiSettings::scr_GridBackColor},
    {"scr_LineColorBright", &TGuiSettings::scr_LineColorBright},
    {"scr_LabelColorBright", &TGuiSettings::scr_LabelColorBright},
    {"scr_LineColorDark", &TGuiSettings::scr_LineColorDark},
    {"scr_LabelColorDark", &TGuiSettings::scr_LabelColorDark},
    {"scr_BrickColorOn", &TGuiSettings::scr_BrickColorOn},
    {"scr_BrickColorOff", &TGuiSettings::scr_BrickColorOff},
    {"panels_BackColor", &TGuiSettings::panels_BackColor},
    {"panels_SettingsPanelColor", &TGuiSettings::panels_SettingsPanelColor},
    {"panels_TopPanelColor", &TGuiSettings::panels_TopPanelColor},
};

TSkinCatalog::TSkinCatalog(const std::string& folder)
    : settingsFile(JoinPath(folder, kSettingsFileName)) {
  ScanSkins(JoinPath(folder, kSkinFolderName));
}

void TSkinCatalog::ScanSkins(const std::string& skinFolder) {
  for (const std::string& name : ListFiles(skinFolder)) {
    const std::string path = JoinPath(skinFolder, name);
    for (std::string& section : TIniFile(path).SectionNames()) {
      schemeNames.push_back(std::move(section));
      schemeFiles.push_back(path);
    }
  }
}

void TSkinCatalog::ReadSettings(TGuiSettings& settings) const {
  settings.gui_scheme = settingsFile.ReadInteger(kSettingsSection, "gui_scheme", 0);
  settings.fine_velocity_increments = settingsFile.ReadInteger(kSettingsSection, "fine_velocity_increments", 0);
  settings.matrix_semitone_range = settingsFile.ReadInteger(kSettingsSection, "matrix_semitone_range", 0);
  settings.gui_zoom = ValidZoom(settingsFile.ReadInteger(kSettingsSection, "gui_zoom", 100));
}

void TSkinCatalog::ApplyScheme(int n, TGuiSettings& settings) {
  TGuiSettings fresh;
  fresh.gui_scheme = settings.gui_scheme;
  fresh.fine_velocity_increments = settings.fine_velocity_increments;
  fresh.matrix_semitone_range = settings.matrix_semitone_range;
  fresh.gui_zoom = settings.gui_zoom;
  settings = fresh;

  const int count = static_cast<int>(schemeNames.size());
  // A number beyond the schemes shows the built-in colours and stays stored as it is.
  if (count == 0 || n < 0 || n > count) return;
  if (n > 0) {
    // The section is read in one pass, however many keys or sections the file holds.
    std::array<std::string_view, std::size(kSkinKeys)> names;
    for (size_t i = 0; i < names.size(); ++i) names[i] = kSkinKeys[i].name;
    const auto values = TIniFile(schemeFiles[n - 1]).ReadStrings(schemeNames[n - 1], names);
    for (size_t i = 0; i < names.size(); ++i)
      settings.*kSkinKeys[i].field = static_cast<TColor>(values[i] ? ParseIniInteger(*values[i]).value_or(0) : 0);
  }
  // The built-in scheme is a choice too: remembering it keeps a skin chosen earlier from
  // coming back on the next load.
  if (settingsFile.ReadInteger(kSettingsSection, "gui_scheme", 0) != n) WriteSetting("gui_scheme", n);
}

bool TSkinCatalog::WriteSetting(std::string_view key, int value) {
  return settingsFile.WriteInteger(kSettingsSection, key, value);
}

// ---- Process-wide.

TGuiSettings GuiSettings;

namespace {
std::string gFolder;  // where the settings and skins were read from; the module's folder by default
}  // namespace

std::string PluginFolder() { return gFolder.empty() ? ModuleFolder() : gFolder; }

void LoadSettings() {
  if (!gCatalog) LoadSettingsFrom(PluginFolder());
}

void LoadSettingsFrom(const std::string& folder) {
  gFolder = folder;
  gCatalog = std::make_unique<TSkinCatalog>(folder);
  GuiSettings = TGuiSettings{};
  gCatalog->ReadSettings(GuiSettings);
  gCatalog->ApplyScheme(GuiSettings.gui_scheme, GuiSettings);
}

void ApplyScheme(int n) {
  LoadSettings();
  gCatalog->ApplyScheme(n, GuiSettings);
}

void WriteGuiSetting(std::string_view key, int value) {
  LoadSettings();
  gCatalog->WriteSetting(key, value);
}

const std::vector<std::string>& SchemeNames() {
  LoadSettings();
  return gCatalog->SchemeNames();
}
