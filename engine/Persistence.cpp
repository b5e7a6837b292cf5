// Chunks for the host, fxp/fxb preset files, and the conversion of old format-7 chunks.
// The checks a file passes first are in PresetFile.cpp.
// Everything read here is untrusted: values are brought into their ranges as they are applied.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/Identity.h"
#include "engine/ProgramStore.h"

namespace {

constexpr int kGlobalBytes = kFirstChainTag;  // bytes 0..79 of a record

void PutBE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

// The fields every preset file starts with; `count` is the parameter or program count.
void WriteFileHeader(uint8_t* b, int fileSize, const char* fxMagic, uint32_t version, int count, const char* id) {
  std::memcpy(b + 0, "CcnK", 4);
  PutBE32(b + 4, static_cast<uint32_t>(fileSize - 8));
  std::memcpy(b + 8, fxMagic, 4);
  PutBE32(b + 12, version);
  std::memcpy(b + 16, id, 4);
  PutBE32(b + 20, 8);
  PutBE32(b + 24, static_cast<uint32_t>(count));
}

// Old records of 512 bytes become 576-byte records.
void ConvertOldRecord(const int8_t* old, int8_t* record) {
  std::memset(record, 0, kProgramChunkSize);
  std::memcpy(record + 0, old + 0, 10);
  std::memcpy(record + 210, old + 10, 17);
  std::memcpy(record + 256, old + 64, 320);
  std::memcpy(record + 150, old + 384, 50);
  record[0] = 8;
}

// A saved bank names the program current as it is saved, whatever program a chunk applied
// since has written into the settings, so that restoring it brings back this program.
template <class Byte> void NameCurrentProgram(Byte* records, int current) {
  if (current < 0) return;
  for (int row = 0; row < kNumPrograms; ++row) records[row * kNumParams + tagCurProgram] = static_cast<Byte>(current);
}

}  // namespace

// ---- Chunks --------------------------------------------------------------------------------

void TProgramStore::StoreFirstSelection() {
  // What reads show already; stored, with the program left not current.
  const bool chosen = programChosen_;
  Select(ProgramToMakeCurrent());
  SetCurrentProgram(-1);
  programChosen_ = chosen;
}

void TProgramStore::CopyGlobalsToRow(int row) {
  if (row == 0) return;
  for (int tag = 0; tag < kGlobalBytes; ++tag) StoreByte(row, tag, LoadByte(0, tag));
}

void TProgramStore::ProgramRecord(int index, int8_t* out) const {
  for (int tag = 0; tag < kNumParams; ++tag) out[tag] = LoadByte(index, tag);
  out[tagFormatVersion] = 8;
  const bool globalsValid = GlobalsValid();
  for (int tag = 1; tag < kGlobalBytes; ++tag)
    out[tag] = globalsValid ? LoadByte(0, tag) : static_cast<int8_t>(IsDefinedTag(tag) ? CParamDef[tag] : 0);
  if (!globalsValid) {
    // Selection initialises the global settings and the live chain too.
    out[tagCurProgram] = static_cast<int8_t>(index);
    if (index == ChainRow())
      for (int tag = kFirstChainTag; tag < kFirstProgramTag; ++tag)
        if (IsDefinedTag(tag)) out[tag] = static_cast<int8_t>(CParamDef[tag]);
  }
  if (LoadByte(index, tagSteps) != 0) return;
  for (int tag = kFirstProgramTag; tag < kNumParams; ++tag)
    if (IsDefinedTag(tag)) out[tag] = static_cast<int8_t>(CParamDef[tag]);
  char name[24];
  const int length = std::snprintf(name, sizeof name, "Program %d", index + 1);
  out[tagProgName] = static_cast<int8_t>(length);
  for (int i = 0; i < length; ++i) out[tagProgName + 1 + i] = name[i];
}

