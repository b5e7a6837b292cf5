#pragma once
// TProgramStore: the 64 program rows of 576 one-byte settings, the program and chain in force,
// the marks of what changed for the editor, and everything done to rows: selection and
// initialisation, names, paste and shift, chunks and preset files.
//
// Threads. Single settings are relaxed atomics (std::atomic_ref), read and written in place by
// any thread; the marks are atomics too. Everything else changes whole rows and is done under
// the engine lock, by whoever holds it.
#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

#include "engine/ParamNames.h"
#include "engine/PresetFile.h"
#include "engine/ShortText.h"

using TProgramRow = std::array<int8_t, kNumParams>;
using TProgramMatrix = std::array<TProgramRow, kNumPrograms>;

class TProgramStore {
 public:
  // ---- Settings by tag (any thread). Rows by the addressing rule: the global settings in
  // row 0, the chain's in the row of the chain CurChain names (ChainRow), the program's in the
  // current program's row (row 0 while none is current). Settings never initialised read as
  // their defaults, a chain section never initialised too; a write into such a section
  // initialises it first, as switching to it would.
  int GetParam(int tag, int slot = 0) const;
  void StoreParam(int tag, int value);
  int8_t LoadByte(int row, int tag) const {
    return std::atomic_ref<int8_t>(const_cast<int8_t&>(rows_[row][tag])).load(std::memory_order_relaxed);
  }
  void StoreByte(int row, int tag, int8_t value) {
    std::atomic_ref<int8_t>(rows_[row][tag]).store(value, std::memory_order_relaxed);
    Touch();
  }
  // Counts every change of a setting or of what is in force, so that the audio thread reads the
  // settings again only when something changed. A reader that sees a count also sees what was
  // stored before it.
  uint32_t Version() const { return version_.load(std::memory_order_acquire); }

  // ---- What changed, for the editor (any thread marks; the editor thread takes).
  void MarkChanged(int tag, bool on = true);
  void MarkAllChanged(bool programOnly);
  void MarkStepsChanged();
  void MarkChainSection();  // the chain settings the editor shows: slots, bank, program, volume
  // True once after something was marked; then TakeMark answers each tag once.
  bool TakeChanges();
  bool TakeMark(int tag) { return changed_[tag].exchange(0, std::memory_order_relaxed) != 0; }
  void RequestRedraw() { redrawPending_.store(true, std::memory_order_relaxed); }
  bool TakeRedraw() { return redrawPending_.exchange(false, std::memory_order_relaxed); }

  // ---- What is in force (any thread reads; the lock's holder changes it).
  int CurrentProgram() const { return currentProgram_.load(std::memory_order_relaxed); }
  // The row whose chain section tags 80..149 address: the chain CurChain names, at once, on
  // every thread, whether or not the chain player has switched to it yet. So a value read is
  // written back to the chain it was read from, and a chain's settings written right after
  // CurChain land in that chain. Tools that build a bank address the rows themselves
  // (SetChainRow; -1 follows CurChain again).
  int ChainRow() const;
  void SetChainRow(int row) { chainRow_.store(row, std::memory_order_relaxed); }
  // A chain's setting as switching to it reads it (its defaults while never initialised).
  int ChainValue(int chain, int tag) const;
  bool GlobalsValid() const { return globalsValid_.load(std::memory_order_relaxed); }
  bool ChunkLoaded() const { return chunkLoaded_.load(std::memory_order_relaxed); }

  // ---- Under the engine lock.
  // A program is made current if none is (the one a restored bank remembers, or the first).
  void EnsureCurrent();
  void Select(int index);
  void InitProgram(bool programOnly);
  void InitChain();  // the section ChainRow addresses
  void InitChainRow(int row);
  void InitializeBank();  // every program to its defaults, the first one current
  void Recall();          // the current program as last loaded
  ShortText ProgramName(int index, int maxLen = kNameChars) const;
  void SetProgramName(std::string_view name);
  void Paste(int source);
  void Shift(int direction);
  void PastePage(int sourceProgram, int sourcePage, int targetPage);
  void ShiftPattern(int delta);  // the current program's
  void ShiftPatternOf(int program, int delta);

