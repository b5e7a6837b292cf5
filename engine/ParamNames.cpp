#include "engine/ParamNames.h"

#include <cstdio>
#include <initializer_list>

#include "engine/KeyUtils.h"

namespace {

struct CatalogueEntry {
  int tag;
  const char* name;
  std::initializer_list<const char*> texts;  // editor texts for value - min, if any
  // False: the host knows the tag by its number alone ("Param8"); no control of the editor
  // shows it.
  bool namedForHost = true;
};

const std::initializer_list<const char*> kQuantizeTexts = {"none", "1 step", "2 steps", "3 steps", "4 steps",
                                                           "1 beat", "2 beats", "3 beats", "4 beats"};

// Marks a tag whose editor texts are the note names.
const std::initializer_list<const char*> kNoteTexts = {"#notes"};

// Names and editor texts; ranges and defaults are in ParamRanges.cpp.
const CatalogueEntry kSingleTags[] = {
    {tagFormatVersion, "FormatVersion", {}, false},
    {tagMIDIIn_Ch, "MIDIIn_Ch", {"all"}},
    {tagMIDIOut_Ch, "MIDIOut_Ch", {}},
    {tagArpEnabled, "ArpEnabled", {}},
    {tagMIDIThruOn, "MIDIThruOn", {}},
    {tagCurProgram, "CurProgram", {}, false},
    {tagSelectedBar, "SelectedBar", {}},
    {tagNumChains, "NumChains", {}},
    {tagCurChain, "CurChain", {"---"}},
    {tagChainQuantize, "ChainQuantize", kQuantizeTexts},
    {tagChainInit, "ChainInit", {}, false},
    {tagSendPatchNum, "SendPatchNum", {"---"}},
    {tagSendBankNum, "SendBankNum", {"---"}},
    {tagSendVolume, "SendVolume", {"---"}},
    {tagProgName, "ProgName", {}, false},
    {tagSteps, "Steps", {}},
    {tagGate, "Gate", {}},
    {tagSync, "Sync",
     {"1/48", "1/32", "1/24", "1/16", "1/12", "1/8", "1/6", "1/4", "3/64", "3/32", "3/16", "3/8"}},
    {tagLatch, "Latch", {}},
    {tagMissing_key, "Missing_key",
     {"don't play", "cyclic", "cyclic, +1 oct.", "cyclic, -1 oct.", "first key", "first key, +1 oct.",
      "first key, -1 oct.", "last key", "last key, +1 oct.", "last key, -1 oct.", "fixed key",
      "fixed key, +1 oct.", "fixed key, -1 oct."}},
    {tagInRange_Low, "InRange_Low", kNoteTexts},
    {tagInRange_High, "InRange_High", kNoteTexts},
    {tagOutRange_Low, "OutRange_Low", kNoteTexts},
    {tagOutRange_High, "OutRange_High", kNoteTexts},
    {tagSortOrder, "SortOrder",
     {"as played", "as played, desc.", "by pitch", "by pitch, desc.", "by velocity", "by velocity, desc",
      "chord, normalized", "chord, as played"}},
    {tagFixed_key, "Fixed_key", kNoteTexts},
    {tagMTransp_oct, "MTransp_oct", {"-3 oct", "-2 oct", "-1 oct", "none", "+1 oct", "+2 oct", "+3 oct"}},
    {tagInQuantize, "InQuantize", kQuantizeTexts},
    {tagMTransp_semi, "MTransp_semi",
     {"-12", "-11", "-10", "-9", "-8", "-7", "-6", "-5", "-4", "-3", "-2", "-1", "none",
      "+1", "+2", "+3", "+4", "+5", "+6", "+7", "+8", "+9", "+10", "+11", "+12"}},
    {tagScroll, "Scroll", {}},
    {tagSwing, "Swing", {}},
    {tagRestartOnKey, "RestartOnKey", {"beat", "key"}},
    {tagForceScale_Key, "ForceScale_Key",
     {"off", "C", "C#", "D", "Eb", "E", "F", "F#", "G", "G#", "A", "Bb", "B"}},
    {tagForceScale, "ForceScale",
     {"off", "Major", "Major pentatonic", "minor", "minor harmonic", "minor melodic", "minor pentatonic"}},
    {tagFollowChord, "FollowChord", {}},
    {tagLockPage, "LockPage", {}},
    {tagSelectedPage, "SelectedPage", {}, false},
    {tagPatternShift, "PatternShift", {}},
};

struct StepBlock {
  int base;
  const char* name;
  std::initializer_list<const char*> texts;
};

const StepBlock kStepBlocks[] = {
    {tagSemitone, "Semitone", {}},
    {tagOctave, "Octave", {}},
    {tagStep_mode, "Step_mode", {"Off", "Nrm", "Rst", "Tie"}},
    {tagKey_select, "Key_select", {"Fix", "k1", "k2", "k3", "k4", "k5", "Chr"}},
    {tagVelocity, "Velocity", {}},
};

const std::initializer_list<const char*>* TextsOf(int tag) {
  static const std::initializer_list<const char*> kChainSlotTexts = {"-"};
  for (const auto& e : kSingleTags)
    if (e.tag == tag) return &e.texts;
  if (tag >= tagChainProg && tag < tagChainProg + 8) return &kChainSlotTexts;
  for (const auto& b : kStepBlocks)
    if (tag >= b.base && tag < b.base + kMaxSteps) return &b.texts;
  return nullptr;
}

ShortText CatalogueNameText(int tag) {
  ShortText text;
  if (tag < 0 || tag >= kNumParams) return text;
  for (const auto& e : kSingleTags)
    if (e.tag == tag) return ShortText(e.name);
  char buf[32];
  if (tag >= tagChainProg && tag < tagChainProg + 8) {
    std::snprintf(buf, sizeof buf, "ChainProg_%d", tag - 84);
    text.Assign(buf);
  }
  for (const auto& b : kStepBlocks)
    if (tag >= b.base && tag < b.base + kMaxSteps) {
      std::snprintf(buf, sizeof buf, "%s_%d", b.name, tag - b.base + 1);
      text.Assign(buf);
    }
  return text;
}

}  // namespace

