// Chunks and preset files: what is written, what is read back, and what untrusted data can do.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/EngineProbe.h"
#include "engine/PlugCore.h"
#include "engine/PresetFile.h"
#include "tests/engine/EngineHostRecorder.h"

namespace {

uint32_t BE32(const uint8_t* p) { return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]; }

std::vector<int8_t> Chunk(TPlugCore& core, bool preset) {
  const void* data = nullptr;
  int size = core.GetChunk(preset, &data);
  const auto* p = static_cast<const int8_t*>(data);
  return {p, p + size};
}

TEST(Chunks, SizesAndTheFormatByte) {
  TPlugCore core;
  auto bank = Chunk(core, false);
  ASSERT_EQ(bank.size(), 36864u);
  EXPECT_EQ(bank[0], 8);
  EXPECT_EQ(core.CurrentProgramIndex(), -1) << "saving selects no program";
  core.SelectProgram(4);
  core.SetParamFromEditor(tagMIDIOut_Ch, 5, false);
  auto program = Chunk(core, true);
  ASSERT_EQ(program.size(), 576u);
  EXPECT_EQ(program[tagMIDIOut_Ch], 5) << "the writer copies the globals into the record it writes";
  EXPECT_EQ(program[tagSteps], 16);
}

TEST(Chunks, RoundTripBetweenTwoInstancesIsByteIdentical) {
  TPlugCore a;
  a.SelectProgram(3);
  a.SetProgramName("Round trip");
  a.SetParamFromEditor(tagSwing, -20, false);
  a.SetParamFromEditor(tagVelocity + 40, 7, false);
  auto bank = Chunk(a, false);
  TPlugCore b;
  EXPECT_EQ(b.SetChunk(bank.data(), static_cast<int>(bank.size()), false), 36864);
  EXPECT_EQ(Chunk(b, false), Chunk(a, false));
}

TEST(Chunks, OnlyTheFirstProgramChunkWritesTheGlobals) {
  TPlugCore source;
  source.SelectProgram(0);
  source.SetParamFromEditor(tagMIDIOut_Ch, 7, false);
  auto program = Chunk(source, true);

  TPlugCore core;
  EXPECT_EQ(core.SetChunk(program.data(), 576, true), 576);
  EXPECT_EQ(core.GetParam(tagMIDIOut_Ch), 7);
  program[tagMIDIOut_Ch] = 3;
  program[tagSteps] = 9;
  EXPECT_EQ(core.SetChunk(program.data(), 576, true), 496);
  EXPECT_EQ(core.GetParam(tagMIDIOut_Ch), 7);
  EXPECT_EQ(core.GetParam(tagSteps), 9);
}

TEST(Chunks, NothingHappensForEmptyOrMissingData) {
  TPlugCore core;
  int8_t byte = 8;
  EXPECT_EQ(core.SetChunk(nullptr, 576, true), 0);
  EXPECT_EQ(core.SetChunk(&byte, 0, true), 0);
  EXPECT_EQ(core.SetChunk(&byte, -40, false), 0);
  EXPECT_FALSE(core.IsChunkLoaded());
}

TEST(Chunks, UntrustedValuesAreClampedAsTheyAreApplied) {
  TPlugCore core;
  core.SelectProgram(0);
  auto bank = Chunk(core, false);
  int8_t* row1 = bank.data() + kNumParams;
  row1[tagSteps] = 100;
  row1[tagSync] = -3;
  row1[tagSortOrder] = 99;
  row1[tagVelocity] = -1;
  row1[tagProgName] = 120;
  row1[tagProgName + 1] = 'Z';
  row1[151 + 47] = -7;  // name characters are kept whatever they are
  bank[tagMIDIOut_Ch] = 0;
  bank[tagNumChains] = 4;
  bank[tagCurChain] = 9;
  int8_t* row2 = bank.data() + 2 * kNumParams;
  std::memset(row2 + kFirstProgramTag, 0, kNumParams - kFirstProgramTag);  // a never-used program
  core.SetChunk(bank.data(), static_cast<int>(bank.size()), false);

  EXPECT_EQ(TEngineProbe(core).Programs()[1][tagSteps], 64);
  EXPECT_EQ(TEngineProbe(core).Programs()[1][tagSync], 0);
  EXPECT_EQ(TEngineProbe(core).Programs()[1][tagSortOrder], 7);
  EXPECT_EQ(TEngineProbe(core).Programs()[1][tagVelocity], 0);
  EXPECT_EQ(TEngineProbe(core).Programs()[1][tagProgName], 48);
  EXPECT_EQ(TEngineProbe(core).Programs()[1][198], -7);
  EXPECT_EQ(TEngineProbe(core).Programs()[0][tagMIDIOut_Ch], 1);
  EXPECT_EQ(TEngineProbe(core).Programs()[0][tagCurChain], 4);
  EXPECT_EQ(TEngineProbe(core).Programs()[2][tagSteps], 0) << "an unused program stays unused";
  core.SelectProgram(2);
  EXPECT_EQ(core.GetParam(tagSteps), 16) << "and gets its defaults when chosen";
  EXPECT_EQ(TEngineProbe(core).SavedPrograms()[1][tagSteps], 64) << "the saved copy holds the clamped values too";
}