  // Chunks and preset files (Persistence.cpp). The chunk and the file image are copied into
  // buffers of the store that stay valid until the next call.
  int GetChunk(bool isPreset, const void** data);
  int SetChunk(const int8_t* data, int byteSize, bool isPreset);
  std::span<const uint8_t> BuildFxp();
  std::span<const uint8_t> BuildFxb();
  // A file that passed its checks.
  void ApplyFile(const TPresetCheck& check, TPresetKind kind);
  // The bank a fresh instance starts with is no session the host or the user chose: what it
  // leaves of the marks a chunk sets is put back after it.
  struct TSessionMarks {
    bool chunkLoaded;
    bool programChosen;
  };
  TSessionMarks SessionMarks() const { return {ChunkLoaded(), programChosen_}; }
  void RestoreSessionMarks(const TSessionMarks& marks);

  // ---- What the lock's holder reacts to, each answered once.
  // The program list changed (a program was made current or initialised): the host is told.
  bool TakeProgramListChanged() { return programListChanged_.exchange(false, std::memory_order_acq_rel); }
  void ForgetProgramListChanged() { programListChanged_.store(false, std::memory_order_relaxed); }
  // A selection left a latched program for one without latch: the latched keys are let go.
  bool TakeLatchDropped() { return std::exchange(latchDropped_, false); }
  // A bank put a chain in force.
  bool TakeChainRestored() { return std::exchange(chainRestored_, false); }
  bool ChangesToTake() const { return latchDropped_ || chainRestored_; }

  // ---- For tests and tools that check the rows themselves.
  const TProgramMatrix& Rows() const { return rows_; }
  const TProgramMatrix& SavedRows() const { return savedRows_; }

 private:
  void Touch() { version_.fetch_add(1, std::memory_order_release); }
  void SetCurrentProgram(int index) {
    currentProgram_.store(index, std::memory_order_relaxed);
    Touch();
  }
  void SetGlobalsValid() {
    globalsValid_.store(true, std::memory_order_relaxed);
    Touch();
  }
  int RowFor(int tag) const;
  bool ChainSectionBlank(int row) const { return LoadByte(row, tagChainInit) == 0; }
  int ProgramToMakeCurrent() const;
  void InitCurrentIfEmpty();
  bool GlobalCopyBlank(int row) const;  // a row's copy of the global settings is all zeros
  void CopyGlobalsToRow(int row);
  // With no program current: stores what the first selection of the program to make current
  // will store (its row and the global settings initialised where empty), leaving it not current.
  void StoreFirstSelection();
  // The record a program chunk saves of `index`, written to `out` without changing anything:
  // as the row stands, or as selecting it would initialise it.
  void ProgramRecord(int index, int8_t* out) const;
  void ClampRows(int beginByte, int endByte);

  TProgramMatrix rows_{};
  TProgramMatrix savedRows_{};  // as last loaded
  std::atomic<int> currentProgram_{-1};
  std::atomic<int> chainRow_{-1};  // -1: the chain CurChain names
  std::atomic<bool> globalsValid_{false};  // row 0's global section holds real settings
  std::atomic<bool> chunkLoaded_{false};
  std::atomic<uint32_t> version_{0};
  bool programChosen_ = false;  // a program was made current, other than by the factory bank

  std::array<std::atomic<uint8_t>, kNumParams> changed_{};
  std::atomic<bool> anyChanged_{false};
  std::atomic<bool> changesPending_{false};
  std::atomic<bool> redrawPending_{false};

  std::atomic<bool> programListChanged_{false};
  bool latchDropped_ = false;
  bool chainRestored_ = false;

  std::array<uint8_t, kFxbSize> fileBuffer_{};
  // What the host is handed for a bank and for a program: two buffers, so that asking for one
  // never overwrites the other while the host still reads it.
  std::array<int8_t, kBankChunkSize> chunkBuffer_{};
  std::array<int8_t, kProgramChunkSize> programChunkBuffer_{};
  std::array<int8_t, kBankChunkSize> convertBuffer_{};
};
