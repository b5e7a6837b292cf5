#pragma once
// AudioEffect: the base effect class. It owns the AEffect record the host holds, forwards
// the host's calls through the record's static entries to virtual operations, answers the
// VST 1.x opcodes (0..24) and wraps the host callback for the basic host opcodes.
#include <memory>

#include "host/vst2/VstAbi.h"

class AEffEditor;

class AudioEffect {
 public:
  AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
  virtual ~AudioEffect();
  AudioEffect(const AudioEffect&) = delete;
  AudioEffect& operator=(const AudioEffect&) = delete;

  // ---- Operations the dispatcher and the entries call. Threads: the process entries come
  // from the host's audio thread, everything else from its user-interface thread.
  virtual void setSampleRate(float rate) { sampleRate = rate; }
  virtual void setBlockSize(VstInt32 size) { blockSize = size; }
  virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
  virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }
  virtual void setParameterAutomated(VstInt32 index, float value);
  virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
  virtual void processReplacing(float** /*inputs*/, float** /*outputs*/, VstInt32 /*sampleFrames*/) {}
  virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  virtual void open() {}
  virtual void close() {}
  virtual VstInt32 getProgram() { return curProgram; }
  virtual void setProgram(VstInt32 program) { curProgram = program; }
  virtual void setProgramName(char* /*name*/) {}
  virtual void getProgramName(char* /*name*/) {}
  virtual void getParameterLabel(VstInt32 /*index*/, char* /*label*/) {}
  virtual void getParameterDisplay(VstInt32 /*index*/, char* /*text*/) {}
  virtual void getParameterName(VstInt32 /*index*/, char* /*text*/) {}
  virtual float getVu() { return 0.0f; }
  virtual VstInt32 getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
  virtual VstInt32 setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/) { return 0; }
  virtual void suspend() {}
  virtual void resume() {}
  virtual VstInt32 getEditorRect(ERect** rect) = 0;

  // ---- Record setters (construction).
  virtual void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
  virtual void setNumInputs(VstInt32 n) { cEffect.numInputs = n; }
  virtual void setNumOutputs(VstInt32 n) { cEffect.numOutputs = n; }
  virtual void hasVu(bool state) { SetFlag(effFlagsHasVu, state); }
  virtual void hasClip(bool state) { SetFlag(effFlagsHasClip, state); }
  virtual void canMono(bool state) { SetFlag(effFlagsCanMono, state); }
  virtual void canProcessReplacing(bool state) { SetFlag(effFlagsCanReplacing, state); }
  virtual void programsAreChunks(bool state) { SetFlag(effFlagsProgramChunks, state); }
  virtual void setRealtimeQualities(VstInt32 q) { cEffect.realQualities = q; }
  virtual void setOfflineQualities(VstInt32 q) { cEffect.offQualities = q; }
  virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }

  // ---- Host callback wrappers.
  virtual VstInt32 getMasterVersion();
  virtual VstInt32 getCurrentUniqueId();
  virtual void masterIdle();
  virtual bool isInputConnected(VstInt32 input);
  virtual bool isOutputConnected(VstInt32 output);

  // Takes ownership; sets or clears effFlagsHasEditor.
  void setEditor(std::unique_ptr<AEffEditor> newEditor);
  AEffEditor* getEditor() const { return editor.get(); }
  AEffect* getAeffect() { return &cEffect; }
  // The address of the engine reference, handed to a new editor form.
  VstIntPtr getEngineRef() const { return engineRef; }

 protected:
  void SetFlag(VstInt32 flag, bool state) {
    cEffect.flags = state ? (cEffect.flags | flag) : (cEffect.flags & ~flag);
  }
  VstIntPtr CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

  AEffect cEffect{};
  float sampleRate = 44100.0f;           // user-interface thread
  std::unique_ptr<AEffEditor> editor;    // owned
  VstInt32 numPrograms;
  VstInt32 numParams;
  VstInt32 blockSize = 1024;             // user-interface thread
  VstIntPtr engineRef = 0;
  VstInt32 curProgram = 0;               // user-interface thread
  audioMasterCallback audioMaster;
};
