#pragma once
// TPlugCore: the arpeggiator engine. It keeps the 64 program rows, answers parameter and
// program requests, applies and produces chunks and preset files, and turns incoming MIDI
// and the host's clock into the pattern's notes.
//
// Threads. The host's user-interface thread (and sometimes others) writes parameters,
// selects programs and applies chunks; its audio thread hands over MIDI and runs blocks.
// Single parameter bytes and flags are relaxed atomics, written and read in place by any
// thread. Everything larger (whole rows, the key pools, the clock, the status texts) is
// changed only under the engine lock. The audio thread only ever tries the lock: MIDI that
// arrives while another thread holds it waits in a ring, and a block that cannot take it
// is counted and caught up by the next one.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "engine/EngineLock.h"
#include "engine/EditorListener.h"
#include "engine/Hook.h"
#include "engine/InputKeyFilter.h"
#include "engine/KeyPool.h"
#include "engine/ParamNames.h"
#include "engine/PresetFile.h"
#include "engine/ShortText.h"
#include "engine/SpscRing.h"

// Clears a flag another thread raises and tells whether it was raised. The plain load first
// keeps the usual case, a flag not raised, free of a read-modify-write.
inline bool TakeFlag(std::atomic<bool>& flag, std::memory_order order = std::memory_order_acq_rel) {
  return flag.load(std::memory_order_relaxed) && flag.exchange(false, order);
}

// The host's transport as the host reports it, before any checks.
struct THostTime {
  double ppqPos = 0;
  double samplePos = 0;
  double sampleRate = 0;
  double tempo = 0;
  bool playing = false;
};

// The texts of the status panel.
struct TStatusRecord {
  ShortText Beat;      // "Beat:"
  ShortText Step;      // "Step:"
  ShortText NoteOut;   // notes sent for the current step
  ShortText KeysPre;   // "In keys pre-filter:"
  ShortText KeysPost;  // "In keys post-filter:"
  ShortText Chord;     // "Detected chord:"
};

// The program's settings as one block sees them, read once at the block's start.
struct TBlockSettings {
  int Steps = 16;
  int Sync = 3;
  int InQuantizeLen = 1;     // input quantize length in steps
  int OutChannel = 0;        // MIDIOut_Ch - 1
  int ChainQuantizeLen = 1;  // chain quantize length in steps
  int RestartOnKey = 0;
  int Gate = 100;
  int Swing = 0;
  int ScaleRoot = -1;        // ForceScale_Key - 1
  int Scale = -1;            // ForceScale - 1
  bool FollowChord = false;
  bool LockPage = false;
  int SelectedPage = 0;
};

// One incoming channel message as the bridge splits it.
struct TMidiMsg {
  uint8_t channel = 0;  // 0..15
  uint8_t status = 0;   // status byte with the channel bits cleared
  uint8_t data1 = 0;
  uint8_t data2 = 0;
};

// An incoming message and the frame of the block at which it takes effect.
struct TMidiEvent {
  int32_t frame = 0;
  TMidiMsg msg;
};

struct TIdentity {
  const char* EffectName = "Moltrin";
  const char* VendorString = "Moltrin Arpeggiator Works";
  const char* ProductString = "Moltrin";
  int32_t VendorVersion = 131;
  char UniqueID[4] = {'K', 'q', '4', 'v'};
};

// The outcome of loading a preset file. `message` is a one-line reason when refused.
struct TLoadResult {
  bool ok = true;
  std::string message;
};

using TProgramRow = std::array<int8_t, kNumParams>;
using TProgramMatrix = std::array<TProgramRow, kNumPrograms>;

constexpr double kSyncRateTable[12] = {12.0, 8.0, 6.0, 4.0, 3.0, 2.0, 1.5, 1.0, 16.0 / 3.0, 8.0 / 3.0, 4.0 / 3.0, 2.0 / 3.0};

class TPlugCore {
 public:
  TPlugCore();
  TPlugCore(const TPlugCore&) = delete;
  TPlugCore& operator=(const TPlugCore&) = delete;

  const TIdentity Identity{};

  // ---- Hooks installed by the plug-in object.
  THook<bool(THostTime&)> GetTimeInfo;  // audio thread; false when the host gives no time
  THook<void(uint8_t message, uint8_t channel, uint8_t data1, uint8_t data2, int32_t deltaFrames)>
      SendMidi;                                     // audio thread
  THook<void(int tag, float value)> OnParamAutomate;  // thread of the editor change
  // The user takes a tag's control and lets go of it (editor thread): touch automation.
  THook<void(int tag)> OnParamBeginEdit;
  THook<void(int tag)> OnParamEndEdit;
  THook<void()> OnProgramListChanged;               // thread of the program-list change

