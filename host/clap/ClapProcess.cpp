// The real-time bridge: the host's event list walked in order, notes and MIDI kept for the engine
// at their frames, the block split where a parameter value or a transport change sits inside it
// (each part played with the host's time at its first frame, so that the value acts on its own
// frame), and the engine's output sent in the dialect the host takes. Nothing here allocates,
// waits or locks.
#include <algorithm>
#include <cmath>

#include "host/clap/ClapPlugin.h"
#include "host/clap/HostTime.h"

namespace {

clap_event_header_t Header(uint32_t size, uint16_t type, int32_t frame) {
  return clap_event_header_t{size, static_cast<uint32_t>(frame), CLAP_CORE_EVENT_SPACE_ID, type, 0};
}

uint8_t Velocity(double v, int lowest) {
  if (!(v >= 0.0)) v = 0.0;  // NaN too
  return static_cast<uint8_t>(std::clamp(static_cast<int>(std::lround(std::min(v, 1.0) * 127.0)), lowest, 127));
}

template <class T>
const T* EventAs(const clap_event_header_t* header) {
  return header->size >= sizeof(T) ? reinterpret_cast<const T*>(header) : nullptr;
}

}  // namespace

clap_process_status TClapPlugin::Process(const clap_process_t* process) {
  RequireAudioThread();
  // Before activate (or after deactivate) a block does nothing.
  if (process == nullptr || !active.load(std::memory_order_acquire)) return CLAP_PROCESS_ERROR;
  const TRealtimeScope realtime;  // nothing in here may wait for the engine
  const clap_output_events_t* out = process->out_events;
  BeginOutput(out);
  SendEditorEvents(out);

  const int32_t frames = static_cast<int32_t>(std::min<uint32_t>(process->frames_count, 1u << 24));
  const int32_t lastFrame = std::max(frames - 1, 0);
  const bool continued = haveTime;  // the last block had the host's time
  haveTime = process->transport != nullptr;
  if (haveTime) {
    const THostTime host = TimeOfTransport(*process->transport, sampleRate);
    subBlockTime = continued ? ContinuedTime(host, subBlockTime) : host;
  }
  subBlockStart = 0;
  input.Clear();

  const clap_input_events_t* in = process->in_events;
  const uint32_t count = in != nullptr && in->size != nullptr ? in->size(in) : 0;
  for (uint32_t i = 0; i < count; ++i) {
    const clap_event_header_t* header = in->get(in, i);
    if (header == nullptr || header->space_id != CLAP_CORE_EVENT_SPACE_ID) continue;
    // Frames past the block are brought into it; a list out of order takes an event that lies
    // before the part already played at that part's end.
    const int32_t frame = std::max(static_cast<int32_t>(std::min<uint32_t>(header->time, lastFrame)), subBlockStart);
    auto keep = [&](uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2) {
      if (input.Full()) {
        RunTo(frame, out);  // the part before this frame; what lies at the frame stays kept
        // More at one frame than a part keeps: those kept so far act at once, ahead of the rest.
        if (input.Full()) TakeInputNow(false);
      }
      input.Push(TMidiEvent{frame - subBlockStart, TMidiMsg{channel, status, data1, data2}});
    };
    switch (header->type) {
      case CLAP_EVENT_NOTE_ON:
        if (const auto* note = EventAs<clap_event_note_t>(header);
            note != nullptr && note->key >= 0 && note->key < 128 && note->channel >= 0 && note->channel < 16)
          keep(0x90, static_cast<uint8_t>(note->channel), static_cast<uint8_t>(note->key), Velocity(note->velocity, 1));
        break;
      case CLAP_EVENT_NOTE_OFF:
      case CLAP_EVENT_NOTE_CHOKE:
        if (const auto* note = EventAs<clap_event_note_t>(header); note != nullptr) {
          // -1 stands for every channel or every key.
          const bool anyChannel = note->channel < 0 || note->channel > 15, anyKey = note->key < 0 || note->key > 127;
          const uint8_t velocity = header->type == CLAP_EVENT_NOTE_OFF ? Velocity(note->velocity, 0) : 0;
          for (int c = anyChannel ? 0 : note->channel; c <= (anyChannel ? 15 : note->channel); ++c)
            for (int k = anyKey ? 0 : note->key; k <= (anyKey ? 127 : note->key); ++k)
              keep(0x80, static_cast<uint8_t>(c), static_cast<uint8_t>(k), velocity);
        }
        break;
      case CLAP_EVENT_MIDI:
        if (const auto* midi = EventAs<clap_event_midi_t>(header); midi != nullptr && midi->data[0] >= 0x80 &&
                                                                    midi->data[0] < 0xF0)
          keep(midi->data[0] & 0xF0, midi->data[0] & 0x0F, midi->data[1] & 0x7F, midi->data[2] & 0x7F);
        break;
      case CLAP_EVENT_PARAM_VALUE:
        if (const auto* param = EventAs<clap_event_param_value_t>(header); param != nullptr) {
          RunTo(frame, out);
          // Messages ahead of the value at its own frame act before it, in the list's order.
          TakeInputNow(true);
          TakeParamValue(*param);
        }
        break;
      case CLAP_EVENT_TRANSPORT:
        if (const auto* transport = EventAs<clap_event_transport_t>(header); transport != nullptr) {
          RunTo(frame, out);
          subBlockTime = TimeOfTransport(*transport, sampleRate);
          haveTime = true;
        }
        break;
      default:
        break;
    }
  }
  if (frames > subBlockStart || frames == 0) PlayPart(frames, out);  // an empty block runs too
  NoteBlockChanges();
  return CLAP_PROCESS_CONTINUE;
}

