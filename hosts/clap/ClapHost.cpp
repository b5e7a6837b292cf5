#include "hosts/clap/ClapHost.h"

#include <clap/ext/thread-check.h>
#include <clap/fixedpoint.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

#include "hosts/vst2/ModuleFile.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace claphost {

namespace {

thread_local int tAudioRole = 0;  // inside a call CLAP makes on the audio thread
std::thread::id gMainThread = std::this_thread::get_id();

struct AudioRole {
  AudioRole() { ++tAudioRole; }
  ~AudioRole() { --tAudioRole; }
};

Host& Of(const clap_host_t* host) { return *static_cast<Host*>(host->host_data); }

const clap_host_thread_check_t kThreadCheck = {
    [](const clap_host_t*) { return std::this_thread::get_id() == gMainThread && tAudioRole == 0; },
    [](const clap_host_t*) { return tAudioRole > 0; },
};

// Event lists over a vector of headers.
struct InList {
  clap_input_events_t list;
  const std::vector<const clap_event_header_t*>* events;
};
uint32_t InSize(const clap_input_events_t* list) {
  return static_cast<uint32_t>(reinterpret_cast<const InList*>(list)->events->size());
}
const clap_event_header_t* InGet(const clap_input_events_t* list, uint32_t index) {
  const auto& events = *reinterpret_cast<const InList*>(list)->events;
  return index < events.size() ? events[index] : nullptr;
}

}  // namespace

bool Sent::AsMidi(uint8_t bytes[3]) const {
  if (type == CLAP_EVENT_MIDI) {
    std::memcpy(bytes, midi, 3);
    return true;
  }
  if (type == CLAP_EVENT_NOTE_ON || type == CLAP_EVENT_NOTE_OFF) {
    bytes[0] = static_cast<uint8_t>((type == CLAP_EVENT_NOTE_ON ? 0x90 : 0x80) | (channel & 15));
    bytes[1] = static_cast<uint8_t>(key & 0x7F);
    bytes[2] = static_cast<uint8_t>(std::lround(velocity * 127));
    return true;
  }
  return false;
}

std::string DefaultModulePath() {
  if (const char* env = std::getenv("MOLTRIN_CLAP_MODULE"); env != nullptr && *env != 0) return env;
#if defined(_WIN32)
  char self[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self, n);
  size_t slash = path.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "moltrin.clap";
#elif defined(MOLTRIN_CLAP_MODULE_PATH)
  return MOLTRIN_CLAP_MODULE_PATH;
#else
  return "moltrin.clap";
#endif
}

const clap_plugin_entry_t* LoadEntry(const std::string& path, std::string* error) {
  static std::mutex lock;
  static std::set<std::string> initialised;
  std::lock_guard<std::mutex> guard(lock);
  std::string reason;
  void* module = vst2host::OpenModule(path, &reason);
  if (module == nullptr) {
    if (error) *error = "cannot load " + path + ": " + reason;
    return nullptr;
  }
#if defined(_WIN32)
  const auto* entry = reinterpret_cast<const clap_plugin_entry_t*>(
      reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), "clap_entry")));
#else
  const auto* entry = static_cast<const clap_plugin_entry_t*>(dlsym(module, "clap_entry"));
#endif
  if (entry == nullptr) {
    if (error) *error = "no exported clap_entry in " + path;
    return nullptr;
  }
  if (initialised.insert(path).second && !entry->init(path.c_str())) {
    initialised.erase(path);
    if (error) *error = "clap_entry.init refused " + path;
    return nullptr;
  }
  return entry;
}

Host::Host(std::string modulePath) : modulePath(std::move(modulePath)) {
  hostRecord.clap_version = CLAP_VERSION;
  hostRecord.host_data = this;
  hostRecord.name = "Moltrin test host";
  hostRecord.vendor = "Moltrin";
  hostRecord.url = "";
  hostRecord.version = "1";
  hostRecord.get_extension = &Host::HostExtension;
  hostRecord.request_restart = [](const clap_host_t*) {};
  hostRecord.request_process = [](const clap_host_t*) {};
  hostRecord.request_callback = [](const clap_host_t* h) {
    ++Of(h).callbackRequests;
    Of(h).callbackPending = true;
  };
}

