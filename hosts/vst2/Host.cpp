#include "hosts/vst2/Host.h"

#include <cmath>
#include <cstring>

namespace vst2host {

Host::Host(VstInt32 version, std::string modulePath) : EffectHost(version), modulePath(std::move(modulePath)) {}

Host::Host(EntryProc entry, VstInt32 version) : EffectHost(version), linkedEntry(entry) {}

Host::~Host() {
  if (Effect() != nullptr) Close();
}

AEffect* Host::Load() {
  EntryProc entry = linkedEntry != nullptr ? linkedEntry : LoadEntry(modulePath, &error);
  if (entry == nullptr) return nullptr;
  return Create(entry);
}

AEffect* Host::Start(float sampleRate, int frames) {
  if (Load() == nullptr) return nullptr;
  blockSize = frames;
  transport.sampleRate = sampleRate;
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
  Dispatch(effSetBlockSize, 0, frames);
  Dispatch(effMainsChanged, 0, 1);
  return Effect();
}

VstIntPtr Host::SendMidi(std::initializer_list<MidiIn> events) {
  return SendMidi(std::vector<MidiIn>(events));
}

VstIntPtr Host::SendMidi(const std::vector<MidiIn>& events) {
  std::vector<VstMidiEvent> records(events.size());
  for (size_t i = 0; i < events.size(); ++i) {
    VstMidiEvent& r = records[i];
    std::memset(&r, 0, sizeof r);
    r.type = events[i].type;
    r.byteSize = sizeof(VstMidiEvent) - 8;
    r.deltaFrames = events[i].deltaFrames;
    r.midiData[0] = events[i].status;
    r.midiData[1] = events[i].data1;
    r.midiData[2] = events[i].data2;
  }
  return SendEvents(records);
}

void Host::FillTimeInfo() {
  std::memset(&timeInfo, 0, sizeof timeInfo);
  timeInfo.samplePos = transport.samplePos;
  timeInfo.sampleRate = transport.sampleRate;
  timeInfo.ppqPos = transport.ppq;
  timeInfo.tempo = transport.tempo;
  timeInfo.cycleStartPos = transport.cycleStart;
  timeInfo.cycleEndPos = transport.cycleEnd;
  timeInfo.timeSigNumerator = 4;
  timeInfo.timeSigDenominator = 4;
  timeInfo.flags = kVstPpqPosValid | kVstTempoValid | kVstCyclePosValid | kVstTimeSigValid | transport.extraFlags;
  if (transport.playing) timeInfo.flags |= kVstTransportPlaying;
  if (transport.playing != lastPlaying) timeInfo.flags |= kVstTransportChanged;
}

void Host::RunBlock(int frames, bool replacing) {
  if (Effect() == nullptr) return;
  FillTimeInfo();
  lastPlaying = transport.playing;
  currentBlock = blocksRun;
  Process(frames, replacing);
  ++blocksRun;
  // The host's clock moves on; a host without a sample rate cannot tell how far.
  if (std::isfinite(transport.samplePos)) transport.samplePos += frames;
  // Only finite numbers are compared or calculated with: tests run this with exceptions unmasked.
  const Transport& t = transport;
  if (t.playing && std::isfinite(t.sampleRate) && std::isfinite(t.tempo) && std::isfinite(t.ppq) &&
      t.sampleRate > 0)
    transport.ppq += frames / t.sampleRate * t.tempo / 60.0;
}

void Host::RunBlocks(int count, int frames) {
  for (int i = 0; i < count; ++i) RunBlock(frames < 0 ? blockSize : frames);
}

void Host::PlayBlocks(int count, int frames) {
  transport.playing = true;
  RunBlocks(count, frames);
}

VstIntPtr Host::Answer(AEffect* from, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  std::lock_guard<std::mutex> guard(recordLock);
  callbacks.push_back({opcode, index, value, opt, from != nullptr, std::this_thread::get_id()});
  switch (opcode) {
    case audioMasterAutomate:
      automations.push_back({index, opt, from != nullptr ? from->getParameter(from, index) : opt});
      return 0;
    case audioMasterGetTime: return transport.available ? reinterpret_cast<VstIntPtr>(&timeInfo) : 0;
    case audioMasterProcessEvents: ++processEventsCalls; break;
    case audioMasterUpdateDisplay: ++updateDisplays; return 1;
    case audioMasterWantMidi: wantMidi.push_back(value); return 1;
    default: break;
  }
  return EffectHost::Answer(from, opcode, index, value, ptr, opt);
}

void Host::Received(const VstMidiEvent& m) {  // under recordLock, from Answer
  MidiOut out;
  out.block = currentBlock;
  out.deltaFrames = m.deltaFrames;
  std::memcpy(out.bytes, m.midiData, 3);
  out.wellFormed = m.byteSize == 24 && m.flags == 0 && m.noteLength == 0 && m.noteOffset == 0 && m.midiData[3] == 0 &&
                   m.detune == 0 && m.noteOffVelocity == 0 && m.reserved1 == 0 && m.reserved2 == 0;
  midiOut.push_back(out);
}

std::vector<Callback> Host::Callbacks() const {
  std::lock_guard<std::mutex> guard(recordLock);
  return callbacks;
}

std::vector<Callback> Host::CallbacksOf(VstInt32 opcode) const {
  std::lock_guard<std::mutex> guard(recordLock);
  std::vector<Callback> out;
  for (const Callback& c : callbacks)
    if (c.opcode == opcode) out.push_back(c);
  return out;
}

std::vector<Automation> Host::Automations() const {
  std::lock_guard<std::mutex> guard(recordLock);
  return automations;
}

std::vector<MidiOut> Host::MidiOutEvents() const {
  std::lock_guard<std::mutex> guard(recordLock);
  return midiOut;
}

int Host::UpdateDisplays() const {
  std::lock_guard<std::mutex> guard(recordLock);
  return updateDisplays;
}

std::vector<VstIntPtr> Host::WantMidiValues() const {
  std::lock_guard<std::mutex> guard(recordLock);
  return wantMidi;
}

int Host::ProcessEventsCalls() const {
  std::lock_guard<std::mutex> guard(recordLock);
  return processEventsCalls;
}

void Host::ClearRecords() {
  std::lock_guard<std::mutex> guard(recordLock);
  callbacks.clear();
  automations.clear();
  midiOut.clear();
  updateDisplays = 0;
  wantMidi.clear();
  processEventsCalls = 0;
}

}  // namespace vst2host
