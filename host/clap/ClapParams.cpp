// The parameters a CLAP host sees: every setting of the engine's catalogue by its tag (the id,
// stable for good), with its plain range, default, text and group, and the stepped "Program"
// parameter (1..64). Values are the settings' own whole numbers.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/clap/ClapBoundary.h"
#include "host/clap/ClapExtensions.h"
#include "host/clap/ClapPlugin.h"

namespace {

// The ids in the order a host lists them: the tags, then the program.
struct TParamIds {
  std::array<clap_id, kNumParams + 1> ids{};
  uint32_t count = 0;
  TParamIds() {
    for (int tag = 0; tag < TPlugin::ParamCount(); ++tag)
      if (TPlugin::IsParam(tag)) ids[count++] = static_cast<clap_id>(tag);
    ids[count++] = kProgramParamId;
  }
};
const TParamIds kIds;

bool IsTag(clap_id id) { return id < static_cast<clap_id>(TPlugin::ParamCount()) && TPlugin::IsParam(static_cast<int>(id)); }

void CopyText(char* to, uint32_t size, std::string_view text) {
  if (to == nullptr || size == 0) return;
  const size_t n = std::min<size_t>(text.size(), size - 1);
  std::memcpy(to, text.data(), n);
  to[n] = 0;
}

// The group a host files a setting under: the step rows by row, the rest by part.
const char* ModuleOf(int tag) {
  static constexpr const char* kRows[] = {"Steps/Semitone", "Steps/Octave", "Steps/Mode", "Steps/Key",
                                          "Steps/Velocity"};
  for (size_t row = 0; row < kStepBlockBases.size(); ++row)
    if (tag >= kStepBlockBases[row] && tag < kStepBlockBases[row] + kMaxSteps) return kRows[row];
  if (tag < kFirstChainTag) return "Global";
  if (tag < kFirstProgramTag) return "Chains";
  return "Pattern";
}

}  // namespace

const clap_plugin_params_t kClapParams = {
    [](const clap_plugin_t* p) -> uint32_t { return Guarded(0u, [&] { return TClapPlugin::Of(p)->ParamCount(); }); },
    [](const clap_plugin_t* p, uint32_t index, clap_param_info_t* info) {
      return Guarded(false, [&] { return TClapPlugin::Of(p)->ParamInfo(index, info); });
    },
    [](const clap_plugin_t* p, clap_id id, double* value) {
      return Guarded(false, [&] { return TClapPlugin::Of(p)->ParamValue(id, value); });
    },
    [](const clap_plugin_t* p, clap_id id, double value, char* display, uint32_t size) {
      return Guarded(false, [&] { return TClapPlugin::Of(p)->ParamValueToText(id, value, display, size); });
    },
    [](const clap_plugin_t* p, clap_id id, const char* display, double* value) {
      return Guarded(false, [&] { return TClapPlugin::Of(p)->ParamTextToValue(id, display, value); });
    },
    [](const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out) {
      Guarded([&] { TClapPlugin::Of(p)->Flush(in, out); });
    },
};

uint32_t TClapPlugin::ParamCount() const {
  RequireMainThread();
  return kIds.count;
}

bool TClapPlugin::ParamInfo(uint32_t index, clap_param_info_t* info) const {
  RequireMainThread();
  if (index >= kIds.count || info == nullptr) return false;
  *info = clap_param_info_t{};
  info->id = kIds.ids[index];
  info->cookie = nullptr;
  if (info->id == kProgramParamId) {
    info->flags = CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_AUTOMATABLE;
    CopyText(info->name, sizeof info->name, "Program");
    CopyText(info->module, sizeof info->module, "");
    info->min_value = 1;
    info->max_value = TPlugin::ProgramCount();
    info->default_value = 1;
    return true;
  }
  const TParamInfo desc = plugin->ParamInfo(static_cast<int>(info->id));
  info->flags = CLAP_PARAM_IS_STEPPED | (desc.automatable ? CLAP_PARAM_IS_AUTOMATABLE : 0);
  CopyText(info->name, sizeof info->name, desc.name.View());
  CopyText(info->module, sizeof info->module, ModuleOf(desc.id));
  info->min_value = desc.min;
  // One range for good: the chain in force up to the most chains there can be.
  info->max_value = desc.id == tagCurChain ? CParamMax[tagNumChains] : desc.max;
  info->default_value = desc.def;
  return true;
}

