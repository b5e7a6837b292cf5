// The block clock. The position of a frame is found by the same arithmetic as that of the
// block's first frame, with the frame's offset added to the host's sample position, in double
// precision, truncated to steps.
#include "engine/Clock.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Truncation toward zero that never leaves the int range, whatever a host reported.
int Trunc(double x) {
  if (!(x == x)) return 0;
  constexpr double kLimit = 2.0e9;
  return static_cast<int>(std::clamp(x, -kLimit, kLimit));
}

bool Sane(double x, double lo, double hi) { return std::isfinite(x) && x >= lo && x <= hi; }

constexpr double kNever = 1.0e18;

// Truncation toward zero of a double of any size (beyond 2^52 every double is whole).
double TruncD(double x) { return std::fabs(x) < 4.0e15 ? static_cast<double>(static_cast<int64_t>(x)) : x; }

// x less the whole periods it holds, as the clock takes positions apart: x − trunc(x / p) × p.
double LessWholePeriods(double x, double period) { return x - TruncD(x / period) * period; }

}  // namespace

// ---- Once per block --------------------------------------------------------------------------

void TArpClock::SetSampleRate(double rate) {
  if (Sane(rate, 1.0, 1.0e7)) sampleRate_ = rate;
}

void TArpClock::CatchUp(int samples) {
  if (freeRun_) freeRunSamples_ += samples;
  if (keyWait_) keyWaitSamples_ += samples;
}

bool TArpClock::TakeTime(const THostTime* host) {
  prevPpq_ = ppq_;
  // A host may give no time at all, or values no clock can use: the last sane values are kept
  // (before any: stopped, 120 quarter notes per minute, 44100 Hz).
  const bool wasPlaying = playing_;
  if (host != nullptr) {
    if (Sane(host->sampleRate, 1.0, 1.0e7)) sampleRate_ = host->sampleRate;
    if (Sane(host->tempo, 1.0e-3, 1.0e5)) tempo_ = host->tempo;
    if (Sane(host->ppqPos, -1.0e8, 1.0e8)) ppq_ = host->ppqPos;
    if (Sane(host->samplePos, -1.0e15, 1.0e15)) samplePos_ = host->samplePos;
    playing_ = host->playing;
  }
  const bool changed = playing_ != wasPlaying;
  if (changed) {
    // A transport that starts or stops ends the own clock before this block's position is taken,
    // so that keys held down with the transport's start play from its first block.
    freeRun_ = false;
    keyWait_ = false;
    lastStep_ = lastAbsStep_ = -1;
    seamValid_ = false;
  }
  if (freeRun_)
    TakeOwnClockTime();
  else if (ppq_ != prevPpq_)
    samplePosAtPpqChange_ = samplePos_;
  return changed;
}

void TArpClock::TakePendingRestart() {
  if (!restartPending_) return;
  restartPending_ = false;
  restartPpq_ = playing_ ? ppq_ : 0.0;
  restartSynced_ = false;
}

void TArpClock::TakeRate(int sync) {
  if (sync == rateSync_ && sampleRate_ == rateSampleRate_ && tempo_ == rateTempo_) return;
  rateSync_ = sync;
  rateSampleRate_ = sampleRate_;
  rateTempo_ = tempo_;
  stepsPerBeat_ = kSyncRateTable[std::clamp(sync, 0, 11)];
  samplesPerStep_ = sampleRate_ / tempo_ * 60.0 / stepsPerBeat_;
  stepsPerSample_ = 1.0 / samplesPerStep_;
}

void TArpClock::StartSeam(int sync, bool transportChanged, bool idle) {
  floorActive_ = false;
  if (!seamValid_ || seamSync_ != sync || transportChanged || idle) return;
  const double start = RawPosition(0);
  if (start < seamPos_ && seamPos_ - start < kSeamTolerance) {
    floorActive_ = true;
    floorPos_ = seamPos_;
  }
}

bool TArpClock::BlockWithin(double from, double until, int frames) {
  const double start = RawPosition(0);
  const double end = (playing_ || freeRun_) && frames > 1 ? start + (frames - 1) * stepsPerSample_ : start;
  if (start < from || end >= until || (seamValid_ && start < seamPos_)) return false;
  floorActive_ = false;
  return true;
}

