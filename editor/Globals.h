#pragma once
// The editor's process-wide settings, metrics, fonts and skin colours (GuiSettings), the
// settings file "moltrin.ini" and the colour schemes of the skin files in the folder "skins"
// beside the plug-in. Every editor control reads its colours and fonts here when it paints.
// Editor thread only; shared by every editor of the process.
#include <string>
#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Font.h"
#include "platform/IniFile.h"

struct TGuiSettings {
  // ---- The editor settings, kept in the settings file.
  int gui_scheme = 0;                // 0 built-in, n >= 1 the n-th entry of SchemeNames
  int fine_velocity_increments = 0;  // 1: velocity boxes move in single steps, 0: nine notches
  int matrix_semitone_range = 0;     // 0 full, 1 upper, 2 lower, 3 truncated
  int gui_zoom = 100;                // percent, 100..300 (editor/EditorZoom.h)

  // ---- Layout metrics.
  int BoxMargin = 1;
  int BarTopMargin = 3;
  int StepPitch = 30;
  int BarHeight = 21;
  int ArrowWidth = 13;
  int CaptionHeight = 12;
  int BarLabelMargin = 10;
  int LedSize = 13;
  int CornerRadius = 3;
  int CheckBoxSize = 12;  // ArrowWidth - 1
  int CheckBoxTextGap = 3;

  // ---- Fonts: Arial at 96 dpi, anti-aliased by the canvas.
  TFontSpec BoxFont{"Arial", 8, true};
  TFontSpec LabelFont{"Arial", 8, true};
  TFontSpec InfoFont{"Arial", 8, false};

  // ---- The 32 skin colours, named by their skin keys; 0x00BBGGRR.
  TColor box_LineColor = 0xFEAD92;
  TColor box_FillColor = 0xC86B50;
  TColor box_FillColorActive = 0xFF804C;
  TColor box_FontColor = 0xF0B0B0;
  TColor box_FontColorActive = 0xF3F3F3;
  TColor box_LabelFontColor = 0xFFD0D0;
  TColor box_LabelFontColorInActive = 0xE0A0A0;
  TColor info_panel_LabelFontColor = 0xE0A0A0;
  TColor bar_FillColor = 0x2F0404;
  TColor bar_LabelFontColorHighlight = 0xFFF0F0;
  TColor btn_FillColor = 0x6F4517;
  TColor btn_FillColorActive = 0xC08020;
  TColor btn_FontColor = 0xFEAD92;
  TColor panels_BlockLabelColor = 0x8FF1EF;
  TColor panels_OutlineColor = 0xD9AD9E;
  TColor panels_InfoPanelColor = 0x2F0404;
  TColor led_BackColor = 0x000000;
  TColor led_OnColorOuter = 0x0AC5B1;
  TColor led_OnColorInner = 0x75FFFF;
  TColor led_OffColorOuter = 0x002F00;
  TColor led_OffColorInner = 0x408000;
  TColor scr_BackColor = 0x350505;
  TColor scr_GridBackColor = 0x371B1D;
  TColor scr_LineColorBright = 0x8FF1EF;
  TColor scr_LabelColorBright = 0x8FF1EF;
  TColor scr_LineColorDark = 0x5B915F;
  TColor scr_LabelColorDark = 0x5B915F;
  TColor scr_BrickColorOn = 0x9CD7D7;
  TColor scr_BrickColorOff = 0x607070;
  TColor panels_BackColor = 0x160000;
  TColor panels_SettingsPanelColor = 0x480B0B;
  TColor panels_TopPanelColor = 0x6C1616;
};

// A skin key and the colour field it sets.
struct TSkinKey {
  const char* name;
  TColor TGuiSettings::*field;
};
extern const TSkinKey kSkinKeys[32];

// The settings file and the colour schemes found beside one plug-in folder.
class TSkinCatalog {
 public:
  // Opens the settings file and reads the skin files of `folder` (ending with a separator).
  explicit TSkinCatalog(const std::string& folder);

  // Reads the settings into `settings` (0 for a missing or malformed value, 100 % zoom).
  void ReadSettings(TGuiSettings& settings) const;
  // Makes `settings` show scheme n: the built-in colours, metrics and fonts, then, for
  // 1 <= n <= the number of schemes, that scheme's colours (a missing key reads as black),
  // and "gui_scheme" = n written to the settings file when any scheme exists.
  void ApplyScheme(int n, TGuiSettings& settings);
  // Writes one of the settings to the section "SETTINGS"; false when the file cannot be written.
  bool WriteSetting(std::string_view key, int value);

  const std::vector<std::string>& SchemeNames() const { return schemeNames; }
  const std::vector<std::string>& SchemeFiles() const { return schemeFiles; }

 private:
  void ScanSkins(const std::string& skinFolder);

  TIniFile settingsFile;
  std::vector<std::string> schemeNames;  // entry k: scheme k + 1
  std::vector<std::string> schemeFiles;  // the skin file holding it
};

// ---- The process-wide editor state.
extern TGuiSettings GuiSettings;
// The plug-in module's folder (or the one given to LoadSettingsFrom), ending with a separator.
std::string PluginFolder();
// Reads the settings file and the skins beside the plug-in, then applies the chosen scheme.
// Runs once, when the first editor of the process is built (so nothing reads files while the
// host loads the module); later calls do nothing.
void LoadSettings();
// Takes everything kept beside the plug-in (settings file, skins, factory bank, the folder
// the file dialogs start in) from another folder, ending with a separator, and reads the
// settings and skins there at once: for tests and tools.
void LoadSettingsFrom(const std::string& folder);
// Shows scheme n in GuiSettings (the caller has set GuiSettings.gui_scheme to n).
void ApplyScheme(int n);
// Writes a setting back to the settings file.
void WriteGuiSetting(std::string_view key, int value);
const std::vector<std::string>& SchemeNames();