TEST(Chunks, OldFormatSevenRecordsAreConverted) {
  std::vector<int8_t> old(2 * 512, 0);
  for (int r = 0; r < 2; ++r) {
    int8_t* rec = old.data() + 512 * r;
    rec[0] = 7;
    rec[3] = 1;                 // ArpEnabled
    rec[10] = 24;               // -> Steps (210)
    rec[12] = 5;                // -> Sync (212)
    rec[64] = -3;               // -> Semitone step 0 (256)
    rec[384] = 4;               // -> name length (150)
    std::memcpy(rec + 385, "Old!", 4);
  }
  TPlugCore core;
  EXPECT_EQ(core.SetChunk(old.data(), static_cast<int>(old.size()), false), 2 * 576);
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(TEngineProbe(core).Programs()[r][0], 8);
    EXPECT_EQ(TEngineProbe(core).Programs()[r][tagSteps], 24);
    EXPECT_EQ(TEngineProbe(core).Programs()[r][tagSync], 5);
    EXPECT_EQ(TEngineProbe(core).Programs()[r][tagSemitone], -3);
    EXPECT_EQ(core.GetProgramName(r).Str(), "Old!");
  }
}

TEST(Chunks, MoreThanABankOfOldRecordsConvertsTheFirstSixtyFour) {
  std::vector<int8_t> old(70 * 512, 0);
  for (int r = 0; r < 70; ++r) {
    old[512 * r] = 7;
    old[512 * r + 10] = static_cast<int8_t>(1 + r % 64);
  }
  TPlugCore core;
  EXPECT_EQ(core.SetChunk(old.data(), static_cast<int>(old.size()), false), 36864);
  EXPECT_EQ(TEngineProbe(core).Programs()[63][tagSteps], 64);
}

// ---- Files ---------------------------------------------------------------------------------

TEST(PresetFiles, ProgramFileLayout) {
  TPlugCore core;
  core.SelectProgram(6);
  core.SetProgramName(std::string("A name that is forty characters long....").substr(0, 40));
  auto file = core.BuildFxp();
  ASSERT_EQ(file.size(), 636u);
  const uint8_t* b = file.data();
  EXPECT_EQ(std::memcmp(b, "CcnK", 4), 0);
  EXPECT_EQ(std::memcmp(b + 8, "FPCh", 4), 0);
  EXPECT_EQ(std::memcmp(b + 16, "Kq4v", 4), 0);
  EXPECT_EQ(BE32(b + 4), 628u);
  EXPECT_EQ(BE32(b + 12), 1u);
  EXPECT_EQ(BE32(b + 20), 8u);
  EXPECT_EQ(BE32(b + 24), 576u);
  EXPECT_EQ(BE32(b + 56), 576u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 28)), "A name that is forty charac");
  EXPECT_EQ(b[55], 0);
  EXPECT_EQ(b[60], 8);
}

