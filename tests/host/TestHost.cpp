#include "tests/host/TestHost.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace testhost {

namespace {

// The host whose Load is running on this thread: the plug-in calls back before the host has
// its effect record (the version request of the entry and of the object's construction).
thread_local Host* tLoadingHost = nullptr;

std::mutex gModulesLock;
std::map<std::string, void*> gModules;  // loaded once, kept for the whole process

void* OpenModule(const std::string& path, std::string* error) {
  std::lock_guard<std::mutex> guard(gModulesLock);
  auto found = gModules.find(path);
  if (found != gModules.end()) return found->second;
#if defined(_WIN32)
  void* handle = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (handle == nullptr && error) *error = "LoadLibrary failed for " + path + " (error " + std::to_string(GetLastError()) + ")";
#else
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr && error) *error = std::string("dlopen failed: ") + dlerror();
#endif
  if (handle != nullptr) gModules[path] = handle;
  return handle;
}

}  // namespace

std::string DefaultModulePath() {
#if defined(_WIN32)
  if (const char* env = std::getenv("MOLTRIN_MODULE"); env != nullptr && *env != 0) return env;
  char self[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self, n);
  size_t slash = path.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "moltrin.dll";
#else
  // A benchmark may be pointed at another build of the module, to compare two side by side.
  if (const char* env = std::getenv("MOLTRIN_MODULE"); env != nullptr && *env != 0) return env;
#if defined(MOLTRIN_MODULE_PATH)
  return MOLTRIN_MODULE_PATH;
#else
  return "moltrin.so";
#endif
#endif
}

EntryProc LoadEntry(const std::string& path, std::string* error, const char* name) {
  void* handle = OpenModule(path, error);
  if (handle == nullptr) return nullptr;
#if defined(_WIN32)
  auto entry = reinterpret_cast<EntryProc>(
      reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name)));
#else
  auto entry = reinterpret_cast<EntryProc>(dlsym(handle, name));
#endif
  if (entry == nullptr && error) *error = std::string("no exported ") + name + " in " + path;
  return entry;
}

Host::Host(VstInt32 version, std::string modulePath) : version(version), modulePath(std::move(modulePath)) {}

Host::Host(EntryProc entry, VstInt32 version) : version(version), linkedEntry(entry) {}

Host::~Host() {
  if (effect != nullptr) Close();
}

AEffect* Host::Load() {
  EntryProc entry = linkedEntry != nullptr ? linkedEntry : LoadEntry(modulePath, &error);
  if (entry == nullptr) return nullptr;
  Host* previous = tLoadingHost;
  tLoadingHost = this;
  effect = entry(&Host::Callback_);
  tLoadingHost = previous;
  if (effect == nullptr) {
    error = "the entry point answered null";
    return nullptr;
  }
  effect->user = this;  // the host's own pointer, as hosts commonly keep it
  return effect;
}

AEffect* Host::Start(float sampleRate, int frames) {
  if (Load() == nullptr) return nullptr;
  blockSize = frames;
  transport.sampleRate = sampleRate;
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
  Dispatch(effSetBlockSize, 0, frames);
  Dispatch(effMainsChanged, 0, 1);
  return effect;
}

VstIntPtr Host::Close() {
  if (effect == nullptr) return 0;
  VstIntPtr result = effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  effect = nullptr;
  return result;
}

VstIntPtr Host::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  if (effect == nullptr) return 0;
  if (opcode == effClose) return Close();
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void Host::SetParam(VstInt32 index, float value) {
  if (effect != nullptr) effect->setParameter(effect, index, value);
}

float Host::GetParam(VstInt32 index) { return effect != nullptr ? effect->getParameter(effect, index) : 0.0f; }

std::string Host::Text(VstInt32 opcode, VstInt32 index, VstIntPtr value, char fill) {
  // Larger than any text the plug-in may write, so an overlong write shows up in the result.
  char buffer[1024];
  std::memset(buffer, fill, sizeof buffer);
  buffer[sizeof buffer - 1] = 0;
  Dispatch(opcode, index, value, buffer);
  return std::string(buffer);
}

