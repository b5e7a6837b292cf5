#include "host/vst2/AudioEffectX.h"

#include <cstddef>
#include <cstdlib>

#include "host/vst2/HostConvert.h"
#include "host/vst2/VSTEditor.h"

namespace {

VstIntPtr Bool(bool b) { return b ? 1 : 0; }

// Speaker i of an arrangement allocated with room for its own channel count (which may
// exceed the record's nominal eight).
VstSpeakerProperties* SpeakerAt(VstSpeakerArrangement* a, VstInt32 i) {
  return reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(a) +
                                                 offsetof(VstSpeakerArrangement, speakers)) + i;
}
const VstSpeakerProperties* SpeakerAt(const VstSpeakerArrangement* a, VstInt32 i) {
  return SpeakerAt(const_cast<VstSpeakerArrangement*>(a), i);
}

VstKeyCode KeyCodeOf(VstInt32 index, VstIntPtr value, float opt) {
  VstKeyCode key{};
  key.character = index;
  key.virt = static_cast<uint8_t>(value & 0xFF);
  key.modifier = static_cast<uint8_t>(RoundToInt32(opt) & 0xFF);
  return key;
}

}  // namespace

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated: return Bool(canParameterBeAutomated(index));
    case effString2Parameter: return Bool(ptr != nullptr && string2parameter(index, text));
    case effGetNumProgramCategories: return getNumCategories();
    case effGetProgramNameIndexed:
      return Bool(ptr != nullptr && getProgramNameIndexed(SaturateToInt32(value), index, text));
    case effCopyProgram: return Bool(copyProgram(index));
    case effConnectInput: inputConnected(index, value != 0); return 1;
    case effConnectOutput: outputConnected(index, value != 0); return 1;
    case effGetInputProperties:
      return Bool(ptr != nullptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetOutputProperties:
      return Bool(ptr != nullptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetPlugCategory: return getPlugCategory();
    case effGetCurrentPosition: return reportCurrentPosition();
    case effGetDestinationBuffer: return reinterpret_cast<VstIntPtr>(reportDestinationBuffer());
    case effOfflineNotify: return Bool(offlineNotify(ptr, SaturateToInt32(value), index != 0));
    case effOfflinePrepare: return Bool(offlinePrepare(ptr, SaturateToInt32(value)));
    case effOfflineRun: return Bool(offlineRun(ptr, SaturateToInt32(value)));
    case effProcessVarIo: return Bool(processVariableIo(ptr));
    case effSetSpeakerArrangement:
      return Bool(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                        static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBlockSizeAndSampleRate: setBlockSizeAndSampleRate(SaturateToInt32(value), opt); return 1;
    case effSetBypass: return Bool(setBypass(value != 0));
    case effGetEffectName: return Bool(ptr != nullptr && getEffectName(text));
    case effGetErrorText: return Bool(ptr != nullptr && getErrorText(text));
    case effGetVendorString: return Bool(ptr != nullptr && getVendorString(text));
    case effGetProductString: return Bool(ptr != nullptr && getProductString(text));
    case effGetVendorVersion: return getVendorVersion();
    case effVendorSpecific: return SaturateToInt32(vendorSpecific(index, value, ptr, opt));
    case effCanDo: return ptr != nullptr ? canDo(text) : 0;
    case effGetTailSize: return getGetTailSize();
    case effIdle: return fxIdle();
    case effGetIcon: return reinterpret_cast<VstIntPtr>(getIcon());
    case effSetViewPosition: return Bool(setViewPosition(index, SaturateToInt32(value)));
    case effGetParameterProperties: return Bool(ptr != nullptr && getParameterProperties(index, ptr));
    case effKeysRequired: return keysRequired() ? 0 : 1;  // the opcode asks the inverse
    case effGetVstVersion: return getVstVersion();
    case effEditKeyDown:
      if (!editor) return 0;
      {
        VstKeyCode key = KeyCodeOf(index, value, opt);
        return editor->onKeyDown(key);
      }
    case effEditKeyUp:
      if (!editor) return 0;
      {
        VstKeyCode key = KeyCodeOf(index, value, opt);
        return editor->onKeyUp(key);
      }
    case effSetEditKnobMode:
      if (editor) editor->setKnobMode(SaturateToInt32(value));
      return 0;
    case effGetMidiProgramName: return getMidiProgramName(index, ptr);
    case effGetCurrentMidiProgram: return getCurrentMidiProgram(index, ptr);
    case effGetMidiProgramCategory: return getMidiProgramCategory(index, ptr);
    case effHasMidiProgramsChanged: return Bool(hasMidiProgramsChanged(index));
    case effGetMidiKeyName: return Bool(getMidiKeyName(index, ptr));
    case effBeginSetProgram: return Bool(beginSetProgram());
    case effEndSetProgram: return Bool(endSetProgram());
    case effGetSpeakerArrangement:
      return Bool(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                        static_cast<VstSpeakerArrangement**>(ptr)));
    case effShellGetNextPlugin: return getNextShellPlugin(text);
    case effStartProcess: return startProcess();
    case effStopProcess: return stopProcess();
    case effSetTotalSampleToProcess: return setTotalSampleToProcess(SaturateToInt32(value));
    case effSetPanLaw: return Bool(setPanLaw(SaturateToInt32(value), opt));
    case effBeginLoadBank: return beginLoadBank(ptr);
    case effBeginLoadProgram: return beginLoadProgram(ptr);
    default: return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
  }
}

