// The rows by tag, the marks for the editor, and the program operations.
#include "engine/ProgramStore.h"

#include <algorithm>
#include <cstdio>

namespace {

ShortText DefaultProgramName(int index) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "Program %d", index + 1);
  return ShortText(buf);
}

}  // namespace

// ---- Settings by tag -------------------------------------------------------------------------

int TProgramStore::ChainRow() const {
  const int row = chainRow_.load(std::memory_order_relaxed);
  if (row >= 0) return std::min(row, kNumPrograms - 1);
  return GlobalsValid() ? std::clamp<int>(LoadByte(0, tagCurChain), 0, kNumPrograms - 1) : 0;
}

int TProgramStore::RowFor(int tag) const {
  if (tag < kFirstChainTag) return 0;
  if (tag < kFirstProgramTag) return ChainRow();
  const int program = CurrentProgram();
  return (program >= 0 && program < kNumPrograms) ? program : 0;
}

int TProgramStore::GetParam(int tag, int slot) const {
  if (slot > 0) tag += slot;
  if (tag < 0 || tag >= kNumParams) return 0;
  const int row = RowFor(tag);
  // Settings never initialised (before the first program selection or chunk) read as the
  // defaults they will get, and so do those of a chain section never initialised.
  if (IsDefinedTag(tag)) {
    bool fresh;
    if (tag < kFirstChainTag)
      fresh = !GlobalsValid();
    else if (tag < kFirstProgramTag)
      fresh = !GlobalsValid() || (tag != tagChainInit && ChainSectionBlank(row));
    else
      fresh = LoadByte(row, tagSteps) == 0 && tag != tagProgName;
    if (fresh) return CParamDef[tag];
  }
  return LoadByte(row, tag);
}

int TProgramStore::ChainValue(int chain, int tag) const {
  const int row = std::clamp(chain, 0, kNumPrograms - 1);
  return tag != tagChainInit && ChainSectionBlank(row) && IsDefinedTag(tag) ? CParamDef[tag] : LoadByte(row, tag);
}

void TProgramStore::StoreParam(int tag, int value) {
  if (tag < 0 || tag >= kNumParams) return;
  const int row = RowFor(tag);
  if (tag >= tagChainInit && tag < kFirstProgramTag && IsDefinedTag(tag) && ChainSectionBlank(row)) {
    // A chain section never initialised reads as its defaults. Writing what it reads changes
    // nothing; any other value initialises the section first, so that switching to the chain
    // later keeps it.
    if (value == (tag == tagChainInit ? 0 : CParamDef[tag])) return;
    InitChainRow(row);
  }
  StoreByte(row, tag, static_cast<int8_t>(value & 0xFF));
}

// ---- Marks -----------------------------------------------------------------------------------

void TProgramStore::MarkChanged(int tag, bool on) {
  if (tag < 0 || tag >= kNumParams) return;
  if (CParamMax[tag] != 0) changed_[tag].store(on ? 1 : 0, std::memory_order_relaxed);
  anyChanged_.store(on, std::memory_order_relaxed);
  changesPending_.store(on, std::memory_order_release);
}

void TProgramStore::MarkAllChanged(bool programOnly) {
  auto mark = [this](int from, int to) {
    for (int tag = from; tag <= to; ++tag)
      if (CParamMax[tag] != 0) changed_[tag].store(1, std::memory_order_relaxed);
  };
  if (!programOnly) {
    mark(1, 79);
    mark(81, 92);
  }
  mark(kFirstProgramTag, kNumParams - 1);
  anyChanged_.store(true, std::memory_order_relaxed);
  changesPending_.store(true, std::memory_order_release);
}

void TProgramStore::MarkStepsChanged() {
  for (int tag = tagSemitone; tag < kNumParams; ++tag)
    if (CParamMax[tag] != 0) changed_[tag].store(1, std::memory_order_relaxed);
  anyChanged_.store(true, std::memory_order_relaxed);
  changesPending_.store(true, std::memory_order_release);
}

void TProgramStore::MarkChainSection() {
  for (int tag = tagChainProg; tag < tagChainProg + 8; ++tag) MarkChanged(tag);
  MarkChanged(tagSendBankNum);
  MarkChanged(tagSendPatchNum);
  MarkChanged(tagSendVolume);
}

