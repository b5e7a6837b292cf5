#include "engine/SettingValue.h"

#include <charconv>
#include <vector>

#include "engine/ParamNames.h"

namespace {

bool IsPercentTag(int tag) { return tag == tagGate || tag == tagSwing; }

bool IsCheckBoxTag(int tag) {
  return tag == tagLatch || tag == tagScroll || tag == tagFollowChord || tag == tagLockPage;
}

std::optional<int> ParseInteger(std::string_view text) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  }
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool IsNumberText(const std::string& text) {
  return !text.empty() && text.find_first_not_of("+-0123456789") == std::string::npos;
}

// The tag's texts that are not plain numbers, for the hint of an error ("1/48 | 1/32 | ...");
// empty when the list would be long (note names) or there is none.
std::string TextList(int tag) {
  std::vector<std::string> texts;
  for (int v = CParamMin[tag]; v <= CParamMax[tag]; ++v) {
    std::string t = ValueText(tag, v);
    if (!IsNumberText(t)) texts.push_back(t);
  }
  if (texts.empty() || texts.size() > 16) return {};
  std::string list;
  for (const auto& t : texts) list += (list.empty() ? "" : " | ") + t;
  return list;
}

}  // namespace

std::optional<int> ParseSettingValue(int tag, std::string_view text, std::string& error) {
  if (!IsDefinedTag(tag)) {
    error = "no setting has tag " + std::to_string(tag);
    return std::nullopt;
  }
  const int lo = CParamMin[tag], hi = CParamMax[tag];
  const std::string name = CatalogueName(tag);
  for (int v = lo; v <= hi; ++v)
    if (ValueText(tag, v) == text) return v;
  if (IsCheckBoxTag(tag) && (text == "on" || text == "off")) return text == "on" ? 1 : 0;

  std::string_view number = text;
  if (IsPercentTag(tag) && number.ends_with('%')) number.remove_suffix(1);
  if (const auto n = ParseInteger(number)) {
    if (*n < lo || *n > hi) {
      error = name + " " + std::string(text) + " is outside " + ValueText(tag, lo) + " .. " + ValueText(tag, hi);
      return std::nullopt;
    }
    // A number where the editor shows a text ("Sync = 3" for "1/16") would hide the meaning.
    const std::string shown = ValueText(tag, *n);
    if (shown != std::to_string(*n)) {
      error = "write " + name + " " + std::string(text) + " as \"" + shown + "\"";
      return std::nullopt;
    }
    return *n;
  }
  error = "unknown value \"" + std::string(text) + "\" for " + name;
  if (const std::string list = TextList(tag); !list.empty()) error += " (" + list + ")";
  return std::nullopt;
}
