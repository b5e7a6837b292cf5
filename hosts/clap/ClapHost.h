#pragma once
// The CLAP host the tests, benchmarks and fuzz targets play moltrin.clap with: it loads the
// module (dlopen, LoadLibrary), takes clap_entry and its factory, creates, initialises, activates
// and processes the plug-in with event lists and a scripted transport, and offers the host's
// extensions (thread-check, params, note-ports, timer-support, state, gui), recording what the
// plug-in asks of them and every event it sends.
//
//   claphost::Host h;
//   h.Start(44100, 512);             // create, init, activate, start processing
//   h.Note(true, 0, 60, 0.8, 100);   // a key at frame 100 of the next block
//   h.PlayBlocks(8);                 // transport playing, 8 blocks
//   for (const claphost::Sent& e : h.SentEvents()) ...
//
// Threads: the test's thread is the host's main thread; calls CLAP makes on the audio thread
// (process, start/stop processing, reset, flush while active) are made in the audio role,
// which the host's thread-check reports.
#include <clap/entry.h>
#include <clap/events.h>
#include <clap/ext/gui.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/timer-support.h>
#include <clap/host.h>
#include <clap/plugin-factory.h>
#include <clap/plugin.h>
#include <clap/process.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace claphost {

// The module the tests play: MOLTRIN_CLAP_MODULE if set, else the one this build made (Linux)
// or moltrin.clap beside the running program (Windows).
std::string DefaultModulePath();
// The entry of the module at `path` (loaded once for the whole process; its init called once),
// or null with a reason.
const clap_plugin_entry_t* LoadEntry(const std::string& path, std::string* error = nullptr);

// One event the plug-in sent, copied when the host received it.
struct Sent {
  int block = 0;      // index of the block (0 = the first RunBlock) whose output carried it; -1: a flush
  uint32_t time = 0;  // its frame in that block
  uint16_t type = 0;  // CLAP_EVENT_...
  uint8_t midi[3] = {};           // MIDI
  int16_t channel = -1, key = -1;  // notes
  double velocity = 0;
  clap_id param = CLAP_INVALID_ID;  // values and gestures
  double value = 0;
  // The event as the three bytes of a MIDI message (notes turned into note-on and note-off).
  bool AsMidi(uint8_t bytes[3]) const;
};

// The transport the host reports with each block. While playing, the song position moves on
// after every block: ppq += frames / sampleRate * tempo / 60; the sample position always.
struct Transport {
  bool available = true;  // false: the block carries no transport
  bool playing = false;
  double ppq = 0;
  double tempo = 120;
  double samplePos = 0;
};

class Host {
 public:
  explicit Host(std::string modulePath = DefaultModulePath());
  ~Host();  // deactivates and destroys the plug-in
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // ---- What the host offers (set before Create).
  bool noFactoryBank = true;   // the plug-in's plain defaults, as tests choose programs themselves
  bool offerThreadCheck = true;
  bool offerTimer = true;
  uint32_t dialects = CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;  // what its note ports take
  // The host gui's request_resize: true when the host's window took the size. Unset: refused.
  std::function<bool(uint32_t width, uint32_t height)> requestResize;

  // Factory, create and init. False (see LastError) when any fails.
  bool Create();
  // Create, activate and start processing, as a host does.
  bool Start(double sampleRate = 44100, int blockSize = 512);
  bool Activate(double sampleRate, int blockSize);
  void Deactivate();
  void StartProcessing();
  void StopProcessing();
  void Reset();
  void Destroy();
  const clap_plugin_t* Plugin() const { return plugin; }
  const clap_plugin_descriptor_t* Descriptor() const { return descriptor; }
  const clap_plugin_factory_t* Factory() const { return factory; }
  const std::string& LastError() const { return error; }
  bool Active() const { return active; }

  // The plug-in's extensions (null when it offers none).
  const clap_plugin_params_t* Params() const;
  const clap_plugin_state_t* State() const;
  const clap_plugin_gui_t* Gui() const;
  const clap_plugin_note_ports_t* NotePorts() const;
  const clap_plugin_timer_support_t* TimerSupport() const;

