// When no native window can be made for the editor, it runs unseen in a headless window: the
// host gets a working editor, and whoever debugs the plug-in gets one line saying why, once.
// On Windows the line goes to the debugger's output, which a test cannot read.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "hosts/vst2/Host.h"

namespace {

#if !defined(_WIN32)
// The line is written once per process, so the openings run in a process of their own.
TEST(EditorFallbackDeathTest, TheReasonForAnUnseenEditorIsToldOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        vst2host::Host host;
        if (host.Start() == nullptr) std::_Exit(2);
        char notAWindow[8] = {};  // no X window has this id, and there may be no display at all
        testing::internal::CaptureStderr();
        for (int opening = 0; opening < 3; ++opening) {
          if (host.Dispatch(effEditOpen, 0, 0, notAWindow) != 1) std::_Exit(3);
          host.Dispatch(effEditIdle);
          host.Dispatch(effEditClose);
        }
        const std::string told = testing::internal::GetCapturedStderr();
        int lines = 0;
        for (size_t at = told.find("Moltrin: "); at != std::string::npos; at = told.find("Moltrin: ", at + 1)) ++lines;
        std::fprintf(stderr, "%d line(s): %s", lines, told.c_str());
        std::_Exit(0);
      },
      testing::ExitedWithCode(0),
      "^1 line\\(s\\): Moltrin: the editor runs without a window on the screen: "
      "(no X display \\(DISPLAY is not set\\)|cannot open the X display \".*\"|"
      "the host's window 0x[0-9a-f]+ is no window on the X display)\n$");
}
#endif

}  // namespace
