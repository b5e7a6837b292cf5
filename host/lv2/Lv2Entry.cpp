// The bundle's binary exports two entries: lv2_descriptor for the plug-in and lv2ui_descriptor
// for its UI. The UI lives in the same binary because it works on the instance itself
// (instance-access): one copy of the engine's code serves both.
#include <lv2/core/lv2.h>

#include <cstring>

#include "host/lv2/Lv2Plugin.h"
#include "host/lv2/Lv2Ui.h"
#include "host/lv2/Lv2Uris.h"
#include "host/boundary/FpuGuard.h"

namespace {

const bool gFpMasked = (MaskFpExceptions(), true);

TLv2Plugin* Of(LV2_Handle handle) { return static_cast<TLv2Plugin*>(handle); }

LV2_Handle Instantiate(const LV2_Descriptor* /*descriptor*/, double rate, const char* bundle,
                       const LV2_Feature* const* features) {
  (void)gFpMasked;
  const TFpuGuard fpu;
  try {
    return TLv2Plugin::Create(rate, bundle, features);
  } catch (...) {
    return nullptr;
  }
}

void Connect(LV2_Handle handle, uint32_t port, void* data) { Of(handle)->Connect(port, data); }

void Activate(LV2_Handle handle) { Of(handle)->Activate(); }

void Run(LV2_Handle handle, uint32_t frames) {
  const TFpuGuard fpu;
  Of(handle)->Run(frames);
}

void Deactivate(LV2_Handle handle) { Of(handle)->Deactivate(); }

void Cleanup(LV2_Handle handle) {
  const TFpuGuard fpu;
  delete Of(handle);
}

LV2_State_Status Save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t /*flags*/,
                      const LV2_Feature* const* /*features*/) {
  const TFpuGuard fpu;
  try {
    return Of(handle)->Save(store, state);
  } catch (...) {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

LV2_State_Status Restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state,
                         uint32_t /*flags*/, const LV2_Feature* const* /*features*/) {
  const TFpuGuard fpu;
  try {
    return Of(handle)->Restore(retrieve, state);
  } catch (...) {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

uint32_t GetOptions(LV2_Handle /*handle*/, LV2_Options_Option* /*options*/) { return LV2_OPTIONS_ERR_UNKNOWN; }

uint32_t SetOptions(LV2_Handle handle, const LV2_Options_Option* options) {
  const TFpuGuard fpu;
  return Of(handle)->SetOptions(options);
}

const void* ExtensionData(const char* uri) {
  static const LV2_State_Interface state{Save, Restore};
  static const LV2_Options_Interface options{GetOptions, SetOptions};
  if (uri == nullptr) return nullptr;
  if (std::strcmp(uri, LV2_STATE__interface) == 0) return &state;
  if (std::strcmp(uri, LV2_OPTIONS__interface) == 0) return &options;
  return nullptr;
}

const LV2_Descriptor kDescriptor{MOLTRIN_LV2_URI, Instantiate, Connect,  Activate,
                                 Run,             Deactivate,  Cleanup, ExtensionData};

}  // namespace

extern "C" {

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) { return index == 0 ? &kDescriptor : nullptr; }

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? MoltrinUiDescriptor() : nullptr;
}

}
