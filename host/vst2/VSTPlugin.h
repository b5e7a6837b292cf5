#pragma once
// TVSTPlugin: one plug-in instance, the VST 2.x adapter over the engine's face. It owns the
// engine (TPlugin) and the editor host, sets the effect record's identity and capabilities,
// turns the host's parameter, program and chunk requests into engine operations, bridges MIDI
// and block timing between host and engine, and does for the engine what it asks of a format
// (TEngineHost).
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

#include "engine/Plugin.h"
#include "host/boundary/FixedList.h"
#include "host/vst2/AudioEffectX.h"
#include "host/vst2/HostEdits.h"
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

class TVSTPlugin : public AudioEffectX, public TEngineHost, private TEditIdleHandler {
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
  void setSampleRate(float rate) override;
  void suspend() override;
  void resume() override;
  VstInt32 getEditorRect(ERect** rect) override;
  VstInt32 fxIdle() override;

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

  // ---- What the engine asks of the format. The host hears of an editor's gesture on its
  // user-interface thread at once, from an editor on another thread at the next block
  // (host/vst2/HostEdits.h).
  void AutomateParam(int tag, float value) override;  // thread of the editor change
  void BeginParamEdit(int tag) override;              // editor thread
  void EndParamEdit(int tag) override;
  void ProgramListChanged() override;

  // The engine's face, for what runs in the same process as the host (tests).
  TPlugin& Face() { return *plugin; }
  // Audio thread: the host's time for the engine (null when the host gives none), and a block's
  // messages to the host, at most 2047 of them.
  const THostTime* TakeHostTime();
  void SendToHost(std::span<const TMidiOut> sent);

 private:
  void LoadFactoryBank();
  void RunBlock(VstInt32 sampleFrames);
  // A program chosen inside a block (a MIDI program change) is noted on the audio thread and
  // told to the host on its user-interface thread, at the next idle call, as the editor's own
  // program changes are told.
  void NoteProgramChosenInBlock();
  void TellHostOfProgramChosenInBlock();
  // Step-row edits change what the host saves, but are no automatable values: once the user's
  // gesture has ended the host is told with updateDisplay (editor thread), which is what
  // marks a session modified in hosts that watch it.
  void TellHostOfStepRowEdits();
  void TakeInputNow();
  static void SendHostEdit(void* self, const THostEdits::TEdit& edit);

  // The editor host's idle tick (user-interface thread).
  void EditIdle(TEditorForm& form) override;

  uint32_t canDoFlags = 59;
  uint8_t plugCategory = kPlugCategSynth;
  uint16_t effectFlagBits = 57;
  VstInt32 numIns = 0;
  VstInt32 numOuts = 1;
  TFixedList<TMidiEvent, kMaxInEventsPerBlock> inputEvents;  // audio thread: the next block's MIDI
  int32_t inputFrameFloor = 0;  // the latest frame of the events kept so far
  VstEventsFixed<kOutEventRecords> outEvents;
  std::array<VstMidiEvent, kOutEventRecords> outRecords{};
  THostTime hostTime{};  // audio thread
  VstInt32 hostVersion = 0;
  std::unique_ptr<TPlugin> plugin;
  TPlugCore* editorEngine = nullptr;  // its address is the engine reference handed to the editor form
  int programAfterBlock = -1;                 // audio thread: the program in force after the last block
  std::atomic<bool> programChosenInBlock{false};  // the host has yet to hear of it
  bool stepRowsEdited = false;  // editor thread: since the host was last told
  int gesturesOpen = 0;         // editor thread: begun and not yet ended
  THostEdits hostEdits{&TVSTPlugin::SendHostEdit, this};  // made on the host's user-interface thread
};
