// The module's only export: clap_entry, with the factory of its one plug-in.
#include <clap/entry.h>
#include <clap/plugin-factory.h>
#include <clap/plugin-features.h>
#include <clap/version.h>

#include <cstring>

#include "editor/PlugEditorForm.h"
#include "host/clap/ClapBoundary.h"
#include "host/clap/ClapPlugin.h"

namespace {

// Floating-point faults never raise inside the plug-in: masked on the loading thread here,
// and around every entry by TFpuGuard for the threads the host calls us on.
const bool gFpMasked = (MaskFpExceptions(), true);

constexpr const char* kPluginId = "org.moltrin.arpeggiator";
const char* kFeatures[] = {CLAP_PLUGIN_FEATURE_NOTE_EFFECT, CLAP_PLUGIN_FEATURE_UTILITY, nullptr};

const clap_plugin_descriptor_t kDescriptor = {
    CLAP_VERSION_INIT,
    kPluginId,
    TPlugin::Identity().EffectName,
    TPlugin::Identity().VendorString,
    "",
    "",
    "",
    MOLTRIN_VERSION,
    "MIDI pattern arpeggiator and step sequencer",
    kFeatures,
};

const clap_plugin_factory_t kFactory = {
    [](const clap_plugin_factory_t*) -> uint32_t { return 1; },
    [](const clap_plugin_factory_t*, uint32_t index) -> const clap_plugin_descriptor_t* {
      return index == 0 ? &kDescriptor : nullptr;
    },
    [](const clap_plugin_factory_t*, const clap_host_t* host, const char* id) -> const clap_plugin_t* {
      (void)gFpMasked;
      return Guarded(static_cast<const clap_plugin_t*>(nullptr), [&]() -> const clap_plugin_t* {
        if (host == nullptr || id == nullptr || std::strcmp(id, kPluginId) != 0 ||
            !clap_version_is_compatible(host->clap_version))
          return nullptr;
        // Lives until the host calls destroy.
        return (new TClapPlugin(host, &kDescriptor, &TPlugForm::Create))->Record();
      });
    },
};

}  // namespace

extern "C" CLAP_EXPORT const clap_plugin_entry_t clap_entry = {
    CLAP_VERSION_INIT,
    [](const char*) { return true; },
    []() {},
    [](const char* id) -> const void* {
      return id != nullptr && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
    },
};