  // ---- The editor, while one is bound (editor thread); DeliverChanges is its only caller.
  void SetEditorListener(TEditorListener* listener) { editorListener = listener; }
  TEditorListener* EditorListener() const { return editorListener; }

  // ---- Parameters by tag (any thread).
  int GetParam(int tag, int slot = 0) const;
  void StoreParam(int tag, int value);
  void MarkChanged(int tag, bool on = true);
  void SetParamFromEditor(int tag, int value, bool tellHost);  // editor thread
  // Editor thread: around the changes of one gesture, every step tag included.
  void BeginParamEdit(int tag);
  void EndParamEdit(int tag);
  void SetParamNormalized(int tag, float x);                   // host write
  float GetParamNormalized(int tag) const;                     // host read, always in 0..1
  // The catalogue's name and the value's text, from the first instant (any thread).
  ShortText GetParamName(int tag) const;
  ShortText GetParamDisplay(int tag) const;
  static bool CanBeAutomated(int tag) { return tag >= 0 && tag < 256; }
  // The host reads, writes and is told CurChain in 0..NumChains ("none" and every chain in use).
  int CurChainMax() const { return std::clamp(GetParam(tagNumChains), 1, 16); }
  void MarkAllChanged(bool programOnly);
  void MarkStepsChanged();
  void DeliverChanges();  // editor thread, on every idle tick

  // ---- Programs (any thread but the audio thread; they wait for the lock).
  int CurrentProgramIndex() const { return CurrentProgram.load(std::memory_order_relaxed); }
  int CurrentChainIndex() const { return CurrentChain.load(std::memory_order_relaxed); }
  void SelectProgram(int index);
  void InitProgram(bool programOnly);
  void InitChain();
  void InitializeBank();  // the Bank menu's "Initialize"
  void RecallProgram();
  ShortText GetProgramName(int index, int maxLen = kNameChars) const;
  void SetProgramName(std::string_view name);
  void PasteProgram(int source);
  void ShiftProgram(int direction);
  void PastePage(int sourceProgram, int sourcePage, int targetPage);
  void ShiftPattern(int delta);
  void NotifyProgramList();
  bool IsPlaying() const { return playingShown.load(std::memory_order_relaxed); }
  int GetChainPos() const { return chainPosShown.load(std::memory_order_relaxed); }

  // ---- Chunks and preset files.
  // The chunk is copied into a buffer of the engine's that stays valid until the next call.
  int GetChunk(bool isPreset, const void** data);
  int SetChunk(const void* data, int byteSize, bool isPreset);
  std::span<const uint8_t> BuildFxp();
  std::span<const uint8_t> BuildFxb();
  TLoadResult ApplyFxp(const uint8_t* data, size_t size);
  TLoadResult ApplyFxb(const uint8_t* data, size_t size);
  TLoadResult LoadFxp(const std::string& path);  // a missing file loads nothing and is no error
  TLoadResult LoadFxb(const std::string& path);
  // The bank a fresh instance starts with. It is no session the host or the user chose: a
  // program chunk restored over it still brings its global settings, and a bank chunk makes
  // the program it remembers current, as in an instance without it.
  TLoadResult LoadFactoryBank(const std::string& path);
  bool IsChunkLoaded() const { return ChunkLoaded.load(std::memory_order_relaxed); }

  // ---- Real time.
  // One incoming message outside a block (audio thread): it takes effect at the start of the
  // next block. Handled at once, or queued while another thread holds the engine.
  void HandleMidiIn(int channel, int status, int data1, int data2);
  // A list of messages outside a block (audio thread): in frame order, keeping the list's order
  // within a frame, all at the start of the next block.
  void HandleMidiInList(std::span<const TMidiEvent> input);
  // One block (audio thread), with the messages that arrived for it, each taking effect at its
  // frame. Frames outside the block are brought into it; a list out of frame order is taken in
  // frame order, keeping the list's order among messages of one frame.
  void ProcessBlock(int sampleFrames, std::span<const TMidiEvent> input = {});
  static constexpr int kMaxBlockInput = 8192;  // messages of one block sorted by frame
  // A message from the editor (editor thread); it leaves with the next block.
  bool SendEditorMidi(uint8_t message, uint8_t channel, uint8_t data1, uint8_t data2);

