// Program operations on the 64 rows: selection, initialisation, names, paste and shift.
#include <algorithm>
#include <cstdio>

#include "engine/PlugCore.h"

namespace {

ShortText DefaultProgramName(int index) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "Program %d", index + 1);
  return ShortText(buf);
}

}  // namespace

int TPlugCore::ProgramToMakeCurrent() const {
  // The one the settings remember (after a bank was restored), or else the first one.
  const bool remembered = GlobalsValid.load(std::memory_order_relaxed);
  return remembered ? std::clamp<int>(LoadByte(0, tagCurProgram), 0, kNumPrograms - 1) : 0;
}

void TPlugCore::EnsureCurrentProgram() {
  // No program is current until the host, a bank or the editor selects one. Anything that
  // needs a current program before then makes one current, and the host is told.
  if (CurrentProgram.load(std::memory_order_relaxed) >= 0) return;
  SelectProgramLocked(ProgramToMakeCurrent());
  programListPending.store(true, std::memory_order_relaxed);
}

void TPlugCore::InitCurrentIfEmpty() {
  // A current program whose row was emptied (a bank or program chunk without it, "Undo all
  // changes" of a program never stored, a paste of an empty one) is initialised as selection
  // initialises an empty row, so that what the host reads is what a chunk would save. Global
  // settings that hold real values keep them.
  const int row = CurrentProgram.load(std::memory_order_relaxed);
  if (row < 0 || LoadByte(row, tagSteps) != 0) return;
  const bool programOnly = GlobalsValid.load(std::memory_order_relaxed);
  InitProgramLocked(programOnly);
  MarkAllChanged(programOnly);
  programListPending.store(true, std::memory_order_relaxed);
}

void TPlugCore::SelectProgram(int index) {
  TEngineGuard guard(*this);
  SelectProgramLocked(index);
}

void TPlugCore::SelectProgramLocked(int index) {
  if (index < 0) index = kNumPrograms - 1;
  if (index >= kNumPrograms) index = 0;
  const int previous = CurrentProgram.load(std::memory_order_relaxed);
  const bool wasLatched = previous >= 0 && LoadByte(previous, tagLatch) == 1;

  programChosen = true;
  CurrentProgram.store(index, std::memory_order_relaxed);
  StoreByte(0, tagCurProgram, static_cast<int8_t>(index));

  // Selecting the first program initialises the global section as well; so does selecting
  // any program while the globals were never set, so that a host that starts on another
  // program still gets sane channels and switches.
  const bool programOnly = index != 0 && GlobalsValid.load(std::memory_order_relaxed);
  if (LoadByte(index, tagSteps) == 0) {
    InitProgramLocked(programOnly);
  } else if (!GlobalsValid.load(std::memory_order_relaxed)) {
    for (int tag = 1; tag < kFirstProgramTag; ++tag)
      if (CParamMax[tag] != 0) StoreParam(tag, CParamDef[tag]);
    StoreByte(0, tagCurProgram, static_cast<int8_t>(index));
    GlobalsValid.store(true, std::memory_order_relaxed);
  }
  MarkAllChanged(programOnly);

  if (wasLatched && LoadByte(index, tagLatch) == 0) KeyFilter.Reset();
}

void TPlugCore::InitProgram(bool programOnly) {
  TEngineGuard guard(*this);
  EnsureCurrentProgram();
  InitProgramLocked(programOnly);
}

void TPlugCore::InitProgramLocked(bool programOnly) {
  const int from = programOnly ? kFirstProgramTag : 1;
  for (int tag = from; tag < kNumParams; ++tag)
    if (CParamMax[tag] != 0) StoreParam(tag, CParamDef[tag]);
  if (!programOnly) {
    StoreByte(0, tagCurProgram, static_cast<int8_t>(std::max(0, CurrentProgram.load(std::memory_order_relaxed))));
    GlobalsValid.store(true, std::memory_order_relaxed);
  }
  SetProgramNameLocked({});
}

void TPlugCore::InitChain() {
  TEngineGuard guard(*this);
  InitChainLocked();
}

void TPlugCore::InitChainLocked() {
  for (int tag = kFirstChainTag; tag < kFirstProgramTag; ++tag)
    if (CParamMax[tag] != 0) StoreParam(tag, CParamDef[tag]);
}

void TPlugCore::InitializeBank() {
  TEngineGuard guard(*this);
  for (int index = 0; index < kNumPrograms; ++index) {
    CurrentProgram.store(index, std::memory_order_relaxed);
    InitProgramLocked(index != 0);
  }
  SelectProgramLocked(0);
}

void TPlugCore::RecallProgram() {
  TEngineGuard guard(*this);
  EnsureCurrentProgram();
  const int row = CurrentProgram.load(std::memory_order_relaxed);
  // The first program's row holds the live global settings: they return as last loaded too,
  // and the editor shows them, unless the row was never loaded (its saved copy is blank).
  const bool keepGlobals =
      row == 0 && std::all_of(&SavedPrograms[0][1], &SavedPrograms[0][kFirstChainTag], [](int8_t v) { return v == 0; });
  for (int tag = 0; tag < kNumParams; ++tag)
    if (!keepGlobals || tag == 0 || tag >= kFirstChainTag) StoreByte(row, tag, SavedPrograms[row][tag]);
  if (row == 0 && LoadByte(0, tagSteps) != 0) GlobalsValid.store(true, std::memory_order_relaxed);
  MarkAllChanged(row != 0);
  InitCurrentIfEmpty();
}

