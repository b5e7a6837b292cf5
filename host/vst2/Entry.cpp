// The module's only exports: VSTPluginMain and its alias main, the names hosts look for.
#include "editor/PlugEditorForm.h"
#include "host/boundary/FpuGuard.h"
#include "host/vst2/VSTPlugin.h"

#if defined(_WIN32)
#define MOLTRIN_EXPORT  // named in exports.def
#else
#define MOLTRIN_EXPORT __attribute__((visibility("default")))
#endif

namespace {
// Floating-point faults never raise inside the plug-in: masked on the loading thread here,
// and around every entry by TFpuGuard for the threads the host calls us on.
const bool gFpMasked = (MaskFpExceptions(), true);
}  // namespace

extern "C" MOLTRIN_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
  (void)gFpMasked;
  TFpuGuard fpu;
  try {
    if (audioMaster == nullptr) return nullptr;
    // A host that does not answer its version is no VST 2.x host.
    if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    auto* plugin = new TVSTPlugin(audioMaster, &TPlugForm::Create);  // lives until the host dispatches effClose
    return plugin->getAeffect();
  } catch (...) {
    return nullptr;
  }
}

#if !defined(_WIN32)
// The older entry name. C++ reserves the name main, so the alias gets it through an asm label;
// on Windows the .def file exports main=VSTPluginMain.
extern "C" MOLTRIN_EXPORT AEffect* MoltrinMainAlias(audioMasterCallback audioMaster)
    __asm__("main") __attribute__((alias("VSTPluginMain")));
#endif
