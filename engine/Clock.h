#pragma once
// TArpClock: the host's transport (or the engine's own clock) as a position in the pattern,
// frame by frame. It keeps the song position, the own clock and its key wait, the restart point
// of restart on key, and the step last played; it reads the clock at any frame of a block and
// says how far ahead the next step boundary lies. It sends nothing and knows no keys: the
// sequencer tells it what the keys did and plays what it reads.
//
// Positions are double precision: a song hours long still places every step on its frame.
// Audio thread, under the engine lock.
#include <cstdint>

#include "engine/MidiTypes.h"

// The program's settings as one block sees them, read at the block's start (and again where a
// program changes inside the block).
struct TBlockSettings {
  int Steps = 16;
  int Sync = 3;
  int InQuantizeLen = 1;     // input quantize length in steps
  int OutChannel = 0;        // MIDIOut_Ch - 1
  int ChainQuantizeLen = 1;  // chain quantize length in steps
  int RestartOnKey = 0;
  int Gate = 100;
  int Swing = 0;
  int ScaleRoot = -1;        // ForceScale_Key - 1
  int Scale = -1;            // ForceScale - 1
  bool FollowChord = false;
  bool LockPage = false;
  int SelectedPage = 0;
};

// Steps per quarter note of each Sync value.
constexpr double kSyncRateTable[12] = {12.0, 8.0, 6.0, 4.0, 3.0, 2.0, 1.5, 1.0, 16.0 / 3.0, 8.0 / 3.0, 4.0 / 3.0, 2.0 / 3.0};

// What the clock reads at one frame of the block: the position, the step it lies in, and how
// far ahead the next step boundary lies.
struct TClockReading {
  int frame = -1;        // the frame read
  bool running = false;  // false: no step (before the pattern's start, or not yet synced)
  double stepPos = 0;
  int stepCount = 0;
  int absStep = -1;
  int curStep = -1;
  bool synced = false;          // RestartSynced after this reading
  double framesToBoundary = 0;  // estimated frames to the next step boundary
  double framesPerStep = 0;     // frames per unit of StepPos within the current step
  double toBoundary = 0;        // units of StepPos to the next step boundary
  double lagFrames = 0;         // frames the clock still waits at the seam floor
};

class TArpClock {
 public:
  // The sample rate until a host's time brings one (ignored unless sane).
  void SetSampleRate(double rate);

  // ---- Once per block, before it is worked through.
  // Samples of blocks that found the engine busy: the own clock and the key wait count them.
  void CatchUp(int samples);
  // Takes the host's time (null: none; the last sane values stay). True when the transport
  // started or stopped: the own clock and its key wait have then ended, and the step at the new
  // position plays afresh, whichever step the old clock played last.
  bool TakeTime(const THostTime* host);
  // The restart point of keys that went down before the block (between blocks, or held as the
  // transport starts) is the song position of the block's start.
  void RestartAtBlockStart() { restartPending_ = true; }
  void TakePendingRestart();
  // The step length, from the block's rate, the tempo and the sample rate.
  void TakeRate(int sync);
  // Before the block's first reading: where a host's position lies a little behind the frame at
  // which the last block ended, the clock waits there instead of playing a step again.
  void StartSeam(int sync, bool transportChanged, bool idle);
  // True when the block's frames all lie at raw positions in [from, until) and it starts at or
  // past where the last block ended (so that no seam holds it): then nothing can happen in it
  // that the reading before `until` did not see.
  bool BlockWithin(double from, double until, int frames);
  // After the block: the own clock and the key wait count its samples; `idle` ends the seam.
  void EndBlock(int frames, int sync, bool idle);

  // ---- Reading the clock.
  // Steps, before cycles, restart, swing and wrap. With the transport stopped the host's parked
  // position does not move within a block.
  double RawPosition(int frame) const {
    const double advance = (playing_ || freeRun_) ? frame : 0;
    return OnTheGrid(ppq_ * stepsPerBeat_ + (samplePos_ + advance - samplePosAtPpqChange_) / samplesPerStep_);
  }
  // A position within rounding of a whole step is that step: the host's song position and the
  // frame's offset are each exact, their sum in double precision may not be. A millionth of a
  // step is far below a frame at any rate and tempo a host uses. (Beyond 2^52 every double is
  // whole.)
  static double OnTheGrid(double steps) {
    if (!(steps > -4.0e15 && steps < 4.0e15)) return steps;
    const double whole = static_cast<double>(static_cast<int64_t>(steps + (steps < 0 ? -0.5 : 0.5)));
    const double off = steps - whole;
    return off < 1.0e-6 && off > -1.0e-6 ? whole : steps;
  }
  TClockReading Read(int frame, const TBlockSettings& block) const;
  // The reading becomes the clock's step (its restart sync too).
  void Take(const TClockReading& reading, const TBlockSettings& block);
  // No step (nothing moves the pattern).
  void ForgetStep();
  bool IsNewStep(const TClockReading& reading) const {
    return reading.running && (reading.curStep != lastStep_ || reading.absStep != lastAbsStep_);
  }
  bool NewStep() const { return curStep_ != lastStep_ || absStep_ != lastAbsStep_; }
  // The pattern came round (or left its steps): every sounding note ends.
  bool Wrapped() const { return NewStep() && curStep_ <= lastStep_; }
  // The step taken is played: it is the step last played from now on.
  void MarkStepPlayed(int frame);
  double PpqAt(int frame) const;  // song position in quarter notes