TEST(PresetFiles, BankFileLayout) {
  TPlugCore core;
  core.SelectProgram(12);
  auto file = core.BuildFxb();
  ASSERT_EQ(file.size(), 37024u);
  const uint8_t* b = file.data();
  EXPECT_EQ(std::memcmp(b + 8, "FBCh", 4), 0);
  EXPECT_EQ(BE32(b + 4), 37016u);
  EXPECT_EQ(BE32(b + 12), 2u);
  EXPECT_EQ(BE32(b + 20), 8u);
  EXPECT_EQ(BE32(b + 24), 64u);
  EXPECT_EQ(BE32(b + 28), 12u);
  EXPECT_EQ(BE32(b + 156), 36864u);
  for (int i = 32; i < 156; ++i) ASSERT_EQ(b[i], 0) << i;
  EXPECT_EQ(static_cast<int8_t>(b[160 + 12 * 576 + tagSteps]), 16);
}

TEST(PresetFiles, BankRoundTripSelectsTheSavedProgram) {
  TPlugCore a;
  a.SelectProgram(9);
  a.SetProgramName("Nine");
  auto span = a.BuildFxb();
  std::vector<uint8_t> file(span.begin(), span.end());
  TPlugCore b;
  EXPECT_TRUE(b.ApplyFxb(file.data(), file.size()).ok);
  EXPECT_EQ(b.CurrentProgramIndex(), 9);
  EXPECT_EQ(b.GetProgramName(9).Str(), "Nine");

  file[28 + 3] = 70;  // currentProgram out of range: the programs load, the selection stays
  TPlugCore c;
  c.SelectProgram(2);
  EXPECT_TRUE(c.ApplyFxb(file.data(), file.size()).ok);
  EXPECT_EQ(c.CurrentProgramIndex(), 2);
  EXPECT_EQ(c.GetProgramName(9).Str(), "Nine");
}

TEST(PresetFiles, AProgramFileAfterABankKeepsTheGlobals) {
  TPlugCore bankSource;
  bankSource.SelectProgram(0);
  bankSource.SetParamFromEditor(tagMIDIOut_Ch, 4, false);
  auto bank = std::vector<uint8_t>(bankSource.BuildFxb().begin(), bankSource.BuildFxb().end());
  TPlugCore programSource;
  programSource.SelectProgram(0);
  programSource.SetParamFromEditor(tagMIDIOut_Ch, 11, false);
  programSource.SetParamFromEditor(tagSteps, 5, false);
  auto program = std::vector<uint8_t>(programSource.BuildFxp().begin(), programSource.BuildFxp().end());

  TPlugCore core;
  ASSERT_TRUE(core.ApplyFxb(bank.data(), bank.size()).ok);
  ASSERT_TRUE(core.ApplyFxp(program.data(), program.size()).ok);
  EXPECT_EQ(core.GetParam(tagMIDIOut_Ch), 4);
  EXPECT_EQ(core.GetParam(tagSteps), 5);
}

TEST(PresetFiles, ABareChunkLoadsAsAProgram) {
  TPlugCore source;
  source.SelectProgram(0);
  source.SetParamFromEditor(tagGate, 42, false);
  auto chunk = Chunk(source, true);
  TPlugCore core;
  auto result = core.ApplyFxp(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size());
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(core.GetParam(tagGate), 42);
}

TEST(PresetFiles, AnOldProgramFileConvertsThroughTheHeader) {
  std::vector<uint8_t> file(60 + 512, 0);
  std::memcpy(file.data(), "CcnK", 4);
  std::memcpy(file.data() + 8, "FPCh", 4);
  std::memcpy(file.data() + 16, "Kq4v", 4);
  uint8_t* rec = file.data() + 60;
  rec[0] = 7;
  rec[10] = 12;
  for (int i = 0; i < 50; ++i) rec[384 + i] = static_cast<uint8_t>(i == 0 ? 3 : 'a' + i % 26);
  TPlugCore core;
  ASSERT_TRUE(core.ApplyFxp(file.data(), file.size()).ok);
  int p = core.CurrentProgramIndex();
  EXPECT_EQ(TEngineProbe(core).Programs()[p][0], 8);
  EXPECT_EQ(TEngineProbe(core).Programs()[p][tagSteps], 12);
  for (int i = 1; i < 50; ++i) EXPECT_EQ(TEngineProbe(core).Programs()[p][150 + i], 'a' + i % 26);
}

struct RefusalCase {
  const char* what;
  int offset;
  const char* code;
  bool bank;
  const char* reason;
};

