#pragma once
// What the main menu's commands (FormMenus.cpp) share with their tests.
#include <string>

// The tag of the skins menu's "Default (Vesk)"; the item of scheme n has the tag kSkinTagBase + n.
constexpr int kSkinTagBase = 1000;

// The project's own web pages, opened from the menu.
extern const char* const kDonationPage;
extern const char* const kWebsitePage;

class TPlugCore;

// Reads the program (fxp) or bank (fxb) file at `path`, a regular file only and never waiting
// for anything else standing at the name, and applies it once the engine's checks pass. Empty
// when it was applied, else a one-line reason: a file that is missing or cannot be read is
// named as `name`; the engine's reason for a refused file names its case.
std::string LoadPresetFile(TPlugCore& core, const std::string& path, bool bank, const std::string& name);

// The chosen file name with `extension` (".fxp") appended unless its last four characters, in
// lower case, already are it.
std::string WithPresetExtension(const std::string& path, const std::string& extension);
