#pragma once
// TPlugCore: the arpeggiator engine. It owns the program rows (TProgramStore) and the real-time
// part (TArpSequencer: clock, keys, chains, notes out), answers parameter and program requests,
// applies and produces chunks and preset files, reacts to the settings whose change has a
// reaction, and hands the editor what changed. The formats reach it through TPlugin (the
// engine's face, engine/Plugin.h); the editor's form binds to it directly.
//
// Threads. The host's user-interface thread (and sometimes others) writes parameters, selects
// programs and applies chunks; its audio thread hands over MIDI and runs blocks. Single
// parameter bytes and flags are relaxed atomics, written and read in place by any thread.
// Everything larger (whole rows, the keys, the clock, the status texts) is changed only under
// the engine lock. The audio thread only ever tries the lock: MIDI that arrives while another
// thread holds it waits in a ring, and a block that cannot take it is counted and caught up by
// the next one.
#include <array>
#include <atomic>
#include <span>
#include <string>
#include <string_view>

#include "engine/EditorListener.h"
#include "engine/EngineHost.h"
#include "engine/EngineLock.h"
#include "engine/MidiTypes.h"
#include "engine/ParamNames.h"
#include "engine/ProgramStore.h"
#include "engine/Sequencer.h"
#include "engine/ShortText.h"

// The outcome of loading a preset file. `message` is a one-line reason when refused.
struct TLoadResult {
  bool ok = true;
  std::string message;
};

class TPlugCore {
 public:
  TPlugCore();
  TPlugCore(const TPlugCore&) = delete;
  TPlugCore& operator=(const TPlugCore&) = delete;

  // What the format does for the engine (see engine/EngineHost.h); null: nothing is told.
  void SetHost(TEngineHost* host) { host_ = host; }
  // The sample rate the own clock runs at while the host gives no time with its blocks.
  void SetSampleRate(double rate);

  // ---- The editor, while one is bound (editor thread); DeliverChanges is its only caller.
  void SetEditorListener(TEditorListener* listener) { editorListener = listener; }
  TEditorListener* EditorListener() const { return editorListener; }
  // While the form builds itself or runs a file command, nothing is delivered to it.
  void SetEditorBusy(bool busy) { editorBusy.store(busy, std::memory_order_relaxed); }
  bool EditorBusy() const { return editorBusy.load(std::memory_order_relaxed); }
  void DeliverChanges();  // editor thread, on every idle tick
  // The next delivery brings the status texts and the playing step, changed or not.
  void RequestStatus();
  void RequestRedraw() { store.RequestRedraw(); }

  // ---- Parameters by tag (any thread).
  int GetParam(int tag, int slot = 0) const { return store.GetParam(tag, slot); }
  void StoreParam(int tag, int value) { store.StoreParam(tag, value); }
  void MarkChanged(int tag, bool on = true) { store.MarkChanged(tag, on); }
  void MarkAllChanged(bool programOnly) { store.MarkAllChanged(programOnly); }
  void MarkStepsChanged() { store.MarkStepsChanged(); }
  void SetParamFromEditor(int tag, int value, bool tellHost);  // editor thread
  // Editor thread: around the changes of one gesture, every step tag included.
  void BeginParamEdit(int tag);
  void EndParamEdit(int tag);
  void SetParamNormalized(int tag, float x);  // host write
  float GetParamNormalized(int tag) const;    // host read, always in 0..1
  float NormalizedOf(int tag, int value) const;  // a value of the tag as the host sees it
  // The catalogue's name and the value's text, from the first instant (any thread).
  ShortText GetParamName(int tag) const;
  ShortText GetParamDisplay(int tag) const;
  static bool CanBeAutomated(int tag) { return tag >= 0 && tag < 256; }
  // The host reads, writes and is told CurChain in 0..NumChains ("none" and every chain in use).
  int CurChainMax() const;
  // CurChain chosen anew (the editor's chain box): the chain switches at the chain quantize.
  void RequestChainSwitch() { sequencer.Chains().RequestSwitch(); }

  // ---- Programs (any thread but the audio thread; they wait for the lock).
  int CurrentProgramIndex() const { return store.CurrentProgram(); }
  // The chain in force (0: none); it follows CurChain at the chain quantize.
  int CurrentChainIndex() const { return sequencer.Chains().InForce(); }
  // The row whose chain section tags 80..149 address, for tools that build a bank's chain
  // sections row by row; -1 goes back to the chain CurChain names.
  void SetCurrentChainIndex(int chain);
  void SelectProgram(int index);
  void InitProgram(bool programOnly);
  void InitChain();
  void InitializeBank();  // the Bank menu's "Initialize"
  void RecallProgram();
  ShortText GetProgramName(int index, int maxLen = kNameChars) const { return store.ProgramName(index, maxLen); }
  void SetProgramName(std::string_view name);
  void PasteProgram(int source);
  void ShiftProgram(int direction);
  void PastePage(int sourceProgram, int sourcePage, int targetPage);
  void ShiftPattern(int delta);  // the editor's "<<" and ">>": the current program's pattern
  void NotifyProgramList();
  bool IsPlaying() const { return sequencer.IsPlaying(); }
  int GetChainPos() const { return sequencer.Chains().ShownPosition(); }