TEST(PresetFiles, ForeignOrMismatchedFilesAreRefusedAndChangeNothing) {
  TPlugCore source;
  source.SelectProgram(0);
  source.SetParamFromEditor(tagSteps, 3, false);
  auto fxp = std::vector<uint8_t>(source.BuildFxp().begin(), source.BuildFxp().end());
  auto fxb = std::vector<uint8_t>(source.BuildFxb().begin(), source.BuildFxb().end());
  for (const RefusalCase& c : {
           RefusalCase{"another plug-in's program", 16, "XyZw", false, "another plug-in"},
           RefusalCase{"another plug-in's bank", 16, "XyZw", true, "another plug-in"},
           RefusalCase{"a parameter-list program", 8, "FxCk", false, "not a program file"},
           RefusalCase{"a program file given as a bank", 8, "FPCh", true, "not a bank file"},
       }) {
    auto file = c.bank ? fxb : fxp;
    std::memcpy(file.data() + c.offset, c.code, 4);
    TPlugCore core;
    core.SelectProgram(0);
    auto result = c.bank ? core.ApplyFxb(file.data(), file.size()) : core.ApplyFxp(file.data(), file.size());
    EXPECT_FALSE(result.ok) << c.what;
    EXPECT_NE(result.message.find(c.reason), std::string::npos) << c.what << ": " << result.message;
    EXPECT_EQ(result.message.find('\n'), std::string::npos);
    EXPECT_EQ(core.GetParam(tagSteps), 16) << c.what;
    EXPECT_FALSE(core.IsChunkLoaded()) << c.what;
  }
}

TEST(PresetFiles, AFileShorterThanItsHeaderAppliesNothing) {
  std::vector<uint8_t> file(40, 0);
  std::memcpy(file.data(), "CcnK", 4);
  TPlugCore core;
  EXPECT_FALSE(core.ApplyFxp(file.data(), file.size()).ok);
  EXPECT_FALSE(core.ApplyFxb(file.data(), file.size()).ok);
  EXPECT_FALSE(core.IsChunkLoaded());
}

std::vector<uint8_t> Resized(std::vector<uint8_t> file, size_t size) {
  file.resize(size, 0);
  return file;
}

std::vector<uint8_t> WithBytes(std::vector<uint8_t> file, size_t offset, std::initializer_list<uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
  return file;
}