  // ================= State. Each field says who writes it. =================

  // Parameter rows: single bytes through atomic_ref (any thread); whole rows under the lock.
  TProgramMatrix Programs{};
  TProgramMatrix SavedPrograms{};  // under the lock

  std::array<std::atomic<uint8_t>, kNumParams> ParamChanged{};  // any thread
  std::atomic<bool> AnyChanged{false};
  std::atomic<bool> ChangesPending{false};
  std::atomic<bool> RedrawPending{false};

  std::atomic<int> CurrentProgram{-1};  // under the lock
  std::atomic<int> CurrentChain{0};     // under the lock
  int LastPatternShift = 0;             // editor thread
  std::atomic<bool> ChunkLoaded{false};
  std::atomic<bool> GlobalsValid{false};  // row 0's global section holds real settings
  std::atomic<bool> EditorBusy{true};

  // Keys and sounding notes: under the lock.
  TInKeyFilter KeyFilter;
  TKeyPool OutPool;   // arpeggiator notes sounding
  TKeyPool ThruPool;  // thru notes sounding
  std::array<uint8_t, 128> OutNoteChannel{};   // channel each sounding arpeggiator pitch went out on
  std::array<uint8_t, 128> ThruNoteChannel{};  // the same for thru pitches
  // The input channels whose key-down of each note reached the key filter: their key-ups are
  // honoured even after the input channel changed.
  std::array<uint16_t, 128> HeldChannels{};
  // The thru pitches each input note sent and has not yet released, so that its note-off
  // releases exactly those, whatever the settings are by then: runs of holds of one pitch, the
  // latest last. Keys are known by note alone, whatever their channel, as in the key filter.
  struct TThruSent {
    static constexpr int kRuns = 4;
    uint8_t runs = 0;
    uint8_t pitch[kRuns] = {};
    uint32_t holds[kRuns] = {};
  };
  std::array<TThruSent, 128> ThruSent{};
  std::array<uint32_t, 128> ThruHolds{};  // holds of each thru pitch sounding, from every key

  // Clock (audio thread, under the lock). Positions are double precision: a song hours long
  // still places every step on its frame.
  double Ppq = 0;
  double PrevPpq = 0;
  double SamplePos = 0;
  double SamplePosAtPpqChange = 0;
  double SampleRate = 44100.0;
  double Tempo = 120.0;
  bool Playing = false;
  bool PrevPlaying = false;
  bool TransportChanged = false;
  double StepsPerBeat = 4.0;
  double SamplesPerStep = 0;
  double StepPos = 0;
  int StepCount = 0;
  int CurStep = -1;
  int LastStep = -1;
  // Whole steps since the pattern's start before the wrap: a new step of a one-step pattern,
  // or a jump by whole cycles, changes it while CurStep stays the same.
  int AbsStep = -1;
  int LastAbsStep = -1;
  int GridSync = -1;   // the rate and length AbsStep was counted in
  int GridSteps = -1;
  int DisplayStep = -1;
  double StepPosAtStep = 0;
  double PpqAtStep = 0;
  double RestartPpq = 0;
  bool RestartSynced = false;
  bool FreeRun = false;
  double FreeRunSamples = 0;
  bool KeyWait = false;
  double KeyWaitSamples = 0;
  std::atomic<bool> ReleaseAll{false};  // any thread
  bool ReleaseArpNotes = false;         // transport stop or clock stop: end every arpeggiator note
  bool KeyEvent = false;
  std::atomic<bool> StepChanged{false};
  std::atomic<bool> StatusDirty{false};
  TKeyList NoteOutKeys{};  // the notes last sent; named for the status panel when it is built
  TBlockSettings Block;
  // Keys went down with restart on key before the block (outside it, or held as the transport
  // starts): the restart point is the song position of the block's start.
  bool RestartPending = false;

  // Chains (audio thread, under the lock).
  int ChainPos = 0;
  std::atomic<bool> ChainSwitchRequest{false};  // any thread

