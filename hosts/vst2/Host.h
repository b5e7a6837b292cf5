#pragma once
// The host the tests, benchmarks and inspect play the module with. It loads the module through
// its exported entry point, answers the host callback (version, time information) and records
// every callback the plug-in makes: automation, outgoing MIDI (copied when the host receives
// it), display updates and MIDI requests. Helpers send MIDI lists and run blocks against a
// scripted transport clock.
//
//   Host h;
//   AEffect* fx = h.Load();          // null when the module or its entry cannot be had
//   h.Start();                       // effOpen, sample rate, block size, resume
//   h.SendMidi({NoteOn(0, 60, 100)});
//   h.PlayBlocks(8);                 // transport playing, 8 blocks of h.blockSize frames
//   for (const MidiOut& m : h.MidiOutEvents()) ...
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hosts/vst2/EffectHost.h"

namespace vst2host {

// One incoming MIDI message as a test writes it.
struct MidiIn {
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;
  int32_t deltaFrames = 0;
  int32_t type = kVstMidiType;  // anything else stands for a non-MIDI event
};
inline MidiIn NoteOn(int channel, int note, int velocity) {
  return {static_cast<uint8_t>(0x90 | (channel & 15)), static_cast<uint8_t>(note), static_cast<uint8_t>(velocity)};
}
inline MidiIn NoteOff(int channel, int note, int velocity = 0) {
  return {static_cast<uint8_t>(0x80 | (channel & 15)), static_cast<uint8_t>(note), static_cast<uint8_t>(velocity)};
}
inline MidiIn Controller(int channel, int number, int value) {
  return {static_cast<uint8_t>(0xB0 | (channel & 15)), static_cast<uint8_t>(number), static_cast<uint8_t>(value)};
}
inline MidiIn ProgramChange(int channel, int program) {
  return {static_cast<uint8_t>(0xC0 | (channel & 15)), static_cast<uint8_t>(program), 0};
}
inline MidiIn SysEx() { return {0xF0, 0, 0, 0, kVstSysExType}; }

// One event the plug-in sent, copied when the host received it.
struct MidiOut {
  int block = 0;  // index of the block (0 = the first RunBlock) whose send carried it
  int32_t deltaFrames = 0;
  uint8_t bytes[3] = {};
  // type kVstMidiType, byteSize 24 and every field but the three bytes and delta zero
  bool wellFormed = false;
  int Status() const { return bytes[0] & 0xF0; }
  int Channel() const { return bytes[0] & 0x0F; }
  bool IsNoteOn() const { return Status() == 0x90 && bytes[2] != 0; }
  bool IsNoteOff() const { return Status() == 0x80 || (Status() == 0x90 && bytes[2] == 0); }
};

struct Automation {
  int index = 0;
  float value = 0;
  float plugInValue = 0;  // what getParameter answered while the host heard of the change
};

// Any callback, as the plug-in made it.
struct Callback {
  VstInt32 opcode = 0;
  VstInt32 index = 0;
  VstIntPtr value = 0;
  float opt = 0;
  bool withEffect = false;  // the plug-in passed an effect record (false for the first version call)
  std::thread::id thread;   // the thread the plug-in called from
};

// The transport the host reports. The clock moves on after every block while playing:
// ppq += frames / sampleRate * tempo / 60, samplePos += frames.
struct Transport {
  bool available = true;  // false: audioMasterGetTime answers null
  bool playing = false;
  double ppq = 0;
  double tempo = 120;
  double sampleRate = 44100;
  double samplePos = 0;
  double cycleStart = 0;
  double cycleEnd = 0;
  VstInt32 extraFlags = 0;  // more flag bits to report (cycle active, ...)
};

class Host : public EffectHost {
 public:
  explicit Host(VstInt32 version = 2400, std::string modulePath = DefaultModulePath());
  // A host for an entry linked into the program itself (no module is loaded).
  Host(EntryProc entry, VstInt32 version = 2400);
  ~Host() override;  // closes the effect if it is still open

  // Calls the entry point with this host's callback. Null when the module cannot be loaded
  // (see LastError) or the entry refuses.
  AEffect* Load();
  // Load, then effOpen, sample rate, block size and resume, as a host does.
  AEffect* Start(float sampleRate = 44100.0f, int blockSize = 512);

  std::string ParamName(VstInt32 index) { return Text(effGetParamName, index); }
  std::string ParamDisplay(VstInt32 index) { return Text(effGetParamDisplay, index); }
  std::string ProgramName() { return Text(effGetProgramName); }
  VstIntPtr CanDo(const char* text) { return Dispatch(effCanDo, 0, 0, const_cast<char*>(text)); }

  // ---- MIDI in: one effProcessEvents list with the events in order.
  VstIntPtr SendMidi(std::initializer_list<MidiIn> events);
  VstIntPtr SendMidi(const std::vector<MidiIn>& events);

  // ---- Blocks.
  Transport transport;
  int blockSize = 512;
  // processReplacing (or process) with `frames` frames, then the clock moves on.
  void RunBlock(int frames, bool replacing = true);
  void RunBlocks(int count, int frames = -1);
  // Transport playing, then `count` blocks.
  void PlayBlocks(int count, int frames = -1);
  void Stop() { transport.playing = false; }
  int BlocksRun() const { return blocksRun; }

  // ---- Records of the plug-in's callbacks.
  std::vector<Callback> Callbacks() const;
  std::vector<Callback> CallbacksOf(VstInt32 opcode) const;
  std::vector<Automation> Automations() const;
  std::vector<MidiOut> MidiOutEvents() const;
  int UpdateDisplays() const;
  std::vector<VstIntPtr> WantMidiValues() const;
  int ProcessEventsCalls() const;  // audioMasterProcessEvents calls
  void ClearRecords();

 protected:
  VstIntPtr Answer(AEffect* from, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
  void Received(const VstMidiEvent& event) override;

 private:
  void FillTimeInfo();

  std::string modulePath;
  EntryProc linkedEntry = nullptr;
  bool lastPlaying = false;
  int blocksRun = 0;
  int currentBlock = 0;

  mutable std::mutex recordLock;  // the plug-in may call back from any thread
  std::vector<Callback> callbacks;
  std::vector<Automation> automations;
  std::vector<MidiOut> midiOut;
  int updateDisplays = 0;
  std::vector<VstIntPtr> wantMidi;
  int processEventsCalls = 0;
};

}  // namespace vst2host