bool TClapPlugin::ParamValue(clap_id id, double* value) const {
  RequireMainThread();
  if (value == nullptr) return false;
  if (id == kProgramParamId) {
    *value = std::max(plugin->CurrentProgram(), 0) + 1;
    return true;
  }
  if (!IsTag(id)) return false;
  *value = PlainOf(id, plugin->GetNormalized(static_cast<int>(id)));
  return true;
}

bool TClapPlugin::ParamValueToText(clap_id id, double value, char* display, uint32_t size) const {
  RequireMainThread();
  if (display == nullptr || size == 0 || std::isnan(value)) return false;
  if (id == kProgramParamId) {
    const int index = std::clamp(static_cast<int>(std::lround(std::clamp(value, 1.0, 64.0))) - 1, 0, 63);
    char number[8];
    std::snprintf(number, sizeof number, "%d ", index + 1);
    CopyText(display, size, std::string(number) + plugin->ProgramName(index).Str());
    return true;
  }
  if (!IsTag(id)) return false;
  const TParamInfo desc = plugin->ParamInfo(static_cast<int>(id));
  const int plain = static_cast<int>(std::lround(std::clamp(value, static_cast<double>(desc.min), static_cast<double>(desc.max))));
  CopyText(display, size, ValueLabel(desc.id, plain).View());
  return true;
}

bool TClapPlugin::ParamTextToValue(clap_id id, const char* display, double* value) const {
  RequireMainThread();
  if (display == nullptr || value == nullptr) return false;
  const std::string_view text(display, strnlen(display, 256));
  if (id == kProgramParamId) {
    // The program's number, alone or before its name.
    int number = 0;
    size_t i = 0;
    for (; i < text.size() && i < 3 && text[i] >= '0' && text[i] <= '9'; ++i) number = number * 10 + (text[i] - '0');
    if (i == 0 || number < 1 || number > TPlugin::ProgramCount() || (i < text.size() && text[i] != ' ')) return false;
    *value = number;
    return true;
  }
  float normalized = 0;
  if (!IsTag(id) || !plugin->TextToNormalized(static_cast<int>(id), text, normalized)) return false;
  *value = PlainOf(id, normalized);
  return true;
}

// Values a host sets while no block runs (main thread while inactive, else the audio thread
// between blocks), and the editor's changes for the host.
void TClapPlugin::Flush(const clap_input_events_t* in, const clap_output_events_t* out) {
  const bool isActive = active.load(std::memory_order_acquire);
  if (isActive)
    RequireAudioThread();
  else
    RequireMainThread();
  const uint32_t count = in != nullptr && in->size != nullptr ? in->size(in) : 0;
  for (uint32_t i = 0; i < count; ++i) {
    const clap_event_header_t* header = in->get(in, i);
    if (header == nullptr || header->space_id != CLAP_CORE_EVENT_SPACE_ID || header->type != CLAP_EVENT_PARAM_VALUE ||
        header->size < sizeof(clap_event_param_value_t))
      continue;
    TakeParamValue(*reinterpret_cast<const clap_event_param_value_t*>(header));
  }
  SendEditorEvents(out);
  NoteChainCount();
}

// ---- Plain values and the engine's 0..1.

double TClapPlugin::PlainOf(clap_id id, float normalized) const {
  if (!IsTag(id)) return 0;
  const TParamInfo desc = plugin->ParamInfo(static_cast<int>(id));
  return std::lround(desc.min + static_cast<double>(normalized) * (desc.max - desc.min));
}

float TClapPlugin::NormalizedOf(clap_id id, double plain) const {
  if (!IsTag(id)) return 0;
  const TParamInfo desc = plugin->ParamInfo(static_cast<int>(id));
  if (desc.max == desc.min) return 0;
  return static_cast<float>(std::clamp((plain - desc.min) / (desc.max - desc.min), 0.0, 1.0));
}
