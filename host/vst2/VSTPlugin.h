#pragma once
// TVSTPlugin: one plug-in instance. It owns the engine and the editor host, sets the effect
// record's identity and capabilities, turns the host's parameter, program and chunk requests
// into engine operations, and bridges MIDI and block timing between host and engine.
#include <array>
#include <cstdint>
#include <memory>

#include "engine/Hook.h"
#include "engine/PlugCore.h"
#include "host/vst2/AudioEffectX.h"
#include "host/vst2/VSTEditor.h"

constexpr int kOutEventRecords = 2048;
constexpr int kMaxInEventsPerBlock = 4096;  // incoming MIDI events kept for one block
constexpr int kMaxOutEventsPerBlock = kOutEventRecords - 1;
// What the engine asks the host's clock for: transport changed and playing, ppq position,
// tempo and cycle positions.
constexpr VstInt32 kTimeInfoFilter =
    kVstTransportChanged | kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstCyclePosValid;
// A fresh instance starts with the factory bank beside the module, unless its host answers 1 to
// this capability text: tools and tests that choose every program themselves ask for the
// plug-in's plain defaults this way.
constexpr const char* kNoFactoryBankCanDo = "moltrinNoFactoryBank";

class TVSTPlugin : public AudioEffectX {
 public:
  // `formClass` makes the editor's form; null for a plug-in without an editor window.
  TVSTPlugin(audioMasterCallback audioMaster, TEditorFormClass formClass);
  ~TVSTPlugin() override;

  // ---- Parameters (any thread).
  void setParameter(VstInt32 index, float value) override;
  float getParameter(VstInt32 index) override;
  void getParameterLabel(VstInt32 index, char* label) override;
  void getParameterDisplay(VstInt32 index, char* text) override;
  void getParameterName(VstInt32 index, char* text) override;
  bool canParameterBeAutomated(VstInt32 index) override;
  bool string2parameter(VstInt32 index, char* text) override;

  // ---- Programs and chunks (user-interface thread).
  VstInt32 getProgram() override;
  void setProgram(VstInt32 program) override;
  void setProgramName(char* name) override;
  void getProgramName(char* name) override;
  bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
  bool copyProgram(VstInt32 destination) override;
  VstInt32 getChunk(void** data, bool isPreset) override;
  VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;

  // ---- Processing (audio thread).
  void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
  void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
  VstInt32 processEvents(VstEvents* events) override;

  // ---- State and editor (user-interface thread).
  void suspend() override;
  void resume() override;
  VstInt32 getEditorRect(ERect** rect) override;

  // ---- Identity and capabilities.
  bool getInputProperties(VstInt32 index, VstPinProperties* properties) override;
  bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
  VstInt32 getPlugCategory() override;
  bool setBypass(bool on) override;
  bool getEffectName(char* name) override;
  bool getVendorString(char* text) override;
  bool getProductString(char* text) override;
  VstInt32 getVendorVersion() override;
  VstInt32 canDo(const char* text) override;

  TPlugCore& Core() { return *core; }

 private:
  void LoadFactoryBank();
  void RunBlock(VstInt32 sampleFrames);
  void TakeInputNow();
  void FlushOutEvents();
  void EditIdle(TEditorForm& form);

  // Engine hooks (the bridge's host side).
  static bool HookGetTimeInfo(void* self, THostTime& time);  // audio thread
  static void HookSendMidi(void* self, uint8_t message, uint8_t channel, uint8_t data1, uint8_t data2,
                           int32_t deltaFrames);                                       // audio thread
  static void HookParamAutomate(void* self, int tag, float value);  // thread of the editor change
  static void HookBeginEdit(void* self, int tag);                   // editor thread
  static void HookEndEdit(void* self, int tag);
  static void HookProgramListChanged(void* self);
  static void HookEditIdle(void* self, TEditorForm& form);         // user-interface thread
  static void HookSetParameter(void* self, int tag, float value);  // any thread

  THook<void(int tag, float value)> OnSetParameter;
  TEditIdleHook OnEditIdle;
  uint32_t canDoFlags = 59;
  uint8_t plugCategory = kPlugCategSynth;
  uint16_t effectFlagBits = 57;
  VstInt32 numIns = 0;
  VstInt32 numOuts = 1;
  VstInt32 outEventCount = 0;  // audio thread; 0 between blocks
  std::array<TMidiEvent, kMaxInEventsPerBlock> inputEvents{};  // audio thread: the next block's MIDI
  int inputCount = 0;
  int32_t inputFrameFloor = 0;  // the latest frame of the events kept so far
  VstEventsFixed<kOutEventRecords> outEvents;
  std::array<VstMidiEvent, kOutEventRecords> outRecords{};
  VstInt32 hostVersion = 0;
  std::unique_ptr<TPlugCore> coreOwner;
  TPlugCore* core = nullptr;  // its address is the engine reference handed to the editor form
};
