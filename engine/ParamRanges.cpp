// The range, default and page tables, computed at compile time so that they are ready
// before any other unit's start-up code runs.
#include "engine/ParamNames.h"

namespace {

struct Range {
  int tag, min, max, def;
};

constexpr Range kSingleRanges[] = {
    {tagFormatVersion, 0, 1000, 8}, {tagMIDIIn_Ch, 0, 16, 0},       {tagMIDIOut_Ch, 1, 16, 1},
    {tagArpEnabled, 0, 1, 1},       {tagMIDIThruOn, 0, 1, 1},       {tagCurProgram, 0, 63, 0},
    {tagSelectedBar, 0, 4, 2},      {tagNumChains, 1, 16, 8},       {tagCurChain, 0, 8, 0},
    {tagChainQuantize, 0, 8, 1},    {tagChainInit, 0, 1, 1},        {tagSendPatchNum, -1, 127, -1},
    {tagSendBankNum, -1, 127, -1},  {tagSendVolume, -1, 127, -1},   {tagProgName, 0, kNameChars, 0},
    {tagSteps, 1, 64, 16},          {tagGate, 1, 100, 100},         {tagSync, 0, 11, 3},
    {tagLatch, 0, 1, 0},            {tagMissing_key, 0, 12, 0},     {tagInRange_Low, 0, 127, 0},
    {tagInRange_High, 0, 127, 127}, {tagOutRange_Low, 0, 127, 0},   {tagOutRange_High, 0, 127, 127},
    {tagSortOrder, 0, 7, 2},        {tagFixed_key, 0, 127, 64},     {tagMTransp_oct, -3, 3, 0},
    {tagInQuantize, 0, 8, 1},       {tagMTransp_semi, -12, 12, 0},  {tagScroll, 0, 1, 1},
    {tagSwing, -50, 50, 0},         {tagRestartOnKey, 0, 1, 0},     {tagForceScale_Key, 0, 12, 0},
    {tagForceScale, 0, 6, 0},       {tagFollowChord, 0, 1, 0},      {tagLockPage, 0, 1, 0},
    {tagSelectedPage, 0, 3, 0},     {tagPatternShift, -8, 8, 0},
};

constexpr Range kStepRanges[] = {
    {tagSemitone, -12, 12, 0}, {tagOctave, -2, 2, 0}, {tagStep_mode, 0, 3, 1},
    {tagKey_select, 0, 6, 1},  {tagVelocity, 0, 127, 96},
};

constexpr TParamTables Build() {
  TParamTables t{};
  for (const auto& r : kSingleRanges) {
    t.min[r.tag] = r.min;
    t.max[r.tag] = r.max;
    t.def[r.tag] = r.def;
  }
  for (int slot = 1; slot <= 8; ++slot) t.max[84 + slot] = 64;  // ChainProg: 0..64, default 0
  for (const auto& r : kStepRanges) {
    for (int step = 0; step < kMaxSteps; ++step) {
      t.min[r.tag + step] = r.min;
      t.max[r.tag + step] = r.max;
      t.def[r.tag + step] = r.def;
      t.page[r.tag + step] = step / 16;
    }
  }
  return t;
}

}  // namespace

constinit const TParamTables kParamTables = Build();
