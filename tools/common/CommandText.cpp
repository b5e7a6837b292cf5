#include "tools/common/CommandText.h"

#include <cctype>

namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Lower case, no blanks, no final full stop.
std::string Words(std::string_view text) {
  std::string words;
  for (char c : text)
    if (!IsBlank(c)) words += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (!words.empty() && words.back() == '.') words.pop_back();
  return words;
}

}  // namespace

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameWords(std::string_view a, std::string_view b) { return Words(a) == Words(b); }

std::vector<std::string> ListItems(std::string_view list) {
  std::vector<std::string> items;
  for (size_t start = 0;;) {
    const size_t comma = list.find(',', start);
    items.emplace_back(Trimmed(list.substr(start, comma == std::string_view::npos ? comma : comma - start)));
    if (comma == std::string_view::npos) return items;
    start = comma + 1;
  }
}