// Every kind of file a user may hand over as a program or a bank, and what the check says.
TEST(PresetFiles, EveryFileIsCheckedWholeBeforeItIsApplied) {
  TPlugCore source;
  source.SelectProgram(5);
  const auto fxp = std::vector<uint8_t>(source.BuildFxp().begin(), source.BuildFxp().end());
  const auto fxb = std::vector<uint8_t>(source.BuildFxb().begin(), source.BuildFxb().end());
  const std::vector<uint8_t> programChunk(fxp.begin() + 60, fxp.end()), bankChunk(fxb.begin() + 160, fxb.end());
  std::vector<uint8_t> oldProgram(60 + 512, 0), oldRecord(512, 0), oldBank(32768, 0), midi(1000, 0);
  oldProgram = WithBytes(WithBytes(WithBytes(oldProgram, 0, {'C', 'c', 'n', 'K'}), 8, {'F', 'P', 'C', 'h'}), 16,
                         {'K', 'q', '4', 'v'});
  oldProgram[60] = oldRecord[0] = oldBank[0] = 7;
  midi = WithBytes(midi, 0, {'M', 'T', 'h', 'd'});
  // A writer that reversed its codes and its numbers: "KncC", "hCPF", "v4qK", 576 little-endian.
  auto reversedFxp = WithBytes(WithBytes(WithBytes(fxp, 0, {'K', 'n', 'c', 'C'}), 8, {'h', 'C', 'P', 'F'}), 16,
                               {'v', '4', 'q', 'K'});
  reversedFxp = WithBytes(reversedFxp, 56, {0x40, 0x02, 0, 0});

  const struct {
    const char* name;
    std::vector<uint8_t> file;
    TPresetKind kind;
    const char* says;  // "" when accepted
    size_t chunkSize;
  } cases[] = {
      {"program file", fxp, TPresetKind::program, "", 576},
      {"bank file", fxb, TPresetKind::bank, "", 36864},
      {"program file with bytes after it", Resized(fxp, 700), TPresetKind::program, "", 576},
      {"codes and numbers byte-reversed", reversedFxp, TPresetKind::program, "", 576},
      {"bare program chunk", programChunk, TPresetKind::program, "", 576},
      {"bare bank chunk", bankChunk, TPresetKind::bank, "", 36864},
      {"old program file", oldProgram, TPresetKind::program, "", 512},
      {"old bare program", oldRecord, TPresetKind::program, "", 512},
      {"old bare bank", oldBank, TPresetKind::bank, "", 32768},
      {"empty", {}, TPresetKind::program, "empty file, not a program file", 0},
      {"bank cut to 1000 bytes", Resized(fxb, 1000), TPresetKind::bank,
       "bank cut short: 840 of 36864 bytes of data", 0},
      {"program cut inside its chunk", Resized(fxp, 600), TPresetKind::program, "cut short", 0},
      {"header announcing more than is there", WithBytes(fxp, 56, {0, 0, 3, 0}), TPresetKind::program,
       "header announces 768 bytes of data, the file holds 576", 0},
      {"old program cut short", Resized(oldProgram, 400), TPresetKind::program, "program cut short: 340 of 512", 0},
      {"header only", Resized(fxp, 60), TPresetKind::program, "no data after the program file's header", 0},
      {"header cut short", Resized(fxp, 40), TPresetKind::program, "header cut short: 40 of 60 bytes", 0},
      {"bank given as a program", fxb, TPresetKind::program, "a bank file, not a program file", 0},
      {"program given as a bank", fxp, TPresetKind::bank, "a program file, not a bank file", 0},
      {"bare bank chunk given as a program", bankChunk, TPresetKind::program, "bare bank chunk (36864 bytes)", 0},
      {"bare program chunk given as a bank", programChunk, TPresetKind::bank, "bare program chunk (576 bytes)", 0},
      {"MIDI file", midi, TPresetKind::program, "a MIDI file, not a program file", 0},
      {"anything else", std::vector<uint8_t>(1000, 8), TPresetKind::bank, "no preset header, and 1000 bytes", 0},
      {"512 bytes of the current format", Resized(programChunk, 512), TPresetKind::program, "no preset header", 0},
      {"another plug-in", WithBytes(fxp, 16, {'A', 'b', 'c', 'd'}), TPresetKind::program, "ID 'Abcd'", 0},
      {"parameter list", WithBytes(fxp, 8, {'F', 'x', 'C', 'k'}), TPresetKind::program, "type 'FxCk'", 0},
  };
  for (const auto& c : cases) {
    const TPresetCheck check = CheckPresetFile(c.file, c.kind);
    if (*c.says == 0) {
      EXPECT_TRUE(check.ok) << c.name << ": " << check.reason;
      EXPECT_EQ(check.chunk.size(), c.chunkSize) << c.name;
      continue;
    }
    EXPECT_FALSE(check.ok) << c.name;
    EXPECT_NE(check.reason.find(c.says), std::string::npos) << c.name << ": " << check.reason;
    EXPECT_EQ(check.reason.find('\n'), std::string::npos) << c.name;

    // A refused file changes nothing.
    TPlugCore core;
    core.SelectProgram(0);
    const auto before = Chunk(core, false);
    const TLoadResult result = c.kind == TPresetKind::bank ? core.ApplyFxb(c.file.data(), c.file.size())
                                                             : core.ApplyFxp(c.file.data(), c.file.size());
    EXPECT_FALSE(result.ok) << c.name;
    EXPECT_EQ(result.message, check.reason) << c.name;
    EXPECT_EQ(Chunk(core, false), before) << c.name;
    EXPECT_FALSE(core.IsChunkLoaded()) << c.name;
  }
}

