#include "host/vst2/AudioEffect.h"

#include "host/boundary/FpuGuard.h"
#include "host/vst2/HostConvert.h"
#include "host/vst2/VSTEditor.h"

namespace {

// The object behind a record the host hands back, or null when the record is not ours.
AudioEffect* ObjectOf(AEffect* effect) {
  if (effect == nullptr || effect->magic != kEffectMagic) return nullptr;
  return static_cast<AudioEffect*>(effect->object);
}

// Every entry guards the floating-point state and catches everything: nothing raised inside
// the plug-in may reach the host.

VstIntPtr DispatcherEntry(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                          void* ptr, float opt) {
  TFpuGuard fpu;
  AudioEffect* object = ObjectOf(effect);
  if (object == nullptr) return 0;
  VstIntPtr result = 0;
  try {
    result = object->dispatcher(opcode, index, value, ptr, opt);
  } catch (...) {
    result = 0;
  }
  if (opcode == effClose) {
    delete object;  // the host must not use the record after this
    return 1;
  }
  return result;
}

// Audio thread.
void ProcessEntry(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames) {
  TFpuGuard fpu;
  try {
    if (AudioEffect* object = ObjectOf(effect)) object->process(inputs, outputs, sampleFrames);
  } catch (...) {
  }
}

// Audio thread.
void ProcessReplacingEntry(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames) {
  TFpuGuard fpu;
  try {
    if (AudioEffect* object = ObjectOf(effect))
      object->processReplacing(inputs, outputs, sampleFrames);
  } catch (...) {
  }
}

// Any thread the host chooses for parameter writes.
void SetParameterEntry(AEffect* effect, VstInt32 index, float value) {
  TFpuGuard fpu;
  try {
    if (AudioEffect* object = ObjectOf(effect)) object->setParameter(index, value);
  } catch (...) {
  }
}

// Any thread.
float GetParameterEntry(AEffect* effect, VstInt32 index) {
  TFpuGuard fpu;
  try {
    if (AudioEffect* object = ObjectOf(effect)) return object->getParameter(index);
  } catch (...) {
  }
  return 0.0f;
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : numPrograms(numPrograms), numParams(numParams), audioMaster(audioMaster) {
  cEffect.magic = kEffectMagic;
  cEffect.dispatcher = DispatcherEntry;
  cEffect.process = ProcessEntry;
  cEffect.setParameter = SetParameterEntry;
  cEffect.getParameter = GetParameterEntry;
  cEffect.numPrograms = numPrograms;
  cEffect.numParams = numParams;
  cEffect.numInputs = 1;
  cEffect.numOutputs = 2;
  cEffect.flags = 0;
  cEffect.ioRatio = 1.0f;
  cEffect.object = this;
  cEffect.user = nullptr;
  cEffect.uniqueID = kDefaultUniqueID;
  cEffect.version = 1;
  cEffect.processReplacing = ProcessReplacingEntry;
  cEffect.processDoubleReplacing = nullptr;
}

AudioEffect::~AudioEffect() = default;

void AudioEffect::setEditor(std::unique_ptr<AEffEditor> newEditor) {
  editor = std::move(newEditor);
  SetFlag(effFlagsHasEditor, editor != nullptr);
}

VstIntPtr AudioEffect::CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  if (audioMaster == nullptr) return 0;
  return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
  setParameter(index, value);
  CallHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 AudioEffect::getMasterVersion() {
  VstIntPtr version = CallHost(audioMasterVersion, 0, 0, nullptr, 0.0f);
  return version == 0 ? 1 : SaturateToInt32(version);
}

VstInt32 AudioEffect::getCurrentUniqueId() {
  return SaturateToInt32(CallHost(audioMasterCurrentId, 0, 0, nullptr, 0.0f));
}

void AudioEffect::masterIdle() { CallHost(audioMasterIdle, 0, 0, nullptr, 0.0f); }

bool AudioEffect::isInputConnected(VstInt32 input) {
  return CallHost(audioMasterPinConnected, input, 0, nullptr, 0.0f) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
  return CallHost(audioMasterPinConnected, output, 1, nullptr, 0.0f) == 0;
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  // A null pointer where one is expected means there is nothing to do.
  switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram:
      if (value < numPrograms) setProgram(SaturateToInt32(value));
      return 0;
    case effGetProgram: return getProgram();
    case effSetProgramName:
      if (ptr != nullptr) setProgramName(static_cast<char*>(ptr));
      return 0;
    case effGetProgramName:
      if (ptr != nullptr) getProgramName(static_cast<char*>(ptr));
      return 0;
    case effGetParamLabel:
      if (ptr != nullptr) getParameterLabel(index, static_cast<char*>(ptr));
      return 0;
    case effGetParamDisplay:
      if (ptr != nullptr) getParameterDisplay(index, static_cast<char*>(ptr));
      return 0;
    case effGetParamName:
      if (ptr != nullptr) getParameterName(index, static_cast<char*>(ptr));
      return 0;
    case effGetVu: return RoundToInt32(static_cast<double>(getVu()) * 32767.0);
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize: setBlockSize(SaturateToInt32(value)); return 0;
    case effMainsChanged:
      if (value == 0) suspend(); else resume();
      return 0;
    case effEditGetRect:
      if (ptr == nullptr) return 0;
      return getEditorRect(static_cast<ERect**>(ptr));
    case effEditOpen: return editor ? editor->open(ptr) : 0;
    case effEditClose:
      if (editor) editor->close();
      return 0;
    case effEditIdle:
      if (editor) editor->idle();
      return 0;
    case effIdentify: return kIdentifyAnswer;
    case effGetChunk:
      if (ptr == nullptr) return 0;
      return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
      if (ptr == nullptr || value <= 0) return 0;
      return setChunk(ptr, SaturateToInt32(value), index != 0);
    default: return 0;  // includes the editor draw, mouse, key, top and sleep opcodes
  }
}
