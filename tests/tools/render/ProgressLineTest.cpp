// The progress line on standard error: how far the render is and how long it has left.
#include <gtest/gtest.h>

#include "tools/render/ProgressLine.h"

namespace {

TEST(ProgressLine, ShowsTheShareDoneAndTheTimeLeft) {
  testing::internal::CaptureStderr();
  TProgressLine line(true, 0.0);
  line.Update(0.25);
  line.Finish();
  const std::string shown = testing::internal::GetCapturedStderr();
  EXPECT_NE(shown.find("rendering  25%"), std::string::npos) << shown;
  EXPECT_NE(shown.find(" s left)"), std::string::npos) << shown;
  EXPECT_EQ(shown.back(), '\n');

  testing::internal::CaptureStderr();
  TProgressLine quiet(false, 0.0);
  quiet.Update(0.5);
  quiet.Finish();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
