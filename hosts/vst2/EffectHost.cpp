#include "hosts/vst2/EffectHost.h"

#include <algorithm>
#include <cstring>

namespace vst2host {

namespace {

// The host whose Create is running on this thread: the effect calls back before the host has
// its record (the version request of the entry and of the object's construction).
thread_local EffectHost* tCreating = nullptr;

}  // namespace

VstIntPtr AnswerFactoryBankQuestion(const void* text, bool factoryBank) {
  return text != nullptr && std::strcmp(static_cast<const char*>(text), kNoFactoryBank) == 0 && !factoryBank ? 1 : 0;
}

AEffect* EffectHost::Create(EntryProc entry) {
  if (entry == nullptr) return nullptr;
  EffectHost* previous = tCreating;
  tCreating = this;
  effect = entry(&EffectHost::HostCallback);
  tCreating = previous;
  if (effect == nullptr) {
    error = "the entry point answered null";
    return nullptr;
  }
  effect->user = this;  // the host's own pointer, as hosts commonly keep it
  return effect;
}

VstIntPtr EffectHost::Close() {
  if (effect == nullptr) return 0;
  VstIntPtr result = effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  effect = nullptr;
  return result;
}

VstIntPtr EffectHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  if (effect == nullptr) return 0;
  if (opcode == effClose) return Close();
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void EffectHost::SetParam(VstInt32 index, float value) {
  if (effect != nullptr) effect->setParameter(effect, index, value);
}

float EffectHost::GetParam(VstInt32 index) { return effect != nullptr ? effect->getParameter(effect, index) : 0.0f; }

std::string EffectHost::Text(VstInt32 opcode, VstInt32 index, VstIntPtr value, char fill) {
  char buffer[1024];
  std::memset(buffer, fill, sizeof buffer);
  buffer[sizeof buffer - 1] = 0;
  Dispatch(opcode, index, value, buffer);
  return std::string(buffer);
}

std::vector<uint8_t> EffectHost::GetChunk(bool preset) {
  void* data = nullptr;
  VstIntPtr size = Dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
  if (data == nullptr || size <= 0) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

VstIntPtr EffectHost::SetChunk(std::span<const uint8_t> bytes, bool preset) {
  std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  return Dispatch(effSetChunk, preset ? 1 : 0, static_cast<VstIntPtr>(copy.size()), copy.data());
}

VstIntPtr EffectHost::SendEvents(std::span<VstMidiEvent> events, size_t perList) {
  const size_t most = perList == 0 ? std::max<size_t>(events.size(), 1) : perList;
  // The list's header and its pointers, made for each call: other threads may send at once.
  std::vector<uint8_t> block(offsetof(VstEvents, events) + sizeof(VstEvent*) * std::max<size_t>(most, 2), 0);
  auto* list = reinterpret_cast<VstEvents*>(block.data());
  auto** pointers = reinterpret_cast<VstEvent**>(block.data() + offsetof(VstEvents, events));
  VstIntPtr result = 0;
  size_t first = 0;
  do {
    const size_t n = std::min(most, events.size() - first);
    for (size_t i = 0; i < n; ++i) pointers[i] = reinterpret_cast<VstEvent*>(&events[first + i]);
    list->numEvents = static_cast<VstInt32>(n);
    result = Dispatch(effProcessEvents, 0, 0, list);
    first += n;
  } while (first < events.size());
  return result;
}

void EffectHost::Process(int frames, bool replacing) {
  if (effect == nullptr) return;
  const size_t pins = static_cast<size_t>(std::max(2, std::clamp(std::max(effect->numInputs, effect->numOutputs), 0, 64)));
  const size_t needed = static_cast<size_t>(std::max(frames, 1));
  if (inputs.size() != pins + 1 || stride < needed) {
    stride = std::max(stride, needed);
    audio.assign(stride * pins * 2, 0.0f);
    inputs.assign(pins + 1, nullptr);  // a null after the last pin
    outputs.assign(pins + 1, nullptr);
    for (size_t i = 0; i < pins; ++i) {
      inputs[i] = audio.data() + stride * i;
      outputs[i] = audio.data() + stride * (pins + i);
    }
  }
  if (replacing)
    effect->processReplacing(effect, inputs.data(), outputs.data(), frames);
  else
    effect->process(effect, inputs.data(), outputs.data(), frames);
}

VstIntPtr EffectHost::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt) {
  EffectHost* host =
      (effect != nullptr && effect->user != nullptr) ? static_cast<EffectHost*>(effect->user) : tCreating;
  if (host == nullptr) return opcode == audioMasterVersion ? 2400 : 0;
  return host->Answer(effect, opcode, index, value, ptr, opt);
}

VstIntPtr EffectHost::Answer(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float) {
  switch (opcode) {
    case audioMasterVersion: return version;
    case audioMasterGetTime: return timeAvailable ? reinterpret_cast<VstIntPtr>(&timeInfo) : 0;
    case audioMasterProcessEvents:
      ForEachMidiEvent(static_cast<const VstEvents*>(ptr), [this](const VstMidiEvent& e) { Received(e); });
      return processEventsAnswer;
    case audioMasterCanDo:
      if (ptr == nullptr) return 0;
      for (const std::string& text : capabilities)
        if (text == static_cast<const char*>(ptr)) return 1;
      return AnswerFactoryBankQuestion(ptr, factoryBank);
    case audioMasterSizeWindow: return sizeWindow ? sizeWindow(index, static_cast<int>(value)) : 0;
    default: return 0;
  }
}

}  // namespace vst2host
