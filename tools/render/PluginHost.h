#pragma once
// The render tool's host: the module loaded through its entry point, one effect opened for
// processing, its time information filled by the renderer from the song's tempo map, and what
// it sends kept at the sample position it gave it.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "hosts/vst2/EffectHost.h"

// The entry point of a plug-in module, loaded for the rest of the process.
class TPluginModule {
 public:
  explicit TPluginModule(const std::string& path);  // throws TToolError naming the path
  const std::string& Path() const { return path; }
  vst2host::EntryProc EntryPoint() const { return entry; }

 private:
  std::string path;
  vst2host::EntryProc entry = nullptr;
};

// One MIDI event the plug-in sent, on the frame it gave it in the block in which it sent it.
struct TSentEvent {
  int64_t sample = 0;
  uint8_t data[3] = {};
};

constexpr VstInt32 kHostVersion = 2400;

class THostedPlugin : public vst2host::EffectHost {
 public:
  // Events reach the plug-in in lists of at most this many.
  static constexpr size_t kEventsPerList = 2048;

  // Creates the effect and opens it for processing at this rate and block size.
  THostedPlugin(const TPluginModule& module, int sampleRate, int blockSize);
  ~THostedPlugin() override;

  // One block: the events that reach it before processing (SendEvents, in lists of
  // kEventsPerList), the time information in timeInfo, then processReplacing. What the plug-in
  // sends in the block is kept in the order of its frames.
  void SendEvents(std::span<VstMidiEvent> events) { EffectHost::SendEvents(events, kEventsPerList); }
  void Process(int64_t blockStart);

  const std::vector<TSentEvent>& Sent() const { return sent; }
  std::vector<TSentEvent>& Sent() { return sent; }

 protected:
  VstIntPtr Answer(AEffect* from, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
  void Received(const VstMidiEvent& event) override;

 private:
  int sampleRate;
  int blockSize;
  int64_t blockStart = 0;  // events sent outside a block take the start of the next one
  std::vector<TSentEvent> sent;
};