  // ---- Chunks and preset files.
  // The chunk is copied into a buffer of the engine's that stays valid until the next call.
  int GetChunk(bool isPreset, const void** data);
  int SetChunk(const void* data, int byteSize, bool isPreset);
  std::span<const uint8_t> BuildFxp();
  std::span<const uint8_t> BuildFxb();
  TLoadResult ApplyFxp(const uint8_t* data, size_t size);
  TLoadResult ApplyFxb(const uint8_t* data, size_t size);
  // The bank a fresh instance starts with, as its file holds it (its first PresetReadLimit
  // bytes). It is no session the host or the user chose: a program chunk restored over it still
  // brings its global settings, and a bank chunk makes the program it remembers current, as in
  // an instance without it.
  TLoadResult LoadFactoryBank(std::span<const uint8_t> file);
  bool IsChunkLoaded() const { return store.ChunkLoaded(); }

  // ---- Real time (audio thread).
  // One incoming message outside a block: it takes effect at the start of the next block.
  // Handled at once, or queued while another thread holds the engine.
  void HandleMidiIn(int channel, int status, int data1, int data2);
  // A list of messages outside a block: in frame order, keeping the list's order within a
  // frame, all at the start of the next block.
  void HandleMidiInList(std::span<const TMidiEvent> input);
  // One block: the host's time (null when it gives none) and the messages that arrived for it,
  // each taking effect at its frame. Frames outside the block are brought into it; a list out
  // of frame order is taken in frame order, keeping the list's order within a frame. Answers
  // what the block sends, in order, each at its frame; valid until the next block.
  std::span<const TMidiOut> ProcessBlock(int sampleFrames, const THostTime* time,
                                         std::span<const TMidiEvent> input = {});
  static constexpr int kMaxBlockInput = TArpSequencer::kMaxBlockInput;
  // A message from the editor (editor thread); it leaves with the next block.
  bool SendEditorMidi(uint8_t message, uint8_t channel, uint8_t data1, uint8_t data2) {
    return sequencer.SendEditorMidi(message, channel, data1, data2);
  }

 private:
  friend class TEngineGuard;
  friend class TEngineProbe;
  TLoadResult ApplyPresetFile(const uint8_t* data, size_t size, TPresetKind kind);
  TLoadResult ApplyCheckedFile(const TPresetCheck& check, TPresetKind kind);
  void UnlockServicing();
  void ServiceRequests();
  bool RequestsPending() const;
  bool ServiceDue() const;
  void React(int tag, int value);  // any thread
  // A host's write moved PatternShift of the current program by `delta`: its pattern rotates
  // once, under the lock (any thread; it never waits).
  void RequestPatternShift(int delta);
  int HostMax(int tag) const;      // the top of the tag's range as the host sees it
  void ReactToSettingsInForce();   // the lock's holder

  TProgramStore store;
  TArpSequencer sequencer{store};
  TEngineLock lock;
  TEngineHost* host_ = nullptr;
  TEditorListener* editorListener = nullptr;  // editor thread
  std::atomic<bool> editorBusy{true};
  int deferredSamples = 0;   // samples of blocks that could not take the lock (audio thread)
  std::atomic<bool> releaseLatchRequest{false};
  // Host writes made while no program was current and another thread held the lock, by tag
  // (the latest wins); the lock's holder makes them as it lets go.
  static constexpr float kNoPendingWrite = -1.0f;
  std::array<std::atomic<float>, kNumParams> pendingWrites;
  std::atomic<bool> writesPending{false};
  // Rotations host writes of PatternShift asked for, by program, not yet made.
  std::array<std::atomic<int>, kNumPrograms> pendingShifts{};
  std::atomic<bool> shiftsPending{false};
  // The settings whose change has a reaction, with the values in force last reacted to. A host
  // write reacts at once; a change that arrives any other way (a chunk, a preset file,
  // Initialize, paste, Undo, a program change, a chain) reacts when the engine lock that made
  // it is released, as the host write of the new value would have.
  struct TReacted {
    int tag;
    std::atomic<int> value;
  };
  std::array<TReacted, 4> reacted{{{tagLatch, 0}, {tagArpEnabled, 0}, {tagNumChains, 0}, {tagCurChain, 0}}};
  uint32_t reactedVersion = ~0u;  // the store's version last reacted to (the lock's holder)
};

// Holds the engine lock for a scope (never on the audio thread). On release it handles whatever
// other threads asked for meanwhile, and tells the host when the program list changed.
class TEngineGuard {
 public:
  explicit TEngineGuard(TPlugCore& core);
  ~TEngineGuard();
  TEngineGuard(const TEngineGuard&) = delete;
  TEngineGuard& operator=(const TEngineGuard&) = delete;

 private:
  TPlugCore& core;
};