bool TProgramStore::TakeChanges() {
  return changesPending_.exchange(false, std::memory_order_acq_rel) && anyChanged_.load(std::memory_order_relaxed);
}

// ---- Selection and initialisation --------------------------------------------------------------

int TProgramStore::ProgramToMakeCurrent() const {
  // The one the settings remember (after a bank was restored), or else the first one.
  return GlobalsValid() ? std::clamp<int>(LoadByte(0, tagCurProgram), 0, kNumPrograms - 1) : 0;
}

void TProgramStore::EnsureCurrent() {
  // No program is current until the host, a bank or the editor selects one. Anything that
  // needs a current program before then makes one current, and the host is told.
  if (CurrentProgram() >= 0) return;
  Select(ProgramToMakeCurrent());
  programListChanged_.store(true, std::memory_order_relaxed);
}

void TProgramStore::InitCurrentIfEmpty() {
  // A current program whose row was emptied (a bank or program chunk without it, "Undo all
  // changes" of a program never stored, a paste of an empty one) is initialised as selection
  // initialises an empty row, so that what the host reads is what a chunk would save. Global
  // settings that hold real values keep them.
  const int row = CurrentProgram();
  if (row < 0 || LoadByte(row, tagSteps) != 0) return;
  const bool programOnly = GlobalsValid();
  InitProgram(programOnly);
  MarkAllChanged(programOnly);
  programListChanged_.store(true, std::memory_order_relaxed);
}

void TProgramStore::Select(int index) {
  if (index < 0) index = kNumPrograms - 1;
  if (index >= kNumPrograms) index = 0;
  const int previous = CurrentProgram();
  const bool wasLatched = previous >= 0 && LoadByte(previous, tagLatch) == 1;

  programChosen_ = true;
  SetCurrentProgram(index);
  StoreByte(0, tagCurProgram, static_cast<int8_t>(index));

  // Selecting the first program initialises the global section as well; so does selecting
  // any program while the globals were never set, so that a host that starts on another
  // program still gets sane channels and switches.
  const bool programOnly = index != 0 && GlobalsValid();
  if (LoadByte(index, tagSteps) == 0) {
    InitProgram(programOnly);
  } else if (!GlobalsValid()) {
    for (int tag = 1; tag < kFirstProgramTag; ++tag)
      if (CParamMax[tag] != 0) StoreParam(tag, CParamDef[tag]);
    StoreByte(0, tagCurProgram, static_cast<int8_t>(index));
    SetGlobalsValid();
  }
  MarkAllChanged(programOnly);

  if (wasLatched && LoadByte(index, tagLatch) == 0) latchDropped_ = true;
}

void TProgramStore::InitProgram(bool programOnly) {
  // With the global settings, the section of the chain named until now gets its defaults too
  // (CurChain itself goes back to none).
  const int chainRow = ChainRow();
  const int from = programOnly ? kFirstProgramTag : 1;
  for (int tag = from; tag < kNumParams; ++tag)
    if (CParamMax[tag] != 0 && (tag < kFirstChainTag || tag >= kFirstProgramTag)) StoreParam(tag, CParamDef[tag]);
  if (!programOnly) InitChainRow(chainRow);
  if (!programOnly) {
    StoreByte(0, tagCurProgram, static_cast<int8_t>(std::max(0, CurrentProgram())));
    SetGlobalsValid();
  }
  SetProgramName({});
}

void TProgramStore::InitChain() { InitChainRow(ChainRow()); }

void TProgramStore::InitChainRow(int row) {
  for (int tag = kFirstChainTag; tag < kFirstProgramTag; ++tag)
    if (CParamMax[tag] != 0) StoreByte(row, tag, static_cast<int8_t>(CParamDef[tag]));
}

void TProgramStore::InitializeBank() {
  for (int index = 0; index < kNumPrograms; ++index) {
    SetCurrentProgram(index);
    InitProgram(index != 0);
  }
  Select(0);
}

