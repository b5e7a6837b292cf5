// The real-time bridge between host and engine: incoming MIDI, one engine run per block,
// the host's clock for the engine, and the engine's MIDI out to the host; and what the engine
// asks of the format. Nothing on the audio thread allocates, waits or locks.
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
    if (inputEvents.Full()) TakeInputNow();
    const uint8_t status = midi->midiData[0];
    const int32_t frame = std::max(midi->deltaFrames, earliest);
    inputFrameFloor = std::max(inputFrameFloor, frame);
    inputEvents.Push(TMidiEvent{
        frame, TMidiMsg{static_cast<uint8_t>(status & 0x0F), static_cast<uint8_t>(status & 0xF0),
                                    static_cast<uint8_t>(midi->midiData[1] & 0x7F),
                                    static_cast<uint8_t>(midi->midiData[2] & 0x7F)}});
  }
  return 1;
}

void TVSTPlugin::TakeInputNow() {
  // More events than a block keeps, before any block ran: those kept so far take effect at the
  // start of the next block, in frame order, so that none is lost.
  plugin->TakeMessagesNow(inputEvents.Items());
  inputEvents.Clear();
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
  hostEdits.Deliver();  // the editor's gestures made on another thread, before the block plays
  const std::span<const TMidiOut> sent = plugin->Process(
      sampleFrames > 0 ? sampleFrames : 0, TakeHostTime(), inputEvents.Items());
  inputEvents.Clear();
  inputFrameFloor = 0;
  SendToHost(sent);
  NoteProgramChosenInBlock();
}

const THostTime* TVSTPlugin::TakeHostTime() {
  const VstTimeInfo* info = getTimeInfo(kTimeInfoFilter);
  if (info == nullptr) return nullptr;  // the engine keeps its previous values
  // The song position is ppqPos alone: cycleStartPos only says where the host's loop begins.
  hostTime.ppqPos = info->ppqPos;
  hostTime.samplePos = info->samplePos;
  hostTime.sampleRate = info->sampleRate;
  hostTime.tempo = info->tempo;
  hostTime.playing = (info->flags & kVstTransportPlaying) != 0;
  return &hostTime;
}

void TVSTPlugin::SendToHost(std::span<const TMidiOut> sent) {
  // At most the list's records a block; the rest is dropped silently.
  const int count = static_cast<int>(std::min<size_t>(sent.size(), kMaxOutEventsPerBlock));
  if (count == 0) return;
  for (int i = 0; i < count; ++i) {
    VstMidiEvent& record = outRecords[i];
    record.type = kVstMidiType;  // as made, whatever a host wrote into them
    record.byteSize = 24;
    record.midiData[0] = sent[i].status;
    record.midiData[1] = sent[i].data1;
    record.midiData[2] = sent[i].data2;
    record.deltaFrames = sent[i].frame;
  }
  outEvents.numEvents = count;
  sendVstEventsToHost(outEvents.AsVstEvents());  // the list is empty again whatever the host answers
}

// ---- What the engine asks of the format.

// The value's echo through setParameter runs here, on the editor's thread, as the engine expects;
// the host hears of it where it can take it. Step tags are not automatable, so the host is not
// told about them.
void TVSTPlugin::AutomateParam(int tag, float value) {
  setParameter(tag, value);
  if (TPlugin::CanBeAutomated(tag))
    hostEdits.Automate(tag, value);
  else
    stepRowsEdited = true;  // no value the host records: it hears that they changed when the gesture ends
}

// Every tag the user's gesture touches, step tags too: the host is told that a gesture runs on
// them even where it records no automation (they cannot be automated).
void TVSTPlugin::BeginParamEdit(int tag) {
  ++gesturesOpen;
  hostEdits.Begin(tag);
}

void TVSTPlugin::EndParamEdit(int tag) {
  hostEdits.End(tag);
  if (gesturesOpen > 0) --gesturesOpen;
  TellHostOfStepRowEdits();
}

// An automation kept for a block may find the value changed by the host meanwhile (Ardour, its
// lane latched, writes the lane's value before each block, and reads the plug-in's value when told
// of the change): the editor's value is put back first, so that the host hears what the user chose.
void TVSTPlugin::SendHostEdit(void* self, const THostEdits::TEdit& edit) {
  auto* plugin = static_cast<TVSTPlugin*>(self);
  if (edit.opcode == audioMasterAutomate && plugin->getParameter(edit.tag) != edit.value)
    plugin->setParameter(edit.tag, edit.value);
  plugin->CallHost(edit.opcode, edit.tag, 0, nullptr, edit.value);
}

void TVSTPlugin::ProgramListChanged() { updateDisplay(); }
