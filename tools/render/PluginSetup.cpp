// Parameters are addressed with the engine's catalogue; everything else goes to the module.
#include "tools/render/PluginSetup.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>

#include "engine/ParamNames.h"
#include "engine/PlugCore.h"
#include "engine/SettingValue.h"
#include "tools/common/CommandText.h"
#include "tools/common/NoteSpelling.h"
#include "tools/common/ToolError.h"
#include "tools/render/PresetFile.h"

namespace fs = std::filesystem;

namespace {

bool ParseWhole(const std::string& text, int& value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && ptr == end;
}

// The value whose text reads `text` in any case and spacing, with or without a final full stop
// ("On", "BY PITCH, DESC"), or names the same note in another spelling ("D#5" where the plug-in
// writes "Eb5", "A#" for "Bb").
std::optional<int> ValueInAnyCase(int tag, int lo, int hi, const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string ignored;
  if (lower != text)
    if (const auto v = ParseSettingValue(tag, lower, ignored)) return v;  // "On" for a check box
  for (int v = lo; v <= hi; ++v) {
    const std::string shown = ValueText(tag, v);
    if (SameWords(shown, text) || SameNote(shown, text)) return v;
  }
  return std::nullopt;
}

int TagOf(const std::string& name) {
  int tag = -1;
  if (ParseWhole(name, tag)) {
    if (!IsDefinedTag(tag)) throw TToolError("--set: " + name + " is not a parameter tag");
    return tag;
  }
  tag = TagByCatalogueName(name);
  if (tag >= 0) return tag;
  for (int t = 0; t < kNumParams; ++t)
    if (SameWords(CatalogueName(t), name)) return t;
  throw TToolError("--set: unknown parameter '" + name + "' (see --list-params)");
}

}  // namespace

std::pair<int, int> AssignableRange(int tag) {
  // --set chooses a chain to play, 1..NumChains, or none (0), as a host does.
  if (tag == tagCurChain) return {0, CParamMax[tagNumChains]};
  return {CParamMin[tag], CParamMax[tag]};
}

TParamAssignment ParseAssignment(const std::string& text) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || Trimmed(text.substr(0, eq)).empty() || Trimmed(text.substr(eq + 1)).empty())
    throw TToolError("--set: expected NAME=VALUE, got '" + text + "'");
  const std::string name(Trimmed(std::string_view(text).substr(0, eq)));
  const std::string valueText(Trimmed(std::string_view(text).substr(eq + 1)));
  TParamAssignment a;
  a.tag = TagOf(name);
  const auto [lo, hi] = AssignableRange(a.tag);
  const std::string label = CatalogueName(a.tag).empty() ? name : CatalogueName(a.tag);
  std::string why;
  if (ParseWhole(valueText, a.value)) {
    // a number, also where the editor shows a text ("Sync=3")
  } else if (const auto v = ParseSettingValue(a.tag, valueText, why)) {
    a.value = *v;  // the forms of the factory bank's sources: "1/16", "50%", "on"
  } else if (const auto w = ValueInAnyCase(a.tag, lo, hi, valueText)) {
    a.value = *w;
  } else {
    throw TToolError("--set: " + why + " (see --list-params)");
  }
  if (a.value < lo || a.value > hi)
    throw TToolError("--set: " + valueText + " is outside the range of " + label + " (" + std::to_string(lo) + ".." +
                     std::to_string(hi) + ")");
  a.normalized = hi > lo ? static_cast<float>(a.value - lo) / static_cast<float>(hi - lo) : 0.0f;
  return a;
}

void SetUpPlugin(THostedPlugin& plugin, const TRenderOptions& options) {
  // Assignments are checked before anything is loaded, so a typo costs nothing.
  std::vector<TParamAssignment> assignments;
  for (const std::string& text : options.assignments) assignments.push_back(ParseAssignment(text));

  if (!options.bankPath.empty()) {
    const TPresetImage bank = ReadPresetFile(options.bankPath, TPresetKind::bank);
    plugin.SetChunk(bank.chunk, false);
    if (bank.currentProgram >= 0) plugin.SetProgram(bank.currentProgram);
  }
  if (options.program > 0) plugin.SetProgram(options.program - 1);
  if (plugin.Program() < 0) plugin.SetProgram(0);
  if (!options.presetPath.empty()) {
    const TPresetImage program = ReadPresetFile(options.presetPath, TPresetKind::program);
    plugin.SetChunk(program.chunk, true);
  }
  for (const TParamAssignment& a : assignments) {
    if (a.tag != tagCurChain) {
      plugin.SetParam(a.tag, a.normalized);
      continue;
    }
    // The plug-in reads a chain choice through the chain count in force.
    const int chains = ParameterValue(plugin, tagNumChains);
    if (a.value > chains)
      throw TToolError("--set: CurChain " + std::to_string(a.value) + " is beyond the " + std::to_string(chains) +
                       " chains in use (NumChains)");
    plugin.SetParam(a.tag, static_cast<float>(a.value) / static_cast<float>(std::max(chains, 1)));
  }
}

std::vector<std::string> StepsNotPlayed(THostedPlugin& plugin, const TRenderOptions& options) {
  const int steps = ParameterValue(plugin, tagSteps);
  std::vector<std::string> names;
  for (const std::string& text : options.assignments) {
    const TParamAssignment a = ParseAssignment(text);
    if (a.tag >= tagSemitone && (a.tag - tagSemitone) % kMaxSteps >= steps) names.push_back(CatalogueName(a.tag));
  }
  return names;
}

std::string FactoryBankBeside(const std::string& modulePath) {
  std::error_code ec;
  const fs::path bank = fs::path(modulePath).parent_path() / kFactoryBankName;
  return fs::is_regular_file(bank, ec) ? bank.string() : std::string();
}

int ParameterValue(THostedPlugin& plugin, int tag) {
  const float f = std::clamp(plugin.GetParam(tag), 0.0f, 1.0f);
  return CParamMin[tag] + static_cast<int>(std::lround(f * (CParamMax[tag] - CParamMin[tag])));
}

double PatternCycleSeconds(THostedPlugin& plugin, double beatsPerMinute) {
  const int steps = std::clamp(ParameterValue(plugin, tagSteps), 1, kMaxSteps);
  const int sync = std::clamp(ParameterValue(plugin, tagSync), 0, 11);
  const double quarters = steps / static_cast<double>(kSyncRateTable[sync]);
  return quarters * 60.0 / std::max(beatsPerMinute, 1.0);
}
