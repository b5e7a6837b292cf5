// Engine-level seams: what the status panel shows with the arpeggiator off and the transport
// parked, the decimal separator of its texts, Undo and paste and shift against the program
// rows, and host writes from the audio thread while another thread holds the engine.
#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "engine/PositionText.h"
#include "tests/engine/EngineHostRecorder.h"
#include "tests/engine/HandClockEngine.h"
#include "tests/support/EditorListenerStub.h"

namespace {

// An engine with a host clock the test sets by hand and an editor that keeps the status texts.
struct Rig : THandClockEngine {
  TEngineHostRecorder host;
  int& programListChanges = host.programListChanges;
  struct StatusWatch : TEditorListenerStub {
    TStatusRecord last;
    void OnStatusText(const TStatusRecord& status) override { last = status; }
  } status;

  Rig() {
    core.SetHost(&host);
    core.SetEditorListener(&status);
    core.SetEditorBusy(false);
  }
  void Keys(std::initializer_list<int> notes) {
    for (int n : notes) core.HandleMidiIn(0, 0x90, n, 100);
  }
  const TStatusRecord& Status() {
    core.DeliverChanges();
    return status.last;
  }
};

TEST(EngineSeams, ArpeggiatorOffShowsTheParkedStepAndTheKeysItTakes) {
  Rig rig;
  rig.core.SelectProgram(0);
  rig.core.SetParamNormalized(tagArpEnabled, 0.0f);
  rig.time.ppqPos = 9.0;  // parked on beat 9: step 36, the fifth of 16
  rig.time.samplePos = 9.0 * 22050;
  rig.Keys({60, 64, 67});
  rig.core.ProcessBlock(512, &rig.time);
  const TStatusRecord& status = rig.Status();
  EXPECT_EQ(status.Step.Str(), "4" + DecimalSeparator().Str() + "00");
  EXPECT_EQ(status.Beat.Str(), "-") << "the transport is not playing";
  EXPECT_EQ(status.KeysPost.Str(), rig.Probe().KeyFilter().FormatStepKeys().Str());
  EXPECT_NE(status.KeysPost.Str().find("C5"), std::string::npos) << status.KeysPost.Str();
}

// The C library's numeric locale the host runs with, for a scope; `path` is where to look for
// locales besides the system's.
class NumericLocale {
 public:
  NumericLocale(const char* name, const std::string& path = {}) {
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    saved = current != nullptr ? current : "C";
    if (!path.empty()) setenv("LOCPATH", path.c_str(), 1);
    ok = std::setlocale(LC_NUMERIC, name) != nullptr;
  }
  ~NumericLocale() {
    std::setlocale(LC_NUMERIC, saved.c_str());
    unsetenv("LOCPATH");
  }
  bool ok = false;

 private:
  std::string saved;
};

TEST(EngineSeams, PositionTextsUseTheDecimalSeparatorOfTheLocale) {
  {
    NumericLocale c("C");
    EXPECT_EQ(FormatPosition(12.5f).Str(), "12.50");
    EXPECT_EQ(FormatPosition(-0.25f).Str(), "-0.25");
    EXPECT_EQ(FormatPosition(123456.0f).Str(), "1.2346e+05");
  }
  // A locale with a decimal comma, made for the test with the C library's localedef.
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "moltrin-locale-test";
  std::filesystem::create_directories(dir);
  const std::string command = "localedef -i de_DE -f ISO-8859-1 " + (dir / "de_DE.ISO-8859-1").string() + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0 && !std::filesystem::exists(dir / "de_DE.ISO-8859-1"))
    GTEST_SKIP() << "localedef cannot make de_DE";
  NumericLocale german("de_DE.ISO-8859-1", dir.string());
  ASSERT_TRUE(german.ok);
  EXPECT_EQ(DecimalSeparator().Str(), ",");
  EXPECT_EQ(FormatPosition(12.5f).Str(), "12,50");
  EXPECT_EQ(FormatPosition(123456.0f).Str(), "1,2346e+05");
}

TEST(EngineSeams, UndoOfAProgramNeverStoredInitialisesItAndTellsTheHost) {
  Rig rig;
  rig.core.SelectProgram(4);
  rig.core.SetParamNormalized(tagGate, 0.0f);
  rig.core.DeliverChanges();
  const int before = rig.programListChanges;
  rig.core.RecallProgram();  // nothing was ever stored for it
  EXPECT_EQ(rig.core.GetParam(tagSteps), 16);
  EXPECT_EQ(rig.core.GetParam(tagGate), 100);
  EXPECT_EQ(rig.Probe().Programs()[4][tagSteps], 16) << "what a chunk would save is what is read";
  EXPECT_GT(rig.programListChanges, before);
}