  // ---- The own clock and restart on key, as keys go down and up.
  bool Playing() const { return playing_; }
  bool OwnClockRunning() const { return freeRun_; }
  bool KeyWaiting() const { return keyWait_; }
  // The transport stopped, and no own clock or key wait runs.
  bool Parked() const { return !playing_ && !freeRun_ && !keyWait_; }
  // Starts the own clock at `frame` of the block being worked on (0 outside a block).
  void StartOwnClock(int frame, bool inBlock);
  void StopOwnClock();
  // The first key goes down at `frame`: with restart on key the pattern restarts there; with
  // the transport stopped and the arpeggiator on, the own clock starts (or goes on from its key
  // wait). True when the own clock started afresh.
  bool FirstKeyDown(bool restartOnKey, bool arpEnabled, int frame, bool inBlock);
  // A key went up at `frame`; `lastKey` when no key is active any more. True when the own
  // clock stopped at once (restart on key), so that its notes must end now.
  bool KeyUp(bool lastKey, bool restartOnKey, int frame);
  bool KeyWaitEndsBy(int frame) const;
  // The first frame in (frame, limit] at which the key wait has ended, or limit.
  int KeyWaitEndFrame(int frame, int limit) const;
  void ClearRestart() { restartPpq_ = 0; }

  // ---- What the sequencer and the status panel read.
  double SongPosition() const { return ppq_; }  // quarter notes, at the block's first frame
  double SamplesPerStep() const { return samplesPerStep_; }
  bool RestartWaiting() const { return restartPending_; }
  double StepPos() const { return stepPos_; }
  int StepCount() const { return stepCount_; }
  int CurStep() const { return curStep_; }
  int LastStep() const { return lastStep_; }
  double StepPosAtStep() const { return stepPosAtStep_; }
  double PpqAtStep() const { return ppqAtStep_; }

 private:
  void TakeOwnClockTime();

  // The host's transport (or the own clock's), for the block's first frame.
  double ppq_ = 0;
  double prevPpq_ = 0;
  double samplePos_ = 0;
  double samplePosAtPpqChange_ = 0;  // the sample position of the last block whose ppq moved
  double sampleRate_ = 44100.0;
  double tempo_ = 120.0;
  bool playing_ = false;
  double stepsPerBeat_ = 4.0;
  double samplesPerStep_ = 0;
  double stepsPerSample_ = 0;
  int rateSync_ = -1;  // what the step length was worked out from
  double rateSampleRate_ = 0;
  double rateTempo_ = 0;
  // The step: the position of the reading taken and what it lies in.
  double stepPos_ = 0;
  int stepCount_ = 0;
  int curStep_ = -1;
  int lastStep_ = -1;
  // Whole steps since the pattern's start before the wrap: a new step of a one-step pattern,
  // or a jump by whole cycles, changes it while curStep_ stays the same.
  int absStep_ = -1;
  int lastAbsStep_ = -1;
  int gridSync_ = -1;  // the rate and length absStep_ was counted in
  int gridSteps_ = -1;
  double stepPosAtStep_ = 0;
  double ppqAtStep_ = 0;
  // Restart on key.
  double restartPpq_ = 0;  // song position of the restart (0: none)
  bool restartSynced_ = false;
  bool restartPending_ = false;
  // The own clock and the second it waits for a key after the last one went up.
  bool freeRun_ = false;
  double freeRunSamples_ = 0;
  bool keyWait_ = false;
  double keyWaitSamples_ = 0;
  // The clock never runs backwards by less than this many steps between blocks: a host whose
  // song position is coarser than a frame (ticks of a tempo map, a narrowed value) may report a
  // block's start a little behind where the last block ended.
  static constexpr double kSeamTolerance = 0.5;
  double seamPos_ = 0;      // raw position (steps) at which the last block ended
  bool seamValid_ = false;  // the last block ran the clock, in the rate of seamSync_
  int seamSync_ = -1;
  double floorPos_ = 0;  // the clock's raw position is held at or above this during the block
  bool floorActive_ = false;
};
