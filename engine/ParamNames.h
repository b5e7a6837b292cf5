#pragma once
// The parameter catalogue: every setting is an integer addressed by a tag 0..575,
// which is also the host's parameter index and the byte position in a program row.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ShortText.h"

constexpr int kNumParams = 576;
constexpr int kNumPrograms = 64;
constexpr int kMaxSteps = 64;

// Sections of the tag space.
constexpr int kFirstChainTag = 80;
constexpr int kFirstProgramTag = 150;

// Single tags.
enum ParamTag : int {
  tagFormatVersion = 0,
  tagMIDIIn_Ch = 1,
  tagMIDIOut_Ch = 2,
  tagArpEnabled = 3,
  tagMIDIThruOn = 4,
  tagCurProgram = 8,
  tagSelectedBar = 9,
  tagNumChains = 17,
  tagCurChain = 18,
  tagChainQuantize = 20,
  tagChainInit = 80,
  tagSendPatchNum = 81,
  tagSendBankNum = 82,
  tagSendVolume = 83,
  tagChainProg = 85,  // slots 1..8 at 85..92; slot k (1-based) is 84 + k
  tagProgName = 150,  // name length; characters at 151..198
  tagSteps = 210,
  tagGate = 211,
  tagSync = 212,
  tagLatch = 213,
  tagMissing_key = 214,
  tagInRange_Low = 215,
  tagInRange_High = 216,
  tagOutRange_Low = 217,
  tagOutRange_High = 218,
  tagSortOrder = 219,
  tagFixed_key = 220,
  tagMTransp_oct = 221,
  tagInQuantize = 222,
  tagMTransp_semi = 223,
  tagScroll = 224,
  tagSwing = 225,
  tagRestartOnKey = 226,
  tagForceScale_Key = 227,
  tagForceScale = 228,
  tagFollowChord = 229,
  tagLockPage = 230,
  tagSelectedPage = 231,
  tagPatternShift = 232,
  // Step blocks: tag = base + step (0..63).
  tagSemitone = 256,
  tagOctave = 320,
  tagStep_mode = 384,
  tagKey_select = 448,
  tagVelocity = 512,
};

constexpr int kNameChars = 48;  // program name characters at 151..198
constexpr std::array<int, 5> kStepBlockBases = {tagSemitone, tagOctave, tagStep_mode, tagKey_select,
                                                tagVelocity};

// Step types of Step_mode.
enum StepType : int { stOff = 0, stNormal = 1, stRest = 2, stTie = 3 };

// The range tables, built once when the module is loaded. A tag whose maximum is 0 is undefined.
// CurChain (18) has the static maximum 8 here; each engine keeps its own live maximum that
// follows NumChains, so one instance's chain count never changes another's range.
struct TParamTables {
  std::array<int32_t, kNumParams> min{}, max{}, def{}, page{};
};
extern const TParamTables kParamTables;  // constant-initialised
inline const std::array<int32_t, kNumParams>& CParamMin = kParamTables.min;
inline const std::array<int32_t, kNumParams>& CParamMax = kParamTables.max;
inline const std::array<int32_t, kNumParams>& CParamDef = kParamTables.def;
inline const std::array<int32_t, kNumParams>& CParamPage = kParamTables.page;

inline bool IsDefinedTag(int tag) { return tag >= 0 && tag < kNumParams && CParamMax[tag] != 0; }

// The catalogue name of a tag ("Steps", "Velocity_5", "ChainProg_3"), or "" for tags without
// one. Tools use it to address parameters by name.
std::string CatalogueName(int tag);
// The name the host is given: the catalogue name, or "Param" and the tag ("Param8") for the
// tags no control of the editor shows and for undefined tags; "" outside 0..575. Built in
// place: any thread may ask, the audio thread too.
ShortText HostParamName(int tag);
// The tag whose catalogue name is `name` (case-sensitive), or -1.
int TagByCatalogueName(std::string_view name);
// The editor text of a value ("1/16", "by pitch", "C5"), or the decimal number where the
// catalogue lists no text for it.
std::string ValueText(int tag, int value);
// The same text built in place, for the host's display of a value on any thread.
ShortText ValueLabel(int tag, int value);
// Every editor text of a tag, indexed by value - Min (the 128 note names for note settings);
// empty where the editor shows numbers only.
std::vector<std::string> ValueTexts(int tag);