// Undo of a first program never loaded has no saved global settings to return to: the live
// ones stay, instead of turning the arpeggiator and thru off and the output channel to 0.
TEST(EngineSeams, UndoOfAFirstProgramNeverLoadedKeepsTheGlobalSettings) {
  Rig rig;
  rig.core.SelectProgram(0);
  rig.core.SetParamFromEditor(tagMIDIOut_Ch, 5, false);
  rig.core.SetParamFromEditor(tagGate, 20, false);
  rig.core.RecallProgram();
  EXPECT_EQ(rig.core.GetParam(tagArpEnabled), 1);
  EXPECT_EQ(rig.core.GetParam(tagMIDIThruOn), 1);
  EXPECT_EQ(rig.core.GetParam(tagMIDIOut_Ch), 5);
  EXPECT_EQ(rig.core.GetParam(tagGate), 100) << "the program section is initialised";
}

// Program rows for paste and shift: program 1 live with MIDIOut_Ch 3, program 2 saved with a
// copy of the global settings naming MIDIOut_Ch 9, program 3 initialised but never saved.
struct Rows {
  TPlugCore core;
  Rows() {
    core.SelectProgram(1);
    core.SetParamFromEditor(tagMIDIOut_Ch, 9, false);
    core.SetParamFromEditor(tagGate, 20, false);
    const void* chunk = nullptr;
    core.GetChunk(true, &chunk);  // saving copies the globals into program 2's row
    core.SelectProgram(2);
    core.SetParamFromEditor(tagGate, 30, false);
    core.SelectProgram(0);
    core.SetParamFromEditor(tagMIDIOut_Ch, 3, false);
    core.SetParamFromEditor(tagGate, 10, false);
  }
};

TEST(EngineSeams, PasteAndShiftTakeTheGlobalCopyUnlessItIsBlank) {
  struct Case {
    const char* what;
    void (*act)(TPlugCore&);
    int program;  // current afterwards
    int gate;
    int outChannel;  // live
  };
  const Case cases[] = {
      {"paste program 2 into program 1", [](TPlugCore& c) { c.PasteProgram(1); }, 0, 20, 9},
      {"paste program 3, never saved, into program 1", [](TPlugCore& c) { c.PasteProgram(2); }, 0, 30, 3},
      {"shift program 1 down", [](TPlugCore& c) { c.ShiftProgram(+1); }, 1, 10, 9},
      {"shift program 1 up, to 64, never used", [](TPlugCore& c) { c.ShiftProgram(-1); }, 63, 10, 3},
  };
  for (const Case& c : cases) {
    Rows rows;
    c.act(rows.core);
    EXPECT_EQ(rows.core.CurrentProgramIndex(), c.program) << c.what;
    EXPECT_EQ(rows.core.GetParam(tagGate), c.gate) << c.what;
    EXPECT_EQ(rows.core.GetParam(tagMIDIOut_Ch), c.outChannel) << c.what;
    EXPECT_EQ(rows.core.GetParam(tagCurProgram), c.program) << c.what;
  }
  Rows rows;
  const auto source = TEngineProbe(rows.core).Programs()[1];
  rows.core.PasteProgram(1);
  EXPECT_EQ(TEngineProbe(rows.core).Programs()[1], source) << "paste never changes its source";
}

TEST(EngineSeams, AudioThreadWritesWithoutWaitingWhileTheEngineIsHeld) {
  // No program is current, so the first write makes one current; another thread holds the
  // engine meanwhile. The write from the audio thread returns at once and is made when the
  // other thread lets go.
  TPlugCore core;
  std::promise<void> held, release;
  std::thread holder([&] {
    TEngineGuard guard(core);
    held.set_value();
    release.get_future().wait();
  });
  held.get_future().wait();
  auto write = std::async(std::launch::async, [&] {
    const TRealtimeScope realtime;
    core.SetParamNormalized(tagGate, 0.5f);
    core.SetParamNormalized(tagSteps, 1.0f);
  });
  const bool returned = write.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  release.set_value();
  holder.join();
  ASSERT_TRUE(returned) << "the audio thread waited for the engine";
  EXPECT_EQ(core.CurrentProgramIndex(), 0);
  EXPECT_EQ(core.GetParam(tagGate), 50);
  EXPECT_EQ(core.GetParam(tagSteps), 64);
}

TEST(EngineSeamsDeathTest, ARealtimeScopeStopsAWaitForTheLockInCheckedBuilds) {
  if (!TRealtimeScope::kChecked) GTEST_SKIP() << "Release builds leave the check out";
  TPlugCore core;
  EXPECT_DEATH(
      {
        const TRealtimeScope realtime;
        core.SelectProgram(3);
      },
      "waited for on the audio thread");
}

}  // namespace
