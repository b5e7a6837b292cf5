// Every opcode's answer, the capability strings, identity texts, pins and keys.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "hosts/vst2/Host.h"

using vst2host::Host;

namespace {

struct OpcodeCase {
  VstInt32 opcode;
  VstInt32 index;
  VstIntPtr value;
  VstIntPtr answer;
  bool writes;  // false: the pointed-to buffer must stay untouched
};

// A fresh instance per row; `ptr` is a zeroed buffer large enough for any record.
const OpcodeCase kOpcodeTable[] = {
    {effOpen, 0, 0, 0, false},
    {effSetProgram, 0, 0, 0, false},
    {effGetProgram, 0, 0, -1, false},  // no program before the first selection
    {effSetProgramName, 0, 0, 0, false},
    {effGetProgramName, 0, 0, 0, false},  // no current program: an empty name
    {effGetParamLabel, 0, 0, 0, false},
    {effGetParamDisplay, 0, 0, 0, true},
    {effGetParamName, 0, 0, 0, true},
    {effGetVu, 0, 0, 0, false},
    {effSetSampleRate, 0, 0, 0, false},
    {effSetBlockSize, 0, 512, 0, false},
    {effMainsChanged, 0, 1, 0, false},
    {effEditGetRect, 0, 0, 1, true},
    {effEditOpen, 0, 0, 1, false},
    {effEditClose, 0, 0, 0, false},
    {effEditDraw, 0, 0, 0, false},
    {effEditMouse, 0, 0, 0, false},
    {effEditKey, 0, 0, 0, false},
    {effEditIdle, 0, 0, 0, false},
    {effEditTop, 0, 0, 0, false},
    {effEditSleep, 0, 0, 0, false},
    {effIdentify, 0, 0, 0x4E764566, false},
    {effGetChunk, 0, 0, 36864, true},
    {effSetChunk, 0, 0, 0, false},
    {effProcessEvents, 0, 0, 1, false},
    {effCanBeAutomated, 0, 0, 1, false},
    {effString2Parameter, 0, 0, 0, false},
    {effGetNumProgramCategories, 0, 0, 1, false},
    {effGetProgramNameIndexed, 0, 0, 1, true},
    {effCopyProgram, 0, 0, 1, false},
    {effConnectInput, 0, 1, 1, false},
    {effConnectOutput, 0, 1, 1, false},
    {effGetInputProperties, 0, 0, 0, false},
    {effGetOutputProperties, 0, 0, 1, true},
    {effGetPlugCategory, 0, 0, 2, false},
    {effGetCurrentPosition, 0, 0, 0, false},
    {effGetDestinationBuffer, 0, 0, 0, false},
    {effOfflineNotify, 0, 0, 0, false},
    {effOfflinePrepare, 0, 0, 0, false},
    {effOfflineRun, 0, 0, 0, false},
    {effProcessVarIo, 0, 0, 0, false},
    {effSetSpeakerArrangement, 0, 0, 0, false},
    {effSetBlockSizeAndSampleRate, 0, 512, 1, false},
    {effSetBypass, 0, 1, 0, false},
    {effGetEffectName, 0, 0, 1, true},
    {effGetErrorText, 0, 0, 0, false},
    {effGetVendorString, 0, 0, 1, true},
    {effGetProductString, 0, 0, 1, true},
    {effGetVendorVersion, 0, 0, 131, false},
    {effVendorSpecific, 0, 0, 0, false},
    {effCanDo, 0, 0, -1, false},  // the empty text
    {effGetTailSize, 0, 0, 0, false},
    {effIdle, 0, 0, 0, false},
    {effGetIcon, 0, 0, 0, false},
    {effSetViewPosition, 0, 0, 0, false},
    {effGetParameterProperties, 0, 0, 0, false},
    {effKeysRequired, 0, 0, 1, false},
    {effGetVstVersion, 0, 0, 2300, false},
    {effEditKeyDown, 'a', 0, -1, false},
    {effEditKeyUp, 'a', 0, -1, false},
    {effSetEditKnobMode, 0, 2, 0, false},
    {effGetMidiProgramName, 0, 0, 0, false},
    {effGetCurrentMidiProgram, 0, 0, -1, false},
    {effGetMidiProgramCategory, 0, 0, 0, false},
    {effHasMidiProgramsChanged, 0, 0, 0, false},
    {effGetMidiKeyName, 0, 0, 0, false},
    {effBeginSetProgram, 0, 0, 0, false},
    {effEndSetProgram, 0, 0, 0, false},
    {effGetSpeakerArrangement, 0, 0, 0, false},
    {effShellGetNextPlugin, 0, 0, 0, false},
    {effStartProcess, 0, 0, 0, false},
    {effStopProcess, 0, 0, 0, false},
    {effSetTotalSampleToProcess, 0, 1234, 1234, false},
    {effSetPanLaw, 0, 0, 0, false},
    {effBeginLoadBank, 0, 0, 0, false},
    {effBeginLoadProgram, 0, 0, 0, false},
    // Later opcodes and nonsense ones reach the base dispatcher and answer 0.
    {effSetProcessPrecision, 0, 1, 0, false},
    {effGetNumMidiInputChannels, 0, 0, 0, false},
    {effGetNumMidiOutputChannels, 0, 0, 0, false},
    {80, 0, 0, 0, false},
    {1000, 0, 0, 0, false},
    {-1, 0, 0, 0, false},
    {std::numeric_limits<VstInt32>::min(), 0, 0, 0, false},
};

bool AllZero(const unsigned char* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (p[i] != 0) return false;
  return true;
}

}  // namespace

