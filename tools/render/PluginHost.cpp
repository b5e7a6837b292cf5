// The render tool's host on the project's VST 2.x host library.
#include "tools/render/PluginHost.h"

#include <algorithm>
#include <cstring>

#include "tools/common/ToolError.h"

namespace {

// The last: the tool loads the bank it plays itself, so a fresh instance keeps the plug-in's
// default programs instead of the factory bank.
const char* const kHostCanDo[] = {"sendVstEvents", "sendVstMidiEvent",   "receiveVstEvents", "receiveVstMidiEvent",
                                  "sendVstTimeInfo", vst2host::kNoFactoryBank};

}  // namespace

TPluginModule::TPluginModule(const std::string& p) : path(p) {
  std::string reason;
  void* module = vst2host::OpenModule(path, &reason);
  if (module == nullptr) throw FileError(path, "cannot load the plug-in module (" + reason + ")");
  entry = vst2host::FindEntry(module);
  if (entry == nullptr) throw FileError(path, "not a VST plug-in (no VSTPluginMain entry point)");
}

THostedPlugin::THostedPlugin(const TPluginModule& module, int rate, int frames)
    : EffectHost(kHostVersion), sampleRate(rate), blockSize(frames) {
  capabilities.assign(std::begin(kHostCanDo), std::end(kHostCanDo));
  const AEffect* effect = Create(module.EntryPoint());
  if (effect == nullptr) throw FileError(module.Path(), "the plug-in refused to start");
  if (effect->magic != kEffectMagic || effect->dispatcher == nullptr || effect->processReplacing == nullptr)
    throw FileError(module.Path(), "the entry point did not return a VST effect");

  timeInfo.sampleRate = sampleRate;
  timeInfo.tempo = 120;
  timeInfo.timeSigNumerator = 4;
  timeInfo.timeSigDenominator = 4;
  timeInfo.flags = kVstTempoValid | kVstPpqPosValid;

  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effStartProcess);
}

THostedPlugin::~THostedPlugin() {
  Dispatch(effStopProcess);
  Dispatch(effMainsChanged, 0, 0);
  Dispatch(effClose);
}

void THostedPlugin::Process(int64_t start) {
  blockStart = start;
  const size_t before = sent.size();
  EffectHost::Process(blockSize);
  // A block's events in the order of their frames, those of one frame as they were sent.
  std::stable_sort(sent.begin() + static_cast<std::ptrdiff_t>(before), sent.end(),
                   [](const TSentEvent& a, const TSentEvent& b) { return a.sample < b.sample; });
}

void THostedPlugin::Received(const VstMidiEvent& midi) {
  TSentEvent s;
  s.sample = blockStart + std::clamp<VstInt32>(midi.deltaFrames, 0, blockSize > 0 ? blockSize - 1 : 0);
  std::memcpy(s.data, midi.midiData, 3);
  sent.push_back(s);
}

VstIntPtr THostedPlugin::Answer(AEffect* from, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
  switch (opcode) {
    case audioMasterGetSampleRate: return sampleRate;
    case audioMasterGetBlockSize: return blockSize;
    case audioMasterGetVendorString:
    case audioMasterGetProductString:
      if (ptr != nullptr) std::strcpy(static_cast<char*>(ptr), "moltrin-render");
      return 1;
    default: return EffectHost::Answer(from, opcode, index, value, ptr, opt);
  }
}
