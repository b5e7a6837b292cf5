#pragma once
// The host side of one VST 2.x effect, as every host of this project needs it: the effect is
// made through a module's entry point with this host's callback, its calls back reach the
// object that made it, and the calls a host makes (dispatcher, parameters, texts, chunks, event
// lists, blocks) are one line each. What a host answers beyond the time information, its
// version and its capabilities is its own: subclasses extend Answer and see what the effect
// sends in Received.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "host/vst2/VstAbi.h"
#include "hosts/vst2/ModuleFile.h"

namespace vst2host {

// The capability text with which a host asks a fresh instance for the plug-in's plain default
// programs instead of the factory bank beside the module; hosts made for tests and tools answer
// audioMasterCanDo with this.
constexpr const char* kNoFactoryBank = "moltrinNoFactoryBank";
// 1 when `text` is that question and the host wants no factory bank, else 0.
VstIntPtr AnswerFactoryBankQuestion(const void* text, bool factoryBank);

// Each MIDI event of a list the effect sent (other kinds and null entries skipped).
template <class F> void ForEachMidiEvent(const VstEvents* list, F&& f) {
  if (list == nullptr) return;
  VstEvent* const* pointers = EventPointers(list);
  for (VstInt32 i = 0; i < list->numEvents; ++i) {
    const VstEvent* e = pointers[i];
    if (e != nullptr && e->type == kVstMidiType) f(*reinterpret_cast<const VstMidiEvent*>(e));
  }
}

class EffectHost {
 public:
  explicit EffectHost(VstInt32 version = 2400) : version(version) {}
  virtual ~EffectHost() = default;  // closes nothing: each host ends its effect its own way
  EffectHost(const EffectHost&) = delete;
  EffectHost& operator=(const EffectHost&) = delete;

  // Calls the entry with this host's callback. Null when the entry refuses (see LastError).
  AEffect* Create(EntryProc entry);
  AEffect* Effect() const { return effect; }
  const std::string& LastError() const { return error; }
  // effClose; the effect is gone afterwards. Answers the dispatcher's result.
  VstIntPtr Close();

  // The dispatcher; answers 0 without an effect.
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);

  // ---- Parameters, programs and texts.
  void SetParam(VstInt32 index, float value);
  float GetParam(VstInt32 index);
  // Runs a text opcode into a fresh buffer pre-filled with `fill` and answers the text. The
  // buffer is larger than any text the plug-in may write, so an overlong write shows.
  std::string Text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, char fill = 0);
  std::string ProgramNameIndexed(VstInt32 index) { return Text(effGetProgramNameIndexed, index); }
  VstIntPtr Program() { return Dispatch(effGetProgram); }
  void SetProgram(VstIntPtr program) { Dispatch(effSetProgram, 0, program); }

  // ---- Chunks. The effect gets a copy it may read while the call lasts, never ours to keep.
  std::vector<uint8_t> GetChunk(bool preset);
  VstIntPtr SetChunk(std::span<const uint8_t> bytes, bool preset);

  // ---- MIDI in: the events in order, in lists of at most `perList` (0: all in one list), one
  // effProcessEvents call per list. Answers the last call's result.
  VstIntPtr SendEvents(std::span<VstMidiEvent> events, size_t perList = 0);

  // ---- A block: processReplacing (or process) over `frames` frames, with silent buffers for
  // every pin the effect has (two at least).
  void Process(int frames, bool replacing = true);

  // What the effect reads on audioMasterGetTime, filled by the host before each block.
  VstTimeInfo timeInfo{};
  bool timeAvailable = true;  // false: audioMasterGetTime answers null
  // audioMasterCanDo: these texts are answered 1, and the factory bank question as above.
  std::vector<std::string> capabilities;
  // Whether an instance this host creates starts with the factory bank beside the module, as in
  // any other host (set before Create).
  bool factoryBank = false;
  // The answer to audioMasterProcessEvents.
  VstIntPtr processEventsAnswer = 1;
  // How the host answers audioMasterSizeWindow (the editor asks for width x height): with what
  // this returns, 1 when it gave its window that size; none answers 0, a host that cannot.
  std::function<VstIntPtr(int width, int height)> sizeWindow;

 protected:
  // The host's answer to one call back. This one answers the version, the time information,
  // capabilities and sent events (each MIDI event to Received); everything else 0.
  virtual VstIntPtr Answer(AEffect* from, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  virtual void Received(const VstMidiEvent& /*event*/) {}

  VstInt32 version;
  std::string error;

 private:
  static VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                            float opt);

  AEffect* effect = nullptr;
  std::vector<float> audio;  // silent buffers, one per pin and direction, `stride` frames each
  size_t stride = 0;
  std::vector<float*> inputs, outputs;
};

}  // namespace vst2host