VstInt32 AudioEffectX::getPlugCategory() {
  return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
  return reinterpret_cast<VstTimeInfo*>(CallHost(audioMasterGetTime, 0, filter, nullptr, 0.0f));
}

bool AudioEffectX::sendVstEventsToHost(VstEvents* events) {
  return CallHost(audioMasterProcessEvents, 0, 0, events, 0.0f) == 1;
}

void AudioEffectX::wantEvents(VstInt32 filter) {
  CallHost(audioMasterWantMidi, 0, filter, nullptr, 0.0f);
}

bool AudioEffectX::updateDisplay() {
  return CallHost(audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f) != 0;
}

VstInt32 AudioEffectX::canHostDo(const char* text) {
  return SaturateToInt32(CallHost(audioMasterCanDo, 0, 0, const_cast<char*>(text), 0.0f));
}

bool AudioEffectX::beginEdit(VstInt32 index) { return CallHost(audioMasterBeginEdit, index, 0, nullptr, 0.0f) != 0; }

bool AudioEffectX::endEdit(VstInt32 index) { return CallHost(audioMasterEndEdit, index, 0, nullptr, 0.0f) != 0; }

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
  return CallHost(audioMasterSizeWindow, width, height, nullptr, 0.0f) != 0;
}

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 channels) {
  if (arrangement == nullptr || channels < 0) return false;
  deallocateArrangement(arrangement);
  size_t size = 8 + sizeof(VstSpeakerProperties) * static_cast<size_t>(channels);
  auto* block = static_cast<VstSpeakerArrangement*>(std::calloc(1, size));
  if (block == nullptr) return false;
  block->numChannels = channels;
  *arrangement = block;
  return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
  if (arrangement == nullptr) return false;
  std::free(*arrangement);
  *arrangement = nullptr;
  return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, const VstSpeakerProperties* from) {
  if (to == nullptr || from == nullptr) return false;
  *to = *from;
  return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, const VstSpeakerArrangement* from) {
  if (to == nullptr || from == nullptr) return false;
  if (!allocateArrangement(to, from->numChannels)) return false;
  (*to)->type = from->type;
  for (VstInt32 i = 0; i < from->numChannels; ++i) copySpeaker(SpeakerAt(*to, i), SpeakerAt(from, i));
  return true;
}
