#pragma once
// TClapPlugin: one plug-in instance, the CLAP adapter over the engine's face. It owns the engine
// (TPlugin) and the editor host, answers the host's calls of the plug-in record and of the
// extensions (note ports, parameters, state, GUI, timer), turns the host's event lists into the
// engine's blocks and the engine's output into the host's list, and does for the engine what it
// asks of a format (TEngineHost).
//
// Threads as CLAP defines them: lifetime, activation, parameters' info, state and the GUI on the
// main thread; process, start/stop processing and reset on the audio thread; flush on the audio
// thread while active, else on the main thread. Checked builds stop at once on a call from the
// wrong thread when the host offers thread-check.
#include <clap/events.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/thread-check.h>
#include <clap/ext/timer-support.h>
#include <clap/host.h>
#include <clap/plugin.h>
#include <clap/process.h>

#include <array>
#include <atomic>
#include <memory>
#include <span>
#include <vector>

#include "editor/EditorForm.h"
#include "engine/Plugin.h"
#include "host/boundary/FixedList.h"
#include "host/boundary/OutgoingNotes.h"
#include "host/clap/EditorEventQueue.h"

class TClapGui;

// The stepped parameter that chooses the program (1..64). Tags are 0..575 and stay below this
// id for good, so the two never collide.
constexpr clap_id kProgramParamId = 1000000;
// A host (a test, a tool) that offers an extension of this name asks for the plug-in's plain
// defaults: the factory bank beside the module is not loaded.
constexpr const char* kNoFactoryBankExtension = "org.moltrin.no-factory-bank";
constexpr int kMaxInEventsPerBlock = 4096;

class TClapPlugin final : public TEngineHost {
 public:
  TClapPlugin(const clap_host_t* host, const clap_plugin_descriptor_t* descriptor, TEditorFormClass formClass);
  ~TClapPlugin();
  TClapPlugin(const TClapPlugin&) = delete;
  TClapPlugin& operator=(const TClapPlugin&) = delete;

  const clap_plugin_t* Record() const { return &record; }
  static TClapPlugin* Of(const clap_plugin_t* plugin) { return static_cast<TClapPlugin*>(plugin->plugin_data); }

  // ---- Lifetime (main thread; start/stop processing and reset on the audio thread).
  bool Init();
  bool Activate(double sampleRate);
  void Deactivate();
  bool StartProcessing();
  void StopProcessing();
  void Reset();
  clap_process_status Process(const clap_process_t* process);
  const void* Extension(const char* id);
  void OnMainThread();

  // ---- Note ports (main).
  uint32_t NotePortCount(bool input) const;
  bool NotePortInfo(uint32_t index, bool input, clap_note_port_info_t* info) const;

  // ---- Parameters (ClapParams.cpp).
  uint32_t ParamCount() const;
  bool ParamInfo(uint32_t index, clap_param_info_t* info) const;
  bool ParamValue(clap_id id, double* value) const;
  bool ParamValueToText(clap_id id, double value, char* display, uint32_t size) const;
  bool ParamTextToValue(clap_id id, const char* display, double* value) const;
  void Flush(const clap_input_events_t* in, const clap_output_events_t* out);

  // ---- State (main; ClapState.cpp).
  bool SaveState(const clap_ostream_t* stream);
  bool LoadState(const clap_istream_t* stream);

  // ---- The editor (main; ClapGui.cpp).
  TClapGui& Gui() { return *gui; }

  // ---- What the engine asks of the format.
  void AutomateParam(int tag, float value) override;  // editor (main) thread
  void BeginParamEdit(int tag) override;
  void EndParamEdit(int tag) override;
  void ProgramListChanged() override;  // thread of the change

  // Checked builds: stop when the calling thread is not the one CLAP names for the call.
  void RequireMainThread() const;
  void RequireAudioThread() const;

  const clap_host_t* Host() const { return host; }
  TPlugin& Face() { return *plugin; }
  TPlugCore** EngineReference() { return &editorEngine; }

 private:
  // Whether the factory bank was loaded.
  bool LoadFactoryBank();
  // What the host is to read again (CLAP_PARAM_RESCAN_... flags), asked of it on its main
  // thread; `dirty`: the state it saves has changed too. Any thread.
  void AskHostToRescan(uint32_t flags, bool dirty = false);
  // After a block: another program (a program change message, a chain) or another chain count.
  void NoteBlockChanges();
  // The chain count changed the text of the chain in force's values: the host shows them anew.
  void NoteChainCount();
  // One host parameter value, at the point of the block reached (audio thread, or main when
  // inactive).
  void TakeParamValue(const clap_event_param_value_t& event);
  // The block's messages kept so far (or those at the sub-block's first frame) take effect now,
  // ahead of what follows them.
  void TakeInputNow(bool onlyAtStart);
  // The block's input up to `frame` is played as one sub-block (none when `frame` is where the
  // sub-block begins).
  void RunTo(int32_t frame, const clap_output_events_t* out);
  void PlayPart(int32_t end, const clap_output_events_t* out);
  void Send(std::span<const TMidiOut> sent, int32_t offset, const clap_output_events_t* out);
  // One message into the host's list at `frame`, in the dialect the host takes; false when the
  // host did not take it.
  bool Push(const clap_output_events_t* out, uint8_t status, uint8_t data1, uint8_t data2, int32_t frame);
  void SendEditorEvents(const clap_output_events_t* out);
  void BeginOutput(const clap_output_events_t* out);
  // Plain host value of a parameter and back.
  double PlainOf(clap_id id, float normalized) const;
  float NormalizedOf(clap_id id, double plain) const;

  clap_plugin_t record{};
  const clap_host_t* host;
  const clap_host_params_t* hostParams = nullptr;
  const clap_host_note_ports_t* hostNotePorts = nullptr;
  const clap_host_thread_check_t* hostThreadCheck = nullptr;
  const clap_host_state_t* hostState = nullptr;
  TEditorFormClass formClass;

  std::unique_ptr<TPlugin> plugin;
  TPlugCore* editorEngine = nullptr;  // its address is the engine reference handed to the form
  std::unique_ptr<TClapGui> gui;

  double sampleRate = 44100;
  std::atomic<bool> active{false};
  bool sendNotesAsClap = false;  // the host's ports take CLAP notes and no MIDI

  // Audio thread: the block being walked.
  TFixedList<TMidiEvent, kMaxInEventsPerBlock> input;    // frames from the sub-block's start
  TFixedList<TMidiEvent, kMaxInEventsPerBlock> carried;  // beyond the part being played
  int32_t subBlockStart = 0;
  bool haveTime = false;
  // The host's time at the sub-block's first frame; after a block, where the block ended.
  THostTime subBlockTime{};

  TOutgoingNotes outgoing;                  // audio thread: the notes sent and not yet ended
  int programInBlocks = -1;                 // audio thread: the program in force after the last block
  std::atomic<bool> releasePending{false};  // deactivated or reset: the sounding notes are to end
  TEditorEventQueue editorEvents;           // main thread to the next process or flush
  std::atomic<uint32_t> rescanPending{0};   // what the host is to read anew on its main thread
  std::atomic<bool> dirtyPending{false};    // the host is to mark its saved state stale
  std::atomic<int> chainCountTold{0};       // the chain count the host's texts of CurChain follow
  bool restoringState = false;              // main thread: inside LoadState
};
