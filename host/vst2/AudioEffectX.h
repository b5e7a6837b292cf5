#pragma once
// AudioEffectX: the VST 2.x extensions. A dispatcher for opcodes 25..76, the plug-side
// operations they call with neutral defaults, the remaining capability setters, the host
// callback wrappers the plug-in uses, and the speaker-arrangement helpers.
#include "host/vst2/AudioEffect.h"

class AudioEffectX : public AudioEffect {
 public:
  AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
      : AudioEffect(audioMaster, numPrograms, numParams) {}

  VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

  // ---- Host callback wrappers.
  // Audio thread: the host's time, or null when it gives none.
  virtual VstTimeInfo* getTimeInfo(VstInt32 filter);
  // Audio thread: true when the host answers exactly 1.
  bool sendVstEventsToHost(VstEvents* events);
  // User-interface thread (suspend and resume).
  void wantEvents(VstInt32 filter = 1);
  // Any thread: true when the host answers non-zero.
  virtual bool updateDisplay();
  // The host's answer to a capability text: 1 yes, -1 no, 0 it does not know.
  VstInt32 canHostDo(const char* text);
  // User-interface thread: the user takes and lets go of a parameter's control (touch
  // automation); true when the host answers non-zero.
  virtual bool beginEdit(VstInt32 index);
  virtual bool endEdit(VstInt32 index);
  // User-interface thread: asks the host to give the editor's window another size; true when
  // the host answers non-zero (it did).
  virtual bool sizeWindow(VstInt32 width, VstInt32 height);

  // ---- Plug-side answers (the dispatcher's callees).
  virtual VstInt32 processEvents(VstEvents* /*events*/) { return 0; }
  virtual bool canParameterBeAutomated(VstInt32 /*index*/) { return true; }
  virtual bool string2parameter(VstInt32 /*index*/, char* /*text*/) { return false; }
  virtual VstInt32 getNumCategories() { return 1; }
  virtual bool getProgramNameIndexed(VstInt32 /*category*/, VstInt32 /*index*/, char* /*text*/) { return false; }
  virtual bool copyProgram(VstInt32 /*destination*/) { return false; }
  virtual void inputConnected(VstInt32 /*index*/, bool /*state*/) {}
  virtual void outputConnected(VstInt32 /*index*/, bool /*state*/) {}
  virtual bool getInputProperties(VstInt32 /*index*/, VstPinProperties* /*properties*/) { return false; }
  virtual bool getOutputProperties(VstInt32 /*index*/, VstPinProperties* /*properties*/) { return false; }
  virtual VstInt32 getPlugCategory();
  virtual VstInt32 reportCurrentPosition() { return 0; }
  virtual float* reportDestinationBuffer() { return nullptr; }
  virtual bool offlineNotify(void* /*files*/, VstInt32 /*count*/, bool /*start*/) { return false; }
  virtual bool offlinePrepare(void* /*tasks*/, VstInt32 /*count*/) { return false; }
  virtual bool offlineRun(void* /*tasks*/, VstInt32 /*count*/) { return false; }
  virtual bool processVariableIo(void* /*variableIo*/) { return false; }
  virtual bool setSpeakerArrangement(VstSpeakerArrangement* /*input*/, VstSpeakerArrangement* /*output*/) {
    return false;
  }
  virtual void setBlockSizeAndSampleRate(VstInt32 size, float rate) {
    blockSize = size;
    sampleRate = rate;
  }
  virtual bool setBypass(bool /*on*/) { return false; }
  virtual bool getEffectName(char* /*name*/) { return false; }
  virtual bool getErrorText(char* /*text*/) { return false; }
  virtual bool getVendorString(char* /*text*/) { return false; }
  virtual bool getProductString(char* /*text*/) { return false; }
  virtual VstInt32 getVendorVersion() { return 1; }
  virtual VstIntPtr vendorSpecific(VstInt32 /*index*/, VstIntPtr /*value*/, void* /*ptr*/, float /*opt*/) {
    return 0;
  }
  virtual VstInt32 canDo(const char* /*text*/) { return 0; }
  virtual VstInt32 getGetTailSize() { return 0; }
  virtual VstInt32 fxIdle() { return 0; }
  virtual void* getIcon() { return nullptr; }
  virtual bool setViewPosition(VstInt32 /*x*/, VstInt32 /*y*/) { return false; }
  virtual bool getParameterProperties(VstInt32 /*index*/, void* /*properties*/) { return false; }
  virtual bool keysRequired() { return false; }
  virtual VstInt32 getVstVersion() { return 2300; }
  virtual VstInt32 getMidiProgramName(VstInt32 /*channel*/, void* /*name*/) { return 0; }
  virtual VstInt32 getCurrentMidiProgram(VstInt32 /*channel*/, void* /*name*/) { return -1; }
  virtual VstInt32 getMidiProgramCategory(VstInt32 /*channel*/, void* /*category*/) { return 0; }
  virtual bool hasMidiProgramsChanged(VstInt32 /*channel*/) { return false; }
  virtual bool getMidiKeyName(VstInt32 /*channel*/, void* /*keyName*/) { return false; }
  virtual bool beginSetProgram() { return false; }
  virtual bool endSetProgram() { return false; }
  virtual bool getSpeakerArrangement(VstSpeakerArrangement** /*input*/, VstSpeakerArrangement** /*output*/) {
    return false;
  }
  virtual VstInt32 getNextShellPlugin(char* /*name*/) { return 0; }
  virtual VstInt32 startProcess() { return 0; }
  virtual VstInt32 stopProcess() { return 0; }
  virtual VstInt32 setTotalSampleToProcess(VstInt32 value) { return value; }
  virtual bool setPanLaw(VstInt32 /*type*/, float /*value*/) { return false; }
  virtual VstInt32 beginLoadBank(void* /*info*/) { return 0; }
  virtual VstInt32 beginLoadProgram(void* /*info*/) { return 0; }

  // ---- Capability setters (construction).
  virtual void isSynth(bool state) { SetFlag(effFlagsIsSynth, state); }
  virtual void noTail(bool state) { SetFlag(effFlagsNoSoundInStop, state); }
  virtual void wantAsyncOperation(bool state) { SetFlag(effFlagsExtIsAsync, state); }
  virtual void hasExternalBuffer(bool state) { SetFlag(effFlagsExtHasBuffer, state); }

  // ---- Speaker-arrangement helpers; the plug-in itself never calls them.
  virtual bool allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 channels);
  virtual bool deallocateArrangement(VstSpeakerArrangement** arrangement);
  virtual bool copySpeaker(VstSpeakerProperties* to, const VstSpeakerProperties* from);
  virtual bool matchArrangement(VstSpeakerArrangement** to, const VstSpeakerArrangement* from);
};