Host::~Host() { Destroy(); }

const void* Host::HostExtension(const clap_host_t* host, const char* id) { return Of(host).Extension(id); }

const void* Host::Extension(const char* id) const {
  static const clap_host_params_t params = {
      [](const clap_host_t* h, clap_param_rescan_flags flags) { Of(h).rescans.push_back(flags); },
      [](const clap_host_t*, clap_id, clap_param_clear_flags) {},
      [](const clap_host_t* h) { ++Of(h).flushRequests; },
  };
  static const clap_host_note_ports_t notePorts = {
      [](const clap_host_t* h) { return Of(h).dialects; },
      [](const clap_host_t*, uint32_t) {},
  };
  static const clap_host_timer_support_t timerSupport = {
      [](const clap_host_t* h, uint32_t period, clap_id* id) {
        Host& self = Of(h);
        if (id == nullptr) return false;
        *id = self.nextTimer++;
        self.timers[*id] = period;
        return true;
      },
      [](const clap_host_t* h, clap_id id) { return Of(h).timers.erase(id) == 1; },
  };
  static const clap_host_state_t state = {[](const clap_host_t* h) { ++Of(h).dirtyMarks; }};
  static const clap_host_gui_t gui = {
      [](const clap_host_t*) {},
      [](const clap_host_t* h, uint32_t width, uint32_t height) {
        return Of(h).requestResize && Of(h).requestResize(width, height);
      },
      [](const clap_host_t*) { return false; },
      [](const clap_host_t*) { return false; },
      [](const clap_host_t*, bool) {},
  };
  static const char marker = 0;
  if (id == nullptr) return nullptr;
  const std::string_view name(id);
  if (name == CLAP_EXT_THREAD_CHECK) return offerThreadCheck ? &kThreadCheck : nullptr;
  if (name == CLAP_EXT_PARAMS) return &params;
  if (name == CLAP_EXT_NOTE_PORTS) return &notePorts;
  if (name == CLAP_EXT_TIMER_SUPPORT) return offerTimer ? &timerSupport : nullptr;
  if (name == CLAP_EXT_STATE) return &state;
  if (name == CLAP_EXT_GUI) return &gui;
  if (name == "org.moltrin.no-factory-bank") return noFactoryBank ? &marker : nullptr;
  return nullptr;
}

bool Host::Create() {
  if (plugin != nullptr) return true;
  entry = LoadEntry(modulePath, &error);
  if (entry == nullptr) return false;
  factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
  if (factory == nullptr || factory->get_plugin_count(factory) < 1) {
    error = "no plug-in factory";
    return false;
  }
  descriptor = factory->get_plugin_descriptor(factory, 0);
  plugin = descriptor != nullptr ? factory->create_plugin(factory, &hostRecord, descriptor->id) : nullptr;
  if (plugin == nullptr) {
    error = "create_plugin refused";
    return false;
  }
  if (!plugin->init(plugin)) {
    plugin->destroy(plugin);
    plugin = nullptr;
    error = "init refused";
    return false;
  }
  return true;
}

bool Host::Start(double rate, int frames) {
  if (!Create()) return false;
  if (!Activate(rate, frames)) {
    error = "activate refused";
    return false;
  }
  StartProcessing();
  return true;
}

bool Host::Activate(double rate, int frames) {
  sampleRate = rate;
  blockSize = frames;
  active = plugin->activate(plugin, rate, 1, static_cast<uint32_t>(std::max(frames, 1)));
  return active;
}

void Host::Deactivate() {
  if (processing) StopProcessing();
  if (plugin != nullptr) plugin->deactivate(plugin);
  active = false;
}

void Host::StartProcessing() {
  AudioRole audio;
  processing = plugin->start_processing(plugin);
}

void Host::StopProcessing() {
  AudioRole audio;
  plugin->stop_processing(plugin);
  processing = false;
}

