// A host that idles the editor on a thread of its own, not on the thread that made the instance
// (Ardour runs effEditOpen and effEditIdle on its "LXVSTEventLoop" thread, whose automation code
// must not run there): the user's click on "steps ›" reaches the host from the audio thread, at
// the next blocks, begin, automation and end in order; a host that idles the editor on the thread
// that made the instance hears the click at once on that thread, with no block run.
// Real X11 windows, the module through its binary interface, the mouse through XTest.
#include <atomic>
#include <chrono>
#include <thread>

#include "engine/ParamNames.h"
#include "tests/window/EditorWindowFixture.h"

namespace {

using namespace std::chrono_literals;
constexpr testsupport::TSpot kStepsRight{81, 230};  // the ">" arrow of "steps"

bool IsGestureCall(const vst2host::Callback& c) {
  return c.opcode == audioMasterBeginEdit || c.opcode == audioMasterAutomate || c.opcode == audioMasterEndEdit;
}

class EditorThread : public EditorWindow {
 protected:
  // The host's gesture calls for `tag`, as "B A E".
  std::string Heard(int tag) const {
    std::string out;
    for (const vst2host::Callback& c : host.Callbacks()) {
      if (!IsGestureCall(c) || c.index != tag) continue;
      out += out.empty() ? "" : " ";
      out += c.opcode == audioMasterBeginEdit ? "B" : c.opcode == audioMasterEndEdit ? "E" : "A";
    }
    return out;
  }
  bool WaitForEnd(int tag) const {
    for (int i = 0; i < 200; ++i) {
      for (const vst2host::Callback& c : host.Callbacks())
        if (c.opcode == audioMasterEndEdit && c.index == tag) return true;
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }
  // The host's turns while another thread idles the editor.
  void Wait() {
    for (int i = 0; i < 5; ++i) {
      parent.Pump();
      std::this_thread::sleep_for(10ms);
    }
  }
};

// `latching`: the host writes its lane's value (the last it heard) before every block, as Ardour
// does with a lane in Latch, and reads the plug-in's value when it hears of a change.
TEST_F(EditorThread, AnEditorIdledOnAnotherThreadReachesTheHostFromTheAudioThread) {
  for (const bool latching : {false, true}) {
    SCOPED_TRACE(latching ? "a host writing its latched lane before each block" : "a host that only plays");
    std::atomic<bool> stop{false}, open{false};
    std::thread::id audioThread, editorThread;
    const float before = host.GetParam(tagSteps);
    std::thread audio([&] {
      audioThread = std::this_thread::get_id();
      while (!stop) {
        if (latching) {
          const std::vector<vst2host::Automation> heard = host.Automations();
          host.SetParam(tagSteps, heard.empty() ? before : heard.back().value);
        }
        host.PlayBlocks(1);
        std::this_thread::sleep_for(2ms);
      }
    });
    std::thread editor([&] {
      editorThread = std::this_thread::get_id();
      open = Open() == 1;
      while (!stop) {
        host.Dispatch(effEditIdle);
        std::this_thread::sleep_for(5ms);
      }
      Close();
    });
    while (!open) std::this_thread::sleep_for(1ms);
    Wait();
    host.ClearRecords();
    testsupport::ClickAt(parent, kStepsRight.x, kStepsRight.y, [this] { Wait(); });
    const bool ended = WaitForEnd(tagSteps);
    stop = true;
    editor.join();
    audio.join();

    ASSERT_TRUE(ended) << "the host never heard the click end";
    EXPECT_EQ(Heard(tagSteps), "B A E");
    for (const vst2host::Callback& c : host.Callbacks()) {
      if (!IsGestureCall(c)) continue;
      EXPECT_EQ(c.thread, audioThread) << "host call " << c.opcode << " for tag " << c.index
                                       << " not from the audio thread"
                                       << (c.thread == editorThread ? " but from the editor's" : "");
    }
    const vst2host::Automation clicked = host.Automations().back();
    EXPECT_GT(clicked.value, before) << "one step more";
    EXPECT_FLOAT_EQ(clicked.plugInValue, clicked.value) << "the plug-in holds what it told the host";
    EXPECT_FLOAT_EQ(host.GetParam(tagSteps), clicked.value);
  }
}

TEST_F(EditorThread, AnEditorIdledOnTheThreadThatMadeTheInstanceTellsTheHostAtOnce) {
  ASSERT_EQ(Open(), 1);
  Idle(4);
  host.ClearRecords();
  ClickAt(kStepsRight.x, kStepsRight.y);
  EXPECT_EQ(host.BlocksRun(), 0);
  EXPECT_EQ(Heard(tagSteps), "B A E") << "no block was run";
  for (const vst2host::Callback& c : host.Callbacks()) {
    if (!IsGestureCall(c)) continue;
    EXPECT_EQ(c.thread, std::this_thread::get_id());
  }
  Close();
}

}  // namespace