ShortText TPlugCore::GetProgramName(int index, int maxLen) const {
  if (index < 0 || index >= kNumPrograms) return {};
  int length = LoadByte(index, tagProgName);
  ShortText name;
  if (length <= 0) {
    name = DefaultProgramName(index);
  } else {
    char chars[kNameChars];
    length = std::min(length, kNameChars);
    for (int i = 0; i < length; ++i) chars[i] = static_cast<char>(LoadByte(index, tagProgName + 1 + i));
    name.Assign(std::string_view(chars, static_cast<size_t>(length)));
  }
  name.Truncate(maxLen);
  return name;
}

void TPlugCore::SetProgramName(std::string_view name) {
  TEngineGuard guard(*this);
  EnsureCurrentProgram();
  SetProgramNameLocked(name);
}

void TPlugCore::SetProgramNameLocked(std::string_view name) {
  const int row = std::max(0, CurrentProgram.load(std::memory_order_relaxed));
  ShortText text = name.empty() ? DefaultProgramName(row) : ShortText(name);
  text.Truncate(kNameChars);
  StoreByte(row, tagProgName, static_cast<int8_t>(text.Length()));
  for (int i = 0; i < text.Length(); ++i) StoreByte(row, tagProgName + 1 + i, static_cast<int8_t>(text.CStr()[i]));
}

bool TPlugCore::GlobalCopyBlank(int row) const {
  for (int tag = 1; tag < kFirstChainTag; ++tag)
    if (LoadByte(row, tag) != 0) return false;
  return true;
}

void TPlugCore::PasteProgram(int source) {
  if (source < 0 || source >= kNumPrograms) return;
  TEngineGuard guard(*this);
  EnsureCurrentProgram();
  const int row = CurrentProgram.load(std::memory_order_relaxed);
  // The global settings travel with the row: pasting into the first program makes the source
  // row's copy of them live, unless that copy is blank (the source row never held them).
  const bool keepGlobals = row == 0 && GlobalCopyBlank(source);
  for (int tag = keepGlobals ? kFirstChainTag : 1; tag < kNumParams; ++tag) StoreByte(row, tag, LoadByte(source, tag));
  if (row == 0) StoreByte(0, tagCurProgram, 0);
  MarkAllChanged(row != 0);
  InitCurrentIfEmpty();
}

void TPlugCore::ShiftProgram(int direction) {
  TEngineGuard guard(*this);
  EnsureCurrentProgram();
  const int row = CurrentProgram.load(std::memory_order_relaxed);
  const int other = ((row + direction) % kNumPrograms + kNumPrograms) % kNumPrograms;
  // As for paste: when the first program takes part, the live global settings are exchanged
  // with the other row's copy, unless that copy is blank.
  const bool keepGlobals = (row == 0 && GlobalCopyBlank(other)) || (other == 0 && GlobalCopyBlank(row));
  for (int tag = keepGlobals ? kFirstChainTag : 1; tag < kNumParams; ++tag) {
    int8_t a = LoadByte(row, tag);
    StoreByte(row, tag, LoadByte(other, tag));
    StoreByte(other, tag, a);
  }
  SelectProgramLocked(other);
  if (row == 0 || other == 0) MarkAllChanged(false);
}

void TPlugCore::PastePage(int sourceProgram, int sourcePage, int targetPage) {
  if (sourceProgram < 0 || sourceProgram >= kNumPrograms) return;
  if (sourcePage < 0 || sourcePage > 3 || targetPage < 0 || targetPage > 3) return;
  TEngineGuard guard(*this);
  EnsureCurrentProgram();
  const int row = CurrentProgram.load(std::memory_order_relaxed);
  for (int base : kStepBlockBases)
    for (int j = 0; j < 16; ++j)
      StoreByte(row, base + 16 * targetPage + j, LoadByte(sourceProgram, base + 16 * sourcePage + j));
  MarkStepsChanged();
}

void TPlugCore::ShiftPattern(int delta) {
  if (delta == 0) return;
  TEngineGuard guard(*this);
  EnsureCurrentProgram();
  const int row = CurrentProgram.load(std::memory_order_relaxed);
  const int n = std::clamp<int>(LoadByte(row, tagSteps), 1, kMaxSteps);
  for (int base : kStepBlockBases) {
    int8_t old[kMaxSteps];
    for (int j = 0; j < n; ++j) old[j] = LoadByte(row, base + j);
    for (int j = 0; j < n; ++j) StoreByte(row, base + j, old[((j - delta) % n + n) % n]);
  }
  MarkAllChanged(true);
}

void TPlugCore::NotifyProgramList() {
  if (OnProgramListChanged) OnProgramListChanged();
}
