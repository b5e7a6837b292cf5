// The entry point and the effect record a host receives.
#include <gtest/gtest.h>

#include <cstring>

#include "hosts/vst2/Host.h"

using vst2host::Host;

namespace {

bool IsZero(const char* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (bytes[i] != 0) return false;
  return true;
}

}  // namespace

TEST(EffectRecord, FieldsAsTheHostSeesThem) {
  Host h;
  AEffect* fx = h.Load();
  ASSERT_NE(fx, nullptr) << h.LastError();
  EXPECT_EQ(fx->magic, 0x56737450);
  EXPECT_NE(fx->dispatcher, nullptr);
  EXPECT_NE(fx->process, nullptr);
  EXPECT_NE(fx->setParameter, nullptr);
  EXPECT_NE(fx->getParameter, nullptr);
  EXPECT_NE(fx->processReplacing, nullptr);
  EXPECT_EQ(fx->processDoubleReplacing, nullptr);
  EXPECT_EQ(fx->numPrograms, 64);
  EXPECT_EQ(fx->numParams, 576);
  EXPECT_EQ(fx->numInputs, 0);
  EXPECT_EQ(fx->numOutputs, 1);
  EXPECT_EQ(fx->flags, 0x139);
  EXPECT_EQ(fx->resvd1, 0);
  EXPECT_EQ(fx->resvd2, 0);
  EXPECT_EQ(fx->initialDelay, 0);
  EXPECT_EQ(fx->realQualities, 0);
  EXPECT_EQ(fx->offQualities, 0);
  EXPECT_EQ(fx->ioRatio, 1.0f);
  EXPECT_NE(fx->object, nullptr);
  EXPECT_EQ(fx->uniqueID, 0x4B713476);  // "Kq4v"
  EXPECT_EQ(fx->version, 1);
  EXPECT_TRUE(IsZero(fx->future, sizeof fx->future));
}

TEST(EffectRecord, EntryAsksTheHostVersionFirstAndRefusesHostsWithoutOne) {
  Host refused(0);
  EXPECT_EQ(refused.Load(), nullptr);
  auto calls = refused.Callbacks();
  ASSERT_EQ(calls.size(), 1u) << "nothing is created for a host that answers version 0";
  EXPECT_EQ(calls[0].opcode, audioMasterVersion);
  EXPECT_FALSE(calls[0].withEffect);

  Host accepted(2400);
  ASSERT_NE(accepted.Load(), nullptr);
  calls = accepted.Callbacks();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0].opcode, audioMasterVersion);
  EXPECT_FALSE(calls[0].withEffect);
  EXPECT_EQ(calls[1].opcode, audioMasterVersion) << "the object asks again for its own record";
  EXPECT_TRUE(calls[1].withEffect);
}

TEST(EffectRecord, NullHostCallbackGivesNoEffect) {
  vst2host::EntryProc entry = vst2host::LoadEntry(vst2host::DefaultModulePath());
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry(nullptr), nullptr);
}

TEST(EffectRecord, MainIsTheSameEntry) {
  std::string error;
  vst2host::EntryProc vstMain = vst2host::LoadEntry(vst2host::DefaultModulePath(), &error);
  vst2host::EntryProc oldMain = vst2host::LoadEntry(vst2host::DefaultModulePath(), &error, "main");
  ASSERT_NE(vstMain, nullptr) << error;
  ASSERT_NE(oldMain, nullptr) << error;
  EXPECT_EQ(reinterpret_cast<void*>(vstMain), reinterpret_cast<void*>(oldMain));
}

TEST(EffectRecord, EachEntryCallMakesAnIndependentInstance) {
  Host a, b;
  AEffect* fxA = a.Load();
  AEffect* fxB = b.Load();
  ASSERT_NE(fxA, nullptr);
  ASSERT_NE(fxB, nullptr);
  EXPECT_NE(fxA, fxB);
  EXPECT_NE(fxA->object, fxB->object);

  a.SetProgram(5);
  a.SetParam(211, 0.0f);  // Gate 1
  EXPECT_EQ(a.Program(), 5);
  EXPECT_EQ(b.Program(), -1);
  EXPECT_EQ(a.ParamDisplay(211), "1");
  EXPECT_EQ(b.ParamDisplay(211), "100");

  // Closing one leaves the other working.
  EXPECT_EQ(a.Close(), 1);
  EXPECT_EQ(b.Text(effGetEffectName), "Moltrin");
}

TEST(EffectRecord, CloseAnswersOneInEveryState) {
  struct Case {
    const char* name;
    void (*prepare)(Host&);
  };
  const Case cases[] = {
      {"fresh", [](Host&) {}},
      {"opened", [](Host& h) { h.Dispatch(effOpen); }},
      {"resumed", [](Host& h) {
         h.Dispatch(effOpen);
         h.Dispatch(effMainsChanged, 0, 1);
       }},
      {"processing", [](Host& h) {
         h.Dispatch(effOpen);
         h.Dispatch(effMainsChanged, 0, 1);
         h.SendMidi({vst2host::NoteOn(0, 60, 100)});
         h.PlayBlocks(4);
       }},
      {"editor open", [](Host& h) {
         char window[16] = {};
         h.Dispatch(effEditOpen, 0, 0, window);
       }},
  };
  for (const Case& c : cases) {
    Host h;
    ASSERT_NE(h.Load(), nullptr);
    c.prepare(h);
    EXPECT_EQ(h.Close(), 1) << c.name;
  }
}
