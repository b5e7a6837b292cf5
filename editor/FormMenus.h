#pragma once
// What the main menu's commands (FormMenus.cpp) share with their tests.
#include <string>

// The tag of the skins menu's "Default (Vesk)"; the item of scheme n has the tag kSkinTagBase + n.
constexpr int kSkinTagBase = 1000;

// The project's own web pages, opened from the menu.
extern const char* const kDonationPage;
extern const char* const kWebsitePage;

// The chosen file name with `extension` (".fxp") appended unless its last four characters, in
// lower case, already are it.
std::string WithPresetExtension(const std::string& path, const std::string& extension);
