#pragma once
// A progress line on standard error, shown only once a render has taken a few seconds.
#include <chrono>
#include <cstdio>

class TProgressLine {
 public:
  explicit TProgressLine(bool enabled, double delaySeconds = 2.0);
  void Update(double fraction);
  void Finish();  // ends the line, if one was shown

 private:
  using Clock = std::chrono::steady_clock;
  bool enabled;
  double delay;
  Clock::time_point started;
  Clock::time_point lastShown;
  bool shown = false;
};