void TClapPlugin::TakeInputNow(bool onlyAtStart) {
  // Those at the part's first frame (or all of them) act now; the others keep their frames.
  if (onlyAtStart)
    input.SplitAt(1, carried);
  else
    carried.Clear();
  if (!input.Empty()) plugin->TakeMessagesNow(input.Items());
  input.Clear();
  for (const TMidiEvent& later : carried.Items()) input.Push(TMidiEvent{later.frame + 1, later.msg});
}

void TClapPlugin::RunTo(int32_t frame, const clap_output_events_t* out) {
  if (frame > subBlockStart) PlayPart(frame, out);
}

void TClapPlugin::PlayPart(int32_t end, const clap_output_events_t* out) {
  // Messages of a list out of order that lie beyond this part wait for the part they lie in.
  const int32_t length = end - subBlockStart;
  if (end > 0)
    input.SplitAt(length, carried);
  else
    carried.Clear();
  const std::span<const TMidiOut> sent = plugin->Process(length, haveTime ? &subBlockTime : nullptr, input.Items());
  Send(sent, subBlockStart, out);
  if (haveTime) subBlockTime = TimeAfter(subBlockTime, length);
  subBlockStart = end;
  input.Assign(carried);
}

void TClapPlugin::TakeParamValue(const clap_event_param_value_t& event) {
  if (std::isnan(event.value)) return;
  if (event.param_id == kProgramParamId) {
    const int program = std::clamp(static_cast<int>(std::lround(std::clamp(event.value, 1.0, 64.0))) - 1, 0, 63);
    if (!active.load(std::memory_order_acquire)) {
      plugin->SelectProgram(program);  // main thread
      return;
    }
    // The audio thread never waits for the engine: the program changes the way a program change
    // message does, on the channel the input listens to, at once.
    const int inChannel = static_cast<int>(PlainOf(tagMIDIIn_Ch, plugin->GetNormalized(tagMIDIIn_Ch)));
    const TMidiEvent change{0, TMidiMsg{static_cast<uint8_t>(inChannel > 0 ? inChannel - 1 : 0), 0xC0,
                                        static_cast<uint8_t>(program), 0}};
    plugin->TakeMessagesNow(std::span<const TMidiEvent>(&change, 1));
    return;
  }
  if (event.param_id < static_cast<clap_id>(TPlugin::ParamCount()) && TPlugin::IsParam(static_cast<int>(event.param_id)))
    plugin->SetNormalized(static_cast<int>(event.param_id), NormalizedOf(event.param_id, event.value));
}

bool TClapPlugin::Push(const clap_output_events_t* out, uint8_t status, uint8_t data1, uint8_t data2, int32_t frame) {
  if (out == nullptr || out->try_push == nullptr) return false;
  const int kind = status & 0xF0;
  if (sendNotesAsClap && (kind == 0x90 || kind == 0x80)) {
    const bool on = kind == 0x90 && data2 > 0;
    clap_event_note_t note{Header(sizeof(clap_event_note_t), on ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF, frame),
                           -1, 0, static_cast<int16_t>(status & 0x0F), static_cast<int16_t>(data1), data2 / 127.0};
    return out->try_push(out, &note.header);
  }
  clap_event_midi_t midi{Header(sizeof(clap_event_midi_t), CLAP_EVENT_MIDI, frame), 0, {status, data1, data2}};
  return out->try_push(out, &midi.header);
}

// The host's list says only whether it took each message: a refusal ends the block's note-ons,
// and an off it refused is sent at the next block's start.
void TClapPlugin::Send(std::span<const TMidiOut> sent, int32_t offset, const clap_output_events_t* out) {
  for (const TMidiOut& m : sent)
    outgoing.Offer(m.status, m.data1, m.data2, TOutgoingNotes::kUnknownRoom,
                   [&](uint8_t status, uint8_t data1, uint8_t data2) {
                     return Push(out, status, data1, data2, m.frame + offset);
                   });
}

// Offs owed since the last block (the host stopped the plug-in with notes sounding, or refused
// an off) lead the block.
void TClapPlugin::BeginOutput(const clap_output_events_t* out) {
  if (releasePending.load(std::memory_order_relaxed) && releasePending.exchange(false, std::memory_order_acq_rel))
    outgoing.OweAll();
  outgoing.BeginBlock([&](uint8_t status, uint8_t data1, uint8_t data2) { return Push(out, status, data1, data2, 0); });
}

void TClapPlugin::SendEditorEvents(const clap_output_events_t* out) {
  TEditorEvent e;
  while (editorEvents.Pop(e)) {
    if (out == nullptr || out->try_push == nullptr) continue;
    if (e.type == CLAP_EVENT_PARAM_VALUE) {
      clap_event_param_value_t value{Header(sizeof(clap_event_param_value_t), CLAP_EVENT_PARAM_VALUE, 0),
                                     e.id, nullptr, -1, -1, -1, -1, e.value};
      out->try_push(out, &value.header);
    } else {
      clap_event_param_gesture_t gesture{Header(sizeof(clap_event_param_gesture_t), e.type, 0), e.id};
      out->try_push(out, &gesture.header);
    }
  }
}
