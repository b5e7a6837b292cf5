#include "tools/render/Listings.h"

#include <algorithm>
#include <vector>

#include "engine/KeyUtils.h"
#include "engine/ParamNames.h"
#include "tools/render/PluginSetup.h"

namespace {

// Text padded on the right to a column, and at least one space after it.
std::string Column(std::string text, size_t width) {
  text.append(text.size() + 1 < width ? width - text.size() : 1, ' ');
  return text;
}

// "12", "-3", "+5": texts that only repeat the value.
bool IsNumberText(const std::string& text) {
  return text.find_first_of("0123456789") != std::string::npos &&
         text.find_first_not_of("+-0123456789") == std::string::npos;
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : separator) + item;
  return out;
}

// The editor's texts of a tag's values: all of them when every value has one, the few that
// are not plain numbers otherwise ("0 = all"), and note names in one phrase.
std::string ValueTexts(int tag, int lo, int hi) {
  if (lo <= 60 && hi >= 60 && ValueText(tag, 60) == NoteName(60).Str())
    return "note names " + ValueText(tag, lo) + " .. " + ValueText(tag, hi) + " (C5 = 60)";
  std::vector<std::string> all, some;
  for (int v = lo; v <= hi; ++v) {
    const std::string text = ValueText(tag, v);
    if (IsNumberText(text)) continue;
    all.push_back(text);
    some.push_back(std::to_string(v) + " = " + text);
  }
  if (all.empty()) return "";
  return static_cast<int>(all.size()) == hi - lo + 1 ? Joined(all, " | ") : Joined(some, ", ");
}

}  // namespace

std::string FormatProgramList(THostedPlugin& plugin) {
  const std::vector<uint8_t> bank = plugin.GetChunk(false);
  const auto byte = [&](int row, int tag) {
    const size_t i = static_cast<size_t>(row) * kNumParams + static_cast<size_t>(tag);
    return i < bank.size() ? static_cast<int8_t>(bank[i]) : int8_t{0};
  };
  // Chain c is kept in the chain section of program row c; an uninitialised section is empty.
  const int chains = std::clamp<int>(byte(0, tagNumChains), 1, 16);
  std::vector<std::vector<int>> chainPrograms(static_cast<size_t>(chains) + 1);
  std::vector<std::vector<std::string>> memberOf(kNumPrograms);
  for (int c = 1; c <= chains; ++c) {
    if (byte(c, tagChainInit) == 0) continue;
    for (int slot = 0; slot < 8; ++slot) {
      const int program = byte(c, tagChainProg + slot);
      if (program < 1 || program > kNumPrograms) continue;
      chainPrograms[static_cast<size_t>(c)].push_back(program);
      auto& member = memberOf[static_cast<size_t>(program - 1)];
      if (std::find(member.begin(), member.end(), std::to_string(c)) == member.end())
        member.push_back(std::to_string(c));
    }
  }

  std::vector<std::string> names(kNumPrograms);
  std::string out = Column("  #  name", 54) + "chains\n";
  for (int p = 0; p < kNumPrograms; ++p) {
    names[static_cast<size_t>(p)] = plugin.ProgramNameIndexed(p);
    std::string line = (p < 9 ? "  " : " ") + std::to_string(p + 1) + "  " + names[static_cast<size_t>(p)];
    const auto& member = memberOf[static_cast<size_t>(p)];
    if (!member.empty()) line = Column(line, 54) + Joined(member, ", ");
    out += line + "\n";
  }
  std::string chainLines;
  for (int c = 1; c <= chains; ++c) {
    std::vector<std::string> programs;
    for (int program : chainPrograms[static_cast<size_t>(c)])
      programs.push_back(std::to_string(program) + " " + names[static_cast<size_t>(program - 1)]);
    if (!programs.empty()) chainLines += "  chain " + std::to_string(c) + ": " + Joined(programs, ", ") + "\n";
  }
  out += chainLines.empty() ? "No chains are set up.\n"
                            : "Chains, one program per pattern cycle (play one with --set CurChain=N):\n" + chainLines;
  return out;
}

std::string FormatParameterList() {
  std::string out = Column("tag", 5) + Column("name", 17) + Column("values", 11) + Column("default", 12) + "texts\n";
  for (int tag = 0; tag < kNumParams; ++tag) {
    const std::string name = CatalogueName(tag);
    if (!IsDefinedTag(tag) || name.empty()) continue;
    const auto [lo, hi] = AssignableRange(tag);
    std::string line = Column(std::to_string(tag), 5) + Column(name, 17) +
                       Column(std::to_string(lo) + ".." + std::to_string(hi), 11) +
                       Column(ValueText(tag, CParamDef[tag]), 12) + ValueTexts(tag, lo, hi);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
  return out;
}
