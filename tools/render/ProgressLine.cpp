#include "tools/render/ProgressLine.h"

TProgressLine::TProgressLine(bool on, double delaySeconds)
    : enabled(on), delay(delaySeconds), started(Clock::now()), lastShown(started) {}

void TProgressLine::Update(double fraction) {
  if (!enabled) return;
  const Clock::time_point now = Clock::now();
  const double elapsed = std::chrono::duration<double>(now - started).count();
  if (elapsed < delay) return;
  if (shown && std::chrono::duration<double>(now - lastShown).count() < 0.25 && fraction < 1.0) return;
  // The time left, from the pace so far; the spaces clear a longer line shown before.
  const double left = fraction > 0 ? elapsed * (1 - fraction) / fraction : 0;
  std::fprintf(stderr, "\rmoltrin-render: rendering %3d%% (%.0f s, about %.0f s left)   ",
               static_cast<int>(fraction * 100 + 0.5), elapsed, left);
  std::fflush(stderr);
  shown = true;
  lastShown = now;
}

void TProgressLine::Finish() {
  if (shown) std::fputc('\n', stderr);
  shown = false;
}