TEST(Dispatcher, EveryOpcodeAnswers) {
  bool seen[77] = {};
  for (const OpcodeCase& c : kOpcodeTable) {
    Host h;
    ASSERT_NE(h.Load(), nullptr) << h.LastError();
    alignas(16) unsigned char buffer[2048] = {};
    EXPECT_EQ(h.Dispatch(c.opcode, c.index, c.value, buffer), c.answer) << "opcode " << c.opcode;
    if (!c.writes) {
      EXPECT_TRUE(AllZero(buffer, sizeof buffer)) << "opcode " << c.opcode << " wrote";
    }
    if (c.opcode >= 0 && c.opcode <= 76) seen[c.opcode] = true;
  }
  for (int op = 0; op <= 76; ++op) {
    if (op != effClose) {
      EXPECT_TRUE(seen[op]) << "opcode " << op << " missing from the table";
    }
  }
}

TEST(Dispatcher, IdentifyAnswersWhateverTheArguments) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  char buffer[8] = {};
  EXPECT_EQ(h.Dispatch(effIdentify, 7, -3, buffer, 2.5f), 0x4E764566);
  EXPECT_EQ(h.Dispatch(effIdentify, -1, 1 << 30, nullptr, -1.0f), 0x4E764566);
}

TEST(Dispatcher, CanDoStrings) {
  struct Case {
    const char* text;
    VstIntPtr answer;
  };
  const Case cases[] = {
      {"receiveVstEvents", 1}, {"receiveVstMidiEvent", 1}, {"receiveVstTimeInfo", 1},
      {"sendVstEvents", 1},    {"sendVstMidiEvent", 1},    {"sendVstTimeInfo", 0},
      {"offline", 0},          {"plugAsChannelInsert", 0}, {"plugAsSend", 0},
      {"mixDryWet", 0},        {"noRealTime", 0},          {"multipass", 0},
      {"metapass", 0},         {"1in1out", 0},             {"1in2out", 0},
      {"2in1out", 0},          {"2in2out", 0},             {"2in4out", 0},
      {"4in2out", 0},          {"4in4out", 0},             {"4in8out", 0},
      {"8in4out", 0},          {"8in8out", 0},             {"midiProgramNames", 0},
      {"conformsToWindowRules", 0}, {"bypass", 0},
      // Exact, case-sensitive comparison of the whole text.
      {"ReceiveVstEvents", -1}, {"receiveVstEvent", -1}, {"receiveVstEvents ", -1},
      {"", -1},                 {"receiveVstTimeInfoX", -1}, {"midiSingleNoteTuningChange", -1},
  };
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  for (const Case& c : cases) EXPECT_EQ(h.CanDo(c.text), c.answer) << '"' << c.text << '"';
}