std::string CatalogueName(int tag) { return CatalogueNameText(tag).Str(); }

ShortText HostParamName(int tag) {
  if (tag < 0 || tag >= kNumParams) return {};
  bool named = IsDefinedTag(tag);
  for (const auto& e : kSingleTags)
    if (e.tag == tag) named = named && e.namedForHost;
  if (named) return CatalogueNameText(tag);
  char buf[16];
  std::snprintf(buf, sizeof buf, "Param%d", tag);
  return ShortText(buf);
}

int TagByCatalogueName(std::string_view name) {
  for (int tag = 0; tag < kNumParams; ++tag)
    if (IsDefinedTag(tag) && CatalogueName(tag) == name) return tag;
  return -1;
}

ShortText ValueLabel(int tag, int value) {
  const auto* texts = TextsOf(tag);
  if (texts != nullptr && texts->size() > 0) {
    if (std::string_view(*texts->begin()) == "#notes") {
      if (value >= 0 && value <= 127) return NoteName(value);
    } else {
      int index = value - CParamMin[tag];
      if (index >= 0 && index < static_cast<int>(texts->size())) {
        const char* text = texts->begin()[index];
        if (text[0] != 0) return ShortText(text);
      }
    }
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d", value);
  return ShortText(buf);
}

std::string ValueText(int tag, int value) { return ValueLabel(tag, value).Str(); }

std::vector<std::string> ValueTexts(int tag) {
  std::vector<std::string> list;
  const auto* texts = TextsOf(tag);
  if (texts == nullptr || texts->size() == 0) return list;
  if (std::string_view(*texts->begin()) == "#notes") {
    for (int note = 0; note < 128; ++note) list.push_back(NoteName(note).Str());
  } else {
    list.assign(texts->begin(), texts->end());
  }
  return list;
}
