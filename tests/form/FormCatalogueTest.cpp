// The form's bound controls against the catalogue. The layout takes each control's range and
// default from the catalogue entry of the tag it names, so a row naming the wrong tag would bind
// the control there with that tag's range and no range check would notice; the table below says
// which tags each control is meant for.
#include <array>

#include "engine/ParamNames.h"

#include "tests/form/FormFixture.h"

namespace {

using FormCatalogue = FormTest;

bool IsWithin(const TControl* control, const TControl& owner) {
  for (; control != nullptr; control = control->Parent())
    if (control == &owner) return true;
  return false;
}

TEST_F(FormCatalogue, EveryBoundControlHasItsTagsNamesRangesAndDefaultsFromTheCatalogue) {
  Open();
  struct Case {
    const char* control;
    int firstTag;
    int numTags;  // a step bar binds a block of 64 tags, the chain line the 8 slots
  };
  const Case cases[] = {
      {"bInCh", tagMIDIIn_Ch, 1},
      {"bOutCh", tagMIDIOut_Ch, 1},
      {"bInRange_Low", tagInRange_Low, 1},
      {"bInRange_High", tagInRange_High, 1},
      {"bSortOrder", tagSortOrder, 1},
      {"bMissKey", tagMissing_key, 1},
      {"bFillOrder", tagInQuantize, 1},
      {"bSteps", tagSteps, 1},
      {"bReso", tagSync, 1},
      {"bGate", tagGate, 1},
      {"bSwing", tagSwing, 1},
      {"bRestartOn", tagRestartOnKey, 1},
      {"bFixedKey", tagFixed_key, 1},
      {"bForceScale", tagForceScale, 1},
      {"bForceScaleKey", tagForceScale_Key, 1},
      {"bMTranspOct", tagMTransp_oct, 1},
      {"bMTranspSemi", tagMTransp_semi, 1},
      {"bOutRange_Low", tagOutRange_Low, 1},
      {"bOutRange_High", tagOutRange_High, 1},
      {"cbNumChains", tagNumChains, 1},
      {"cbChainQuantize", tagChainQuantize, 1},
      {"cbCurrChain", tagCurChain, 1},  // a fresh instance has 8 chains: the catalogue's 0..8
      {"bSendBankN", tagSendBankNum, 1},
      {"bSendPatchN", tagSendPatchNum, 1},
      {"bSendVolume", tagSendVolume, 1},
      {"bArpEngineOn", tagArpEnabled, 1},
      {"bMidiThruOn", tagMIDIThruOn, 1},
      {"cbHold", tagLatch, 1},
      {"cbFollowChord", tagFollowChord, 1},
      {"cbScroll", tagScroll, 1},
      {"cbLockPage", tagLockPage, 1},
      {"barSemitone", tagSemitone, kMaxSteps},
      {"barOctave", tagOctave, kMaxSteps},
      {"barStepMode", tagStep_mode, kMaxSteps},
      {"barKeySelect", tagKey_select, kMaxSteps},
      {"barVelocity", tagVelocity, kMaxSteps},
      {"lnChainProg", tagChainProg, 8},
  };
  const TPlugForm& form = Form();
  std::array<bool, kNumParams> named{};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control);
    const auto& control = Control<TVeskControl>(c.control);
    EXPECT_EQ(control.Min(), CParamMin[c.firstTag]);
    EXPECT_EQ(control.Max(), CParamMax[c.firstTag]);
    EXPECT_EQ(control.ValueDefault(), CParamDef[c.firstTag]);
    for (int tag = c.firstTag; tag < c.firstTag + c.numTags; ++tag) {
      named[static_cast<size_t>(tag)] = true;
      const TVeskControl* bound = form.ControlOfTag(tag);
      ASSERT_TRUE(IsWithin(bound, control)) << "tag " << tag << " is bound elsewhere";
      const int page = (tag - bound->GetParamTag()) / 16;
      EXPECT_EQ(bound->GetPageParamNam(page), CatalogueName(tag)) << "tag " << tag;
      EXPECT_EQ(bound->Min(), CParamMin[tag]) << "tag " << tag;
      EXPECT_EQ(bound->Max(), CParamMax[tag]) << "tag " << tag;
      EXPECT_EQ(bound->ValueDefault(), CParamDef[tag]) << "tag " << tag;
    }
  }
  for (int tag = 0; tag < kNumParams; ++tag) {
    const bool bound = form.ControlOfTag(tag) != nullptr;
    EXPECT_TRUE(!bound || named[static_cast<size_t>(tag)]) << "tag " << tag << " is bound to a control missing above";
  }
}

}  // namespace
