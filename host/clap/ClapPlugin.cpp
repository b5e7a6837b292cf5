#include "host/clap/ClapPlugin.h"

#include <clap/ext/gui.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "editor/Globals.h"
#include "host/boundary/FactoryBank.h"
#include "host/clap/ClapBoundary.h"
#include "host/clap/ClapExtensions.h"
#include "host/clap/ClapGui.h"
#include "platform/DebugOutput.h"

namespace {

[[noreturn]] void WrongThread(const char* expected) {
  WriteDebugLine(std::string("Moltrin: a CLAP call meant for the ") + expected + " thread came from another thread");
  std::abort();
}

template <class T>
const T* HostExtension(const clap_host_t* host, const char* id) {
  if (host == nullptr || host->get_extension == nullptr) return nullptr;
  return static_cast<const T*>(host->get_extension(host, id));
}

void CopyName(char* to, const char* from, size_t size) {
  std::strncpy(to, from, size - 1);
  to[size - 1] = 0;
}

}  // namespace

// ---- The note ports: one in, one out, each taking CLAP notes and MIDI, preferring MIDI.

const clap_plugin_note_ports_t kClapNotePorts = {
    [](const clap_plugin_t* p, bool input) -> uint32_t {
      return Guarded(0u, [&] { return TClapPlugin::Of(p)->NotePortCount(input); });
    },
    [](const clap_plugin_t* p, uint32_t index, bool input, clap_note_port_info_t* info) {
      return Guarded(false, [&] { return TClapPlugin::Of(p)->NotePortInfo(index, input, info); });
    },
};

uint32_t TClapPlugin::NotePortCount(bool /*input*/) const {
  RequireMainThread();
  return 1;
}

bool TClapPlugin::NotePortInfo(uint32_t index, bool input, clap_note_port_info_t* info) const {
  RequireMainThread();
  if (index != 0 || info == nullptr) return false;
  info->id = input ? 0 : 1;
  info->supported_dialects = CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;
  info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
  CopyName(info->name, input ? "Keys in" : "Notes out", sizeof info->name);
  return true;
}

// ---- Lifetime.

TClapPlugin::TClapPlugin(const clap_host_t* host, const clap_plugin_descriptor_t* descriptor,
                         TEditorFormClass formClass)
    : host(host), formClass(formClass) {
  record.desc = descriptor;
  record.plugin_data = this;
  record.init = [](const clap_plugin_t* p) { return Guarded(false, [&] { return Of(p)->Init(); }); };
  record.destroy = [](const clap_plugin_t* p) {
    Guarded([&] {
      Of(p)->RequireMainThread();
      delete Of(p);
    });
  };
  record.activate = [](const clap_plugin_t* p, double rate, uint32_t, uint32_t) {
    return Guarded(false, [&] { return Of(p)->Activate(rate); });
  };
  record.deactivate = [](const clap_plugin_t* p) { Guarded([&] { Of(p)->Deactivate(); }); };
  record.start_processing = [](const clap_plugin_t* p) {
    return Guarded(false, [&] { return Of(p)->StartProcessing(); });
  };
  record.stop_processing = [](const clap_plugin_t* p) { Guarded([&] { Of(p)->StopProcessing(); }); };
  record.reset = [](const clap_plugin_t* p) { Guarded([&] { Of(p)->Reset(); }); };
  record.process = [](const clap_plugin_t* p, const clap_process_t* process) {
    return Guarded(static_cast<clap_process_status>(CLAP_PROCESS_ERROR), [&] { return Of(p)->Process(process); });
  };
  record.get_extension = [](const clap_plugin_t* p, const char* id) {
    return Guarded(static_cast<const void*>(nullptr), [&] { return Of(p)->Extension(id); });
  };
  record.on_main_thread = [](const clap_plugin_t* p) { Guarded([&] { Of(p)->OnMainThread(); }); };

  plugin = std::make_unique<TPlugin>(nullptr);  // the host hears nothing before the bank is in
  editorEngine = plugin->EditorEngine();
  gui = std::make_unique<TClapGui>(*this, formClass);
}