std::vector<uint8_t> Host::GetChunk(bool preset) {
  void* data = nullptr;
  VstIntPtr size = Dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
  if (data == nullptr || size <= 0) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

VstIntPtr Host::SetChunk(const std::vector<uint8_t>& bytes, bool preset) {
  std::vector<uint8_t> copy = bytes;  // the plug-in gets a pointer it may read, never ours to keep
  return Dispatch(effSetChunk, preset ? 1 : 0, static_cast<VstIntPtr>(copy.size()), copy.data());
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
  // Header plus as many pointers as there are events.
  size_t bytes = offsetof(VstEvents, events) + sizeof(VstEvent*) * (events.size() < 2 ? 2 : events.size());
  std::vector<uint8_t> block(bytes, 0);
  auto* list = reinterpret_cast<VstEvents*>(block.data());
  list->numEvents = static_cast<VstInt32>(events.size());
  auto** pointers = reinterpret_cast<VstEvent**>(block.data() + offsetof(VstEvents, events));
  for (size_t i = 0; i < events.size(); ++i) pointers[i] = reinterpret_cast<VstEvent*>(&records[i]);
  return Dispatch(effProcessEvents, 0, 0, list);
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
  if (effect == nullptr) return;
  FillTimeInfo();
  lastPlaying = transport.playing;
  if (outBuffer.size() < static_cast<size_t>(frames > 0 ? frames : 0)) outBuffer.resize(frames);
  float* outputs[2] = {outBuffer.data(), outBuffer.data()};
  float* inputs[2] = {outBuffer.data(), outBuffer.data()};
  currentBlock = blocksRun;
  if (replacing)
    effect->processReplacing(effect, inputs, outputs, frames);
  else
    effect->process(effect, inputs, outputs, frames);
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

VstIntPtr Host::Callback_(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                          float opt) {
  Host* host = (effect != nullptr && effect->user != nullptr) ? static_cast<Host*>(effect->user) : tLoadingHost;
  if (host == nullptr) return opcode == audioMasterVersion ? 2400 : 0;
  return host->OnCallback(effect, opcode, index, value, ptr, opt);
}

VstIntPtr Host::OnCallback(AEffect* from, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                           float opt) {
  std::lock_guard<std::mutex> guard(recordLock);
  callbacks.push_back({opcode, index, value, opt, from != nullptr});
  switch (opcode) {
    case audioMasterVersion: return version;
    case audioMasterAutomate: automations.push_back({index, opt}); return 0;
    case audioMasterGetTime: return transport.available ? reinterpret_cast<VstIntPtr>(&timeInfo) : 0;
    case audioMasterProcessEvents: {
      ++processEventsCalls;
      auto* list = static_cast<VstEvents*>(ptr);
      if (list == nullptr) return processEventsAnswer;
      VstEvent* const* pointers = EventPointers(list);
      for (VstInt32 i = 0; i < list->numEvents; ++i) {
        const VstEvent* e = pointers[i];
        if (e == nullptr || e->type != kVstMidiType) continue;
        const auto* m = reinterpret_cast<const VstMidiEvent*>(e);
        MidiOut out;
        out.block = currentBlock;
        out.deltaFrames = m->deltaFrames;
        std::memcpy(out.bytes, m->midiData, 3);
        out.wellFormed = m->byteSize == 24 && m->flags == 0 && m->noteLength == 0 && m->noteOffset == 0 &&
                         m->midiData[3] == 0 && m->detune == 0 && m->noteOffVelocity == 0 &&
                         m->reserved1 == 0 && m->reserved2 == 0;
        midiOut.push_back(out);
      }
      return processEventsAnswer;
    }
    case audioMasterUpdateDisplay: ++updateDisplays; return 1;
    case audioMasterWantMidi: wantMidi.push_back(value); return 1;
    case audioMasterCanDo: return AnswerFactoryBankQuestion(ptr, factoryBank);
    case audioMasterSizeWindow: return sizeWindow ? sizeWindow(index, static_cast<int>(value)) : 0;
    default: return 0;
  }
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

}  // namespace testhost