void TArpClock::EndBlock(int frames, int sync, bool idle) {
  if (idle) {
    seamValid_ = false;
  } else {
    seamPos_ = std::max(RawPosition(frames), floorActive_ ? floorPos_ : -kNever);
    seamSync_ = sync;
    seamValid_ = true;
  }
  CatchUp(frames);
}

// ---- Reading the clock ---------------------------------------------------------------------

TClockReading TArpClock::Read(int frame, const TBlockSettings& block) const {
  TClockReading r;
  r.frame = frame;
  const int steps = block.Steps;
  const double samplesPerStep = samplesPerStep_;
  const double raw = RawPosition(frame);
  double pos = raw;
  if (floorActive_ && raw < floorPos_) {
    r.lagFrames = (floorPos_ - raw) * samplesPerStep;
    pos = floorPos_;
  }
  double toCycleEnd = kNever;
  if (block.Sync >= 8) {
    // Three-part rates repeat every whole number of beats the pattern spans.
    static constexpr int kDivisor[4] = {16, 8, 4, 2};
    const int beats = steps * 3 / kDivisor[block.Sync - 8];
    const double cycle = beats * stepsPerBeat_;
    if (cycle > 0) {
      pos = LessWholePeriods(pos, cycle);
      if (pos >= 0) toCycleEnd = cycle - pos;
    }
  }
  double stepPos = pos;
  r.stepCount = Trunc(stepPos);

  if (restartPpq_ > 0) {
    const int q = block.InQuantizeLen;
    const double restart = q > 0 ? Trunc(restartPpq_ * stepsPerBeat_ / q + 0.5 * block.Gate / 100.0) * static_cast<double>(q)
                                 : restartPpq_ * stepsPerBeat_;
    double shifted = TArpClock::OnTheGrid(stepPos - restart);
    if (shifted < 0) shifted -= TruncD((shifted - steps) / steps) * steps;  // into 0..Steps
    stepPos = shifted;
  }
  if (stepPos < 0) {
    // Before the pattern's start: the first step begins where the position reaches 0.
    r.stepPos = stepPos;
    r.framesToBoundary = r.lagFrames + -stepPos * samplesPerStep;
    r.framesPerStep = samplesPerStep;
    r.toBoundary = -stepPos;
    return r;
  }

  // Within a step the position moves at one rate: the step's share of its swing pair.
  double toBoundaryRaw;  // distance to the next step boundary before swing
  double slope = 1.0;    // raw distance per unit of swung position
  if (block.Swing != 0) {
    const double s = block.Swing;
    const double pair = 2.0 * TruncD(stepPos / 2.0);
    const double f = stepPos - pair;
    const double split = (100.0 + s) / 100.0;
    if (f < split) {
      stepPos = pair + f * 100.0 / (100.0 + s);
      slope = split;
      toBoundaryRaw = split - f;
    } else {
      stepPos = pair + 2.0 - (2.0 - f) * 100.0 / (100.0 - s);
      slope = 2.0 - split;
      toBoundaryRaw = 2.0 - f;
    }
  } else {
    toBoundaryRaw = TruncD(stepPos) + 1.0 - stepPos;  // the position is not negative here
  }
  r.absStep = Trunc(stepPos);
  if (stepPos >= steps) stepPos = LessWholePeriods(stepPos, steps);
  r.curStep = std::clamp(Trunc(stepPos), 0, steps - 1);

  if (block.LockPage) {
    // The locked page plays the steps of it the pattern covers, over and over, keeping the
    // position's place within them.
    const int first = 16 * block.SelectedPage;
    const int covered = std::min(16, steps - first);
    if (r.curStep / 16 != block.SelectedPage || covered < 16) {
      stepPos = LessWholePeriods(stepPos, covered) + first;
      r.curStep = std::clamp(Trunc(stepPos), first, first + covered - 1);
    }
  }
  r.stepPos = stepPos;
  r.running = true;
  r.synced = restartSynced_;
  if (restartPpq_ > 0) {
    // After a restart by key nothing plays until the pattern reaches step 0, the restart point.
    if (r.curStep == 0) r.synced = true;
    if (!r.synced) r.running = false;
  }
  r.framesPerStep = slope * samplesPerStep;
  r.toBoundary = toBoundaryRaw / slope;
  r.framesToBoundary = r.lagFrames + std::min(toBoundaryRaw, toCycleEnd) * samplesPerStep;
  return r;
}