void TProgramStore::Recall() {
  EnsureCurrent();
  const int row = CurrentProgram();
  // The first program's row holds the live global settings: they return as last loaded too,
  // and the editor shows them, unless the row was never loaded (its saved copy is blank).
  const bool keepGlobals =
      row == 0 && std::all_of(&savedRows_[0][1], &savedRows_[0][kFirstChainTag], [](int8_t v) { return v == 0; });
  for (int tag = 0; tag < kNumParams; ++tag)
    if (!keepGlobals || tag == 0 || tag >= kFirstChainTag) StoreByte(row, tag, savedRows_[row][tag]);
  if (row == 0 && LoadByte(0, tagSteps) != 0) SetGlobalsValid();
  MarkAllChanged(row != 0);
  InitCurrentIfEmpty();
}

// ---- Names -----------------------------------------------------------------------------------

ShortText TProgramStore::ProgramName(int index, int maxLen) const {
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

void TProgramStore::SetProgramName(std::string_view name) {
  const int row = std::max(0, CurrentProgram());
  ShortText text = name.empty() ? DefaultProgramName(row) : ShortText(name);
  text.Truncate(kNameChars);
  StoreByte(row, tagProgName, static_cast<int8_t>(text.Length()));
  for (int i = 0; i < text.Length(); ++i) StoreByte(row, tagProgName + 1 + i, static_cast<int8_t>(text.CStr()[i]));
}

// ---- Paste and shift -------------------------------------------------------------------------

bool TProgramStore::GlobalCopyBlank(int row) const {
  for (int tag = 1; tag < kFirstChainTag; ++tag)
    if (LoadByte(row, tag) != 0) return false;
  return true;
}

void TProgramStore::Paste(int source) {
  if (source < 0 || source >= kNumPrograms) return;
  EnsureCurrent();
  const int row = CurrentProgram();
  // The global settings travel with the row: pasting into the first program makes the source
  // row's copy of them live, unless that copy is blank (the source row never held them).
  const bool keepGlobals = row == 0 && GlobalCopyBlank(source);
  for (int tag = keepGlobals ? kFirstChainTag : 1; tag < kNumParams; ++tag) StoreByte(row, tag, LoadByte(source, tag));
  if (row == 0) StoreByte(0, tagCurProgram, 0);
  MarkAllChanged(row != 0);
  InitCurrentIfEmpty();
}

void TProgramStore::Shift(int direction) {
  EnsureCurrent();
  const int row = CurrentProgram();
  const int other = ((row + direction) % kNumPrograms + kNumPrograms) % kNumPrograms;
  // As for paste: when the first program takes part, the live global settings are exchanged
  // with the other row's copy, unless that copy is blank.
  const bool keepGlobals = (row == 0 && GlobalCopyBlank(other)) || (other == 0 && GlobalCopyBlank(row));
  for (int tag = keepGlobals ? kFirstChainTag : 1; tag < kNumParams; ++tag) {
    const int8_t a = LoadByte(row, tag);
    StoreByte(row, tag, LoadByte(other, tag));
    StoreByte(other, tag, a);
  }
  Select(other);
  if (row == 0 || other == 0) MarkAllChanged(false);
}

void TProgramStore::PastePage(int sourceProgram, int sourcePage, int targetPage) {
  if (sourceProgram < 0 || sourceProgram >= kNumPrograms) return;
  if (sourcePage < 0 || sourcePage > 3 || targetPage < 0 || targetPage > 3) return;
  EnsureCurrent();
  const int row = CurrentProgram();
  for (int base : kStepBlockBases)
    for (int j = 0; j < 16; ++j)
      StoreByte(row, base + 16 * targetPage + j, LoadByte(sourceProgram, base + 16 * sourcePage + j));
  MarkStepsChanged();
}

void TProgramStore::ShiftPattern(int delta) {
  if (delta == 0) return;
  EnsureCurrent();
  ShiftPatternOf(CurrentProgram(), delta);
}

void TProgramStore::ShiftPatternOf(int row, int delta) {
  if (delta == 0 || row < 0 || row >= kNumPrograms || LoadByte(row, tagSteps) == 0) return;
  const int n = std::clamp<int>(LoadByte(row, tagSteps), 1, kMaxSteps);
  for (int base : kStepBlockBases) {
    int8_t old[kMaxSteps];
    for (int j = 0; j < n; ++j) old[j] = LoadByte(row, base + j);
    for (int j = 0; j < n; ++j) StoreByte(row, base + j, old[((j - delta) % n + n) % n]);
  }
  if (row == CurrentProgram()) MarkAllChanged(true);
}