void Host::Reset() {
  AudioRole audio;
  plugin->reset(plugin);
}

void Host::Destroy() {
  if (plugin == nullptr) return;
  if (active) Deactivate();
  plugin->destroy(plugin);
  plugin = nullptr;
  timers.clear();
}

const clap_plugin_params_t* Host::Params() const {
  return static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
}
const clap_plugin_state_t* Host::State() const {
  return static_cast<const clap_plugin_state_t*>(plugin->get_extension(plugin, CLAP_EXT_STATE));
}
const clap_plugin_gui_t* Host::Gui() const {
  return static_cast<const clap_plugin_gui_t*>(plugin->get_extension(plugin, CLAP_EXT_GUI));
}
const clap_plugin_note_ports_t* Host::NotePorts() const {
  return static_cast<const clap_plugin_note_ports_t*>(plugin->get_extension(plugin, CLAP_EXT_NOTE_PORTS));
}
const clap_plugin_timer_support_t* Host::TimerSupport() const {
  return static_cast<const clap_plugin_timer_support_t*>(plugin->get_extension(plugin, CLAP_EXT_TIMER_SUPPORT));
}

// ---- Events.

template <class T>
void Host::Queue(const T& event) {
  static_assert(sizeof(T) <= sizeof(QueuedEvent::bytes));
  QueuedEvent q{};
  std::memcpy(q.bytes, &event, sizeof event);
  queued.push_back(q);
}

void Host::Note(bool on, int channel, int key, double velocity, uint32_t time) {
  clap_event_note_t e{};
  e.header = {sizeof e, time, CLAP_CORE_EVENT_SPACE_ID, static_cast<uint16_t>(on ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF), 0};
  e.note_id = -1;
  e.port_index = 0;
  e.channel = static_cast<int16_t>(channel);
  e.key = static_cast<int16_t>(key);
  e.velocity = velocity;
  Queue(e);
}