TClapPlugin::~TClapPlugin() {
  // The form goes first: it shows the engine.
  gui.reset();
  plugin->SetHost(nullptr);
}

bool TClapPlugin::Init() {
  hostThreadCheck = HostExtension<clap_host_thread_check_t>(host, CLAP_EXT_THREAD_CHECK);
  RequireMainThread();
  hostParams = HostExtension<clap_host_params_t>(host, CLAP_EXT_PARAMS);
  hostNotePorts = HostExtension<clap_host_note_ports_t>(host, CLAP_EXT_NOTE_PORTS);
  hostState = HostExtension<clap_host_state_t>(host, CLAP_EXT_STATE);
  const bool bankLoaded = LoadFactoryBank();
  chainCountTold.store(plugin->ParamInfo(tagCurChain).max, std::memory_order_relaxed);
  plugin->SetHost(this);
  // The bank's values are not the defaults the parameters' descriptions name: a host that shows
  // the defaults until told otherwise reads the values once it has listed the parameters.
  if (bankLoaded) AskHostToRescan(CLAP_PARAM_RESCAN_VALUES);
  return true;
}

// A missing bank leaves the defaults, and so does a refused one, which is told to whoever
// debugs the plug-in.
bool TClapPlugin::LoadFactoryBank() {
  if (HostExtension<void>(host, kNoFactoryBankExtension) != nullptr) return false;
  const std::string path = PluginFolder() + kFactoryBankFile;
  const std::string refused = LoadFactoryBankFile(*plugin, path);
  if (!refused.empty()) WriteDebugLine("Moltrin: the factory bank " + path + " was not loaded: " + refused);
  return refused.empty() && plugin->CurrentProgram() >= 0;
}

bool TClapPlugin::Activate(double rate) {
  RequireMainThread();
  if (!(rate >= 1.0 && rate <= 1.0e7)) return false;
  sampleRate = rate;
  plugin->SetSampleRate(rate);
  // Notes leave in the dialect the host takes: MIDI where it takes MIDI, else CLAP's notes.
  const uint32_t dialects =
      hostNotePorts != nullptr && hostNotePorts->supported_dialects != nullptr
          ? hostNotePorts->supported_dialects(host)
          : static_cast<uint32_t>(CLAP_NOTE_DIALECT_MIDI);
  sendNotesAsClap = (dialects & CLAP_NOTE_DIALECT_MIDI) == 0 && (dialects & CLAP_NOTE_DIALECT_CLAP) != 0;
  programInBlocks = plugin->CurrentProgram();
  active.store(true, std::memory_order_release);
  return true;
}

void TClapPlugin::Deactivate() {
  RequireMainThread();
  if (!active.exchange(false, std::memory_order_acq_rel)) return;
  // Notes still sounding in the host end at the start of the next block it runs.
  releasePending.store(true, std::memory_order_release);
}

bool TClapPlugin::StartProcessing() {
  RequireAudioThread();
  return active.load(std::memory_order_acquire);
}

void TClapPlugin::StopProcessing() { RequireAudioThread(); }

void TClapPlugin::Reset() {
  RequireAudioThread();
  releasePending.store(true, std::memory_order_release);
}

const void* TClapPlugin::Extension(const char* id) {
  if (id == nullptr) return nullptr;
  if (std::strcmp(id, CLAP_EXT_NOTE_PORTS) == 0) return &kClapNotePorts;
  if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &kClapParams;
  if (std::strcmp(id, CLAP_EXT_STATE) == 0) return &kClapState;
  if (std::strcmp(id, CLAP_EXT_GUI) == 0 && formClass != nullptr) return &kClapGui;
  if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return &kClapTimerSupport;
  return nullptr;
}

