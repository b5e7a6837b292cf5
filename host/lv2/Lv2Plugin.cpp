#include "host/lv2/Lv2Plugin.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/parameters/parameters.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "host/boundary/SavedProgram.h"
#include "host/boundary/FactoryBank.h"
#include "host/lv2/Lv2Uris.h"
#include "host/lv2/StateBlob.h"

struct TLv2Plugin::TUris {
  LV2_URID atomSequence = 0, atomObject = 0, atomBlank = 0, atomChunk = 0, atomFloat = 0;
  LV2_URID midiEvent = 0, timePosition = 0;
  LV2_URID bank = 0, program = 0;
  LV2_URID sampleRate = 0, sequenceSize = 0, atomInt = 0;
  LV2_URID stateChanged = 0;
};

namespace {

constexpr uint32_t kOutEventSize = sizeof(LV2_Atom_Event) + 8;  // a MIDI message of up to 3 bytes, padded

const void* FeatureData(const LV2_Feature* const* features, const char* uri) {
  if (features == nullptr) return nullptr;
  for (int i = 0; features[i] != nullptr; ++i)
    if (features[i]->URI != nullptr && std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
  return nullptr;
}

// The bytes of a channel message with this status.
uint32_t MidiLength(uint8_t status) {
  const uint8_t kind = status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

bool SameValue(float a, float b) { return std::lround(a) == std::lround(b); }

}  // namespace

TLv2Plugin* TLv2Plugin::Create(double sampleRate, const char* bundlePath, const LV2_Feature* const* features) {
  const auto* map = static_cast<const LV2_URID_Map*>(FeatureData(features, LV2_URID__map));
  if (map == nullptr || map->map == nullptr) return nullptr;
  auto* instance = new TLv2Plugin(sampleRate, map);
  if (const auto* options = static_cast<const LV2_Options_Option*>(FeatureData(features, LV2_OPTIONS__options)))
    instance->SetOptions(options);
  instance->LoadFactoryBank(bundlePath);
  instance->plugin->SetHost(instance);
  return instance;
}

TLv2Plugin::TLv2Plugin(double sampleRate, const LV2_URID_Map* map)
    : plugin(std::make_unique<TPlugin>(nullptr)), uris(std::make_unique<TUris>()) {
  editorEngine = plugin->EditorEngine();
  MapUris(map);
  lastControl.fill(std::numeric_limits<float>::quiet_NaN());
  if (std::isfinite(sampleRate) && sampleRate > 0) {
    plugin->SetSampleRate(sampleRate);
    transport.SetSampleRate(sampleRate);
  }
}

TLv2Plugin::~TLv2Plugin() { magic = 0; }

void TLv2Plugin::MapUris(const LV2_URID_Map* map) {
  auto id = [map](const char* uri) { return map->map(map->handle, uri); };
  TUris& u = *uris;
  u.atomSequence = id(LV2_ATOM__Sequence);
  u.atomObject = id(LV2_ATOM__Object);
  u.atomBlank = id(LV2_ATOM__Blank);
  u.atomChunk = id(LV2_ATOM__Chunk);
  u.atomFloat = id(LV2_ATOM__Float);
  u.midiEvent = id(LV2_MIDI__MidiEvent);
  u.timePosition = id(LV2_TIME__Position);
  u.bank = id(MOLTRIN_LV2_BANK);
  u.program = id(MOLTRIN_LV2_PROGRAM);
  u.sampleRate = id(LV2_PARAMETERS__sampleRate);
  u.sequenceSize = id(LV2_BUF_SIZE__sequenceSize);
  u.atomInt = id(LV2_ATOM__Int);
  u.stateChanged = id(LV2_STATE__StateChanged);
  TPositionKeys& k = positionKeys;
  k.frame = id(LV2_TIME__frame);
  k.speed = id(LV2_TIME__speed);
  k.bar = id(LV2_TIME__bar);
  k.barBeat = id(LV2_TIME__barBeat);
  k.beat = id(LV2_TIME__beat);
  k.beatUnit = id(LV2_TIME__beatUnit);
  k.beatsPerBar = id(LV2_TIME__beatsPerBar);
  k.beatsPerMinute = id(LV2_TIME__beatsPerMinute);
  k.atomInt = id(LV2_ATOM__Int);
  k.atomLong = id(LV2_ATOM__Long);
  k.atomFloat = u.atomFloat;
  k.atomDouble = id(LV2_ATOM__Double);
}

// The bundle's factory bank, before the engine tells anyone anything. Missing or refused leaves
// the defaults.
void TLv2Plugin::LoadFactoryBank(const char* bundlePath) {
  if (bundlePath == nullptr || *bundlePath == 0) return;
  std::string path = bundlePath;
  if (path.back() != '/') path += '/';
  LoadFactoryBankFile(*plugin, path + kFactoryBankFile);
}

uint32_t TLv2Plugin::SetOptions(const LV2_Options_Option* options) {
  for (const LV2_Options_Option* o = options; o != nullptr && o->key != 0; ++o) {
    if (o->value == nullptr) continue;
    if (o->key == uris->sampleRate && o->type == uris->atomFloat && o->size >= sizeof(float)) {
      const float rate = *static_cast<const float*>(o->value);
      if (std::isfinite(rate) && rate > 0) {
        plugin->SetSampleRate(rate);
        transport.SetSampleRate(rate);
      }
    } else if (o->key == uris->sequenceSize && o->type == uris->atomInt && o->size >= sizeof(int32_t)) {
      // The size of the host's sequence buffers: no sequence reaches past it, whatever it claims.
      const int32_t bytes = *static_cast<const int32_t*>(o->value);
      if (bytes > static_cast<int32_t>(sizeof(LV2_Atom_Sequence))) sequenceBytes = static_cast<uint32_t>(bytes);
    }
  }
  return LV2_OPTIONS_SUCCESS;
}

void TLv2Plugin::Connect(uint32_t port, void* data) {
  if (port == kPortMidiIn)
    midiIn = static_cast<const LV2_Atom_Sequence*>(data);
  else if (port == kPortMidiOut)
    midiOut = static_cast<LV2_Atom_Sequence*>(data), midiOutBytes = static_cast<uint8_t*>(data);
  else if (port < kPortCount)
    controls[port] = static_cast<const float*>(data);
}

// Keys the host held down before it deactivated the plug-in may have been let go meanwhile,
// with nobody to hear it: the first block after activation lets go of them at its first frame
// (a latched pattern plays on, as latch means). Notes that sound end as they would have.
void TLv2Plugin::Activate() { releaseKeys = true; }

void TLv2Plugin::Deactivate() {}

// ---- One block.

void TLv2Plugin::Run(uint32_t frames) {
  const TRealtimeScope realtime;  // nothing in here may wait for the engine
  BeginOutput();
  AppendStateChanged();
  input.Clear();
  if (releaseKeys) QueueReleaseOfHeldKeys();
  TakeControlPorts();
  uint32_t segmentStart = 0;
  const uint32_t lastFrame = frames > 0 ? frames - 1 : 0;
  if (midiIn != nullptr && midiIn->atom.size >= sizeof(LV2_Atom_Sequence_Body)) {
    // Each event checked against the sequence's end. Frames past the block are brought into it;
    // an event listed after a position but framed before it takes effect at the position.
    const auto* body = reinterpret_cast<const uint8_t*>(&midiIn->body);
    uint32_t size = midiIn->atom.size;
    if (sequenceBytes > 0) size = std::min<uint32_t>(size, sequenceBytes - sizeof(LV2_Atom));
    uint32_t offset = sizeof(LV2_Atom_Sequence_Body);
    while (offset + sizeof(LV2_Atom_Event) <= size) {
      const auto* event = reinterpret_cast<const LV2_Atom_Event*>(body + offset);
      if (event->body.size > size - offset - sizeof(LV2_Atom_Event)) break;
      offset += lv2_atom_pad_size(static_cast<uint32_t>(sizeof(LV2_Atom_Event)) + event->body.size);
      const int64_t time = event->time.frames;
      const uint32_t frame = static_cast<uint32_t>(std::clamp<int64_t>(time, segmentStart, lastFrame));
      const auto* data = reinterpret_cast<const uint8_t*>(event + 1);
      if (event->body.type == uris->midiEvent) {
        if (event->body.size == 0 || event->body.size > 3 || (data[0] & 0x80) == 0 || data[0] >= 0xF0) continue;
        const TMidiMsg msg{static_cast<uint8_t>(data[0] & 0x0F), static_cast<uint8_t>(data[0] & 0xF0),
                           static_cast<uint8_t>(event->body.size > 1 ? data[1] & 0x7F : 0),
                           static_cast<uint8_t>(event->body.size > 2 ? data[2] & 0x7F : 0)};
        TrackKey(msg);
        QueueInput({static_cast<int32_t>(frame - segmentStart), msg});
      } else if ((event->body.type == uris->atomObject || event->body.type == uris->atomBlank) &&
                 event->body.size >= sizeof(LV2_Atom_Object_Body) &&
                 reinterpret_cast<const LV2_Atom_Object_Body*>(data)->otype == uris->timePosition) {
        // The frames before the position play with the transport as it was.
        if (frame > segmentStart) {
          RunSegment(segmentStart, frame, false);
          segmentStart = frame;
        }
        transport.TakePosition(positionKeys, data, event->body.size);
      }
    }
  }
  RunSegment(segmentStart, frames, true);
}

// The frames from..until with the transport as it stands. Messages at `until` or later (those
// on a position's own frame) wait for the next segment, where they come first.
void TLv2Plugin::RunSegment(uint32_t from, uint32_t until, bool last) {
  const uint32_t frames = until > from ? until - from : 0;
  if (last)
    carried.Clear();
  else
    input.SplitAt(static_cast<int32_t>(frames), carried);
  const std::span<const TMidiOut> sent = plugin->Process(static_cast<int>(frames), transport.Time(), input.Items());
  AppendOutput(from, sent);  // before the next segment's block: the engine reuses its list
  transport.Advance(frames);
  input.Assign(carried);
}

void TLv2Plugin::QueueInput(const TMidiEvent& event) {
  // More than a segment keeps: those kept so far take effect at the segment's start.
  if (input.Full()) {
    plugin->TakeMessagesNow(input.Items());
    input.Clear();
  }
  input.Push(event);
}

void TLv2Plugin::TrackKey(const TMidiMsg& msg) {
  if (msg.status == 0x90 && msg.data2 > 0)
    keysDown[msg.channel][msg.data1] = 1;
  else if (msg.status == 0x80 || msg.status == 0x90)
    keysDown[msg.channel][msg.data1] = 0;
}

void TLv2Plugin::QueueReleaseOfHeldKeys() {
  releaseKeys = false;
  for (uint8_t channel = 0; channel < 16; ++channel)
    for (uint8_t key = 0; key < 128; ++key) {
      if (keysDown[channel][key] == 0) continue;
      keysDown[channel][key] = 0;
      QueueInput({0, TMidiMsg{channel, 0x80, key, 0}});
    }
}

// Control ports whose value changed since the last block go to the engine, unless it already
// holds that value. The first block after instantiation hands over those that differ from the
// engine's (a host that restores a session by its ports alone); the first after a restored
// state only notes them, since the state is what the host saved with them.
void TLv2Plugin::TakeControlPorts() {
  const bool adopt = adoptPorts;
  // The settings first, the program last: its message goes on the input channel in force.
  for (uint32_t i = 0; i < kPortCount - kPortProgram; ++i) {
    const uint32_t port = i + 1 < kPortCount - kPortProgram ? kFirstSettingPort + i : kPortProgram;
    if (controls[port] == nullptr) continue;
    const float value = *controls[port];
    if (!std::isfinite(value)) continue;
    const float last = lastControl[port];
    lastControl[port] = value;
    if (adopt || value == last) continue;
    float held = 0;
    if (ReadPortValue(*plugin, port, held) && SameValue(held, value)) continue;
    if (port == kPortProgram) {
      // A program change at the block's first frame, on the channel the engine listens to.
      float inChannel = 0;
      ReadPortValue(*plugin, static_cast<uint32_t>(PortOfTag(tagMIDIIn_Ch)), inChannel);
      const long program = std::clamp(std::lround(value), 0L, static_cast<long>(TPlugin::ProgramCount() - 1));
      const auto channel = static_cast<uint8_t>(inChannel >= 1 ? std::lround(inChannel) - 1 : 0);
      QueueInput({0, TMidiMsg{channel, 0xC0, static_cast<uint8_t>(program), 0}});
    } else {
      WritePortValue(*plugin, port, value);
    }
  }
  adoptPorts = false;
}

// ---- The output sequence.

void TLv2Plugin::BeginOutput() {
  outRoom = 0;
  if (midiOut != nullptr) {
    // The host says how many bytes the body may take; a body too small for the sequence's own
    // header gets an empty atom.
    const uint32_t capacity = midiOut->atom.size;
    midiOut->atom.type = uris->atomSequence;
    if (capacity < sizeof(LV2_Atom_Sequence_Body)) {
      midiOut->atom.size = 0;
    } else {
      outRoom = static_cast<int>((capacity - sizeof(LV2_Atom_Sequence_Body)) / kOutEventSize);
      midiOut->atom.size = sizeof(LV2_Atom_Sequence_Body);
      midiOut->body.unit = 0;
      midiOut->body.pad = 0;
    }
  }
  // Offs the last blocks could not send lead this one.
  outgoing.BeginBlock([this](uint8_t status, uint8_t data1, uint8_t data2) { return WriteEvent(0, status, data1, data2); });
}

bool TLv2Plugin::WriteEvent(int64_t frame, uint8_t status, uint8_t data1, uint8_t data2) {
  if (outRoom == 0) return false;
  // Reached through the buffer's bytes: the host's buffer reaches past the sequence's header.
  auto* event = reinterpret_cast<LV2_Atom_Event*>(midiOutBytes + sizeof(LV2_Atom) + midiOut->atom.size);
  event->time.frames = frame;
  event->body.type = uris->midiEvent;
  event->body.size = MidiLength(status);
  auto* bytes = reinterpret_cast<uint8_t*>(event + 1);
  std::memset(bytes, 0, 8);
  bytes[0] = status;
  bytes[1] = data1;
  if (event->body.size > 2) bytes[2] = data2;
  midiOut->atom.size += kOutEventSize;
  --outRoom;
  return true;
}

// The host's buffer is the limit: note-ons and other messages go while room stays for the offs
// of every note sounding; an off that does not fit goes at the start of the next block.
void TLv2Plugin::AppendOutput(uint32_t offset, std::span<const TMidiOut> sent) {
  for (const TMidiOut& m : sent) {
    const int64_t frame = static_cast<int64_t>(offset) + m.frame;
    outgoing.Offer(m.status, m.data1, m.data2, outRoom, [&](uint8_t status, uint8_t data1, uint8_t data2) {
      return WriteEvent(frame, status, data1, data2);
    });
  }
}

void TLv2Plugin::AppendStateChanged() {
  // The object takes the room of one message, and only room to spare: the offs of the notes
  // sounding come first.
  static_assert(sizeof(LV2_Atom_Event) + sizeof(LV2_Atom_Object_Body) == kOutEventSize);
  // A plain read first: most blocks have nothing to tell, and take no exchange.
  if (!stateChanged.load(std::memory_order_relaxed) || outRoom <= outgoing.Sounding() + outgoing.Owed() ||
      !stateChanged.exchange(false))
    return;
  auto* event = reinterpret_cast<LV2_Atom_Event*>(midiOutBytes + sizeof(LV2_Atom) + midiOut->atom.size);
  event->time.frames = 0;
  event->body.type = uris->atomObject;
  event->body.size = sizeof(LV2_Atom_Object_Body);
  auto* object = reinterpret_cast<LV2_Atom_Object_Body*>(event + 1);
  object->id = 0;
  object->otype = uris->stateChanged;
  midiOut->atom.size += kOutEventSize;
  --outRoom;
}

// ---- State.

LV2_State_Status TLv2Plugin::Save(LV2_State_Store_Function store, LV2_State_Handle handle) {
  if (store == nullptr) return LV2_STATE_ERR_UNKNOWN;
  const void* chunk = nullptr;
  const int size = plugin->GetChunk(false, &chunk);
  if (size <= 0 || chunk == nullptr) return LV2_STATE_ERR_UNKNOWN;
  const std::vector<uint8_t> blob = WriteStateBlob(
      TStateKind::kBank, SavedProgram(*plugin, chunk), std::span(static_cast<const uint8_t*>(chunk), static_cast<size_t>(size)));
  return store(handle, uris->bank, blob.data(), blob.size(), uris->atomChunk,
               LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status TLv2Plugin::Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
  if (retrieve == nullptr) return LV2_STATE_ERR_UNKNOWN;
  for (const bool program : {false, true}) {
    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void* value = retrieve(handle, program ? uris->program : uris->bank, &size, &type, &flags);
    if (value == nullptr) continue;
    if (type != uris->atomChunk) return LV2_STATE_ERR_BAD_TYPE;
    // The state the host restores is its own: nothing it does here is news to it.
    restoring = true;
    const LV2_State_Status status = ApplyState(value, size, program);
    restoring = false;
    return status;
  }
  return LV2_STATE_ERR_NO_PROPERTY;
}

LV2_State_Status TLv2Plugin::ApplyState(const void* value, size_t size, bool program) {
  TStateBlob blob;
  if (!ReadStateBlob(std::span(static_cast<const uint8_t*>(value), size), blob)) return LV2_STATE_ERR_UNKNOWN;
  if ((blob.kind == TStateKind::kProgram) != program) return LV2_STATE_ERR_BAD_TYPE;
  // Only a chunk of exactly the size this engine writes: the engine takes shorter ones in part.
  const void* own = nullptr;
  if (blob.chunk.size() != static_cast<size_t>(plugin->GetChunk(program, &own))) return LV2_STATE_ERR_UNKNOWN;
  if (plugin->SetChunk(blob.chunk.data(), static_cast<int>(blob.chunk.size()), program) == 0)
    return LV2_STATE_ERR_UNKNOWN;
  if (!program && blob.program >= 0) plugin->SelectProgram(blob.program);
  // The ports the host restores with the state hold the same values: taken as they are.
  lastControl.fill(std::numeric_limits<float>::quiet_NaN());
  adoptPorts = true;
  return LV2_STATE_SUCCESS;
}

// ---- What the engine asks of the format.

void TLv2Plugin::AutomateParam(int tag, float value) {
  // Step rows, chain slots and the other settings no port carries travel in the state alone:
  // the host hears that the state changed, so that it saves it again.
  const int port = PortOfTag(tag);
  if (port < 0) stateChanged.store(true);
  TLv2PortWriter* writer = ui.load();
  if (port < 0 || writer == nullptr) return;
  const TParamInfo desc = plugin->ParamInfo(tag);
  writer->WritePort(static_cast<uint32_t>(port), static_cast<float>(std::lround(value * (desc.max - desc.min) + desc.min)));
}

void TLv2Plugin::BeginParamEdit(int tag) {
  const int port = PortOfTag(tag);
  if (TLv2PortWriter* writer = ui.load(); writer != nullptr && port >= 0) writer->Touch(static_cast<uint32_t>(port), true);
}

void TLv2Plugin::EndParamEdit(int tag) {
  const int port = PortOfTag(tag);
  if (TLv2PortWriter* writer = ui.load(); writer != nullptr && port >= 0) writer->Touch(static_cast<uint32_t>(port), false);
}

void TLv2Plugin::ProgramListChanged() {
  if (!restoring) stateChanged.store(true);
}
