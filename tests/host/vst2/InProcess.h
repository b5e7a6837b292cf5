#pragma once
// The plug-in object linked into the test, reached through the same host as the module.
#include "engine/PlugCore.h"
#include "host/vst2/VSTPlugin.h"
#include "hosts/vst2/Host.h"

namespace inprocess {

// What the module's entry does, without loading the module.
// What the module's entry does with a form class of the test's (null: no editor window).
template <TEditorFormClass FormClass>
AEffect* LinkedEntryWith(audioMasterCallback audioMaster) {
  if (audioMaster == nullptr || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  return (new TVSTPlugin(audioMaster, FormClass))->getAeffect();
}
inline AEffect* LinkedEntry(audioMasterCallback audioMaster) { return LinkedEntryWith<nullptr>(audioMaster); }

inline TVSTPlugin& PluginOf(AEffect* effect) {
  return *static_cast<TVSTPlugin*>(static_cast<AudioEffect*>(effect->object));
}

// The engine behind the plug-in object's face, as its editor form binds to it.
inline TPlugCore& EngineOf(AEffect* effect) { return *PluginOf(effect).Face().EditorEngine(); }

}  // namespace inprocess
