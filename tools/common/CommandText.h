#pragma once
// Texts as people type them on a command line: spaces around them, another case, a full stop
// left out or added.
#include <string>
#include <string_view>
#include <vector>

// The text without the blanks at either end.
std::string_view Trimmed(std::string_view text);
// Whether two texts say the same in any case and any spacing, with or without a final full
// stop: "By pitch,desc" says "by pitch, desc.".
bool SameWords(std::string_view a, std::string_view b);
// The items of a comma-separated list, each without the blanks around it: "C5, E5, G5".
std::vector<std::string> ListItems(std::string_view list);