 private:
  friend class TEngineGuard;
  // ---- Work done under the lock (the caller holds it).
  void EnsureCurrentProgram();
  int ProgramToMakeCurrent() const;
  void InitCurrentIfEmpty();
  bool GlobalCopyBlank(int row) const;  // a row's copy of the global settings is all zeros
  // The record a program chunk saves of `index`, written to `out` without changing anything:
  // as the row stands, or as selecting it would initialise it.
  void ProgramRecord(int index, int8_t* out) const;
  void SelectProgramLocked(int index);
  void InitProgramLocked(bool programOnly);
  void InitChainLocked();
  void SetProgramNameLocked(std::string_view name);
  int SetChunkLocked(const int8_t* data, int byteSize, bool isPreset);
  void CopyGlobalsToRow(int row);
  TLoadResult ApplyPresetFile(const uint8_t* data, size_t size, TPresetKind kind);
  TLoadResult LoadPresetFile(const std::string& path, TPresetKind kind);
  void ClampRows(int beginByte, int endByte);
  // True when the message may have changed what the clock has due: keys, the program, the
  // sounding notes.
  bool HandleMidiLocked(const TMidiMsg& msg);
  void ProcessBlockLocked(int sampleFrames, int lateSamples, std::span<const TMidiEvent> input);
  // Orders a list by frame (audio thread); the order is read through InputFrame.
  int OrderInput(std::span<const TMidiEvent> input);
  int InputFrame(std::span<const TMidiEvent> input, int position, int sampleFrames) const;
  // Starts the own clock at the frame being worked on (0 outside a block).
  void StartOwnClock();
  void TakeOwnClockTime();
  void ServiceRequests();
  void UnlockServicing();
  bool RequestsPending() const;
  void TakeBlockSettings();  // also the step length, from the rate, tempo and sample rate
  void UpdateTime();
  // What the clock reads at one frame of the block: the position, the step it lies in, and
  // how far ahead the next step boundary lies.
  struct TClockReading {
    int frame = -1;        // the frame read
    bool running = false;  // false: no step (before the pattern's start, or not yet synced)
    double stepPos = 0;
    int stepCount = 0;
    int absStep = -1;
    int curStep = -1;
    int displayStep = -1;
    bool synced = false;           // RestartSynced after this reading
    double framesToBoundary = 0;   // estimated frames to the next step boundary
    double framesPerStep = 0;      // frames per unit of StepPos within the current step
    double toBoundary = 0;         // units of StepPos to the next step boundary
    double lagFrames = 0;          // frames the clock still waits at the seam floor
  };
  double RawPosition(int frame) const;  // steps, before cycles, restart, swing and wrap
  bool ClockIdle() const;
  void StartSeam();
  TClockReading ReadClock(int frame) const;
  void TakeReading(const TClockReading& reading);
  bool IsNewStep(const TClockReading& reading) const;
  bool SomethingHappens(const TClockReading& reading) const;
  bool KeyWaitEndsBy(int frame) const;
  // The first frame after `frame` at which a step begins, a note ends or the key wait ends;
  // blockFrames when there is none in the block. `at` receives the clock read there.
  int NextEventFrame(int frame, const TClockReading& reading, int blockFrames, TClockReading& at) const;
  double PpqAt(int frame) const;
  // Everything due at one frame: releases, the chain check and the step's notes. `known` is
  // the clock already read at that frame, if any.
  TClockReading StepAt(int frame, bool blockStart, const TClockReading* known);
  void ReleaseNotes(bool releaseAll, bool transportChanged);
  bool ChainCheck();  // true when it selected another program
  void SwitchChain(int chain);
  void AdvanceChain();
  void GenerateAndSend();
  // Queues a message for the end of the block. Note-offs may use the whole list; everything
  // else leaves room for them, so that no flood of other messages can crowd out the end of a
  // note. False when the message was dropped.
  bool Emit(int message, int channel, int data1, int data2);
  bool RoomForNoteOn() const { return outCount < kOutCapacity - kNoteOffReserve; }
  void FlushOutput();
  void SendFrame(int begin, int end);
  void ReleaseThruNotes();
  void ThruNoteOn(int note, int velocity, int outChannel);
  void ThruNoteOff(int note, int velocity);
  int QuantizeLength(int value) const;
  bool NewStep() const { return CurStep != LastStep || AbsStep != LastAbsStep; }
  // The pattern came round (or left its steps): every sounding note ends.
  bool Wrapped() const { return NewStep() && CurStep <= LastStep; }
  TTransformSettings TransformSettings() const;
  TEditorListener* editorListener = nullptr;  // editor thread
  TStatusRecord BuildStatus();