// A status line may show only the start of a reason: each case is told apart in the first
// three words, among them the two banks that once read alike, cut short by one byte and with
// a header announcing 2^31 - 1 bytes.
TEST(PresetFiles, EachReasonNamesItsCaseInItsFirstWords) {
  TPlugCore source;
  source.SelectProgram(0);
  const auto fxb = std::vector<uint8_t>(source.BuildFxb().begin(), source.BuildFxb().end());
  const auto fxp = std::vector<uint8_t>(source.BuildFxp().begin(), source.BuildFxp().end());
  std::vector<uint8_t> midi(100, 0);
  std::memcpy(midi.data(), "MThd", 4);
  const std::vector<std::vector<uint8_t>> refused = {
      {},
      fxp,                                     // a program file
      Resized(fxb, 100),                       // header cut short
      WithBytes(fxb, 16, {'A', 'b', 'c', 'd'}),  // another plug-in
      WithBytes(fxb, 8, {'F', 'x', 'B', 'k'}),   // another type
      Resized(fxb, 160),                       // the header alone
      Resized(fxb, 37023),                     // 36863 bytes of data where a bank has 36864
      WithBytes(fxb, 156, {0x7F, 0xFF, 0xFF, 0xFF}),  // a header announcing 2^31 - 1 bytes
      std::vector<uint8_t>(576, 8),            // a bare program chunk
      midi,
      std::vector<uint8_t>(1000, 8),           // anything else
  };
  std::map<std::string, std::string> byStart;
  for (const auto& file : refused) {
    const TPresetCheck check = CheckPresetFile(file, TPresetKind::bank);
    ASSERT_FALSE(check.ok);
    std::istringstream words(check.reason);
    std::string a, b, c;
    words >> a >> b >> c;
    const auto [at, isNew] = byStart.emplace(a + " " + b + " " + c, check.reason);
    EXPECT_TRUE(isNew) << "\"" << check.reason << "\" starts as \"" << at->second << "\"";
  }
  EXPECT_EQ(CheckPresetFile(refused[6], TPresetKind::bank).reason, "bank cut short: 36863 of 36864 bytes of data");
  EXPECT_EQ(CheckPresetFile(refused[7], TPresetKind::bank).reason,
            "header announces 2147483647 bytes of data, the file holds 36864");
}

TEST(PresetFiles, ABanksCurrentProgramIsTakenOnlyInRange) {
  TPlugCore source;
  const auto fxb = std::vector<uint8_t>(source.BuildFxb().begin(), source.BuildFxb().end());
  for (const auto& [stored, expected] : {std::pair{5u, 5}, {63u, 63}, {64u, -1}, {0xFFFFFFFFu, -1}}) {
    auto file = fxb;
    for (int i = 0; i < 4; ++i) file[28 + i] = static_cast<uint8_t>(stored >> (24 - 8 * i));
    const TPresetCheck check = CheckPresetFile(file, TPresetKind::bank);
    ASSERT_TRUE(check.ok) << check.reason;
    EXPECT_EQ(check.currentProgram, expected) << stored;
  }
}

TEST(PresetFiles, ByteReversedMagicReadsTheSameWay) {
  TPlugCore source;
  source.SelectProgram(0);
  source.SetParamFromEditor(tagSteps, 7, false);
  auto file = std::vector<uint8_t>(source.BuildFxp().begin(), source.BuildFxp().end());
  std::memcpy(file.data(), "KncC", 4);
  TPlugCore core;
  EXPECT_TRUE(core.ApplyFxp(file.data(), file.size()).ok);
  EXPECT_EQ(core.GetParam(tagSteps), 7);
}

// The file's bytes as the editor and the formats read them (the engine reads no file itself).
TEST(PresetFiles, AFileImageIsAppliedAndToldOnceAndACutOneChangesNothing) {
  TPlugCore source;
  source.SelectProgram(0);
  source.SetParamFromEditor(tagSteps, 21, false);
  const std::span<const uint8_t> built = source.BuildFxb();
  const std::vector<uint8_t> image(built.begin(), built.end());
  TPlugCore core;
  TEngineHostRecorder host;
  int& notified = host.programListChanges;
  core.SetHost(&host);
  EXPECT_TRUE(core.ApplyFxb(image.data(), image.size()).ok);
  EXPECT_EQ(core.GetParam(tagSteps), 21);
  EXPECT_EQ(notified, 1);

  core.SetParamFromEditor(tagSteps, 22, false);
  const TLoadResult cut = core.ApplyFxb(image.data(), 1000);
  EXPECT_FALSE(cut.ok);
  EXPECT_NE(cut.message.find("cut short"), std::string::npos) << cut.message;
  EXPECT_EQ(core.GetParam(tagSteps), 22) << "a refused file changes nothing";
  EXPECT_EQ(notified, 1);
}

}  // namespace