void TClapPlugin::OnMainThread() {
  RequireMainThread();
  const uint32_t flags = rescanPending.exchange(0, std::memory_order_acq_rel);
  if (flags != 0 && hostParams != nullptr && hostParams->rescan != nullptr) hostParams->rescan(host, flags);
  if (dirtyPending.exchange(false, std::memory_order_acq_rel) && hostState != nullptr && hostState->mark_dirty != nullptr)
    hostState->mark_dirty(host);
}

void TClapPlugin::AskHostToRescan(uint32_t flags, bool dirty) {
  rescanPending.fetch_or(flags, std::memory_order_acq_rel);
  if (dirty) dirtyPending.store(true, std::memory_order_release);
  if (host != nullptr && host->request_callback != nullptr) host->request_callback(host);
}

// A program chosen inside a block is the host's doing (its program parameter, a program change
// it sent) or the chain playing: the host reads the values anew, and its saved state is not
// called stale for it.
void TClapPlugin::NoteBlockChanges() {
  if (const int program = plugin->CurrentProgram(); program != programInBlocks) {
    programInBlocks = program;
    AskHostToRescan(CLAP_PARAM_RESCAN_VALUES);
  }
  NoteChainCount();
}

// The chain in force keeps one range, up to the most chains there can be (CLAP cannot change a
// range while active); values above the chain count act as the last chain and are shown so.
// Another count changes those texts, and may move the chain in force to the last one.
void TClapPlugin::NoteChainCount() {
  const int count = plugin->ParamInfo(tagCurChain).max;
  if (chainCountTold.exchange(count, std::memory_order_acq_rel) != count)
    AskHostToRescan(CLAP_PARAM_RESCAN_VALUES | CLAP_PARAM_RESCAN_TEXT);
}

// ---- Threads.

void TClapPlugin::RequireMainThread() const {
  if constexpr (TRealtimeScope::kChecked) {
    if (hostThreadCheck != nullptr && hostThreadCheck->is_main_thread != nullptr &&
        !hostThreadCheck->is_main_thread(host))
      WrongThread("main");
  }
}

void TClapPlugin::RequireAudioThread() const {
  if constexpr (TRealtimeScope::kChecked) {
    if (hostThreadCheck != nullptr && hostThreadCheck->is_audio_thread != nullptr &&
        !hostThreadCheck->is_audio_thread(host))
      WrongThread("audio");
  }
}

// ---- What the engine asks of the format.

void TClapPlugin::AutomateParam(int tag, float value) {
  // The host does not echo the plug-in's own values: the write's reactions (latch, chains...)
  // run here, as a VST 2.x host's echo would run them; the engine does not store it twice.
  plugin->SetNormalized(tag, value);
  editorEvents.Push({CLAP_EVENT_PARAM_VALUE, static_cast<uint32_t>(tag), PlainOf(tag, value)});
  if (hostParams != nullptr && hostParams->request_flush != nullptr) hostParams->request_flush(host);
  if (hostState != nullptr && hostState->mark_dirty != nullptr) hostState->mark_dirty(host);
  NoteChainCount();
}

void TClapPlugin::BeginParamEdit(int tag) {
  editorEvents.Push({CLAP_EVENT_PARAM_GESTURE_BEGIN, static_cast<uint32_t>(tag), 0});
  if (hostParams != nullptr && hostParams->request_flush != nullptr) hostParams->request_flush(host);
}

void TClapPlugin::EndParamEdit(int tag) {
  editorEvents.Push({CLAP_EVENT_PARAM_GESTURE_END, static_cast<uint32_t>(tag), 0});
  if (hostParams != nullptr && hostParams->request_flush != nullptr) hostParams->request_flush(host);
}

// Another program (or new names) means other values and texts everywhere: the host reads them
// anew, on its main thread, and saves its state again; a state the host itself restores is not
// stale.
void TClapPlugin::ProgramListChanged() {
  AskHostToRescan(CLAP_PARAM_RESCAN_VALUES | CLAP_PARAM_RESCAN_TEXT, !restoringState);
}
