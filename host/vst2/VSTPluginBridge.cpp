// The real-time bridge between host and engine: incoming MIDI, one engine run per block,
// the host's clock for the engine, and the engine's MIDI out to the host. Nothing here
// allocates, waits or locks.
#include "host/vst2/VSTPlugin.h"

#include <algorithm>

// Audio thread. The MIDI events of the list are kept for the next block, in which each takes
// effect at its deltaFrames; other event types are skipped. A null list or a negative count is
// nothing to do. Lists of several calls before one block add up, each after the ones before:
// an event never takes effect ahead of one an earlier call delivered.
VstInt32 TVSTPlugin::processEvents(VstEvents* events) {
  const TRealtimeScope realtime;  // nothing in here may wait for the engine
  if (events == nullptr) return 1;
  VstEvent* const* list = EventPointers(events);
  const int32_t earliest = inputFrameFloor;
  for (VstInt32 i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = list[i];
    if (event == nullptr || event->type != kVstMidiType) continue;
    const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
    if (inputCount == kMaxInEventsPerBlock) TakeInputNow();
    const uint8_t status = midi->midiData[0];
    const int32_t frame = std::max(midi->deltaFrames, earliest);
    inputFrameFloor = std::max(inputFrameFloor, frame);
    inputEvents[inputCount++] = TMidiEvent{
        frame, TMidiMsg{static_cast<uint8_t>(status & 0x0F), static_cast<uint8_t>(status & 0xF0),
                                    static_cast<uint8_t>(midi->midiData[1] & 0x7F),
                                    static_cast<uint8_t>(midi->midiData[2] & 0x7F)}};
  }
  return 1;
}

void TVSTPlugin::TakeInputNow() {
  // More events than a block keeps, before any block ran: those kept so far take effect at the
  // start of the next block, in order, so that none is lost.
  core->HandleMidiInList(std::span<const TMidiEvent>(inputEvents.data(), inputCount));
  inputCount = 0;
}

// Audio thread. The plug-in makes no sound: the buffers are neither read nor written.
void TVSTPlugin::process(float** /*inputs*/, float** /*outputs*/, VstInt32 sampleFrames) {
  RunBlock(sampleFrames);
}

void TVSTPlugin::processReplacing(float** /*inputs*/, float** /*outputs*/, VstInt32 sampleFrames) {
  RunBlock(sampleFrames);
}

void TVSTPlugin::RunBlock(VstInt32 sampleFrames) {
  // Nothing in here may wait for the engine, the host's answer to the events sent included.
  const TRealtimeScope realtime;
  core->ProcessBlock(sampleFrames > 0 ? sampleFrames : 0, std::span<const TMidiEvent>(inputEvents.data(), inputCount));
  inputCount = 0;
  inputFrameFloor = 0;
  FlushOutEvents();
}

void TVSTPlugin::FlushOutEvents() {
  if (outEventCount <= 0) return;
  outEvents.numEvents = outEventCount;
  outEventCount = 0;  // the queue is empty whatever the host answers
  sendVstEventsToHost(outEvents.AsVstEvents());
}

bool TVSTPlugin::HookGetTimeInfo(void* self, THostTime& time) {
  VstTimeInfo* info = static_cast<TVSTPlugin*>(self)->getTimeInfo(kTimeInfoFilter);
  if (info == nullptr) return false;  // the engine keeps its previous values
  // The song position is ppqPos alone: cycleStartPos only says where the host's loop begins.
  time.ppqPos = info->ppqPos;
  time.samplePos = info->samplePos;
  time.sampleRate = info->sampleRate;
  time.tempo = info->tempo;
  time.playing = (info->flags & kVstTransportPlaying) != 0;
  return true;
}

void TVSTPlugin::HookSendMidi(void* self, uint8_t message, uint8_t channel, uint8_t data1, uint8_t data2,
                              int32_t deltaFrames) {
  auto* plugin = static_cast<TVSTPlugin*>(self);
  if (plugin->outEventCount >= kMaxOutEventsPerBlock) return;  // full: dropped silently
  VstMidiEvent& record = plugin->outRecords[plugin->outEventCount];
  record.type = kVstMidiType;
  record.byteSize = 24;
  record.midiData[0] = static_cast<uint8_t>(message + channel);
  record.midiData[1] = data1;
  record.midiData[2] = data2;
  record.deltaFrames = deltaFrames;
  ++plugin->outEventCount;
}

void TVSTPlugin::HookParamAutomate(void* self, int tag, float value) {
  auto* plugin = static_cast<TVSTPlugin*>(self);
  // Step tags are not automatable, so the host is not told about them.
  if (TPlugCore::CanBeAutomated(tag))
    plugin->setParameterAutomated(tag, value);
  else
    plugin->setParameter(tag, value);
}

void TVSTPlugin::HookProgramListChanged(void* self) { static_cast<TVSTPlugin*>(self)->updateDisplay(); }

void TVSTPlugin::HookEditIdle(void* self, TEditorForm& form) { static_cast<TVSTPlugin*>(self)->EditIdle(form); }

void TVSTPlugin::HookSetParameter(void* self, int tag, float value) {
  static_cast<TVSTPlugin*>(self)->core->SetParamNormalized(tag, value);
}
