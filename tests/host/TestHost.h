#pragma once
// A small VST 2.x host for tests, benchmarks and tools. It loads the built module through its
// exported entry point, answers the host callback (version, time info) and records every
// callback the plug-in makes: automation, outgoing MIDI (copied when the host receives it),
// display updates and MIDI requests. Helpers dispatch opcodes, send MIDI lists and run blocks
// against a scripted transport clock.
//
//   Host h;
//   AEffect* fx = h.Load();          // null when the module or its entry cannot be had
//   h.Start();                       // effOpen, sample rate, block size, resume
//   h.SendMidi({NoteOn(0, 60, 100)});
//   h.PlayBlocks(8);                 // transport playing, 8 blocks of h.blockSize frames
//   for (const MidiOut& m : h.MidiOutEvents()) ...
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "host/vst2/VstAbi.h"

namespace testhost {

using EntryProc = AEffect* (*)(audioMasterCallback);

// The capability text with which a host asks a fresh instance for the plug-in's plain default
// programs instead of the factory bank beside the module; a lean host of a test answers
// audioMasterCanDo with this.
inline VstIntPtr AnswerFactoryBankQuestion(const void* text, bool factoryBank) {
  return text != nullptr && std::strcmp(static_cast<const char*>(text), "moltrinNoFactoryBank") == 0 && !factoryBank
             ? 1
             : 0;
}

// The module under test: MOLTRIN_MODULE_PATH on Linux; on Windows the MOLTRIN_MODULE
// environment variable, else moltrin.dll beside the running program.
std::string DefaultModulePath();
// Loads a module once per process and answers its entry (VSTPluginMain), or null.
// `error` receives a reason on failure.
EntryProc LoadEntry(const std::string& path, std::string* error = nullptr, const char* name = "VSTPluginMain");

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
};

// Any callback, as the plug-in made it.
struct Callback {
  VstInt32 opcode = 0;
  VstInt32 index = 0;
  VstIntPtr value = 0;
  float opt = 0;
  bool withEffect = false;  // the plug-in passed an effect record (false for the first version call)
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

class Host {
 public:
  explicit Host(VstInt32 version = 2400, std::string modulePath = DefaultModulePath());
  // A host for an entry linked into the test itself (no module is loaded).
  Host(EntryProc entry, VstInt32 version = 2400);
  ~Host();  // closes the effect if it is still open
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Calls the entry point with this host's callback. Null when the module cannot be loaded
  // (see LastError) or the entry refuses.
  AEffect* Load();
  // Load, then effOpen, sample rate, block size and resume, as a host does.
  AEffect* Start(float sampleRate = 44100.0f, int blockSize = 512);
  AEffect* Effect() const { return effect; }
  const std::string& LastError() const { return error; }
  // effClose; the effect is gone afterwards. Answers the dispatcher's result.
  VstIntPtr Close();

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);

  // ---- Parameters and texts.
  void SetParam(VstInt32 index, float value);
  float GetParam(VstInt32 index);
  // Runs a text opcode into a fresh buffer pre-filled with `fill` and answers the text.
  std::string Text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, char fill = 0);
  std::string ParamName(VstInt32 index) { return Text(effGetParamName, index); }
  std::string ParamDisplay(VstInt32 index) { return Text(effGetParamDisplay, index); }
  std::string ProgramName() { return Text(effGetProgramName); }
  std::string ProgramNameIndexed(VstInt32 index) { return Text(effGetProgramNameIndexed, index); }
  VstIntPtr CanDo(const char* text) { return Dispatch(effCanDo, 0, 0, const_cast<char*>(text)); }
  VstIntPtr Program() { return Dispatch(effGetProgram); }
  void SetProgram(VstIntPtr program) { Dispatch(effSetProgram, 0, program); }

  // ---- Chunks.
  std::vector<uint8_t> GetChunk(bool preset);
  VstIntPtr SetChunk(const std::vector<uint8_t>& bytes, bool preset);

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

  // Whether the host answers audioMasterProcessEvents with 1 (default) or something else.
  VstIntPtr processEventsAnswer = 1;
  // How the host answers audioMasterSizeWindow (the editor asks for width x height): with what
  // this returns, 1 when it gave its window that size; none answers 0, a host that cannot.
  std::function<VstIntPtr(int width, int height)> sizeWindow;
  // Whether an instance this host creates (set before Load) starts with the factory bank beside
  // the module, as in any other host; tests that expect a fresh instance's defaults ask it for
  // none (the default).
  bool factoryBank = false;

 private:
  static VstIntPtr Callback_(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                             void* ptr, float opt);
  VstIntPtr OnCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                       float opt);
  void FillTimeInfo();

  VstInt32 version;
  std::string modulePath;
  EntryProc linkedEntry = nullptr;
  std::string error;
  AEffect* effect = nullptr;
  VstTimeInfo timeInfo{};
  bool lastPlaying = false;
  int blocksRun = 0;
  int currentBlock = 0;
  std::vector<float> outBuffer;

  mutable std::mutex recordLock;  // the plug-in may call back from any thread
  std::vector<Callback> callbacks;
  std::vector<Automation> automations;
  std::vector<MidiOut> midiOut;
  int updateDisplays = 0;
  std::vector<VstIntPtr> wantMidi;
  int processEventsCalls = 0;
};

}  // namespace testhost