  // ---- Events for the next block (or flush), each at its frame.
  void Note(bool on, int channel, int key, double velocity, uint32_t time = 0);
  void Midi(uint8_t status, uint8_t data1, uint8_t data2, uint32_t time = 0);
  void ParamValue(clap_id id, double value, uint32_t time = 0);
  void TransportAt(const Transport& t, uint32_t time);
  // The queued events are handed over in the order queued (false) or sorted by frame (true).
  bool sortEvents = true;
  // False: what the plug-in sends is not kept (a long run on another thread).
  bool recordEvents = true;
  // The events the host's output list takes in one block or flush; what the plug-in pushes
  // beyond is refused (try_push answers false). Below 0: no limit.
  int outputRoom = -1;

  // ---- Blocks.
  Transport transport;
  double sampleRate = 44100;
  int blockSize = 512;
  // One process call with the queued events; false when the plug-in answered an error.
  bool RunBlock(int frames = -1);
  void RunBlocks(int count, int frames = -1);
  void PlayBlocks(int count, int frames = -1);
  int BlocksRun() const { return blocksRun; }
  clap_process_status LastStatus() const { return lastStatus; }

  // ---- Parameters and state (main thread).
  // The queued values through flush: on the audio thread while active, else on the main thread.
  void Flush();
  // A value written through flush at once.
  void SetParam(clap_id id, double value);
  std::optional<double> Value(clap_id id) const;
  std::string Text(clap_id id, double value) const;
  std::optional<double> ValueOfText(clap_id id, const std::string& text) const;
  std::optional<clap_param_info_t> Info(clap_id id) const;
  std::vector<clap_param_info_t> AllInfo() const;
  // The saved state, or nullopt when the plug-in refused to save.
  std::optional<std::vector<uint8_t>> SaveState() const;
  // `chunkBytes` > 0: the stream hands over at most that many bytes a read.
  bool LoadState(const std::vector<uint8_t>& bytes, size_t chunkBytes = 0) const;

  // ---- The main thread's duties: callbacks the plug-in asked for, and its timers.
  void RunMainThreadCallbacks();
  void FireTimers();
  size_t TimerCount() const { return timers.size(); }
  std::vector<uint32_t> TimerPeriods() const;

  // ---- Records.
  std::vector<Sent> SentEvents() const { return sent; }
  // What the plug-in sent for parameter `id` since the last ClearRecords, in order: 'b' a
  // gesture's begin, 'v' a value, 'e' its end; the last value in `lastValue`.
  std::string GestureTrail(clap_id id, double* lastValue = nullptr) const;
  void ClearRecords();
  int RescanCalls(uint32_t flags) const;  // rescans asking for any of `flags`
  int FlushRequests() const { return flushRequests; }
  int CallbackRequests() const { return callbackRequests; }
  int DirtyMarks() const { return dirtyMarks; }

 private:
  struct QueuedEvent {
    alignas(8) unsigned char bytes[sizeof(clap_event_transport_t) > sizeof(clap_event_param_value_t)
                                       ? sizeof(clap_event_transport_t)
                                       : sizeof(clap_event_param_value_t)];
    const clap_event_header_t* Header() const { return reinterpret_cast<const clap_event_header_t*>(bytes); }
  };
  template <class T>
  void Queue(const T& event);
  clap_event_transport_t TransportEvent(const Transport& t, uint32_t time) const;
  const void* Extension(const char* id) const;
  static const void* HostExtension(const clap_host_t* host, const char* id);
  void Record(const clap_event_header_t* header, int block);

  std::string modulePath;
  std::string error;
  clap_host_t hostRecord{};
  const clap_plugin_entry_t* entry = nullptr;
  const clap_plugin_factory_t* factory = nullptr;
  const clap_plugin_descriptor_t* descriptor = nullptr;
  const clap_plugin_t* plugin = nullptr;
  bool active = false, processing = false;
  int blocksRun = 0;
  int currentBlock = -1;
  clap_process_status lastStatus = CLAP_PROCESS_CONTINUE;
  uint64_t steadyTime = 0;

  std::vector<QueuedEvent> queued;
  std::vector<Sent> sent;
  std::vector<uint32_t> rescans;
  // The plug-in may ask for these from any thread.
  std::atomic<int> flushRequests{0}, callbackRequests{0}, dirtyMarks{0};
  std::atomic<bool> callbackPending{false};
  std::map<clap_id, uint32_t> timers;
  clap_id nextTimer = 1;
};

}  // namespace claphost