  // Raw row access by the addressing rule (globals row 0, chain row CurrentChain, program row
  // CurrentProgram, or row 0 while no program is current).
  int RowFor(int tag) const;
  int8_t LoadByte(int row, int tag) const {
    return std::atomic_ref<int8_t>(const_cast<int8_t&>(Programs[row][tag])).load(std::memory_order_relaxed);
  }
  void StoreByte(int row, int tag, int8_t value) {
    std::atomic_ref<int8_t>(Programs[row][tag]).store(value, std::memory_order_relaxed);
  }

  TEngineLock lock;
  bool programChosen = false;  // under the lock: a program was made current, other than by the factory bank
  std::atomic<bool> releaseLatchRequest{false};
  // Host writes made while no program was current and another thread held the lock, by tag
  // (the latest wins); the lock's holder makes them as it lets go.
  static constexpr float kNoPendingWrite = -1.0f;
  std::array<std::atomic<float>, kNumParams> pendingWrites;
  std::atomic<bool> writesPending{false};
  // The program list changed under the lock (a program was made current or initialised); the
  // host is told once the lock is let go, on the thread that changed it.
  std::atomic<bool> programListPending{false};
  // The settings whose change has a reaction, with the values in force last reacted to. A
  // host write reacts at once; a change that arrives any other way (a chunk, a preset file,
  // Initialize, paste, Undo, a program change, a chain) reacts when the engine lock that made
  // it is released, as the host write of the new value would have.
  struct TReacted {
    int tag;
    std::atomic<int> value;
  };
  std::array<TReacted, 4> reacted{{{tagLatch, 0}, {tagArpEnabled, 0}, {tagNumChains, 0}, {tagCurChain, 0}}};
  void React(int tag, int value);   // any thread
  int HostMax(int tag) const;       // the top of the tag's range as the host sees it
  void ReactToSettingsInForce();    // lock holder
  std::atomic<bool> playingShown{false};
  std::atomic<int> chainPosShown{0};
  int deferredSamples = 0;  // samples of blocks that could not take the lock (audio thread)
  struct TOutMsg {
    uint8_t message, channel, data1, data2;
    int32_t frame;  // frame of the block at which it leaves
  };
  int emitFrame = 0;  // frame of the block being worked on; 0 outside the block (incoming MIDI)
  bool inBlock = false;  // a block is being worked through: its time has been read
  // The messages of the list being worked on, by position in frame order (indexes into the
  // list; audio thread); used only when the list came out of frame order.
  std::array<uint16_t, kMaxBlockInput> inputOrder{};
  bool inputSorted = true;
  // The clock never runs backwards by less than this many steps between blocks: a host whose
  // song position is coarser than a frame (ticks of a tempo map, a narrowed value) may report a
  // block's start a little behind where the last block ended.
  static constexpr double kSeamTolerance = 0.5;
  double seamPos = 0;      // raw position (steps) at which the last block ended
  bool seamValid = false;  // the last block ran the clock, in the rate of seamSync
  int seamSync = -1;
  double floorPos = 0;     // the clock's raw position is held at or above this during the block
  bool floorActive = false;
  void NoteClockRestart() { seamValid = false; }
  static constexpr int kOutCapacity = 2047;  // what the host takes in one block
  static constexpr int kNoteOffReserve = 64;
  std::array<TOutMsg, kOutCapacity> outList{};  // under the lock; sent at the end of each block
  int outCount = 0;
  TSpscRing<TMidiMsg, 4096> midiIn;       // audio thread -> lock holder
  TSpscRing<TMidiMsg, 1024> editorMidi;   // editor thread -> audio thread (status = full message)

  std::array<uint8_t, kFxbSize> fileBuffer{};
  // What the host is handed for a bank and for a program: two buffers, so that asking for one
  // never overwrites the other while the host still reads it.
  std::array<int8_t, kBankChunkSize> chunkBuffer{};
  std::array<int8_t, kProgramChunkSize> programChunkBuffer{};
  std::array<int8_t, kBankChunkSize> convertBuffer{};
};

// Holds the engine lock for a scope (never on the audio thread). On release it handles
// whatever other threads asked for meanwhile.
class TEngineGuard {
 public:
  explicit TEngineGuard(TPlugCore& core);
  ~TEngineGuard();
  TEngineGuard(const TEngineGuard&) = delete;
  TEngineGuard& operator=(const TEngineGuard&) = delete;

 private:
  TPlugCore& core;
};