int TProgramStore::GetChunk(bool isPreset, const void** data) {
  // Saving selects nothing. With a program current, the global part of row 0 is copied into the
  // records written, in the rows as well. A bank saved while none is current holds the program
  // a load makes current as its first selection makes it, so that it loads and saves again as
  // it was saved.
  if (!isPreset && CurrentProgram() < 0) StoreFirstSelection();
  const int current = CurrentProgram();
  if (current >= 0) StoreByte(0, tagFormatVersion, 8);
  int size;
  const int8_t* chunk;
  if (isPreset) {
    if (current >= 0) {
      CopyGlobalsToRow(current);
      for (int tag = 0; tag < kNumParams; ++tag) programChunkBuffer_[tag] = LoadByte(current, tag);
    } else {
      ProgramRecord(ProgramToMakeCurrent(), programChunkBuffer_.data());  // what reads show now
    }
    chunk = programChunkBuffer_.data();
    size = kProgramChunkSize;
  } else {
    if (current >= 0)
      for (int row = 1; row < kNumPrograms; ++row) CopyGlobalsToRow(row);
    for (int row = 0; row < kNumPrograms; ++row)
      for (int tag = 0; tag < kNumParams; ++tag)
        chunkBuffer_[row * kNumParams + tag] = LoadByte(tag < kGlobalBytes ? 0 : row, tag);
    for (int row = 0; row < kNumPrograms; ++row) chunkBuffer_[row * kNumParams + tagFormatVersion] = 8;
    NameCurrentProgram(chunkBuffer_.data(), current);
    chunk = chunkBuffer_.data();
    size = kBankChunkSize;
  }
  if (data != nullptr) *data = chunk;
  return size;
}

int TProgramStore::SetChunk(const int8_t* data, int byteSize, bool isPreset) {
  if (data == nullptr || byteSize <= 0) return 0;
  if (data[0] == 7) {
    // More than one bank of old records cannot be held; the first 64 are converted.
    const int count = std::min(byteSize / kOldRecordSize, kNumPrograms);
    for (int i = 0; i < count; ++i)
      ConvertOldRecord(data + i * kOldRecordSize, convertBuffer_.data() + i * kProgramChunkSize);
    data = convertBuffer_.data();
    byteSize = count * kProgramChunkSize;
  }
  int row = 0, offset = 0;
  if (isPreset) {
  EnsureCurrent();
    row = CurrentProgram();
    byteSize = std::min(byteSize, kProgramChunkSize);
    if (ChunkLoaded()) {
      offset = kGlobalBytes;  // later program chunks leave the global part alone
      byteSize -= kGlobalBytes;
    }
  } else {
    byteSize = std::min(byteSize, kBankChunkSize);
  }
  if (byteSize <= 0) return 0;

  const int begin = row * kNumParams + offset;
  const int end = begin + byteSize;
  for (int i = begin; i < end; ++i) {
    const int8_t v = data[i - begin + offset];
    StoreByte(i / kNumParams, i % kNumParams, v);
    savedRows_[i / kNumParams][i % kNumParams] = v;
  }
  // The program a bank remembers, as stored, before values are brought into their ranges.
  const int remembered = !isPreset && byteSize > tagCurProgram ? data[tagCurProgram] : -1;
  // Whole rows: a short chunk that ends inside a row leaves that row's other values as they
  // were, which for a row never used are zeros, out of range for some tags.
  ClampRows(begin - begin % kNumParams, (end + kNumParams - 1) / kNumParams * kNumParams);
  if (begin == 0 && end >= kGlobalBytes) SetGlobalsValid();
  if (!isPreset && LoadByte(0, tagCurChain) > 0) chainRestored_ = true;
  chunkLoaded_.store(true, std::memory_order_relaxed);
  if (!programChosen_) {
    // A bank restored before any program was current (or only the factory bank's) makes the
    // one it remembers current now (the first when it names none), so that reads and blocks
    // agree from here on.
    Select(remembered >= 0 && remembered < kNumPrograms ? remembered : 0);
    programListChanged_.store(true, std::memory_order_relaxed);
  }
  InitCurrentIfEmpty();
  // An open editor shows what arrived: the program's settings, and the global ones too when
  // the chunk wrote them.
  MarkAllChanged(begin >= kGlobalBytes);
  return byteSize;
}