void TArpClock::Take(const TClockReading& r, const TBlockSettings& block) {
  stepPos_ = r.stepPos;
  stepCount_ = r.stepCount;
  restartSynced_ = r.synced;
  if (!r.running) {
    ForgetStep();
    return;
  }
  absStep_ = r.absStep;
  curStep_ = r.curStep;
  if (block.Sync != gridSync_ || block.Steps != gridSteps_) {
    // Counted in another rate or length (a program change): only the step number tells.
    lastAbsStep_ = absStep_;
    gridSync_ = block.Sync;
    gridSteps_ = block.Steps;
  }
}

void TArpClock::ForgetStep() { curStep_ = lastStep_ = absStep_ = lastAbsStep_ = -1; }

void TArpClock::MarkStepPlayed(int frame) {
  lastStep_ = curStep_;
  lastAbsStep_ = absStep_;
  stepPosAtStep_ = stepPos_;
  ppqAtStep_ = PpqAt(frame);
}

double TArpClock::PpqAt(int frame) const {
  return ppq_ + (samplePos_ + frame - samplePosAtPpqChange_) / sampleRate_ * tempo_ / 60.0;
}

// ---- The own clock and restart on key --------------------------------------------------------

void TArpClock::StartOwnClock(int frame, bool inBlock) {
  freeRun_ = true;
  freeRunSamples_ = -frame;  // counted from the frame the clock starts on
  seamValid_ = false;
  if (inBlock) TakeOwnClockTime();
}

void TArpClock::StopOwnClock() {
  freeRun_ = false;
  keyWait_ = false;
}

void TArpClock::TakeOwnClockTime() {
  // The own clock's position runs 512 samples behind the samples counted since it started; the
  // samples of this block are added frame by frame.
  ppq_ = freeRunSamples_ / sampleRate_ * tempo_ / 60.0;
  samplePos_ = -512.0;
  samplePosAtPpqChange_ = 0;
}

bool TArpClock::FirstKeyDown(bool restartOnKey, bool arpEnabled, int frame, bool inBlock) {
  if (restartOnKey) {
    // With the transport stopped the own clock starts with this key, so the pattern starts at
    // its origin, not at wherever the host's playhead is parked. While it plays, the restart
    // point is the song position at which the key takes effect: its frame, or the start of the
    // next block for a key that arrives between blocks.
    restartPending_ = playing_ && !inBlock;
    if (!restartPending_) restartPpq_ = playing_ ? PpqAt(frame) : 0.0;
    restartSynced_ = false;
  }
  if (playing_ || !arpEnabled) return false;
  if (keyWait_ && freeRun_) {
    keyWait_ = false;
    return false;
  }
  StartOwnClock(frame, inBlock);
  return true;
}

bool TArpClock::KeyUp(bool lastKey, bool restartOnKey, int frame) {
  bool stopped = false;
  if (lastKey && !playing_) {
    if (restartOnKey) {
      // The own clock stops at once; its notes would never reach their ends.
      stopped = freeRun_;
      StopOwnClock();
    } else if (freeRun_) {
      keyWait_ = true;
    }
  }
  keyWaitSamples_ = -frame;  // the second of the key wait counts from this frame
  return stopped;
}

bool TArpClock::KeyWaitEndsBy(int frame) const {
  return keyWait_ && (keyWaitSamples_ + frame) / sampleRate_ > 1.0;
}

int TArpClock::KeyWaitEndFrame(int frame, int limit) const {
  // The key wait ends on the first frame more than a second after the last key-up.
  if (!keyWait_) return limit;
  const double due = std::floor(sampleRate_ - keyWaitSamples_);
  int f = static_cast<int>(std::clamp(due, static_cast<double>(frame + 1), static_cast<double>(limit)));
  while (f > frame + 1 && KeyWaitEndsBy(f - 1)) --f;
  while (f < limit && !KeyWaitEndsBy(f)) ++f;
  return f;
}