TEST(Dispatcher, IdentityTexts) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  EXPECT_EQ(h.Text(effGetEffectName), "Moltrin");
  EXPECT_EQ(h.Text(effGetProductString), "Moltrin");
  std::string vendor = h.Text(effGetVendorString);
  EXPECT_EQ(vendor.size(), 25u) << vendor;
  EXPECT_EQ(h.Dispatch(effGetVendorVersion), 131);
  EXPECT_EQ(h.Dispatch(effGetErrorText, 0, 0, nullptr), 0);
}

TEST(Dispatcher, OutputPinAndNoInputPins) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);

  VstPinProperties pin;
  std::memset(&pin, 0x55, sizeof pin);
  ASSERT_EQ(h.Dispatch(effGetOutputProperties, 0, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Output #1");
  EXPECT_EQ(pin.flags, kVstPinIsActive);
  EXPECT_EQ(pin.arrangementType, 0x55555555) << "only label and flags are written";
  EXPECT_EQ(static_cast<unsigned char>(pin.shortLabel[0]), 0x55);

  for (VstInt32 index : {1, 2, -1}) {
    VstPinProperties untouched;
    std::memset(&untouched, 0x55, sizeof untouched);
    EXPECT_EQ(h.Dispatch(effGetOutputProperties, index, 0, &untouched), 0) << index;
    EXPECT_EQ(static_cast<unsigned char>(untouched.label[0]), 0x55) << index;
    EXPECT_EQ(h.Dispatch(effGetInputProperties, index, 0, &untouched), 0) << index;
    EXPECT_EQ(untouched.flags, 0x55555555) << index;
  }
  EXPECT_EQ(h.Dispatch(effGetInputProperties, 0, 0, &pin), 0);
}

TEST(Dispatcher, KeysAreNeverUsed) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Key {
    VstInt32 character;
    VstIntPtr virt;
    float modifier;
  };
  for (const Key& k : {Key{'a', 0, 0.0f}, Key{0, 1, 1.0f}, Key{-5, 0x1FF, 3.4f}, Key{65, -1, nan},
                       Key{65, 0, 1e30f}, Key{65, 0, -1e30f}}) {
    EXPECT_EQ(h.Dispatch(effEditKeyDown, k.character, k.virt, nullptr, k.modifier), -1);
    EXPECT_EQ(h.Dispatch(effEditKeyUp, k.character, k.virt, nullptr, k.modifier), -1);
  }
}

TEST(Dispatcher, EditorRectangleIsTheFixedSizeOpenOrNot) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  char window[16] = {};
  auto rect = [&h]() {
    ERect* r = nullptr;
    EXPECT_EQ(h.Dispatch(effEditGetRect, 0, 0, &r), 1);
    return r != nullptr ? *r : ERect{-1, -1, -1, -1};
  };
  auto expectFixed = [](ERect r, const char* when) {
    EXPECT_EQ(r.top, 0) << when;
    EXPECT_EQ(r.left, 0) << when;
    EXPECT_EQ(r.bottom, 536) << when;
    EXPECT_EQ(r.right, 809) << when;
  };
  expectFixed(rect(), "before any opening");
  EXPECT_EQ(h.Dispatch(effEditOpen, 0, 0, window), 1);
  expectFixed(rect(), "while open");
  EXPECT_EQ(h.Dispatch(effEditOpen, 0, 0, window), 1) << "opening twice only counts";
  h.Dispatch(effEditIdle);
  h.Dispatch(effEditClose);
  h.Dispatch(effEditClose);
  h.Dispatch(effEditClose);  // one more close than opens
  expectFixed(rect(), "after closing");
  EXPECT_EQ(h.Dispatch(effEditOpen, 0, 0, window), 1);
}

TEST(Dispatcher, CopyProgramCopiesNothing) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  h.SetProgram(2);
  h.SetParam(211, 0.0f);
  std::vector<uint8_t> before = h.GetChunk(false);
  EXPECT_EQ(h.Dispatch(effCopyProgram, 7), 1);
  EXPECT_EQ(h.GetChunk(false), before);
}

TEST(Dispatcher, SpeakerArrangementVariablesAreNotWritten) {
  Host h;
  ASSERT_NE(h.Load(), nullptr);
  void* input = reinterpret_cast<void*>(0x1234);
  void* output = reinterpret_cast<void*>(0x5678);
  EXPECT_EQ(h.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output), 0);
  EXPECT_EQ(input, reinterpret_cast<void*>(0x1234));
  EXPECT_EQ(output, reinterpret_cast<void*>(0x5678));
}