void TProgramStore::ClampRows(int begin, int end) {
  // Every defined tag is brought into its catalogue range, so that no later table lookup can
  // go out of bounds. The name characters and undefined tags are kept as they are; a row whose
  // program section was never initialised (Steps 0) stays so and gets defaults when selected.
  for (int i = begin; i < end; ++i) {
    const int row = i / kNumParams, tag = i % kNumParams;
    if (!IsDefinedTag(tag) && tag != tagFormatVersion) continue;
    if (tag >= kFirstProgramTag && LoadByte(row, tagSteps) == 0) continue;
    int lo = CParamMin[tag], hi = CParamMax[tag];
    if (tag == tagFormatVersion) hi = 127;
    if (tag == tagCurChain) hi = std::clamp<int>(LoadByte(row, tagNumChains), 1, 16);
    const int8_t v = LoadByte(row, tag);
    const int8_t c = static_cast<int8_t>(std::clamp<int>(v, lo, hi));
    if (c != v) {
      StoreByte(row, tag, c);
      savedRows_[row][tag] = c;
    }
  }
}

// ---- Files ---------------------------------------------------------------------------------

std::span<const uint8_t> TProgramStore::BuildFxp() {
  EnsureCurrent();
  uint8_t* b = fileBuffer_.data();
  std::memset(b, 0, kFxpSize);
  WriteFileHeader(b, kFxpSize, "FPCh", 1, kNumParams, kIdentity.UniqueID);
  const int row = CurrentProgram();
  ShortText name = ProgramName(row, 27);
  std::memcpy(b + 28, name.CStr(), static_cast<size_t>(name.Length()));
  b[28 + name.Length()] = 0;
  PutBE32(b + 56, kProgramChunkSize);
  StoreByte(0, tagFormatVersion, 8);
  CopyGlobalsToRow(row);
  for (int tag = 0; tag < kNumParams; ++tag) b[60 + tag] = static_cast<uint8_t>(LoadByte(row, tag));
  return {b, static_cast<size_t>(kFxpSize)};
}

std::span<const uint8_t> TProgramStore::BuildFxb() {
  EnsureCurrent();
  uint8_t* b = fileBuffer_.data();
  std::memset(b, 0, 160);
  WriteFileHeader(b, kFxbSize, "FBCh", 2, kNumPrograms, kIdentity.UniqueID);
  PutBE32(b + 28, static_cast<uint32_t>(CurrentProgram()));
  PutBE32(b + 156, kBankChunkSize);
  StoreByte(0, tagFormatVersion, 8);
  for (int row = 0; row < kNumPrograms; ++row) {
    CopyGlobalsToRow(row);
    for (int tag = 0; tag < kNumParams; ++tag)
      b[160 + row * kNumParams + tag] = static_cast<uint8_t>(LoadByte(row, tag));
  }
  NameCurrentProgram(b + 160, CurrentProgram());
  return {b, static_cast<size_t>(kFxbSize)};
}

void TProgramStore::ApplyFile(const TPresetCheck& check, TPresetKind kind) {
  SetChunk(reinterpret_cast<const int8_t*>(check.chunk.data()), static_cast<int>(check.chunk.size()),
           kind == TPresetKind::program);
  if (check.currentProgram >= 0) Select(check.currentProgram);
}

void TProgramStore::RestoreSessionMarks(const TSessionMarks& marks) {
  chunkLoaded_.store(marks.chunkLoaded, std::memory_order_relaxed);
  programChosen_ = marks.programChosen;
}
