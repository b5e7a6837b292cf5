// Loading a module with dlopen and playing the host for one effect.
#include "tools/render/PluginHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

#include "tools/render/ToolError.h"

namespace {

// The effect calls back before its entry point has handed us its record (it asks for the
// host version first), so the instance being created is found here until then.
thread_local THostedPlugin* tCreating = nullptr;

// The last: the tool loads the bank it plays itself, so a fresh instance keeps the plug-in's
// default programs instead of the factory bank.
const char* const kHostCanDo[] = {"sendVstEvents", "sendVstMidiEvent",   "receiveVstEvents", "receiveVstMidiEvent",
                                  "sendVstTimeInfo", "moltrinNoFactoryBank"};

}  // namespace

TPluginModule::TPluginModule(const std::string& p) : path(p) {
  handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    throw FileError(path, std::string("cannot load the plug-in module (") + (reason ? reason : "unknown reason") + ")");
  }
  void* symbol = dlsym(handle, "VSTPluginMain");
  if (symbol == nullptr) {
    dlclose(handle);
    throw FileError(path, "not a VST plug-in (no VSTPluginMain entry point)");
  }
  entry = reinterpret_cast<Entry>(symbol);
}

TPluginModule::~TPluginModule() { dlclose(handle); }

THostedPlugin::THostedPlugin(const TPluginModule& module, int rate, int frames)
    : sampleRate(rate), blockSize(frames) {
  tCreating = this;
  effect = module.EntryPoint()(&THostedPlugin::HostCallback);
  tCreating = nullptr;
  if (effect == nullptr) throw FileError(module.Path(), "the plug-in refused to start");
  if (effect->magic != kEffectMagic || effect->dispatcher == nullptr || effect->processReplacing == nullptr)
    throw FileError(module.Path(), "the entry point did not return a VST effect");
  effect->resvd1 = reinterpret_cast<VstIntPtr>(this);

  const int pins = std::clamp(std::max(effect->numInputs, effect->numOutputs), 0, 64);
  audio.assign(static_cast<size_t>(std::max(pins, 1)) * blockSize * 2, 0.0f);
  for (int i = 0; i < std::clamp(effect->numInputs, 0, 64); ++i) inputs.push_back(audio.data() + i * blockSize);
  for (int i = 0; i < std::clamp(effect->numOutputs, 0, 64); ++i)
    outputs.push_back(audio.data() + (static_cast<size_t>(pins) + i) * blockSize);
  inputs.push_back(nullptr);
  outputs.push_back(nullptr);

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

VstIntPtr THostedPlugin::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void THostedPlugin::SetChunk(std::span<const uint8_t> chunk, bool isPreset) {
  // The plug-in copies the chunk; it takes a non-const pointer only by the interface's age.
  Dispatch(effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(chunk.size()), const_cast<uint8_t*>(chunk.data()));
}

std::vector<uint8_t> THostedPlugin::Chunk(bool isPreset) {
  void* data = nullptr;
  const VstIntPtr size = Dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
  if (data == nullptr || size <= 0) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return {bytes, bytes + size};
}

void THostedPlugin::SetProgram(int program) { Dispatch(effSetProgram, 0, program); }

std::string THostedPlugin::ProgramName(int program) {
  char name[256] = {};  // hosts give at least 64 bytes; more costs nothing
  Dispatch(effGetProgramNameIndexed, program, 0, name);
  name[sizeof name - 1] = 0;
  return name;
}

int THostedPlugin::Program() { return static_cast<int>(Dispatch(effGetProgram)); }

void THostedPlugin::SetParameter(int index, float value) { effect->setParameter(effect, index, value); }

float THostedPlugin::Parameter(int index) { return effect->getParameter(effect, index); }

void THostedPlugin::SendEvents(std::span<VstMidiEvent> events) {
  constexpr size_t kListSize = 2048;
  for (size_t first = 0; first < events.size(); first += kListSize) {
    const size_t n = std::min(kListSize, events.size() - first);
    for (size_t i = 0; i < n; ++i) eventList.events[i] = reinterpret_cast<VstEvent*>(&events[first + i]);
    eventList.numEvents = static_cast<VstInt32>(n);
    Dispatch(effProcessEvents, 0, 0, eventList.AsVstEvents());
  }
}

void THostedPlugin::Process(int64_t start) {
  blockStart = start;
  const size_t before = sent.size();
  effect->processReplacing(effect, inputs.data(), outputs.data(), blockSize);
  // A block's events in the order of their frames, those of one frame as they were sent.
  std::stable_sort(sent.begin() + static_cast<std::ptrdiff_t>(before), sent.end(),
                   [](const TSentEvent& a, const TSentEvent& b) { return a.sample < b.sample; });
}

void THostedPlugin::Collect(const VstEvents* events) {
  if (events == nullptr) return;
  VstEvent* const* list = EventPointers(events);
  for (VstInt32 i = 0; i < events->numEvents; ++i) {
    const VstEvent* e = list[i];
    if (e == nullptr || e->type != kVstMidiType) continue;
    const auto* midi = reinterpret_cast<const VstMidiEvent*>(e);
    TSentEvent s;
    s.sample = blockStart + std::clamp<VstInt32>(midi->deltaFrames, 0, blockSize > 0 ? blockSize - 1 : 0);
    std::memcpy(s.data, midi->midiData, 3);
    sent.push_back(s);
  }
}

VstIntPtr THostedPlugin::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                      float opt) {
  THostedPlugin* host = tCreating;
  if (effect != nullptr && effect->resvd1 != 0) host = reinterpret_cast<THostedPlugin*>(effect->resvd1);
  if (opcode == audioMasterVersion) return kHostVersion;
  if (host == nullptr) return 0;
  return host->Answer(opcode, index, value, ptr, opt);
}

VstIntPtr THostedPlugin::Answer(VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  switch (opcode) {
    case audioMasterGetTime: return reinterpret_cast<VstIntPtr>(&timeInfo);
    case audioMasterProcessEvents: Collect(static_cast<const VstEvents*>(ptr)); return 1;
    case audioMasterGetSampleRate: return sampleRate;
    case audioMasterGetBlockSize: return blockSize;
    case audioMasterGetVendorString:
    case audioMasterGetProductString:
      if (ptr != nullptr) std::strcpy(static_cast<char*>(ptr), "moltrin-render");
      return 1;
    case audioMasterCanDo:
      if (ptr == nullptr) return 0;
      for (const char* s : kHostCanDo)
        if (std::strcmp(static_cast<const char*>(ptr), s) == 0) return 1;
      return 0;
    default: return 0;
  }
}
