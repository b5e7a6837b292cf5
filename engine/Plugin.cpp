#include "engine/Plugin.h"

#include <cctype>
#include <charconv>

#include "engine/PlugCore.h"
#include "engine/PresetFile.h"
#include "engine/SettingValue.h"

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// The value a text names: an editor text in any case ("by pitch", "c5"), the forms the factory
// bank's sources use ("40%", "on"), or the stored number itself, up to the live maximum `max`
// (the chain in force goes as far as the chain count).
bool ValueOfText(int tag, int max, std::string_view text, int& value) {
  std::string ignored;
  if (const auto v = ParseSettingValue(tag, text, ignored); v && *v <= max) {
    value = *v;
    return true;
  }
  for (int v = CParamMin[tag]; v <= max; ++v)
    if (SameIgnoringCase(ValueLabel(tag, v).View(), text)) {
      value = v;
      return true;
    }
  if (!text.empty() && text.back() == '%') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size() && value >= CParamMin[tag] &&
         value <= max;
}

}  // namespace

TPlugin::TPlugin(TEngineHost* host) : core(std::make_unique<TPlugCore>()) { core->SetHost(host); }

TPlugin::~TPlugin() = default;

void TPlugin::SetHost(TEngineHost* host) { core->SetHost(host); }

void TPlugin::SetSampleRate(double rate) { core->SetSampleRate(rate); }

TParamInfo TPlugin::ParamInfo(int id) const {
  TParamInfo desc;
  if (!IsParam(id)) return desc;
  desc.id = id;
  desc.name = core->GetParamName(id);
  desc.min = CParamMin[id];
  desc.max = id == tagCurChain ? core->CurChainMax() : CParamMax[id];
  desc.def = CParamDef[id];
  desc.automatable = CanBeAutomated(id);
  return desc;
}

float TPlugin::GetNormalized(int id) const { return core->GetParamNormalized(id); }

void TPlugin::SetNormalized(int id, float value) { core->SetParamNormalized(id, value); }

ShortText TPlugin::ParamName(int id) const { return core->GetParamName(id); }

ShortText TPlugin::ParamDisplay(int id) const { return core->GetParamDisplay(id); }

bool TPlugin::TextToNormalized(int id, std::string_view text, float& value) const {
  int v = 0;
  if (!IsParam(id) || !ValueOfText(id, ParamInfo(id).max, text, v)) return false;
  value = core->NormalizedOf(id, v);
  return true;
}

int TPlugin::CurrentProgram() const { return core->CurrentProgramIndex(); }

void TPlugin::SelectProgram(int index) {
  if (index >= 0 && index < kNumPrograms) core->SelectProgram(index);
}

ShortText TPlugin::ProgramName(int index) const { return core->GetProgramName(index); }

void TPlugin::SetProgramName(std::string_view name) {
  core->SetProgramName(name);
  core->MarkChanged(tagProgName);
}

int TPlugin::GetChunk(bool program, const void** data) { return core->GetChunk(program, data); }

int TPlugin::SetChunk(const void* data, int size, bool program) { return core->SetChunk(data, size, program); }

std::string TPlugin::LoadFactoryBank(std::span<const uint8_t> file) { return core->LoadFactoryBank(file).message; }

size_t TPlugin::BankFileReadLimit() { return PresetReadLimit(TPresetKind::bank); }

std::span<const TMidiOut> TPlugin::Process(int frames, const THostTime* time, std::span<const TMidiEvent> input) {
  return core->ProcessBlock(frames, time, input);
}

void TPlugin::TakeMessagesNow(std::span<const TMidiEvent> input) { core->HandleMidiInList(input); }

void TPlugin::DeliverChanges() { core->DeliverChanges(); }