void Host::Midi(uint8_t status, uint8_t data1, uint8_t data2, uint32_t time) {
  clap_event_midi_t e{};
  e.header = {sizeof e, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
  e.port_index = 0;
  e.data[0] = status;
  e.data[1] = data1;
  e.data[2] = data2;
  Queue(e);
}

void Host::ParamValue(clap_id id, double value, uint32_t time) {
  clap_event_param_value_t e{};
  e.header = {sizeof e, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
  e.param_id = id;
  e.note_id = -1;
  e.port_index = -1;
  e.channel = -1;
  e.key = -1;
  e.value = value;
  Queue(e);
}

clap_event_transport_t Host::TransportEvent(const Transport& t, uint32_t time) const {
  clap_event_transport_t e{};
  e.header = {sizeof e, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
  e.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_HAS_SECONDS_TIMELINE |
            CLAP_TRANSPORT_HAS_TIME_SIGNATURE | (t.playing ? CLAP_TRANSPORT_IS_PLAYING : 0);
  e.song_pos_beats = std::llround(t.ppq * static_cast<double>(CLAP_BEATTIME_FACTOR));
  e.song_pos_seconds = std::llround(t.samplePos / sampleRate * static_cast<double>(CLAP_SECTIME_FACTOR));
  e.tempo = t.tempo;
  e.tsig_num = 4;
  e.tsig_denom = 4;
  return e;
}

void Host::TransportAt(const Transport& t, uint32_t time) { Queue(TransportEvent(t, time)); }

void Host::Record(const clap_event_header_t* header, int block) {
  if (!recordEvents) return;
  Sent s;
  s.block = block;
  s.time = header->time;
  s.type = header->type;
  switch (header->type) {
    case CLAP_EVENT_MIDI:
      std::memcpy(s.midi, reinterpret_cast<const clap_event_midi_t*>(header)->data, 3);
      break;
    case CLAP_EVENT_NOTE_ON:
    case CLAP_EVENT_NOTE_OFF: {
      const auto* n = reinterpret_cast<const clap_event_note_t*>(header);
      s.channel = n->channel;
      s.key = n->key;
      s.velocity = n->velocity;
      break;
    }
    case CLAP_EVENT_PARAM_VALUE: {
      const auto* v = reinterpret_cast<const clap_event_param_value_t*>(header);
      s.param = v->param_id;
      s.value = v->value;
      break;
    }
    case CLAP_EVENT_PARAM_GESTURE_BEGIN:
    case CLAP_EVENT_PARAM_GESTURE_END:
      s.param = reinterpret_cast<const clap_event_param_gesture_t*>(header)->param_id;
      break;
    default:
      break;
  }
  sent.push_back(s);
}

namespace {
struct OutList {
  clap_output_events_t list;
  Host* host;
  int block;
  void (*record)(Host*, const clap_event_header_t*, int);
  int room;  // events it still takes; below 0 any number
  static bool TryPush(const clap_output_events_t* list, const clap_event_header_t* e) {
    auto* o = static_cast<OutList*>(list->ctx);
    if (o->room == 0) return false;
    if (o->room > 0) --o->room;
    o->record(o->host, e, o->block);
    return true;
  }
};
}  // namespace

bool Host::RunBlock(int frames) {
  if (frames < 0) frames = blockSize;
  if (sortEvents)
    std::stable_sort(queued.begin(), queued.end(),
                     [](const QueuedEvent& a, const QueuedEvent& b) { return a.Header()->time < b.Header()->time; });
  std::vector<const clap_event_header_t*> headers;
  for (const QueuedEvent& q : queued) headers.push_back(q.Header());
  InList in{{nullptr, &InSize, &InGet}, &headers};
  in.list.ctx = &in;
  OutList out{{nullptr, &OutList::TryPush}, this, blocksRun,
              [](Host* h, const clap_event_header_t* e, int block) { h->Record(e, block); }, outputRoom};
  out.list.ctx = &out;
  const clap_event_transport_t time = TransportEvent(transport, 0);
  clap_process_t process{};
  process.steady_time = static_cast<int64_t>(steadyTime);
  process.frames_count = static_cast<uint32_t>(frames);
  process.transport = transport.available ? &time : nullptr;
  process.in_events = &in.list;
  process.out_events = &out.list;
  {
    AudioRole audio;
    lastStatus = plugin->process(plugin, &process);
  }
  queued.clear();
  ++blocksRun;
  steadyTime += static_cast<uint64_t>(frames);
  transport.samplePos += frames;
  if (transport.playing) transport.ppq += frames / sampleRate * transport.tempo / 60.0;
  return lastStatus != CLAP_PROCESS_ERROR;
}

void Host::RunBlocks(int count, int frames) {
  for (int i = 0; i < count; ++i) RunBlock(frames);
}

void Host::PlayBlocks(int count, int frames) {
  transport.playing = true;
  RunBlocks(count, frames);
}

// ---- Parameters and state.

void Host::Flush() {
  std::vector<const clap_event_header_t*> headers;
  for (const QueuedEvent& q : queued) headers.push_back(q.Header());
  InList in{{nullptr, &InSize, &InGet}, &headers};
  in.list.ctx = &in;
  OutList out{{nullptr, &OutList::TryPush}, this, -1,
              [](Host* h, const clap_event_header_t* e, int block) { h->Record(e, block); }, outputRoom};
  out.list.ctx = &out;
  const clap_plugin_params_t* params = Params();
  if (active) {
    AudioRole audio;
    params->flush(plugin, &in.list, &out.list);
  } else {
    params->flush(plugin, &in.list, &out.list);
  }
  queued.clear();
}

void Host::SetParam(clap_id id, double value) {
  ParamValue(id, value);
  Flush();
}

std::optional<double> Host::Value(clap_id id) const {
  double v = 0;
  if (!Params()->get_value(plugin, id, &v)) return std::nullopt;
  return v;
}

std::string Host::Text(clap_id id, double value) const {
  char text[256] = {};
  if (!Params()->value_to_text(plugin, id, value, text, sizeof text)) return "<refused>";
  return text;
}

std::optional<double> Host::ValueOfText(clap_id id, const std::string& text) const {
  double v = 0;
  if (!Params()->text_to_value(plugin, id, text.c_str(), &v)) return std::nullopt;
  return v;
}

std::optional<clap_param_info_t> Host::Info(clap_id id) const {
  for (const clap_param_info_t& info : AllInfo())
    if (info.id == id) return info;
  return std::nullopt;
}

std::vector<clap_param_info_t> Host::AllInfo() const {
  std::vector<clap_param_info_t> all;
  const clap_plugin_params_t* params = Params();
  const uint32_t count = params->count(plugin);
  for (uint32_t i = 0; i < count; ++i) {
    clap_param_info_t info{};
    if (params->get_info(plugin, i, &info)) all.push_back(info);
  }
  return all;
}

namespace {
struct OutStream {
  clap_ostream_t stream;
  std::vector<uint8_t> bytes;
};
struct InStream {
  clap_istream_t stream;
  const std::vector<uint8_t>* bytes;
  size_t at;
  size_t chunk;
};
}  // namespace

std::optional<std::vector<uint8_t>> Host::SaveState() const {
  OutStream out{{nullptr, [](const clap_ostream_t* s, const void* buffer, uint64_t size) -> int64_t {
                   auto* self = static_cast<OutStream*>(s->ctx);
                   const auto* b = static_cast<const uint8_t*>(buffer);
                   self->bytes.insert(self->bytes.end(), b, b + size);
                   return static_cast<int64_t>(size);
                 }},
                {}};
  out.stream.ctx = &out;
  if (!State()->save(plugin, &out.stream)) return std::nullopt;
  return out.bytes;
}

bool Host::LoadState(const std::vector<uint8_t>& bytes, size_t chunkBytes) const {
  InStream in{{nullptr, [](const clap_istream_t* s, void* buffer, uint64_t size) -> int64_t {
                 auto* self = static_cast<InStream*>(s->ctx);
                 size_t n = std::min<size_t>(size, self->bytes->size() - self->at);
                 if (self->chunk > 0) n = std::min(n, self->chunk);
                 if (n > 0) std::memcpy(buffer, self->bytes->data() + self->at, n);
                 self->at += n;
                 return static_cast<int64_t>(n);
               }},
              &bytes, 0, chunkBytes};
  in.stream.ctx = &in;
  return State()->load(plugin, &in.stream);
}

// ---- Main thread.

void Host::RunMainThreadCallbacks() {
  if (plugin == nullptr || !callbackPending.exchange(false)) return;
  plugin->on_main_thread(plugin);
}

void Host::FireTimers() {
  const clap_plugin_timer_support_t* support = TimerSupport();
  if (support == nullptr) return;
  std::vector<clap_id> ids;
  for (const auto& [id, period] : timers) ids.push_back(id);
  for (clap_id id : ids) support->on_timer(plugin, id);
}

std::vector<uint32_t> Host::TimerPeriods() const {
  std::vector<uint32_t> periods;
  for (const auto& [id, period] : timers) periods.push_back(period);
  return periods;
}

std::string Host::GestureTrail(clap_id id, double* lastValue) const {
  std::string trail;
  for (const Sent& s : sent) {
    if (s.param != id) continue;
    if (s.type == CLAP_EVENT_PARAM_GESTURE_BEGIN) trail += 'b';
    if (s.type == CLAP_EVENT_PARAM_GESTURE_END) trail += 'e';
    if (s.type == CLAP_EVENT_PARAM_VALUE) {
      trail += 'v';
      if (lastValue != nullptr) *lastValue = s.value;
    }
  }
  return trail;
}

void Host::ClearRecords() {
  sent.clear();
  rescans.clear();
  flushRequests = callbackRequests = dirtyMarks = 0;
}

int Host::RescanCalls(uint32_t flags) const {
  return static_cast<int>(std::count_if(rescans.begin(), rescans.end(), [&](uint32_t f) { return (f & flags) != 0; }));
}

}  // namespace claphost
