#pragma once
// The host side of the VST 2.x interface: loads a plug-in module through its exported
// entry point, opens one effect, answers its calls back, and runs it block by block.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/vst2/VstAbi.h"

// A shared object loaded for as long as this lives.
class TPluginModule {
 public:
  using Entry = AEffect* (*)(audioMasterCallback);
  explicit TPluginModule(const std::string& path);  // throws TToolError naming the path
  ~TPluginModule();
  TPluginModule(const TPluginModule&) = delete;
  TPluginModule& operator=(const TPluginModule&) = delete;

  const std::string& Path() const { return path; }
  Entry EntryPoint() const { return entry; }

 private:
  std::string path;
  void* handle = nullptr;
  Entry entry = nullptr;
};

// One MIDI event the plug-in sent, on the frame it gave it in the block in which it sent it.
struct TSentEvent {
  int64_t sample = 0;
  uint8_t data[3] = {};
};

constexpr VstInt32 kHostVersion = 2400;

class THostedPlugin {
 public:
  // Creates the effect and opens it for processing at this rate and block size.
  THostedPlugin(const TPluginModule& module, int sampleRate, int blockSize);
  ~THostedPlugin();
  THostedPlugin(const THostedPlugin&) = delete;
  THostedPlugin& operator=(const THostedPlugin&) = delete;

  AEffect& Effect() { return *effect; }
  int NumParams() const { return effect->numParams; }
  int NumPrograms() const { return effect->numPrograms; }

  void SetChunk(std::span<const uint8_t> chunk, bool isPreset);
  std::vector<uint8_t> Chunk(bool isPreset);  // a copy of what the plug-in hands out
  void SetProgram(int program);
  int Program();
  std::string ProgramName(int program);
  void SetParameter(int index, float value);
  float Parameter(int index);

  // One block: the time information the plug-in will ask for, the events that reach it
  // before processing (handed over in lists of at most 2048), then processReplacing. What the
  // plug-in sends in the block is kept in the order of its frames.
  VstTimeInfo& Time() { return timeInfo; }
  void SendEvents(std::span<VstMidiEvent> events);
  void Process(int64_t blockStart);

  const std::vector<TSentEvent>& Sent() const { return sent; }
  std::vector<TSentEvent>& Sent() { return sent; }

 private:
  static VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt);
  VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  void Collect(const VstEvents* events);
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0);

  AEffect* effect = nullptr;
  int sampleRate;
  int blockSize;
  VstTimeInfo timeInfo{};
  int64_t blockStart = 0;  // events sent outside a block take the start of the next one
  std::vector<TSentEvent> sent;
  std::vector<float> audio;  // one buffer per pin, never read
  std::vector<float*> inputs, outputs;
  VstEventsFixed<2048> eventList;
};
